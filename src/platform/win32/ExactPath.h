// The form in which the Win32 layer hands a selected path to the file system.
#pragma once

#include <string>

namespace quillet::platform {

// A full path in the "\\?\" form, which the file system takes literally: a name that ends in a dot or
// a space keeps it (the normal form drops them and reaches another item), and a path beyond 259
// characters can be read. "C:\x" becomes "\\?\C:\x", "\\server\share\x" becomes
// "\\?\UNC\server\share\x"; a path already in that form stays as it is. A path that the normal form
// would still have to resolve (relative, with a slash, an empty, "." or ".." part, or a device path)
// stays as it is, as the literal form would not find it.
std::u16string ExactPathForm(const std::u16string& path);

}  // namespace quillet::platform
