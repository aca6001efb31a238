// POSIX implementation of the platform seam, used by the native build and its tests.
#include <sys/stat.h>

#include <cctype>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

#include "platform/Platform.h"
#include "platform/Utf.h"

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

bool QueryFileStatus(const std::u16string& path, FileStatus& status) {
    struct stat st {};
    if (::stat(Utf16ToUtf8EscapedBytes(path).c_str(), &st) != 0) {
        return false;
    }
    status.isDirectory = S_ISDIR(st.st_mode);
    const std::size_t slash = path.find_last_of(kPathSeparator);
    const std::size_t nameStart = slash == std::u16string::npos ? 0 : slash + 1;
    status.isHidden = nameStart < path.size() && path[nameStart] == u'.';
    status.size = st.st_size < 0 ? 0 : static_cast<std::uint64_t>(st.st_size);
    status.modified = LocalTimeOfFileTime(st.st_mtime);
    status.accessed = LocalTimeOfFileTime(st.st_atime);
    // POSIX keeps no creation time; the status change time is the closest it has.
    status.created = LocalTimeOfFileTime(st.st_ctime);
    return true;
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

std::optional<std::u16string> FileTypeName(const std::u16string& name, bool isFolder) {
    if (isFolder) {
        return u"File folder";
    }
    const std::size_t dot = name.find_last_of(u'.');
    const std::size_t slash = name.find_last_of(kPathSeparator);
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash) ||
        dot + 1 == name.size()) {
        return u"File";
    }
    std::u16string ext = name.substr(dot + 1);
    for (char16_t& c : ext) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return ext + u" File";
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
