// The per-user mark by which the context-menu handler knows, cheaply on every right-click, that
// Quillet's Windows 11 package is registered for the user: Windows then lists the package's command
// under "Show more options" too, and the classic handler adds nothing of its own there. The
// configuration program writes the mark (the package's full name) when it registers the package and
// deletes it when it removes it. A mark whose package Windows no longer lists counts for nothing, so
// that a package removed some other way never hides the classic commands.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "platform/win32/Handles.h"

namespace quillet::platform {

inline constexpr wchar_t kFirstMenuMarkKey[] = L"Software\\Brantwell\\Quillet";
inline constexpr wchar_t kFirstMenuMarkValue[] = L"FirstMenuPackage";
// Where Windows lists the packages registered for the user, one key per package full name.
inline constexpr wchar_t kUserPackagesKey[] =
    L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\Repository\\"
    L"Packages\\";

// The package's full name from the mark; empty without one. The mark's key is held open once found,
// for the module's life: each right-click then asks the registry one question instead of three (open,
// read, close), a third of the classic menu's own cost under Wine. A key deleted meanwhile is opened
// again.
inline std::wstring FirstMenuMark() {
    static std::mutex mutex;
    static UniqueRegistryKey key;
    const std::lock_guard lock(mutex);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!key && RegOpenKeyExW(HKEY_CURRENT_USER, kFirstMenuMarkKey, 0, KEY_QUERY_VALUE, key.Receive()) !=
                        ERROR_SUCCESS) {
            return {};
        }
        wchar_t name[256] = {};
        DWORD size = sizeof name;
        const LSTATUS status =
            RegGetValueW(key.Get(), nullptr, kFirstMenuMarkValue, RRF_RT_REG_SZ, nullptr, name, &size);
        if (status != ERROR_KEY_DELETED) {
            return status == ERROR_SUCCESS ? name : std::wstring();
        }
        key.Reset();
    }
    return {};
}

inline bool FirstMenuPackageRegistered() {
    const std::wstring name = FirstMenuMark();
    UniqueRegistryKey package;
    return !name.empty() && name.find(L'\\') == std::wstring::npos &&
           RegOpenKeyExW(HKEY_CURRENT_USER, (kUserPackagesKey + name).c_str(), 0, KEY_READ,
                         package.Receive()) == ERROR_SUCCESS;
}

}  // namespace quillet::platform
