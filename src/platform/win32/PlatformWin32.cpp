// Win32 implementation of the platform seam, used by the Windows modules and their tests.
#include <windows.h>
#include <shellapi.h>

#include <ctime>

#include "platform/Platform.h"
#include "platform/win32/ExactPath.h"
#include "platform/win32/TimeConversion.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {

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

bool QueryFileStatus(const std::u16string& path, FileStatus& status) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(AsWide(ExactPathForm(path)), GetFileExInfoStandard, &data)) {
        return false;
    }
    status.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.isHidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.created = LocalFromFileTime(data.ftCreationTime);
    status.accessed = LocalFromFileTime(data.ftLastAccessTime);
    status.modified = LocalFromFileTime(data.ftLastWriteTime);
    return true;
}

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

std::optional<std::u16string> FileTypeName(const std::u16string& name, bool isFolder) {
    SHFILEINFOW info{};
    const DWORD attributes = isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (SHGetFileInfoW(AsWide(name), attributes, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES) == 0) {
        return std::nullopt;
    }
    return FromWide(info.szTypeName);
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
            MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, reinterpret_cast<wchar_t*>(text.data() + at),
                                needed);
        }
        bytes.remove_prefix(length);
    }
    return text;
}

}  // namespace quillet::platform
