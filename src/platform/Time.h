// Local wall-clock time and its conversions to and from file times.
#pragma once

#include <cstdint>
#include <optional>

namespace quillet::platform {

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

// A file time as whole seconds since 1970 UTC, or empty when the platform's value cannot be
// represented (Windows: a FILETIME past the signed 64-bit range).
using FileTimeSeconds = std::optional<std::int64_t>;

// The local date and time of a file time given as whole seconds since 1970 UTC (sub-second parts
// never reach a stamp), converted as the platform converts file times for items. Windows:
// FileTimeToSystemTime + SystemTimeToTzSpecificLocalTime; POSIX: localtime_r. Empty on failure.
std::optional<LocalDateTime> LocalTimeOfFileTime(std::int64_t utcSeconds);

// The inverse: seconds since 1970 UTC of a local date and time (Windows: TzSpecificLocalTimeToSystemTime
// + SystemTimeToFileTime; POSIX: mktime with daylight saving left to the library). Dates from 1601
// on convert on both; empty when the platform cannot convert the time.
std::optional<std::int64_t> FileTimeOfLocalTime(const LocalDateTime& local);

}  // namespace quillet::platform
