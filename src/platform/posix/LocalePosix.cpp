// POSIX side of the user's locale: dates and times in the environment's locale through ICU (the C
// library has no long date pattern, and writes month names in the locale's codeset), numbers in the
// C library's LC_NUMERIC, and the Windows-1252 table for the ANSI code page.
#include <langinfo.h>
#include <locale.h>

#include <unicode/udat.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/Locale.h"
#include "platform/Utf.h"

namespace quillet::platform {
namespace {

// The locale whose dates are written: the first of LC_ALL, LC_TIME and LANG that is set, as the C
// library picks it, without its codeset or modifier (ICU writes UTF-16, whatever the codeset). Empty
// for the C and POSIX locales.
std::string DateLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            const std::string name(value, std::strcspn(value, ".@"));
            return name == "C" || name == "POSIX" ? std::string() : name;
        }
    }
    return {};
}

struct FormatCloser {
    void operator()(UDateFormat* format) const { udat_close(format); }
};
using DateFormat = std::unique_ptr<UDateFormat, FormatCloser>;

// A two-letter year of a date pattern ("yy", outside quoted text) made a four-letter one.
std::u16string WithFullYear(std::u16string pattern) {
    bool quoted = false;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern[at] == u'\'') {
            quoted = !quoted;
        } else if (!quoted && pattern[at] == u'y') {
            std::size_t end = at;
            while (end < pattern.size() && pattern[end] == u'y') {
                ++end;
            }
            if (end - at == 2) {
                pattern.insert(at, u"yy");
                end += 2;
            }
            at = end - 1;
        }
    }
    return pattern;
}

// A formatter of the pattern, in a zone without offsets: it is given local times already.
DateFormat PatternFormat(const std::string& locale, const std::u16string& pattern) {
    UErrorCode status = U_ZERO_ERROR;
    DateFormat format(udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.c_str(), u"Etc/UTC", -1, pattern.data(),
                                static_cast<std::int32_t>(pattern.size()), &status));
    return U_SUCCESS(status) ? std::move(format) : nullptr;
}

// The locale's own pattern of a date style (time UDAT_NONE) or a time style (date UDAT_NONE).
std::u16string StylePattern(const std::string& locale, UDateFormatStyle time, UDateFormatStyle date) {
    UErrorCode status = U_ZERO_ERROR;
    const DateFormat format(udat_open(time, date, locale.c_str(), u"Etc/UTC", -1, nullptr, 0, &status));
    if (U_FAILURE(status)) {
        return {};
    }
    char16_t pattern[256];
    const std::int32_t length = udat_toPattern(format.get(), false, pattern, 256, &status);
    if (U_FAILURE(status) || length >= 256) {
        return {};
    }
    // Recent locale data puts a narrow no-break space before "AM"; Windows, and scripts, expect a space.
    std::u16string text(pattern, static_cast<std::size_t>(length));
    std::replace(text.begin(), text.end(), u'\u202F', u' ');
    return text;
}

// A formatter with the texts it gave last, by key (the day for a date, the second of the day for a
// time): a selection's files share few days and times, and ICU's formatting costs several times a
// file's status.
struct CachedFormat {
    explicit CachedFormat(DateFormat made) : format(std::move(made)) {}
    DateFormat format;
    struct Memo {
        std::int64_t key = INT64_MIN;
        std::u16string text;
    };
    std::array<Memo, 1024> memos;
};

// The user's short date, long date and time formatters, made once per thread (a formatter is not
// shared between threads). Windows' styles: the short date with a four-digit year, the long date
// with the day of the week, the time with seconds. The C locale keeps the C library's own patterns,
// with a four-digit year.
struct DateFormats {
    CachedFormat shortDate;
    CachedFormat longDate;
    CachedFormat time;
};

DateFormats& UserDateFormats() {
    thread_local DateFormats formats = [] {
        const std::string locale = DateLocaleName();
        if (locale.empty()) {
            return DateFormats{CachedFormat(PatternFormat("en_US_POSIX", u"MM/dd/yyyy")),
                               CachedFormat(PatternFormat("en_US_POSIX", u"EEEE, MMMM d, yyyy")),
                               CachedFormat(PatternFormat("en_US_POSIX", u"HH:mm:ss"))};
        }
        return DateFormats{
            CachedFormat(PatternFormat(locale, WithFullYear(StylePattern(locale, UDAT_NONE, UDAT_SHORT)))),
            CachedFormat(PatternFormat(locale, WithFullYear(StylePattern(locale, UDAT_NONE, UDAT_FULL)))),
            CachedFormat(PatternFormat(locale, StylePattern(locale, UDAT_MEDIUM, UDAT_NONE)))};
    }();
    return formats;
}

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The time's text, or the one that key gave last: the same key must give the same text.
std::optional<std::u16string> Format(CachedFormat& cached, const LocalDateTime& time, std::int64_t key) {
    CachedFormat::Memo& memo = cached.memos[static_cast<std::uint64_t>(key) % cached.memos.size()];
    if (memo.key == key) {
        return memo.text;
    }
    if (!cached.format) {
        return std::nullopt;
    }
    const std::int64_t seconds = DaysFromCivil(time.year, time.month, time.day) * 86400 + time.hour * 3600 +
                                 time.minute * 60 + time.second;
    UErrorCode status = U_ZERO_ERROR;
    char16_t text[100];
    const std::int32_t length =
        udat_format(cached.format.get(), static_cast<UDate>(seconds) * 1000.0, text, 100, nullptr, &status);
    if (U_FAILURE(status) || length >= 100) {
        return std::nullopt;
    }
    memo.key = key;
    memo.text.assign(text, static_cast<std::size_t>(length));
    return memo.text;
}

}  // namespace

std::optional<std::u16string> FormatDate(const LocalDateTime& time, bool longDate) {
    DateFormats& formats = UserDateFormats();
    return Format(longDate ? formats.longDate : formats.shortDate, time,
                  DaysFromCivil(time.year, time.month, time.day));
}

std::optional<std::u16string> FormatTime(const LocalDateTime& time) {
    return Format(UserDateFormats().time, time, time.hour * 3600 + time.minute * 60 + time.second);
}

std::optional<std::u16string> FormatNumberForLocale(const std::u16string& digits) {
    static const locale_t numeric = [] {
        locale_t fromEnvironment = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
        return fromEnvironment != static_cast<locale_t>(0)
                   ? fromEnvironment
                   : ::newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    }();
    if (numeric == static_cast<locale_t>(0)) {
        return std::nullopt;
    }
    const char* separator = ::nl_langinfo_l(THOUSEP, numeric);
    const char* grouping = ::nl_langinfo_l(GROUPING, numeric);
    return GroupDigits(digits, grouping ? grouping : "", Utf8ToUtf16(separator ? separator : ""));
}

std::uint32_t AnsiCodePage() {
    return 1252;
}

std::u16string AnsiToUtf16(std::string_view bytes) {
    // Windows-1252 from 0x80 to 0x9F; every other byte is the character of the same value.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char16_t{byte};
    }
    return text;
}

}  // namespace quillet::platform
