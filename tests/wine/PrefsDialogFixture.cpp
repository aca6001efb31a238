#include "PrefsDialogFixture.h"

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "PrefsIds.h"
#include "core/commands/CommandFile.h"
#include "core/editor/CommandEditor.h"
#include "prefs/ScrivelPrefsDlg.h"

namespace quillet::test {

std::optional<std::string> PrefsDialogFixture::savedUserFile_;

namespace {

std::filesystem::path PathOf(const std::u16string& path) {
    return std::filesystem::path(std::wstring(path.begin(), path.end()));
}

}  // namespace

std::u16string PrefsDialogFixture::UserFile() {
    return userCommandFile(true);
}

std::string PrefsDialogFixture::FileBytes(const std::vector<std::string>& lines) {
    std::string bytes = "\xEF\xBB\xBF";
    for (const std::string& line : lines) {
        bytes += line + "\r\n";
    }
    return bytes;
}

void PrefsDialogFixture::WriteUserFile(const std::vector<std::string>& lines) {
    WriteRaw(FileBytes(lines));
}

void PrefsDialogFixture::WriteRaw(const std::string& bytes) {
    std::ofstream(PathOf(UserFile()), std::ios::binary | std::ios::trunc) << bytes;
}

std::optional<std::string> PrefsDialogFixture::UserFileBytes() {
    std::ifstream in(PathOf(UserFile()), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::optional<FILETIME> PrefsDialogFixture::UserFileTime() {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(reinterpret_cast<LPCWSTR>(UserFile().c_str()), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return data.ftLastWriteTime;
}

void PrefsDialogFixture::SetUserFileTime(const FILETIME& time) {
    const platform::FileHandle file(CreateFileW(reinterpret_cast<LPCWSTR>(UserFile().c_str()),
                                                FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                                nullptr));
    EXPECT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &time));
}

void PrefsDialogFixture::SetUpTestSuite() {
    savedUserFile_ = UserFileBytes();
}

void PrefsDialogFixture::TearDownTestSuite() {
    std::error_code ignored;
    std::filesystem::remove(PathOf(UserFile()), ignored);
    if (savedUserFile_) {
        WriteRaw(*savedUserFile_);
    }
}

void PrefsDialogFixture::SetUp() {
    std::error_code ignored;
    std::filesystem::remove(PathOf(UserFile()), ignored);
    ForgetWindowPlace();
}

void PrefsDialogFixture::ForgetWindowPlace() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, prefs::CScrivelPrefsDlg::kSettingsKey, L"Window");
}

DialogDriver PrefsDialogFixture::OpenDialog(winui::HtmlHelpCall helpViewer) {
    return DialogDriver(
        [helpViewer] {
            CommandFileStorage storage;
            prefs::CScrivelPrefsDlg dialog(storage.Load(), storage, helpViewer);
            dialog.DoModal(nullptr);
        },
        u"Configure Quillet Pro");
}

std::u16string PrefsDialogFixture::Caption() {
    return QUILLET_TEST_PRODUCT_NAME;
}

std::u16string PrefsDialogFixture::AnswerBox(const DialogDriver& dialog, int buttonId) {
    const HWND box = WaitForWindow(dialog, Caption());
    if (!box) {
        return {};
    }
    std::u16string text = MessageOf(box);
    if (buttonId == kPressEnter) {
        // Through the box's own loop, to the button that has its focus: the default one.
        const HWND focus = Focused(dialog);
        PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageW(focus, WM_KEYUP, VK_RETURN, 0xC0000001);
        WaitFor([&] { return !IsWindow(box); });
        return text;
    }
    Answer(box, buttonId);
    return text;
}

HWND PrefsDialogFixture::Focused(const DialogDriver& dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog.Dialog(), nullptr), &info);
    return info.hwndFocus;
}

std::vector<std::u16string> PrefsDialogFixture::Items(const DialogDriver& dialog) {
    std::vector<std::u16string> items;
    const HWND list = dialog.Item(IDC_COMMAND_LIST);
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        LVITEMW item{};
        item.pszText = text;
        item.cchTextMax = 512;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        items.emplace_back(reinterpret_cast<const char16_t*>(text));
    }
    return items;
}

std::vector<int> PrefsDialogFixture::Marks(const DialogDriver& dialog) {
    std::vector<int> marks;
    const HWND list = dialog.Item(IDC_COMMAND_LIST);
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto state = SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_STATEIMAGEMASK);
        marks.push_back(static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12));
    }
    return marks;
}

int PrefsDialogFixture::SelectedItem(const DialogDriver& dialog) {
    return static_cast<int>(
        SendMessageW(dialog.Item(IDC_COMMAND_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void PrefsDialogFixture::SelectItem(const DialogDriver& dialog, int index) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = index < 0 ? 0 : LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(dialog.Item(IDC_COMMAND_LIST), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

void PrefsDialogFixture::PostClick(const DialogDriver& dialog, int id) {
    PostMessageW(dialog.Dialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.Item(id)));
}

HWND PrefsDialogFixture::WaitForWindow(const DialogDriver& dialog, std::u16string_view title) {
    struct Find {
        std::u16string title;
        HWND found = nullptr;
    } find{std::u16string(title)};
    const DWORD thread = GetWindowThreadProcessId(dialog.Dialog(), nullptr);
    WaitFor([&] {
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM param) -> BOOL {
                auto* wanted = reinterpret_cast<Find*>(param);
                wchar_t text[128] = {};
                wchar_t className[16] = {};
                GetWindowTextW(window, text, 128);
                GetClassNameW(window, className, 16);
                if (IsWindowVisible(window) && wcscmp(className, L"#32770") == 0 &&
                    reinterpret_cast<const char16_t*>(text) == wanted->title) {
                    wanted->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&find));
        return find.found != nullptr;
    });
    return find.found;
}

void PrefsDialogFixture::Answer(HWND window, int buttonId) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    WaitFor([&] { return !IsWindow(window); });
}

std::u16string PrefsDialogFixture::MessageOf(HWND box) {
    // The message box's text is its static control 0xFFFF.
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    return reinterpret_cast<const char16_t*>(text);
}

}  // namespace quillet::test
