// The extension's registry entries as the tests read them back: the keys it owns below a classes
// root, dumped in the format of tests/data/registered-entries.txt, and that list as expected there;
// the same for its type library's entries (registered-type-library.txt).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "SharedIds.h"
#include "platform/Utf.h"
#include "platform/win32/Handles.h"

namespace quillet::test {

inline std::string Narrow(const std::wstring& text) {
    return quillet::Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// Where the entries go: HKEY_CLASSES_ROOT (machine-wide), or the current user's classes.
struct ClassesRoot {
    HKEY root;
    std::wstring prefix;  // of every path below the root
    std::string name;     // as the lines of registered-entries.txt show it
};
inline const ClassesRoot kMachine = {HKEY_CLASSES_ROOT, L"", "HKCR"};
inline const ClassesRoot kUser = {HKEY_CURRENT_USER, L"Software\\Classes\\", "HKCU\\Software\\Classes"};

inline bool KeyExists(const std::wstring& path, const ClassesRoot& where = kMachine) {
    quillet::platform::UniqueRegistryKey key;
    return RegOpenKeyExW(where.root, (where.prefix + path).c_str(), 0, KEY_READ, key.Receive()) ==
           ERROR_SUCCESS;
}

// Appends the key, its values and its subkeys in the format of registered-entries.txt.
inline void DumpKey(const ClassesRoot& where, const std::wstring& path, std::set<std::string>& lines) {
    quillet::platform::UniqueRegistryKey owner;
    if (RegOpenKeyExW(where.root, (where.prefix + path).c_str(), 0, KEY_READ, owner.Receive()) !=
        ERROR_SUCCESS) {
        return;
    }
    const HKEY key = owner.Get();
    const std::string name = where.name + "\\" + Narrow(path);
    lines.insert(name);
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLength = static_cast<DWORD>(std::size(valueName));
        wchar_t data[1024] = {};
        DWORD dataBytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataBytes) != ERROR_SUCCESS) {
            break;
        }
        const std::string text = type == REG_SZ ? Narrow(data) : "(type " + std::to_string(type) + ")";
        lines.insert(name + "  [" + Narrow(std::wstring(valueName, nameLength)) + "] = " + text);
    }
    std::vector<std::wstring> subkeys;
    for (DWORD index = 0;; ++index) {
        wchar_t subkey[256];
        DWORD length = static_cast<DWORD>(std::size(subkey));
        if (RegEnumKeyExW(key, index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(subkey, length);
    }
    owner.Reset();
    for (const std::wstring& subkey : subkeys) {
        DumpKey(where, path + L"\\" + subkey, lines);
    }
}

// The keys the module owns (the shared keys above them hold other programs' entries too).
inline const wchar_t* const kOwnKeys[] = {
    L"AppID\\{C93E4B57-1A2F-4D68-B7C4-0F5E8A2D6B19}",
    L"AppID\\ScrivelShExt.DLL",
    L"CLSID\\{5B1C7E2A-93D4-4F6B-A8E0-2C4D9F1B7A63}",
    L"CLSID\\{" QUILLET_FIRST_MENU_CLSID "}",
    L"ScrivelShExt.Scrivel",
    L"ScrivelShExt.Scrivel.1",
    L"*\\ShellEx\\ContextMenuHandlers\\ScrivelShExt",
    L"Folder\\ShellEx\\ContextMenuHandlers\\ScrivelShExt",
};
// The keys that the type library's registration owns: the library, and its interface in both views.
inline const wchar_t* const kTypeLibraryKeys[] = {
    L"TypeLib\\{A4D2F610-7C3B-4E59-9B12-6E8F0C5D3A27}", L"Interface\\{7E3A9C41-2B6D-4F80-9E15-C4A8D20F6B3E}",
    L"Wow6432Node\\Interface\\{7E3A9C41-2B6D-4F80-9E15-C4A8D20F6B3E}",  // for 32-bit callers
};
inline const wchar_t* const kSharedKeys[] = {
    L"AppID",
    L"CLSID",
    L"*",
    L"*\\ShellEx",
    L"*\\ShellEx\\ContextMenuHandlers",
    L"Folder",
    L"Folder\\ShellEx",
    L"Folder\\ShellEx\\ContextMenuHandlers",
};

inline std::string DumpOwnKeys(const ClassesRoot& where = kMachine,
                               std::span<const wchar_t* const> keys = kOwnKeys) {
    std::set<std::string> lines;
    for (const wchar_t* key : keys) {
        DumpKey(where, key, lines);
    }
    std::string dump;
    for (const std::string& line : lines) {
        dump += line + '\n';
    }
    return dump;
}

// The list's entries (registered-entries.txt unless named) without the shared keys, with the module's
// path and folder filled in, below the root.
inline std::string ExpectedOwnEntries(const std::wstring& modulePath, const ClassesRoot& where = kMachine,
                                      const char* list = "registered-entries.txt") {
    std::ifstream file(QUILLET_TEST_DATA_DIR "/" + std::string(list), std::ios::binary);
    std::set<std::string> shared;
    for (const wchar_t* key : kSharedKeys) {
        shared.insert("HKCR\\" + Narrow(key));
    }
    shared.insert("HKCR");
    std::string expected;
    for (std::string line; std::getline(file, line);) {
        if (shared.count(line)) {
            continue;
        }
        if (const std::size_t at = line.find("%MODULE%"); at != std::string::npos) {
            line.replace(at, 8, Narrow(modulePath));
        }
        if (const std::size_t at = line.find("%FOLDER%"); at != std::string::npos) {
            line.replace(at, 8, Narrow(modulePath.substr(0, modulePath.rfind(L'\\') + 1)));
        }
        expected += where.name + line.substr(4) + '\n';
    }
    EXPECT_FALSE(expected.empty());
    return expected;
}

}  // namespace quillet::test
