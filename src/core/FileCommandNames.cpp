#include "core/FileCommandNames.h"

#include "core/CommandMenu.h"
#include "core/RenameTarget.h"
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
    const std::u16string_view reach(text,
                                    capacity < kMaxNewNameLength + 1 ? capacity : kMaxNewNameLength + 1);
    const std::size_t length = reach.find(u'\0');
    if (length == std::u16string_view::npos || !IsValidNewName(reach)) {
        return std::nullopt;
    }
    return reach.substr(0, length);
}

std::optional<std::u16string> PasteDestination(std::u16string_view oldPath, std::u16string_view clipboardName,
                                               PasteName how) {
    if (!IsValidNewName(clipboardName) || clipboardName.find(u'\0') != std::u16string_view::npos) {
        return std::nullopt;
    }
    const std::u16string newName = how == PasteName::KeepingExtension
                                       ? NameKeepingExtension(oldPath, clipboardName)
                                       : std::u16string(clipboardName);
    if (IsOnlyDotsAndSpaces(newName)) {
        return std::nullopt;
    }
    return RenameDestination(oldPath, newName);
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
