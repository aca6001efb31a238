#include "core/FileCommandNames.h"

#include "core/CommandMenu.h"
#include "platform/Platform.h"

namespace quillet {
namespace {

bool IsOnlyDotsAndSpaces(std::u16string_view text) {
    return text.find_first_not_of(u". ") == std::u16string_view::npos;
}

}  // namespace

std::optional<std::u16string_view> NewNameInText(const char16_t* text, std::size_t capacity) {
    if (!text) {
        return std::nullopt;
    }
    // The rule looks at one name and its terminator at most, so a long text costs no more.
    const std::u16string_view reach(text,
                                    capacity < kMaxNewNameLength + 1 ? capacity : kMaxNewNameLength + 1);
    const std::size_t length = reach.find(u'\0');
    if (length == std::u16string_view::npos || !IsValidNewName(reach)) {
        return std::nullopt;
    }
    return reach.substr(0, length);
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
    if (!IsValidNewName(newName) || newName.find(u'\0') != std::u16string_view::npos ||
        IsOnlyDotsAndSpaces(newName) || oldPath.size() > kMaxShellPathLength) {
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
