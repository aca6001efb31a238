// POSIX side of paths: typed paths made absolute from the current folder, and the running
// program's folder.
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/Paths.h"
#include "platform/Utf.h"

namespace quillet::platform {

std::u16string AbsolutePath(const std::u16string& path) {
    if (const std::size_t root = PathRootLength(path); root > 0) {
        return ResolveAgainst(std::u16string_view(path).substr(0, root),
                              std::u16string_view(path).substr(root));
    }
    std::string folder(PATH_MAX, '\0');
    if (::getcwd(folder.data(), folder.size()) == nullptr) {
        return {};
    }
    folder.resize(std::char_traits<char>::length(folder.c_str()));
    return ResolveAgainst(Utf8ToUtf16EscapingBytes(folder), path);
}

std::u16string RunningModulePath() {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return {};
    }
    buffer.resize(static_cast<std::size_t>(length));
    return Utf8ToUtf16EscapingBytes(buffer);
}

}  // namespace quillet::platform
