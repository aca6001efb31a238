#include "shellext/FirstMenuMark.h"

#include <mutex>

#include "core/package/FirstMenu.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace quillet::shellext {

using platform::AsWide;

// The mark's key is held open once found, for the module's life: each right-click then asks the
// registry one question instead of three (open, read, close), a third of the classic menu's own cost
// under Wine. A key deleted meanwhile is opened again.
std::u16string ReadFirstMenuMark() {
    static std::mutex mutex;
    static platform::UniqueRegistryKey key;
    const std::lock_guard lock(mutex);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!key && RegOpenKeyExW(HKEY_CURRENT_USER, AsWide(firstmenu::kMarkKey.data()), 0, KEY_QUERY_VALUE,
                                  key.Receive()) != ERROR_SUCCESS) {
            return {};
        }
        wchar_t name[256] = {};
        DWORD size = sizeof name;
        const LSTATUS status = RegGetValueW(key.Get(), nullptr, AsWide(firstmenu::kMarkValue.data()),
                                            RRF_RT_REG_SZ, nullptr, name, &size);
        if (status != ERROR_KEY_DELETED) {
            return status == ERROR_SUCCESS ? platform::FromWide(name) : std::u16string();
        }
        key.Reset();
    }
    return {};
}

bool FirstMenuPackageRegistered() {
    const std::u16string listed = firstmenu::ListedPackageKey(ReadFirstMenuMark());
    platform::UniqueRegistryKey package;
    return !listed.empty() &&
           RegOpenKeyExW(HKEY_CURRENT_USER, AsWide(listed), 0, KEY_READ, package.Receive()) == ERROR_SUCCESS;
}

LSTATUS WriteFirstMenuMark(std::u16string_view fullName) {
    const wchar_t* key = AsWide(firstmenu::kMarkKey.data());
    const wchar_t* value = AsWide(firstmenu::kMarkValue.data());
    if (fullName.empty()) {
        const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, key, value);
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    const std::u16string name(fullName);
    return RegSetKeyValueW(HKEY_CURRENT_USER, key, value, REG_SZ, AsWide(name),
                           static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
}

}  // namespace quillet::shellext
