// Win32 side of the drive lookups: subst drives by their device names, mapped drives through the
// network provider, this computer's shares from the server service's registry list, and short names.
#include <windows.h>
#include <winnetwk.h>

#include <algorithm>
#include <cwchar>
#include <string_view>

#include "platform/AsciiCase.h"
#include "platform/Drives.h"
#include "platform/win32/ExactPath.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {
namespace {

constexpr std::u16string_view kLiteralPrefix = u"\\\\?\\";

// "\\?\UNC\server\share" as "\\server\share" and "\\?\C:\x" as "C:\x"; other paths as they are.
std::u16string WithoutLiteralPrefix(std::u16string path) {
    if (!path.starts_with(kLiteralPrefix)) {
        return path;
    }
    if (EqualsIgnoringAsciiCase(std::u16string_view(path).substr(4, 4), u"UNC\\")) {
        return u"\\" + path.substr(7);
    }
    return path.substr(4);
}

// What a call that fills a buffer of wide characters did: filled it, asked for more room (the size it
// set, or else twice the room), or failed.
enum class Fill { Done, Grow, Failed };

template <typename Call>
std::optional<std::u16string> FilledBuffer(Call call) {
    std::u16string buffer(MAX_PATH + 1, u'\0');
    for (int attempt = 0; attempt < 6; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        switch (call(AsWide(buffer.data()), size)) {
            case Fill::Done:
                buffer.resize(wcsnlen(AsWide(buffer.data()), buffer.size()));
                return buffer;
            case Fill::Grow:
                buffer.assign(std::max<std::size_t>(size, 2 * buffer.size()), u'\0');
                break;
            case Fill::Failed:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

bool IsAdministrativeShare(std::u16string_view name) {
    return (name.size() == 2 && name[1] == u'$') || EqualsIgnoringAsciiCase(name, u"ADMIN$") ||
           EqualsIgnoringAsciiCase(name, u"IPC$") || EqualsIgnoringAsciiCase(name, u"PRINT$");
}

}  // namespace

std::optional<std::u16string> SubstitutedFolder(char16_t driveLetter) {
    const wchar_t device[] = {static_cast<wchar_t>(driveLetter), L':', L'\0'};
    // A subst drive is a link to "\??\C:\folder" (or "\??\UNC\server\share\folder"); a disk or a
    // network drive links to a device ("\Device\HarddiskVolume2", "\Device\LanmanRedirector\...").
    const auto target = FilledBuffer([&](wchar_t* buffer, DWORD& size) {
        if (QueryDosDeviceW(device, buffer, size) != 0) {
            return Fill::Done;
        }
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? Fill::Grow : Fill::Failed;
    });
    if (!target || !target->starts_with(u"\\??\\")) {
        return std::nullopt;
    }
    return WithoutLiteralPrefix(u"\\\\?\\" + target->substr(4));
}

std::optional<std::u16string> MappedDrivePath(char16_t driveLetter) {
    const wchar_t device[] = {static_cast<wchar_t>(driveLetter), L':', L'\0'};
    return FilledBuffer([&](wchar_t* buffer, DWORD& size) {
        // A remembered drive that is not connected now still names its share.
        switch (WNetGetConnectionW(device, buffer, &size)) {
            case NO_ERROR:
            case ERROR_CONNECTION_UNAVAIL:
                return Fill::Done;
            case ERROR_MORE_DATA:
                return Fill::Grow;
            default:
                return Fill::Failed;
        }
    });
}

std::vector<LocalShare> LocalShares() {
    std::vector<LocalShare> shares;
    UniqueRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares", 0,
                      KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
        return shares;
    }
    DWORD nameLimit = 0;
    DWORD dataLimit = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameLimit,
                         &dataLimit, nullptr, nullptr) != ERROR_SUCCESS) {
        return shares;
    }
    std::u16string name(nameLimit + 1, u'\0');
    std::u16string data(dataLimit / sizeof(char16_t) + 2, u'\0');
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = dataLimit;
        DWORD type = 0;
        const LSTATUS status = RegEnumValueW(key.Get(), index, AsWide(name.data()), &nameSize, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) {
            continue;
        }
        // The value is lines such as "Path=C:\Data" and "Type=0" (a disk share).
        std::u16string_view lines(data.data(), dataSize / sizeof(char16_t));
        LocalShare share{name.substr(0, nameSize), {}};
        bool disk = false;
        while (!lines.empty()) {
            const std::u16string_view line = lines.substr(0, lines.find(u'\0'));
            lines.remove_prefix(std::min(lines.size(), line.size() + 1));
            if (EqualsIgnoringAsciiCase(line.substr(0, 5), u"Path=")) {
                share.path = line.substr(5);
            } else if (EqualsIgnoringAsciiCase(line, u"Type=0")) {
                disk = true;
            }
        }
        if (disk && !share.path.empty() && !IsAdministrativeShare(share.name)) {
            shares.push_back(std::move(share));
        }
    }
    return shares;
}

std::u16string ComputerName() {
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameExW(ComputerNameNetBIOS, buffer, &size) ? FromWide(buffer, size) : std::u16string();
}

std::optional<std::u16string> ShortPathName(const std::u16string& path) {
    // The literal form reaches names that end in a dot or a space and paths beyond the classic limit;
    // the answer comes back in the form the path was given in.
    const std::u16string exact = ExactPathForm(path);
    auto shortPath = FilledBuffer([&](wchar_t* buffer, DWORD& size) {
        const DWORD needed = GetShortPathNameW(AsWide(exact), buffer, size);
        if (needed == 0) {
            return Fill::Failed;
        }
        if (needed >= size) {
            size = needed;  // with room for the terminating zero
            return Fill::Grow;
        }
        return Fill::Done;
    });
    if (shortPath && !path.starts_with(kLiteralPrefix)) {
        return WithoutLiteralPrefix(std::move(*shortPath));
    }
    return shortPath;
}

}  // namespace quillet::platform
