#include "core/FileCommandNames.h"

#include "platform/Platform.h"

namespace quillet {
namespace {

bool IsForbiddenNameCharacter(char16_t c) {
    if (c <= 0x1F) {
        return true;
    }
    switch (c) {
        case u'"':
        case u'*':
        case u'/':
        case u':':
        case u'<':
        case u'>':
        case u'?':
        case u'\\':
        case u'|':
            return true;
        default:
            return false;
    }
}

bool IsOnlyDotsAndSpaces(std::u16string_view text) {
    return text.find_first_not_of(u". ") == std::u16string_view::npos;
}

}  // namespace

bool IsValidNewName(std::u16string_view text) {
    if (text.empty() || text.size() > kMaxShellPathLength) {
        return false;
    }
    for (const char16_t c : text) {
        if (IsForbiddenNameCharacter(c)) {
            return false;
        }
    }
    return !IsOnlyDotsAndSpaces(text);
}

std::optional<std::u16string_view> NewNameInText(const char16_t* text, std::size_t capacity) {
    if (!text) {
        return std::nullopt;
    }
    const std::size_t reach = capacity < kMaxShellPathLength + 1 ? capacity : kMaxShellPathLength + 1;
    for (std::size_t length = 0; length < reach; ++length) {
        if (text[length] == u'\0') {
            const std::u16string_view name(text, length);
            if (IsValidNewName(name)) {
                return name;
            }
            return std::nullopt;
        }
        // A forbidden character ends the scan early: the rest of a long text is never read.
        if (IsForbiddenNameCharacter(text[length])) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::u16string_view OldExtension(std::u16string_view path) {
    const std::size_t separator = path.rfind(platform::kPathSeparator);
    if (separator == std::u16string_view::npos) {
        return {};
    }
    const std::size_t dot = path.rfind(u'.');
    if (dot == std::u16string_view::npos || dot < separator) {
        return {};
    }
    return path.substr(dot);
}

std::u16string KeepExtensionName(std::u16string_view oldPath, std::u16string_view clipboardText) {
    std::u16string name(clipboardText.substr(0, clipboardText.rfind(u'.')));
    name += OldExtension(oldPath);
    return name;
}

std::optional<std::u16string> RenameDestination(std::u16string_view oldPath, std::u16string_view newName) {
    if (!IsValidNewName(newName) || oldPath.size() > kMaxShellPathLength) {
        return std::nullopt;
    }
    const std::size_t separator = oldPath.rfind(platform::kPathSeparator);
    const std::size_t folderLength = separator == std::u16string_view::npos ? 0 : separator + 1;
    if (folderLength + newName.size() > kMaxShellPathLength) {
        return std::nullopt;
    }
    std::u16string destination(oldPath.substr(0, folderLength));
    destination += newName;
    return destination;
}

std::optional<std::u16string> ProgramBesideModule(std::u16string_view modulePath,
                                                  std::u16string_view programName) {
    const std::size_t separator = modulePath.rfind(platform::kPathSeparator);
    if (separator == std::u16string_view::npos || separator + 1 + programName.size() > kMaxShellPathLength) {
        return std::nullopt;
    }
    std::u16string program(modulePath.substr(0, separator + 1));
    program += programName;
    return program;
}

}  // namespace quillet
