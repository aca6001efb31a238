// Win32 side of local time: file times to and from the local wall clock.
#include <windows.h>

#include <climits>

#include "platform/Time.h"
#include "platform/win32/TimeConversion.h"

namespace quillet::platform {
namespace {

constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
constexpr std::int64_t kFileTimeUnitsPerSecond = 10000000LL;

// A file's UTC time as local date and time of the zone in effect on that date; empty when Windows
// cannot convert it.
std::optional<LocalDateTime> LocalFromFileTime(const FILETIME& fileTime) {
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&fileTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return std::nullopt;
    }
    LocalDateTime t;
    t.year = local.wYear;
    t.month = local.wMonth;
    t.dayOfWeek = local.wDayOfWeek;
    t.day = local.wDay;
    t.hour = local.wHour;
    t.minute = local.wMinute;
    t.second = local.wSecond;
    return t;
}

}  // namespace

FileTimeSeconds SecondsOf(const FILETIME& time) {
    const std::uint64_t units = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    if (units > static_cast<std::uint64_t>(LLONG_MAX)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(units) / kFileTimeUnitsPerSecond - kSecondsFrom1601To1970;
}

SYSTEMTIME ToSystemTime(const LocalDateTime& time) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(time.year);
    st.wMonth = static_cast<WORD>(time.month);
    st.wDayOfWeek = static_cast<WORD>(time.dayOfWeek);
    st.wDay = static_cast<WORD>(time.day);
    st.wHour = static_cast<WORD>(time.hour);
    st.wMinute = static_cast<WORD>(time.minute);
    st.wSecond = static_cast<WORD>(time.second);
    st.wMilliseconds = 0;
    return st;
}

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

}  // namespace quillet::platform
