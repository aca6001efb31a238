// Turning file times into item stamps fast, with the same results as the slow way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "platform/Time.h"

namespace quillet {

// The stamp of a file time the slow way: the platform's local time of it, then StampFromLocalTime
// (mktime). 0 for a time the platform cannot represent.
std::int64_t SlowStampOf(platform::FileTimeSeconds utcSeconds);

// Gives SlowStampOf's results at a fraction of its cost, for the many files of one selection or
// scan. Within one UTC day whose local offset does not change (no clock change in it or within two
// hours of it, so no local time is ambiguous) and over which the slow stamps run in step with the
// UTC time (checked at every hour), stamp = UTC time + a fixed offset; that offset is computed once
// per day. Any other day (a clock change, the edges of the platform's range, the day of stamp 0)
// is converted the slow way, time by time.
class StampConverter {
  public:
    // The common case stays here, small enough to be inlined into the loops over files: a time on a
    // day looked up lately whose stamps run in step with UTC time.
    std::int64_t StampOf(platform::FileTimeSeconds utcSeconds) {
        if (utcSeconds && *utcSeconds >= -kLimit && *utcSeconds <= kLimit) {
            const std::int64_t time = *utcSeconds;
            const std::int64_t quotient = time / kSecondsPerDay;
            const std::int64_t day = (time % kSecondsPerDay != 0 && time < 0) ? quotient - 1 : quotient;
            for (const RecentDay& recent : recent_) {
                if (recent.day == day && recent.info.linear) {
                    return time + recent.info.offset;
                }
            }
        }
        return LookUpStamp(utcSeconds);
    }

  private:
    // Far outside the calendar the platforms convert, the slow way answers (with 0) at once.
    static constexpr std::int64_t kLimit = std::int64_t{1} << 48;
    static constexpr std::int64_t kSecondsPerDay = 86400;

    // Every other case: the day examined or found in the table, or the slow way.
    std::int64_t LookUpStamp(platform::FileTimeSeconds utcSeconds);

    struct Day {
        bool linear = false;
        std::int64_t offset = 0;
    };
    Day Examine(std::int64_t dayStart) const;

    std::unordered_map<std::int64_t, Day> days_;
    // The last days looked up, since the files of one selection or folder tend to share their dates
    // and a file's three times take turns; replaced in turn.
    struct RecentDay {
        std::int64_t day = INT64_MIN;
        Day info;
    };
    static constexpr std::size_t kRecentDays = 4;
    RecentDay recent_[kRecentDays];
    std::size_t nextRecent_ = 0;
};

}  // namespace quillet
