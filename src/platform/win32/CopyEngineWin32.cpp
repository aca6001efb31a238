// Win32 side of the copy engine's platform needs: folder reading, file identities, the clipboard,
// the profile, the per-user folder and number formatting.
#include <windows.h>

#include <climits>
#include <filesystem>

#include "platform/Platform.h"
#include "platform/win32/ExactPath.h"
#include "platform/win32/Handles.h"
#include "platform/win32/TimeConversion.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {
namespace {

constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
constexpr std::int64_t kFileTimeUnitsPerSecond = 10000000LL;

FileTimeSeconds SecondsOf(const FILETIME& time) {
    const std::uint64_t units = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    if (units > static_cast<std::uint64_t>(LLONG_MAX)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(units) / kFileTimeUnitsPerSecond - kSecondsFrom1601To1970;
}

// The attributes, size and times of a folder entry or a path's attribute data (the two Win32
// structures share these fields).
template <typename FileData>
void FillFromFileData(const FileData& data, FolderEntry& entry) {
    entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.isHidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    entry.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.created = SecondsOf(data.ftCreationTime);
    entry.accessed = SecondsOf(data.ftLastAccessTime);
    entry.modified = SecondsOf(data.ftLastWriteTime);
}

}  // namespace

// ---- File times and identities ----

std::optional<LocalDateTime> LocalTimeOfFileTime(std::int64_t utcSeconds) {
    if (utcSeconds < -kSecondsFrom1601To1970 ||
        utcSeconds > LLONG_MAX / kFileTimeUnitsPerSecond - kSecondsFrom1601To1970) {
        return std::nullopt;
    }
    const std::uint64_t units =
        static_cast<std::uint64_t>(utcSeconds + kSecondsFrom1601To1970) * kFileTimeUnitsPerSecond;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(units);
    time.dwHighDateTime = static_cast<DWORD>(units >> 32);
    return LocalFromFileTime(time);
}

std::optional<std::int64_t> FileTimeOfLocalTime(const LocalDateTime& local) {
    const SYSTEMTIME localTime = ToSystemTime(local);
    SYSTEMTIME utc{};
    FILETIME time{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &localTime, &utc) || !SystemTimeToFileTime(&utc, &time)) {
        return std::nullopt;
    }
    return SecondsOf(time);
}

