// POSIX side of the shell's knowledge: file type descriptions made from the extension, and the
// user's folders by the XDG rules.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/Utf.h"

namespace quillet::platform {

std::optional<std::u16string> FileTypeName(const std::u16string& name, bool isFolder) {
    if (isFolder) {
        return u"File folder";
    }
    const std::size_t dot = name.find_last_of(u'.');
    const std::size_t slash = name.find_last_of(kPathSeparator);
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash) ||
        dot + 1 == name.size()) {
        return u"File";
    }
    std::u16string ext = name.substr(dot + 1);
    for (char16_t& c : ext) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return ext + u" File";
}

namespace {

// The XDG folder that variable names, else the one under the home folder: relative values are invalid
// by the XDG rules and are ignored.
std::u16string XdgFolder(const char* variable, std::u16string_view underHome) {
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
        return Utf8ToUtf16EscapingBytes(value);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') {
        return {};
    }
    std::u16string folder = Utf8ToUtf16EscapingBytes(home);
    if (folder.back() != kPathSeparator) {
        folder += kPathSeparator;
    }
    return folder.append(underHome);
}

}  // namespace

std::u16string ApplicationDataFolder() {
    return XdgFolder("XDG_CONFIG_HOME", u".config");
}

std::u16string LocalApplicationDataFolder() {
    return XdgFolder("XDG_STATE_HOME", u".local/state");
}

}  // namespace quillet::platform
