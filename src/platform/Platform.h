// The narrow seam between the portable core and the operating system. The core includes only this
// header; src/platform/win32 and src/platform/posix implement it, and the build picks one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::platform {

// The one place that decides which character separates the parts of a path. Windows uses the
// backslash; on POSIX the slash plays its role wherever a path is split or rewritten.
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// A local wall-clock date and time, the fields of a Windows SYSTEMTIME without milliseconds.
struct LocalDateTime {
    int year = 0;
    int month = 0;      // 1-12
    int dayOfWeek = 0;  // 0 = Sunday
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// What an item captures of a file or folder. Each time is the local date and time of the file's
// UTC time stamp, or empty when the platform could not convert it.
struct FileStatus {
    bool isDirectory = false;
    bool isHidden = false;
    std::uint64_t size = 0;
    std::optional<LocalDateTime> created;
    std::optional<LocalDateTime> accessed;
    std::optional<LocalDateTime> modified;
};

// Reads the attributes, size and times of a path. False when the path cannot be read (gone, no
// access); nothing is reported.
bool QueryFileStatus(const std::u16string& path, FileStatus& status);

// The user's date and time formats. Windows: GetDateFormatW (short or long date) and GetTimeFormatW
// for the user's default locale. POSIX: the C++ environment locale, "%x" for the short date,
// "%A, %B D, %Y" (D the day without padding) for the long date and "%X" for the time. Empty on failure.
std::optional<std::u16string> FormatDate(const LocalDateTime& time, bool longDate);
std::optional<std::u16string> FormatTime(const LocalDateTime& time);

// The shell's description of a file type, from the name's extension and the folder flag alone; the
// file itself is not touched. Windows: SHGetFileInfoW. POSIX: "File folder" for folders, "EXT File"
// for a name with an extension, "File" otherwise. Empty on failure.
std::optional<std::u16string> FileTypeName(const std::u16string& name, bool isFolder);

// The system's ANSI code page, in which programs without Unicode write text files. Windows: GetACP;
// POSIX: 1252.
std::uint32_t AnsiCodePage();

// Text in the system's ANSI code page as UTF-16, every byte converted (zero bytes too). Windows:
// MultiByteToWideChar(CP_ACP, no flags); POSIX: the Windows-1252 table, whose five unassigned bytes
// become the C1 controls of the same value, as on Windows.
std::u16string AnsiToUtf16(std::string_view bytes);

// Files: the whole-file reading, the safe replacement, time stamps and the folders that the command
// file lives in.

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

// The system's description of an error code (Windows: FormatMessageW from the system; POSIX:
// strerror), without a trailing line end or full stop; empty when the system has none.
std::u16string SystemErrorText(std::uint32_t errorCode);

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

// The file's last-write time in the platform's own units (Windows: FILETIME ticks; POSIX:
// nanoseconds since 1970), for comparing one reading with the next; empty when it cannot be read.
std::optional<std::int64_t> LastWriteTime(const std::u16string& path);

// The user's application data folder without a trailing separator. Windows: SHGetFolderPathW with
// CSIDL_APPDATA. POSIX: $XDG_CONFIG_HOME, else ~/.config. Empty when it cannot be found.
std::u16string ApplicationDataFolder();

// The folder of the module that holds this code (the DLL when linked into one; the program
// otherwise), ending in the path separator; empty when it cannot be found.
std::u16string RunningModuleFolder();

// The system's description of the error of the last failed call on this thread (POSIX: errno;
// Windows: GetLastError), without a final period or line break, as in "cannot read X: reason".
std::u16string LastErrorText();

// Creates one folder; false when it could not be created (it may already exist).
bool CreateFolder(const std::u16string& path);

// A path typed at a command line made absolute, as Explorer would pass it: a relative path is taken
// from the current folder (on Windows a path from the current drive's root, such as \dir, and one
// from a drive's own current folder, such as D:dir, too), then "." and ".." steps are taken, repeated
// and trailing separators dropped and every separator made kPathSeparator (ResolveAgainst). A Windows
// path in the literal "\\?\" form is returned as it is. Empty when the current folder cannot be read.
std::u16string AbsolutePath(const std::u16string& path);

// The length of a path's root (/ on POSIX; C:\ and \\server\share\ and \\?\C:\ on Windows), 0 for a
// relative path.
std::size_t PathRootLength(std::u16string_view path);

// A relative path taken from the absolute folder base, by name alone: "." steps are dropped, ".."
// steps go up (never above base's root), every other name stays exactly as written, trailing dots
// and spaces included, and the separators become kPathSeparator.
std::u16string ResolveAgainst(std::u16string_view base, std::u16string_view relative);

}  // namespace quillet::platform

