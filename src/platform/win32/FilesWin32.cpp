// Win32 side of files and folders.
#include <windows.h>

#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>

#include "platform/Files.h"
#include "platform/Trim.h"
#include "platform/WriteBudget.h"
#include "platform/win32/ExactPath.h"
#include "platform/win32/Handles.h"
#include "platform/win32/TimeConversion.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {
namespace {

// What ends a system message and is left off: its line break and full stop.
constexpr std::u16string_view kMessageEnd = u"\r\n .";

// Writes all of bytes; false with the last error set when a write fails or stores fewer bytes than
// asked (a short write, reported as a full disk).
bool WriteAll(HANDLE file, std::string_view bytes) {
    std::uint64_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::uint64_t>(bytes.size() - written, 1u << 30));
        const auto allowed = static_cast<DWORD>(AllowedByWriteBudget(written, chunk));
        DWORD done = 0;
        if (allowed > 0 && !WriteFile(file, bytes.data() + written, allowed, &done, nullptr)) {
            return false;
        }
        if (done < chunk) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        written += done;
    }
    return true;
}

// Whether every part of a path after its root names an item as it stands, so that the literal form
// reaches what the normal form would. An empty last part (a trailing separator) is allowed.
bool HasOnlyLiteralParts(std::u16string_view parts) {
    if (parts.find(u'/') != std::u16string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = parts.find(u'\\', start);
        const std::u16string_view part =
            parts.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
        if (end == std::u16string_view::npos) {
            return part != u"." && part != u"..";
        }
        if (part.empty() || part == u"." || part == u"..") {
            return false;
        }
        start = end + 1;
    }
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

std::u16string ExactPathForm(const std::u16string& path) {
    const std::u16string_view view(path);
    const bool driveLetter = view.size() >= 3 && ((view[0] | 0x20) >= u'a' && (view[0] | 0x20) <= u'z') &&
                             view[1] == u':' && view[2] == u'\\';
    if (driveLetter) {
        return HasOnlyLiteralParts(view.substr(3)) ? u"\\\\?\\" + path : path;
    }
    // "\\?\" is the form already; "\\.\" names a device.
    if (!view.starts_with(u"\\\\") || view.starts_with(u"\\\\?\\") || view.starts_with(u"\\\\.\\")) {
        return path;
    }
    // A server share needs its server and share names before the literal form can hold it.
    const std::u16string_view share = view.substr(2);
    const std::size_t serverEnd = share.find(u'\\');
    if (serverEnd == 0 || serverEnd == std::u16string_view::npos || serverEnd + 1 >= share.size() ||
        !HasOnlyLiteralParts(share)) {
        return path;
    }
    return u"\\\\?\\UNC\\" + path.substr(2);
}

FileContents ReadFileContents(const std::u16string& path, std::uint64_t sizeLimit) {
    const auto failure = [](DWORD code) {
        FileContents contents;
        contents.missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        contents.errorCode = code;
        return contents;
    };
    FileHandle file(CreateFileW(AsWide(path), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        return failure(GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.Get(), &info)) {
        return failure(GetLastError());
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return failure(ERROR_DIRECTORY);
    }
    const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size >= sizeLimit || size > 0xFFFFFFFFu) {
        return failure(ERROR_FILE_TOO_LARGE);
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        DWORD done = 0;
        if (!ReadFile(file.Get(), bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &done,
                      nullptr)) {
            return failure(GetLastError());
        }
        if (done == 0) {
            break;  // the file shrank meanwhile: what was there is what we have
        }
        got += done;
    }
    bytes.resize(got);
    FileContents contents;
    contents.bytes = std::move(bytes);
    return contents;
}

std::u16string SystemErrorText(std::uint32_t errorCode) {
    wchar_t text[512] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        errorCode, 0, text, 512, nullptr);
    return std::u16string(TrimmedEnd(FromWide(text, length), kMessageEnd));
}

bool ProcessRunning(std::uint32_t processId) {
    const UniqueKernelObject process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) {
        return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to look at
    }
    return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

bool RemoveFile(const std::u16string& path) {
    return DeleteFileW(AsWide(path)) != FALSE;
}

