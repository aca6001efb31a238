// The narrow seam between the portable core and the operating system. The core includes only this
// header; src/platform/win32 and src/platform/posix implement it, and the build picks one.
#pragma once

#include <cstdint>
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
    int month = 0;  // 1-12
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

// The local broken-down time of seconds since 1970 UTC (the standard library's local-time
// conversion); empty when it fails.
std::optional<LocalDateTime> ToLocalTime(std::int64_t secondsSince1970);

// The user's date and time formats. Windows: GetDateFormatW (short or long date) and GetTimeFormatW
// for the user's default locale. POSIX: the C++ environment locale, "%x" for the short date,
// "%A, %B D, %Y" (D the day without padding) for the long date and "%X" for the time. Empty on failure.
std::optional<std::u16string> FormatDate(const LocalDateTime& time, bool longDate);
std::optional<std::u16string> FormatTime(const LocalDateTime& time);

// The shell's description of a file type, from the name's extension and the folder flag alone; the
// file itself is not touched. Windows: SHGetFileInfoW. POSIX: "File folder" for folders, "EXT File"
// for a name with an extension, "File" otherwise. Empty on failure.
std::optional<std::u16string> FileTypeName(const std::u16string& name, bool isFolder);

}  // namespace quillet::platform
