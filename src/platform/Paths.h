// Paths as the platform spells them: the separator, absolute paths from typed ones, and the folder
// of the running module.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet::platform {

// The one place that decides which character separates the parts of a path. Windows uses the
// backslash; on POSIX the slash plays its role wherever a path is split or rewritten.
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// A path typed at a command line made absolute, as Explorer would pass it: a relative path is taken
// from the current folder (on Windows a path from the current drive's root, such as \dir, and one
// from a drive's own current folder, such as D:dir, too), then "." and ".." steps are taken, repeated
// and trailing separators dropped and every separator made kPathSeparator (ResolveAgainst). A Windows
// path in the literal "\\?\" form is returned as it is. Empty when the current folder cannot be read.
std::u16string AbsolutePath(const std::u16string& path);

// The length of a path's root (/ on POSIX; C:\ and \\server\share\ and \\?\C:\ on Windows), 0 for a
// relative path.
std::size_t PathRootLength(std::u16string_view path);

// A relative path taken from the absolute folder base, by name alone: "." steps are dropped, ".."
// steps go up (never above base's root), every other name stays exactly as written, trailing dots
// and spaces included, and the separators become kPathSeparator.
std::u16string ResolveAgainst(std::u16string_view base, std::u16string_view relative);

// The full file name of the module that holds this code (the DLL when linked into one; the program
// otherwise); empty when it cannot be found.
std::u16string RunningModulePath();

// The folder of RunningModulePath, ending in the path separator; empty when it cannot be found.
std::u16string RunningModuleFolder();

}  // namespace quillet::platform
