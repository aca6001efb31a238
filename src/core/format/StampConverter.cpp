#include "core/format/StampConverter.h"

#include "core/format/Items.h"
#include "platform/Time.h"

namespace quillet {
namespace {

constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerDay = 86400;
// A clock change makes local times up to this far from it ambiguous (the largest changes in use
// are two hours).
constexpr std::int64_t kAmbiguityMargin = 2 * kSecondsPerHour;

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Local wall-clock time minus UTC time at a moment, or empty when the platform cannot convert it.
std::optional<std::int64_t> LocalOffsetAt(std::int64_t utcSeconds) {
    const auto local = platform::LocalTimeOfFileTime(utcSeconds);
    if (!local) {
        return std::nullopt;
    }
    const std::int64_t localSeconds = DaysFromCivil(local->year, local->month, local->day) * kSecondsPerDay +
                                      local->hour * kSecondsPerHour + local->minute * 60 + local->second;
    return localSeconds - utcSeconds;
}

}  // namespace

std::int64_t SlowStampOf(platform::FileTimeSeconds utcSeconds) {
    if (!utcSeconds) {
        return 0;
    }
    return StampFromLocalTime(platform::LocalTimeOfFileTime(*utcSeconds));
}

StampConverter::Day StampConverter::Examine(std::int64_t dayStart) const {
    Day day;
    const auto offsetBefore = LocalOffsetAt(dayStart - kAmbiguityMargin);
    if (!offsetBefore) {
        return day;
    }
    for (const std::int64_t at :
         {dayStart, dayStart + kSecondsPerDay - 1, dayStart + kSecondsPerDay + kAmbiguityMargin}) {
        if (LocalOffsetAt(at) != offsetBefore) {
            return day;
        }
    }
    const std::int64_t first = SlowStampOf(dayStart);
    if (first == 0) {
        return day;
    }
    for (std::int64_t hour = 1; hour <= 24; ++hour) {
        const std::int64_t at =
            hour == 24 ? dayStart + kSecondsPerDay - 1 : dayStart + hour * kSecondsPerHour;
        if (SlowStampOf(at) - first != at - dayStart) {
            return day;
        }
    }
    day.linear = true;
    day.offset = first - dayStart;
    return day;
}

std::int64_t StampConverter::LookUpStamp(platform::FileTimeSeconds utcSeconds) {
    if (!utcSeconds) {
        return 0;
    }
    const std::int64_t time = *utcSeconds;
    if (time < -kLimit || time > kLimit) {
        return SlowStampOf(utcSeconds);
    }
    const std::int64_t day = FloorDiv(time, kSecondsPerDay);
    const Day* info = nullptr;
    for (const RecentDay& recent : recent_) {
        if (recent.day == day) {
            info = &recent.info;
            break;
        }
    }
    if (info == nullptr) {
        const auto found = days_.find(day);
        RecentDay& slot = recent_[nextRecent_];
        nextRecent_ = (nextRecent_ + 1) % kRecentDays;
        slot.day = day;
        slot.info = found != days_.end() ? found->second
                                         : days_.emplace(day, Examine(day * kSecondsPerDay)).first->second;
        info = &slot.info;
    }
    return info->linear ? time + info->offset : SlowStampOf(utcSeconds);
}

}  // namespace quillet
