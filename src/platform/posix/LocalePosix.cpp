// POSIX side of the user's locale: the environment's C++ and C locales, and the Windows-1252 table
// for the ANSI code page.
#include <langinfo.h>
#include <locale.h>

#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

#include "platform/Locale.h"
#include "platform/Utf.h"
#include "platform/posix/TimeConversion.h"

namespace quillet::platform {
namespace {

// The user's locale from the environment; the classic one when the environment names none that
// this machine has.
const std::locale& UserLocale() {
    static const std::locale locale = [] {
        try {
            return std::locale("");
        } catch (const std::exception&) {
            return std::locale::classic();
        }
    }();
    return locale;
}

std::optional<std::u16string> Put(const LocalDateTime& time, const char* pattern) {
    const std::tm tm = ToTm(time);
    std::ostringstream out;
    out.imbue(UserLocale());
    out << std::put_time(&tm, pattern);
    if (out.fail()) {
        return std::nullopt;
    }
    return Utf8ToUtf16(out.str());
}

}  // namespace

std::optional<std::u16string> FormatDate(const LocalDateTime& time, bool longDate) {
    if (!longDate) {
        return Put(time, "%x");
    }
    // Windows writes the day of the month without a leading zero in its long date.
    auto weekdayMonth = Put(time, "%A, %B ");
    auto year = Put(time, ", %Y");
    if (!weekdayMonth || !year) {
        return std::nullopt;
    }
    const std::string day = std::to_string(time.day);
    return *weekdayMonth + std::u16string(day.begin(), day.end()) + *year;
}

std::optional<std::u16string> FormatTime(const LocalDateTime& time) {
    return Put(time, "%X");
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
