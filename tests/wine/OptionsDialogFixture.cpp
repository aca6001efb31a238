#include "OptionsDialogFixture.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/CopyOptions.h"
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
        const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()),
                                          FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            SetFileTime(handle, nullptr, nullptr, &time);
            CloseHandle(handle);
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
    return DialogDriver([paths = std::move(paths)] { shellext::ShowOptionsDialog(paths); }, u"Quillet");
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
    SharedCopyOptions() = CopyOptions{};
    SaveCopyOptions();
}

}  // namespace quillet::test
