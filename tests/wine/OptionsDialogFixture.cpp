#include "OptionsDialogFixture.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/copy/CopyOptions.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "shellext/ui/OptionsDlg.h"

namespace quillet::test {
namespace {

struct GeneratedFile {
    const char16_t* relative;
    std::size_t size;
    SYSTEMTIME modified;  // local time
};

const GeneratedFile kFiles[] = {
    {u"a.txt", 1234, {2021, 3, 4, 4, 5, 6, 7, 0}},
    {u"B.txt", 10, {2020, 1, 3, 1, 10, 0, 0, 0}},
    {u"_x.txt", 300, {2022, 6, 3, 1, 12, 0, 0, 0}},
    {u"Docs\\notes.tmp", 7, {2019, 5, 0, 5, 8, 0, 0, 0}},
    {u"Docs\\readme.TXT", 5, {2019, 5, 1, 6, 8, 0, 0, 0}},
    {u"Docs\\sub\\deep.txt", 9, {2019, 5, 2, 7, 8, 0, 0, 0}},
    {u"Docs\\.hidden.txt", 11, {2019, 5, 2, 7, 8, 0, 0, 0}},
    {u"Docs\\.cache\\inner.txt", 13, {2019, 5, 2, 7, 8, 0, 0, 0}},
};

const GeneratedFile* Find(const std::u16string& path) {
    for (const GeneratedFile& file : kFiles) {
        if (path == OptionsDialogFixture::Root() + u"\\" + file.relative) {
            return &file;
        }
    }
    return nullptr;
}

std::u16string Formatted(const GeneratedFile& file, bool longDate, bool withTime) {
    wchar_t date[100] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, longDate ? DATE_LONGDATE : DATE_SHORTDATE, &file.modified, nullptr,
                   date, 100);
    std::u16string text = reinterpret_cast<const char16_t*>(date);
    if (withTime) {
        wchar_t time[100] = {};
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &file.modified, nullptr, time, 100);
        text += u" ";
        text += reinterpret_cast<const char16_t*>(time);
    }
    return text;
}

constexpr const wchar_t* kDpiVariable = L"QUILLET_TEST_DPI";
constexpr const wchar_t* kTextSizeVariable = L"QUILLET_TEST_TEXT_SIZE";
constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
constexpr const wchar_t* kFontsKey = L"Software\\Fonts";

// Sets the DPI value of a settings key; gives what was there before, to put back.
std::optional<DWORD> SetLogPixels(HKEY root, const wchar_t* key, DWORD value) {
    DWORD saved = 0;
    DWORD size = sizeof(saved);
    const bool had =
        RegGetValueW(root, key, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &saved, &size) == ERROR_SUCCESS;
    RegSetKeyValueW(root, key, L"LogPixels", REG_DWORD, &value, sizeof(value));
    return had ? std::optional<DWORD>(saved) : std::nullopt;
}

void RestoreLogPixels(HKEY root, const wchar_t* key, std::optional<DWORD> saved) {
    if (saved) {
        RegSetKeyValueW(root, key, L"LogPixels", REG_DWORD, &*saved, sizeof(*saved));
    } else {
        RegDeleteKeyValueW(root, key, L"LogPixels");
    }
}

}  // namespace

std::unique_ptr<TempFolder> OptionsDialogFixture::folder_;
std::optional<std::string> OptionsDialogFixture::savedOptions_;

void OptionsDialogFixture::CreateFiles() {
    // The dialogs save the options to the user's profile; other programs' tests read it.
    const std::filesystem::path optionsFile(CopyOptionsFile());
    if (std::ifstream stored{optionsFile, std::ios::binary}) {
        savedOptions_ = std::string(std::istreambuf_iterator<char>(stored), {});
    }
    folder_ = std::make_unique<TempFolder>();
    for (const GeneratedFile& file : kFiles) {
        const std::u16string path = folder_->WriteFile(file.relative, file.size);
        SYSTEMTIME utc{};
        FILETIME time{};
        TzSpecificLocalTimeToSystemTime(nullptr, &file.modified, &utc);
        SystemTimeToFileTime(&utc, &time);
        const platform::FileHandle handle(CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()),
                                                      FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                                      nullptr));
        if (handle) {
            SetFileTime(handle.Get(), nullptr, nullptr, &time);
        }
    }
    for (const char16_t* hidden : {u"Docs\\.hidden.txt", u"Docs\\.cache"}) {
        SetFileAttributesW(reinterpret_cast<const wchar_t*>(folder_->PathOf(hidden).c_str()),
                           FILE_ATTRIBUTE_HIDDEN);
    }
}

void OptionsDialogFixture::RemoveFiles() {
    folder_.reset();
    const std::u16string optionsPath = CopyOptionsFile();
    // The system caches profiles and may write them back later: flush first, then put the file back.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr,
                               reinterpret_cast<const wchar_t*>(optionsPath.c_str()));
    const std::filesystem::path optionsFile(optionsPath);
    if (savedOptions_) {
        std::ofstream(optionsFile, std::ios::binary | std::ios::trunc) << *savedOptions_;
    } else {
        std::error_code ignored;
        std::filesystem::remove(optionsFile, ignored);
    }
    savedOptions_.reset();
}