std::optional<FileIdentity> QueryFileIdentity(const std::u16string& path) {
    const std::u16string exact = ExactPathForm(path);
    const FileHandle file(CreateFileW(AsWide(exact), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info)) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// ---- Folder reading ----

struct FolderReader::State {
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    bool firstPending = false;  // FindFirstFileExW already returned the first entry
};

FolderReader::FolderReader() : state_(std::make_unique<State>()) {}

FolderReader::~FolderReader() {
    Close();
}

bool FolderReader::Open(const std::u16string& folderPath) {
    Close();
    std::u16string search = folderPath;
    if (search.empty() || search.back() != u'\\') {
        search += u'\\';
    }
    search += u'*';
    search = ExactPathForm(search);
    state_->find = FindFirstFileExW(AsWide(search), FindExInfoBasic, &state_->data, FindExSearchNameMatch,
                                    nullptr, FIND_FIRST_EX_LARGE_FETCH);
    state_->firstPending = state_->find != INVALID_HANDLE_VALUE;
    // A drive's empty root has no "." entry and so no entry at all: read, and empty.
    return state_->firstPending || GetLastError() == ERROR_FILE_NOT_FOUND;
}

void FolderReader::Close() {
    if (state_->find != INVALID_HANDLE_VALUE) {
        FindClose(state_->find);
        state_->find = INVALID_HANDLE_VALUE;
    }
    state_->firstPending = false;
}

bool FolderReader::Next(FolderEntry& entry) {
    if (state_->find == INVALID_HANDLE_VALUE) {
        return false;
    }
    if (state_->firstPending) {
        state_->firstPending = false;
    } else if (!FindNextFileW(state_->find, &state_->data)) {
        return false;  // no more entries, or a failure that ends the reading alike
    }
    const WIN32_FIND_DATAW& data = state_->data;
    entry = FolderEntry{};
    entry.name = std::u16string_view(reinterpret_cast<const char16_t*>(data.cFileName));
    FillFromFileData(data, entry);
    return true;
}

// ---- Clipboard ----

namespace {

// Empties the open clipboard and puts the text on it.
bool PlaceClipboardText(std::optional<std::u16string_view> text) {
    EmptyClipboard();
    if (!text) {
        return true;
    }
    // Moveable, as SetClipboardData documents for the memory it takes over.
    GlobalMemory memory(GMEM_DDESHARE | GMEM_MOVEABLE, (text->size() + 1) * sizeof(char16_t));
    if (memory.Get() == nullptr) {
        return false;
    }
    {
        const GlobalLockScope lock(memory.Get());
        if (lock.Data() == nullptr) {
            return false;
        }
        auto* chars = static_cast<char16_t*>(lock.Data());
        text->copy(chars, text->size());
        chars[text->size()] = 0;
    }
    if (SetClipboardData(CF_UNICODETEXT, memory.Get()) == nullptr) {
        return false;  // the memory is still ours and is freed
    }
    memory.Release();  // now the clipboard's
    return true;
}

}  // namespace

bool ReplaceClipboardText(std::optional<std::u16string_view> text) {
    // Clipboard viewers and managers open the clipboard for a moment after every change: a copy
    // tries again for about half a second before it gives up.
    constexpr int kRetries = 10;
    constexpr DWORD kRetryPauseMs = 50;
    for (int attempt = 0;; ++attempt) {
        const OpenClipboardScope clipboard;
        if (clipboard.IsOpen()) {
            return PlaceClipboardText(text);
        }
        if (attempt == kRetries) {
            return false;
        }
        Sleep(kRetryPauseMs);
    }
}

std::optional<std::u16string> ReadClipboardText() {
    const OpenClipboardScope clipboard;
    if (!clipboard.IsOpen()) {
        return std::nullopt;
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr) {
        return std::nullopt;
    }
    const GlobalLockScope lock(data);
    if (lock.Data() == nullptr) {
        return std::nullopt;
    }
    const std::size_t capacity = GlobalSize(data) / sizeof(char16_t);
    const auto* chars = static_cast<const char16_t*>(lock.Data());
    std::size_t count = 0;
    while (count < capacity && chars[count] != 0) {
        ++count;
    }
    return std::u16string(chars, count);
}

// ---- Profile ----

int ReadProfileInt(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                   int defaultValue) {
    const std::u16string sectionText(section);
    const std::u16string nameText(name);
    return static_cast<int>(
        GetPrivateProfileIntW(AsWide(sectionText), AsWide(nameText), defaultValue, AsWide(file)));
}

bool WriteProfileValue(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                       std::u16string_view value) {
    const std::u16string sectionText(section);
    const std::u16string nameText(name);
    const std::u16string valueText(value);
    return WritePrivateProfileStringW(AsWide(sectionText), AsWide(nameText), AsWide(valueText),
                                      AsWide(file)) != FALSE;
}

// ---- Folders and numbers ----

bool CreateFolders(const std::u16string& path) {
    const std::filesystem::path folder(reinterpret_cast<const wchar_t*>(path.c_str()));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

std::optional<std::u16string> FormatNumberForLocale(const std::u16string& digits) {
    wchar_t formatted[256];
    const int written = GetNumberFormatW(LOCALE_USER_DEFAULT, 0, AsWide(digits), nullptr, formatted, 256);
    if (written <= 0) {
        return std::nullopt;
    }
    std::u16string text = FromWide(formatted);
    // Every number comes back with the locale's fraction ("1,234.00"): cut it at the last decimal
    // separator, when the locale writes fraction digits at all.
    DWORD fractionDigits = 0;
    wchar_t decimal[8];
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDIGITS | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&fractionDigits),
                       sizeof fractionDigits / sizeof(wchar_t)) > 0 &&
        fractionDigits > 0 && GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8) > 0) {
        const std::u16string separator = FromWide(decimal);
        const std::size_t at = separator.empty() ? std::u16string::npos : text.rfind(separator);
        if (at != std::u16string::npos) {
            text.erase(at);
        }
    }
    return text;
}

}  // namespace quillet::platform

namespace quillet::platform {

bool QueryFileEntry(const std::u16string& path, FolderEntry& entry) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(AsWide(ExactPathForm(path)), GetFileExInfoStandard, &data)) {
        return false;
    }
    entry = FolderEntry{};
    FillFromFileData(data, entry);
    return true;
}

}  // namespace quillet::platform
