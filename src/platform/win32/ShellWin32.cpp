// Win32 side of the shell's knowledge: file type descriptions and the user's folders.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/Shell.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {

std::optional<std::u16string> FileTypeName(const std::u16string& name, bool isFolder) {
    SHFILEINFOW info{};
    const DWORD attributes = isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (SHGetFileInfoW(AsWide(name), attributes, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES) == 0) {
        return std::nullopt;
    }
    return FromWide(info.szTypeName);
}

namespace {

std::u16string ShellFolder(int folder) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
        return {};
    }
    return FromWide(buffer);
}

}  // namespace

std::u16string ApplicationDataFolder() {
    return ShellFolder(CSIDL_APPDATA);
}

std::u16string LocalApplicationDataFolder() {
    return ShellFolder(CSIDL_LOCAL_APPDATA);
}

}  // namespace quillet::platform
