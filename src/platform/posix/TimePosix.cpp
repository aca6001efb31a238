// POSIX side of local time: file times to and from the local wall clock through the C library.
#include <ctime>

#include "platform/Time.h"
#include "platform/posix/TimeConversion.h"

namespace quillet::platform {
namespace {

std::optional<LocalDateTime> FromTm(const std::tm& tm) {
    LocalDateTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.dayOfWeek = tm.tm_wday;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    return t;
}

}  // namespace

std::tm ToTm(const LocalDateTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_wday = t.dayOfWeek;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return tm;
}

std::optional<LocalDateTime> LocalTimeOfFileTime(std::int64_t utcSeconds) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr) {
        return std::nullopt;
    }
    return FromTm(tm);
}

std::optional<std::int64_t> FileTimeOfLocalTime(const LocalDateTime& local) {
    std::tm tm = ToTm(local);
    tm.tm_wday = -1;  // set by a successful mktime: -1 is also the second before 1970
    const std::time_t seconds = std::mktime(&tm);
    if (tm.tm_wday == -1) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(seconds);
}

}  // namespace quillet::platform
