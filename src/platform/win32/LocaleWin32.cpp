// Win32 side of the user's locale: dates, times and numbers as the user's settings write them, and
// the ANSI code page.
#include <windows.h>

#include "platform/Locale.h"
#include "platform/win32/TimeConversion.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {

std::optional<std::u16string> FormatDate(const LocalDateTime& time, bool longDate) {
    const SYSTEMTIME st = ToSystemTime(time);
    wchar_t buffer[100];
    const int written = GetDateFormatW(LOCALE_USER_DEFAULT, longDate ? DATE_LONGDATE : DATE_SHORTDATE, &st,
                                       nullptr, buffer, 100);
    if (written <= 0) {
        return std::nullopt;
    }
    return FromWide(buffer);
}

std::optional<std::u16string> FormatTime(const LocalDateTime& time) {
    const SYSTEMTIME st = ToSystemTime(time);
    wchar_t buffer[100];
    const int written = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, 100);
    if (written <= 0) {
        return std::nullopt;
    }
    return FromWide(buffer);
}

std::optional<std::u16string> FormatNumberForLocale(const std::u16string& digits) {
    wchar_t formatted[256];
    const int written = GetNumberFormatW(LOCALE_USER_DEFAULT, 0, AsWide(digits), nullptr, formatted, 256);
    if (written <= 0) {
        return std::nullopt;
    }
    std::u16string text = FromWide(formatted);
    // Every number comes back with the locale's fraction ("1,234.00"): cut it at the last decimal
    // separator, when the locale writes fraction digits at all.
    DWORD fractionDigits = 0;
    wchar_t decimal[8];
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDIGITS | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&fractionDigits),
                       sizeof fractionDigits / sizeof(wchar_t)) > 0 &&
        fractionDigits > 0 && GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8) > 0) {
        const std::u16string separator = FromWide(decimal);
        const std::size_t at = separator.empty() ? std::u16string::npos : text.rfind(separator);
        if (at != std::u16string::npos) {
            text.erase(at);
        }
    }
    return text;
}

std::uint32_t AnsiCodePage() {
    return GetACP();
}

std::u16string AnsiToUtf16(std::string_view bytes) {
    // In pieces that an int can count, each ending after a line feed where there is one: a line feed
    // byte is never part of a double-byte character in an ANSI code page, so no character is split.
    constexpr std::size_t kPiece = std::size_t{1} << 30;
    std::u16string text;
    while (!bytes.empty()) {
        std::size_t length = bytes.size();
        if (length > kPiece) {
            const std::size_t feed = bytes.rfind('\n', kPiece - 1);
            length = feed == std::string_view::npos ? kPiece : feed + 1;
        }
        const int count = static_cast<int>(length);
        const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0);
        if (needed > 0) {
            const std::size_t at = text.size();
            text.resize(at + static_cast<std::size_t>(needed));
            MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, AsWide(text.data() + at), needed);
        }
        bytes.remove_prefix(length);
    }
    return text;
}

}  // namespace quillet::platform