std::u16string OptionsDialogFixture::Root() {
    return folder_->Root().u16string();
}

DialogDriver OptionsDialogFixture::OpenDialog(std::vector<std::u16string> paths) {
    return DialogDriver([paths = std::move(paths)] { shellext::ShowOptionsDialog(paths, GetActiveWindow()); },
                        u"Quillet");
}

namespace {

// The dialog as ShowOptionsDialog runs it, with its web link and help viewer replaced.
DialogDriver OpenDialogWith(std::vector<std::u16string> paths, winui::CButtonLink::OpenAction openLink,
                            winui::HtmlHelpCall helpViewer) {
    return DialogDriver(
        [paths = std::move(paths), openLink = std::move(openLink), helpViewer = std::move(helpViewer)] {
            ItemSelection selection;
            for (const std::u16string& path : paths) {
                selection.AddPath(path);
            }
            selection.Flatten();
            SortSelection(selection);
            shellext::CScrivelDlg dialog(selection, openLink, helpViewer);
            dialog.DoModal(nullptr);
        },
        u"Quillet");
}

}  // namespace

DialogDriver OptionsDialogFixture::OpenDialogWithLink(std::vector<std::u16string> paths,
                                                      OpenedLinks& opened) {
    return OpenDialogWith(
        std::move(paths), [&opened](const std::u16string& url) { opened.Add(url); }, &winui::SystemHtmlHelp);
}

DialogDriver OptionsDialogFixture::OpenDialogWithHelp(std::vector<std::u16string> paths, HelpCalls& calls) {
    return OpenDialogWith(
        std::move(paths), &winui::CButtonLink::OpenInBrowser,
        [&calls](HWND caller, const wchar_t* file, UINT command, DWORD_PTR data) -> HWND {
            calls.Add({caller, file ? reinterpret_cast<const char16_t*>(file) : u"", command, data});
            return nullptr;
        });
}

OptionsDialogFixture::ProcessResult OptionsDialogFixture::RunAtDpi(int dpi, const std::string& filter,
                                                                   int textSize) {
    ProcessResult result{~0u, {}};
    const TextSizeScope larger(textSize);
    SetEnvironmentVariableW(kTextSizeVariable, std::to_wstring(textSize).c_str());
    // The display's DPI, and the one fonts are made for.
    const auto desktop = SetLogPixels(HKEY_CURRENT_USER, kDesktopKey, static_cast<DWORD>(dpi));
    const auto fonts = SetLogPixels(HKEY_CURRENT_CONFIG, kFontsKey, static_cast<DWORD>(dpi));
    SetEnvironmentVariableW(kDpiVariable, std::to_wstring(dpi).c_str());

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine =
        L"\"" + std::wstring(self) + L"\" --gtest_filter=" + std::wstring(filter.begin(), filter.end());
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    platform::UniqueKernelObject readEnd;
    platform::UniqueKernelObject writeEnd;
    if (CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0)) {
        SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd.Get();
        startup.hStdError = writeEnd.Get();
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION process{};
        const bool started = CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                            nullptr, &startup, &process) != FALSE;
        writeEnd.Reset();
        if (started) {
            const platform::UniqueKernelObject processOwner(process.hProcess);
            const platform::UniqueKernelObject threadOwner(process.hThread);
            char buffer[4096];
            DWORD read = 0;
            while (ReadFile(readEnd.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
                result.output.append(buffer, read);
            }
            WaitForSingleObject(process.hProcess, INFINITE);
            GetExitCodeProcess(process.hProcess, &result.exitCode);
        }
        readEnd.Reset();
    }
    SetEnvironmentVariableW(kDpiVariable, nullptr);
    SetEnvironmentVariableW(kTextSizeVariable, nullptr);
    RestoreLogPixels(HKEY_CURRENT_USER, kDesktopKey, desktop);
    RestoreLogPixels(HKEY_CURRENT_CONFIG, kFontsKey, fonts);
    return result;
}

int OptionsDialogFixture::RequestedDpi() {
    wchar_t value[16] = {};
    return GetEnvironmentVariableW(kDpiVariable, value, 16) > 0 ? _wtoi(value) : 0;
}

int OptionsDialogFixture::RequestedTextSize() {
    wchar_t value[16] = {};
    return GetEnvironmentVariableW(kTextSizeVariable, value, 16) > 0 ? _wtoi(value) : 100;
}

int OptionsDialogFixture::SystemDpi() {
    return GetDeviceCaps(platform::WindowDC(nullptr).Get().dc, LOGPIXELSY);
}

std::u16string OptionsDialogFixture::DateOf(const std::u16string& path, bool longDate, bool withTime) {
    const GeneratedFile* file = Find(path);
    return file ? Formatted(*file, longDate, withTime) : u"?";
}

std::u16string OptionsDialogFixture::ExpectedVersionLabel() {
    const std::string version =
        std::to_string(QUILLET_TEST_VERSION_MAJOR) + "." + std::to_string(QUILLET_TEST_VERSION_MINOR);
    return u"Quillet Pro v" + std::u16string(version.begin(), version.end());
}

void OptionsDialogFixture::ResetStoredOptions() {
    SaveCopyOptions(CopyOptions{}, CopyOptionsFile());
}

}  // namespace quillet::test
