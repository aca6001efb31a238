// The user's locale: how dates, times and numbers are written, and the code page of programs
// without Unicode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Time.h"

namespace quillet::platform {

// The user's date and time formats. Windows: GetDateFormatW (short or long date) and GetTimeFormatW
// for the user's default locale. POSIX: ICU's patterns for the locale that LC_ALL, LC_TIME or LANG
// names, as Windows styles them: the short date with a four-digit year, the full date (with the day
// of the week) as the long date, the medium time (with seconds); in the C locale "MM/dd/yyyy",
// "EEEE, MMMM d, yyyy" and "HH:mm:ss". Empty on failure.
std::optional<std::u16string> FormatDate(const LocalDateTime& time, bool longDate);
std::optional<std::u16string> FormatTime(const LocalDateTime& time);

// A non-negative decimal number (digits only) in the user's locale's digit grouping, without any
// fractional part. Windows: GetNumberFormatW with the fraction that it appends removed; POSIX: the
// LC_NUMERIC locale's grouping. Empty when the platform's formatting fails.
std::optional<std::u16string> FormatNumberForLocale(const std::u16string& digits);

// Groups digits from the right by the sizes of a C locale grouping string (each char a group size,
// the last one repeating, CHAR_MAX or 0 ending the grouping) with the separator between groups.
std::u16string GroupDigits(std::u16string_view digits, std::string_view grouping,
                           std::u16string_view separator);

// The system's ANSI code page, in which programs without Unicode write text files. Windows: GetACP;
// POSIX: 1252.
std::uint32_t AnsiCodePage();

// Text in the system's ANSI code page as UTF-16, every byte converted (zero bytes too). Windows:
// MultiByteToWideChar(CP_ACP, no flags); POSIX: the Windows-1252 table, whose five unassigned bytes
// become the C1 controls of the same value, as on Windows.
std::u16string AnsiToUtf16(std::string_view bytes);

}  // namespace quillet::platform
