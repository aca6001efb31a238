// Paths as a shell user types them, made absolute lexically: the current folder's "." and ".."
// steps are taken, and every other name is kept exactly as typed (Windows' own full-path call would
// also strip trailing dots and spaces, and so name a different item). Also the running module's folder.
#include <vector>

#include "platform/Paths.h"

namespace quillet::platform {

namespace {

bool IsSeparator(char16_t c) {
#ifdef _WIN32
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

}  // namespace

#ifdef _WIN32
namespace {

bool IsDriveLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The end of the position after the first `count` separators from `from`, or the whole length.
std::size_t AfterSeparators(std::u16string_view path, std::size_t from, int count) {
    for (std::size_t i = from; i < path.size(); ++i) {
        if (IsSeparator(path[i]) && --count == 0) {
            return i + 1;
        }
    }
    return path.size();
}

}  // namespace
#endif

std::size_t PathRootLength(std::u16string_view path) {
#ifdef _WIN32
    if (path.starts_with(u"\\\\?\\UNC\\")) {
        return AfterSeparators(path, 8, 2);  // \\?\UNC\server\share\ .
    }
    if (path.starts_with(u"\\\\?\\")) {
        return 4 + PathRootLength(path.substr(4));
    }
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return AfterSeparators(path, 2, 2);  // \\server\share\ .
    }
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == u':' && IsSeparator(path[2])) {
        return 3;
    }
#endif
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

std::u16string ResolveAgainst(std::u16string_view base, std::u16string_view relative) {
    const std::size_t rootLength = PathRootLength(base);
    std::u16string root(base.substr(0, rootLength));
    for (char16_t& c : root) {
        c = IsSeparator(c) ? kPathSeparator : c;
    }
    if (root.empty() || root.back() != kPathSeparator) {
        root += kPathSeparator;
    }
    std::vector<std::u16string_view> names;
    const auto take = [&names](std::u16string_view text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = start;
            while (end < text.size() && !IsSeparator(text[end])) {
                ++end;
            }
            const std::u16string_view name = text.substr(start, end - start);
            if (name == u"..") {
                if (!names.empty()) {
                    names.pop_back();  // never above the root
                }
            } else if (!name.empty() && name != u".") {
                names.push_back(name);
            }
            start = end + 1;
        }
    };
    take(base.substr(rootLength));
    take(relative);
    std::u16string result = root;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            result += kPathSeparator;
        }
        result += names[i];
    }
    return result;
}

std::u16string RunningModuleFolder() {
    const std::u16string path = RunningModulePath();
    const std::size_t separator = path.find_last_of(kPathSeparator);
    return separator == std::u16string::npos ? std::u16string() : path.substr(0, separator + 1);
}

}  // namespace quillet::platform
