// What the shell knows beyond the file system: the description of a file type and the user's folders.
#pragma once

#include <optional>
#include <string>

namespace quillet::platform {

// The shell's description of a file type, from the name's extension and the folder flag alone; the
// file itself is not touched. Windows: SHGetFileInfoW. POSIX: "File folder" for folders, "EXT File"
// for a name with an extension, "File" otherwise. Empty on failure.
std::optional<std::u16string> FileTypeName(const std::u16string& name, bool isFolder);

// The user's application data folder without a trailing separator. Windows: SHGetFolderPathW with
// CSIDL_APPDATA. POSIX: $XDG_CONFIG_HOME, else ~/.config. Empty when it cannot be found.
std::u16string ApplicationDataFolder();

// The user's local (not roaming) application data folder without a trailing separator, for what
// belongs to this computer alone. Windows: SHGetFolderPathW with CSIDL_LOCAL_APPDATA. POSIX:
// $XDG_STATE_HOME, else ~/.local/state. Empty when it cannot be found.
std::u16string LocalApplicationDataFolder();

}  // namespace quillet::platform