// ---- The copy engine's needs: file times, folder reading, the clipboard, the profile, numbers ----

namespace quillet::platform {

// The local date and time of a file time given as whole seconds since 1970 UTC (sub-second parts
// never reach a stamp), converted as the platform converts file times for items. Windows:
// FileTimeToSystemTime + SystemTimeToTzSpecificLocalTime; POSIX: localtime_r. Empty on failure.
std::optional<LocalDateTime> LocalTimeOfFileTime(std::int64_t utcSeconds);

// The inverse: seconds since 1970 UTC of a local date and time (Windows: TzSpecificLocalTimeToSystemTime
// + SystemTimeToFileTime; POSIX: mktime with daylight saving left to the library). Dates from 1601
// on convert on both; empty when the platform cannot convert the time.
std::optional<std::int64_t> FileTimeOfLocalTime(const LocalDateTime& local);

// A file time as whole seconds since 1970 UTC, or empty when the platform's value cannot be
// represented (Windows: a FILETIME past the signed 64-bit range).
using FileTimeSeconds = std::optional<std::int64_t>;

// What identifies a folder on this machine, whatever path leads to it: Windows the volume serial
// number and file index, POSIX the device and inode numbers.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the folder (or file) a path leads to, links followed. Empty when it cannot be read.
std::optional<FileIdentity> QueryFileIdentity(const std::u16string& path);

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

// Replaces the clipboard's contents. With text, the clipboard then holds exactly that text as
// Unicode text; without, it is only emptied. Windows: opened without an owner window and always
// closed; false when another program holds it open for more than about half a second (nothing
// changes) or the text cannot be placed.
// POSIX: the text goes to wl-copy (Wayland) or xclip (X11) when one is present for the session;
// false when neither is.
bool ReplaceClipboardText(std::optional<std::u16string_view> text);

// The clipboard's Unicode text, or empty when it holds none or cannot be read.
std::optional<std::u16string> ReadClipboardText();

// The initialization-file profile: sections of "name=value" lines. ReadProfileInt returns the
// value's leading decimal integer (an optional sign and digits after leading blanks; 0 when it has
// none), or defaultValue when the section or name is missing or its value is empty. Windows:
// GetPrivateProfileIntW / WritePrivateProfileStringW; POSIX: the same file format, read and written
// by our own code. Section and value names compare ignoring the case of A-Z.
int ReadProfileInt(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                   int defaultValue);
bool WriteProfileValue(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                       std::u16string_view value);

// Creates a folder and every missing folder above it; true when it exists afterwards.
bool CreateFolders(const std::u16string& path);

// A non-negative decimal number (digits only) in the user's locale's digit grouping, without any
// fractional part. Windows: GetNumberFormatW with the fraction that it appends removed; POSIX: the
// LC_NUMERIC locale's grouping. Empty when the platform's formatting fails.
std::optional<std::u16string> FormatNumberForLocale(const std::u16string& digits);

// Groups digits from the right by the sizes of a C locale grouping string (each char a group size,
// the last one repeating, CHAR_MAX or 0 ending the grouping) with the separator between groups.
std::u16string GroupDigits(std::u16string_view digits, std::string_view grouping,
                           std::u16string_view separator);

}  // namespace quillet::platform

namespace quillet::platform {

// The status of one path as a folder entry would report it (the name is left empty): the
// attributes, size and UTC file times of what the path leads to. False when it cannot be read.
// Windows: GetFileAttributesExW; POSIX: stat.
bool QueryFileEntry(const std::u16string& path, FolderEntry& entry);

}  // namespace quillet::platform
