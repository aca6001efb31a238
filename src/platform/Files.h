// Files and folders: reading a whole file, replacing one safely, folder entries and identities,
// time stamps, creating folders and the system's words for a failure.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Time.h"

namespace quillet::platform {

// One entry of a folder being read. The name points into the reader and is valid until the next read.
struct FolderEntry {
    std::u16string_view name;
    bool isDirectory = false;
    bool isHidden = false;
    bool isLink = false;  // a symbolic link or junction (Windows: a reparse point)
    std::uint64_t size = 0;
    FileTimeSeconds created;
    FileTimeSeconds accessed;
    FileTimeSeconds modified;
};

// The status of one path as a folder entry would report it (the name is left empty): the
// attributes, size and UTC file times of what the path leads to. False when it cannot be read.
// Windows: GetFileAttributesExW; POSIX: stat.
bool QueryFileEntry(const std::u16string& path, FolderEntry& entry);

// What identifies a folder on this machine, whatever path leads to it: Windows the volume serial
// number and file index, POSIX the device and inode numbers.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the folder (or file) a path leads to, links followed. Empty when it cannot be read.
std::optional<FileIdentity> QueryFileIdentity(const std::u16string& path);

// The file's last-write time in the platform's own units (Windows: FILETIME ticks; POSIX:
// nanoseconds since 1970), for comparing one reading with the next; empty when it cannot be read.
std::optional<std::int64_t> LastWriteTime(const std::u16string& path);

// What tells one state of a file from another without reading it: its identity, size, last-write
// time and change time (the last change of its contents or metadata, a rename included: Windows
// ChangeTime, POSIX st_ctime), the times in the units of FileClockNow. A file replaced by another, or
// rewritten, gives a different stamp unless both happen within the file system's time resolution.
// The identity is left empty on Windows, where reading it costs more than a whole menu under Wine (the
// file opened for its index, the volume's serial number); a file moved in place of another has a new
// change time there.
struct FileStamp {
    FileIdentity identity;
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0;
    std::int64_t changed = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file a path leads to, links followed; empty when it cannot be read (Windows: also
// for a path with a part that only the normal form resolves, such as ".."). It asks for no access to
// the file's contents, so a program holding it without sharing does not stop it.
std::optional<FileStamp> QueryFileStamp(const std::u16string& path);

// The system clock in the units of the stamps' times (Windows: FILETIME ticks; POSIX: nanoseconds
// since 1970), and how many of them make a second.
std::int64_t FileClockNow();
std::int64_t FileClockTicksPerSecond();

// Reads the entries of one folder, in the order the platform returns them, "." and ".." included.
// Windows: FindFirstFileExW (basic information, large fetch) / FindNextFileW, with the "\\?\" form
// for paths too long for the classic limit; POSIX: opendir/readdir and fstatat on the folder's
// descriptor, links followed. One reader holds one open folder, closed by Close or the destructor.
class FolderReader {
  public:
    FolderReader();
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // Opens a folder; false when it cannot be opened (nothing is reported).
    bool Open(const std::u16string& folderPath);
    // The next entry, or false when there are none left or reading fails.
    bool Next(FolderEntry& entry);
    void Close();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The bytes of a whole file, or empty when it cannot be opened or read, is not a regular file, or
// holds sizeLimit bytes or more. Windows opens it shared for reading, writing and deletion, so that a
// writer can replace the file while it is being read.
std::optional<std::string> ReadWholeFile(const std::u16string& path, std::uint64_t sizeLimit);

// A whole file's bytes as ReadWholeFile reads them, or why not: missing (no such file, or no such
// folder on the way) or the system's error code (GetLastError or errno; a folder, and a file of
// sizeLimit bytes or more, give the system's code for those).
struct FileContents {
    std::optional<std::string> bytes;
    bool missing = false;
    std::uint32_t errorCode = 0;
};
FileContents ReadFileContents(const std::u16string& path, std::uint64_t sizeLimit);

// Which step of ReplaceFileContents failed, and the system's error code (GetLastError or errno).
enum class ReplaceStep { None, Create, Write };
struct ReplaceResult {
    ReplaceStep failedStep = ReplaceStep::None;
    std::uint32_t errorCode = 0;
    bool Succeeded() const { return failedStep == ReplaceStep::None; }
};

// Replaces the file at path by bytes without ever leaving it shortened: the bytes go to a new
// temporary file in the same folder, are checked to be all written and flushed, and the temporary
// file then takes the path's place in one step (MoveFileExW with MOVEFILE_REPLACE_EXISTING and
// MOVEFILE_WRITE_THROUGH; rename on POSIX). On failure the old file is untouched and the temporary
// file is gone. Create: the temporary file could not be made; Write: writing, flushing or the
// replacement failed.
ReplaceResult ReplaceFileContents(const std::u16string& path, std::string_view bytes);

// Test seam for ReplaceFileContents: while set, the temporary file accepts only this many bytes in
// all, and a write beyond them stores what fits and reports success, as a full disk may.
void SetWriteBudgetForTesting(std::optional<std::uint64_t> bytes);

// Creates one folder; false when it could not be created (it may already exist).
bool CreateFolder(const std::u16string& path);

// Creates a folder and every missing folder above it; true when it exists afterwards.
bool CreateFolders(const std::u16string& path);

// Appends bytes at the end of the file at path in one write, creating the file (not its folder) when
// it is missing; other programs may read, append to, move and delete it meanwhile (Windows:
// FILE_APPEND_DATA, shared for all three; POSIX: O_APPEND). False when it cannot be opened or written.
bool AppendToFile(const std::u16string& path, std::string_view bytes);

// Moves the file at from to the path to, replacing a file there (Windows: MoveFileExW with
// MOVEFILE_REPLACE_EXISTING; POSIX: rename). False on failure.
bool MoveFileReplacing(const std::u16string& from, const std::u16string& to);

// The system's description of an error code (Windows: FormatMessageW from the system; POSIX:
// strerror), without a trailing line end or full stop; empty when the system has none.
std::u16string SystemErrorText(std::uint32_t errorCode);

// The system's description of the error of the last failed call on this thread (POSIX: errno;
// Windows: GetLastError), without a final period or line break, as in "cannot read X: reason".
std::u16string LastErrorText();

}  // namespace quillet::platform