namespace {

// The file a path leads to, links followed, in its normal form; the path itself when it leads nowhere.
std::u16string FinalPath(const std::u16string& path) {
    const FileHandle file(CreateFileW(AsWide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::wstring buffer(32768, L'\0');
    const DWORD length =
        file.Valid() ? GetFinalPathNameByHandleW(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                 FILE_NAME_NORMALIZED)
                     : 0;
    if (length == 0 || length >= buffer.size()) {
        return path;
    }
    std::u16string final = FromWide(buffer.data(), length);
    // The literal forms of drive and network paths back to the forms the path came in.
    if (final.starts_with(u"\\\\?\\UNC\\")) {
        final.replace(0, 8, u"\\\\");
    } else if (final.starts_with(u"\\\\?\\") && final.size() > 5 && final[5] == u':') {
        final.erase(0, 4);
    }
    return final;
}

}  // namespace

ReplaceResult ReplaceFileContents(const std::u16string& linkOrPath, std::string_view bytes) {
    // A link is saved through: the file it leads to is replaced, and the link stays a link.
    const std::u16string path = FinalPath(linkOrPath);
    RemoveLeftoverTemporaries(path);
    // A read-only file stays as it is, as when it is opened for writing; a rename would not ask.
    if (const DWORD attributes = GetFileAttributesW(AsWide(path));
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return {ReplaceStep::Create, ERROR_ACCESS_DENIED};
    }
    static std::atomic<unsigned> counter{0};
    std::u16string temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    // A unique name, so that two writers never share a temporary file.
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        const std::string suffix =
            "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + ".tmp";
        temporary = path + std::u16string(suffix.begin(), suffix.end());
        handle = CreateFileW(AsWide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    FileHandle file(handle);
    if (!file.Valid()) {
        return {ReplaceStep::Create, GetLastError()};
    }
    bool replaced = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get()) && file.Close();
    if (replaced) {
        // A reader holding the old file (the shell extension loading it, a virus scanner, an indexer)
        // makes the replacement fail for a moment; a read-only file was refused above.
        for (int attempt = 0;; ++attempt) {
            replaced = MoveFileExW(AsWide(temporary), AsWide(path),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            const DWORD error = GetLastError();
            const bool transient = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                                   error == ERROR_LOCK_VIOLATION;
            if (replaced || attempt == 20 || !transient) {
                break;
            }
            Sleep(10);
        }
    }
    if (!replaced) {
        const DWORD error = GetLastError();
        file.Close();
        DeleteFileW(AsWide(temporary));
        return {ReplaceStep::Write, error};
    }
    return {};
}

std::optional<std::int64_t> LastWriteTime(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(AsWide(path), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                     data.ftLastWriteTime.dwLowDateTime);
}

std::u16string LastErrorText() {
    const DWORD code = GetLastError();
    LocalMemory text;  // the message's buffer, allocated by the call
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(text.Receive()), 0, nullptr);
    std::u16string message =
        length > 0 ? FromWide(static_cast<const wchar_t*>(text.Get()), length) : std::u16string();
    message.resize(TrimmedEnd(message, kMessageEnd).size());
    if (message.empty()) {
        const std::string number = std::to_string(code);
        message = u"error " + std::u16string(number.begin(), number.end());
    }
    return message;
}

bool AppendToFile(const std::u16string& path, std::string_view bytes) {
    const FileHandle file(CreateFileW(AsWide(path), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() && WriteAll(file.Get(), bytes);
}

bool MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
    return MoveFileExW(AsWide(from), AsWide(to), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool CreateFolder(const std::u16string& path) {
    return CreateDirectoryW(AsWide(path), nullptr) != FALSE;
}

bool CreateFolders(const std::u16string& path) {
    const std::filesystem::path folder(AsWide(path));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

bool QueryFileEntry(const std::u16string& path, FolderEntry& entry) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(AsWide(ExactPathForm(path)), GetFileExInfoStandard, &data)) {
        return false;
    }
    entry = FolderEntry{};
    FillFromFileData(data, entry);
    return true;
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

std::optional<FileStamp> QueryFileStamp(const std::u16string& path) {
    // One query by name, the one behind GetFileAttributesExW, which also gives the change time. The
    // file index would need the file opened (120 us under Wine) and the volume's serial number 1.6 ms
    // more, for each menu.
    using QueryFullAttributesFile = LONG(WINAPI*)(const OBJECT_ATTRIBUTES*, FILE_NETWORK_OPEN_INFORMATION*);
    static const auto queryFullAttributesFile = reinterpret_cast<QueryFullAttributesFile>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryFullAttributesFile")));
    // The system's own name of a literal path: "\\?\C:\x" is "\??\C:\x".
    std::u16string name = ExactPathForm(path);
    if (!queryFullAttributesFile || !name.starts_with(u"\\\\?\\") || name.size() > 0x7FFF) {
        return std::nullopt;
    }
    name[1] = u'?';
    UNICODE_STRING unicodeName{static_cast<USHORT>(name.size() * sizeof(char16_t)),
                               static_cast<USHORT>(name.size() * sizeof(char16_t)),
                               const_cast<wchar_t*>(AsWide(name))};
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    FILE_NETWORK_OPEN_INFORMATION info{};
    if (queryFullAttributesFile(&attributes, &info) < 0) {
        return std::nullopt;
    }
    return FileStamp{{},
                     static_cast<std::uint64_t>(info.EndOfFile.QuadPart),
                     info.LastWriteTime.QuadPart,
                     info.ChangeTime.QuadPart};
}

std::int64_t FileClockNow() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                     now.dwLowDateTime);
}

std::int64_t FileClockTicksPerSecond() {
    return 10000000;
}

// ---- Folder reading ----

struct FolderReader::State {
    FolderSearchHandle find;
    WIN32_FIND_DATAW data{};
    bool firstPending = false;  // FindFirstFileExW already returned the first entry
};

FolderReader::FolderReader() : state_(std::make_unique<State>()) {}

FolderReader::~FolderReader() = default;

bool FolderReader::Open(const std::u16string& folderPath) {
    Close();
    std::u16string search = folderPath;
    if (search.empty() || search.back() != u'\\') {
        search += u'\\';
    }
    search += u'*';
    search = ExactPathForm(search);
    state_->find.Reset(FindFirstFileExW(AsWide(search), FindExInfoBasic, &state_->data, FindExSearchNameMatch,
                                        nullptr, FIND_FIRST_EX_LARGE_FETCH));
    state_->firstPending = state_->find.Valid();
    // A drive's empty root has no "." entry and so no entry at all: read, and empty.
    return state_->firstPending || GetLastError() == ERROR_FILE_NOT_FOUND;
}

void FolderReader::Close() {
    state_->find.Reset();
    state_->firstPending = false;
}

bool FolderReader::Next(FolderEntry& entry) {
    if (!state_->find.Valid()) {
        return false;
    }
    if (state_->firstPending) {
        state_->firstPending = false;
    } else if (!FindNextFileW(state_->find.Get(), &state_->data)) {
        return false;  // no more entries, or a failure that ends the reading alike
    }
    const WIN32_FIND_DATAW& data = state_->data;
    entry = FolderEntry{};
    entry.name = std::u16string_view(AsUtf16(data.cFileName));
    FillFromFileData(data, entry);
    return true;
}

}  // namespace quillet::platform
