#include "shellext/RegistryStoreWin32.h"

#include <windows.h>

#include <utility>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace quillet::shellext {
namespace {

using platform::AsWide;

HKEY RootKey(registry::RegistryRoot root) {
    switch (root) {
        case registry::RegistryRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case registry::RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case registry::RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case registry::RegistryRoot::Users:
            return HKEY_USERS;
        case registry::RegistryRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
    }
    return HKEY_CLASSES_ROOT;
}

// An open registry key of the 64-bit view, closed with its owner.
class RegistryKey {
  public:
    LSTATUS Open(registry::RegistryRoot root, const std::u16string& path, REGSAM access) {
        return RegOpenKeyExW(RootKey(root), AsWide(path), 0, access | KEY_WOW64_64KEY, key_.Receive());
    }
    LSTATUS Create(registry::RegistryRoot root, const std::u16string& path) {
        return RegCreateKeyExW(RootKey(root), AsWide(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key_.Receive(), nullptr);
    }
    HKEY Get() const { return key_.Get(); }

  private:
    platform::UniqueRegistryKey key_;
};

}  // namespace

RegistryStoreWin32::Status RegistryStoreWin32::CreateKey(Root root, const std::u16string& path) {
    RegistryKey key;
    return key.Create(root, path);
}

RegistryStoreWin32::Status RegistryStoreWin32::SetValue(Root root, const std::u16string& path,
                                                        const std::u16string& name,
                                                        const registry::RegistryValue& value) {
    RegistryKey key;
    if (const LSTATUS status = key.Open(root, path, KEY_SET_VALUE); status != ERROR_SUCCESS) {
        return status;
    }
    if (value.kind == registry::RegistryValue::Kind::Number) {
        const DWORD number = value.number;
        return RegSetValueExW(key.Get(), AsWide(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                              sizeof number);
    }
    const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(char16_t));
    return RegSetValueExW(key.Get(), AsWide(name), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.text.c_str()), bytes);
}

RegistryStoreWin32::Status RegistryStoreWin32::DeleteValue(Root root, const std::u16string& path,
                                                           const std::u16string& name) {
    RegistryKey key;
    if (const LSTATUS status = key.Open(root, path, KEY_SET_VALUE); status != ERROR_SUCCESS) {
        return status;
    }
    return RegDeleteValueW(key.Get(), AsWide(name));
}

RegistryStoreWin32::Status RegistryStoreWin32::DeleteTree(Root root, const std::u16string& path) {
    // RegDeleteTreeW empties the key but leaves it; the key itself goes with RegDeleteKeyExW.
    {
        RegistryKey key;
        if (const LSTATUS status = key.Open(root, path, KEY_ALL_ACCESS); status != ERROR_SUCCESS) {
            return status;
        }
        if (const LSTATUS status = RegDeleteTreeW(key.Get(), nullptr); status != ERROR_SUCCESS) {
            return status;
        }
    }
    return DeleteKey(root, path);
}

RegistryStoreWin32::Status RegistryStoreWin32::QueryKey(Root root, const std::u16string& path,
                                                        bool& hasSubkeys, bool& hasValues) {
    RegistryKey key;
    if (const LSTATUS status = key.Open(root, path, KEY_QUERY_VALUE); status != ERROR_SUCCESS) {
        return status;
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    const LSTATUS status = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                            &values, nullptr, nullptr, nullptr, nullptr);
    hasSubkeys = subkeys != 0;
    hasValues = values != 0;
    return status;
}

RegistryStoreWin32::Status RegistryStoreWin32::DeleteKey(Root root, const std::u16string& path) {
    return RegDeleteKeyExW(RootKey(root), AsWide(path), KEY_WOW64_64KEY, 0);
}

}  // namespace quillet::shellext
