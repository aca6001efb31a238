#include "core/menu/FileCommandNames.h"

#include "core/menu/CommandMenu.h"
#include "core/menu/RenameTarget.h"
#include "platform/AsciiCase.h"
#include "platform/Paths.h"

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
    if (length == std::u16string_view::npos || !IsValidNewName(reach.substr(0, length))) {
        return std::nullopt;
    }
    return reach.substr(0, length);
}

std::optional<std::u16string> PasteDestination(std::u16string_view oldPath, std::u16string_view clipboardName,
                                               PasteName how) {
    if (!IsValidNewName(clipboardName)) {
        return std::nullopt;
    }
    const std::u16string newName = how == PasteName::KeepingExtension
                                       ? NameKeepingExtension(oldPath, clipboardName)
                                       : std::u16string(clipboardName);
    if (IsOnlyDotsAndSpaces(newName)) {
        return std::nullopt;
    }
    std::optional<std::u16string> destination = RenameDestination(oldPath, newName);
    if (!destination || ShellAddressOf(oldPath) != ShellAddress::Normal ||
        ShellAddressOf(*destination) != ShellAddress::Normal) {
        return std::nullopt;
    }
    return destination;
}

ShellAddress ShellAddressOf(std::u16string_view path) {
    constexpr std::u16string_view kLiteralPrefix = u"\\\\?\\";
    if (path.empty() || path.size() > kMaxShellPathLength || path.starts_with(kLiteralPrefix)) {
        return ShellAddress::None;
    }
    ShellAddress address = ShellAddress::Normal;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(platform::kPathSeparator, start);
        const std::u16string_view name =
            path.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
        if (name == u"." || name == u"..") {
            return ShellAddress::None;  // a part the literal form would not resolve
        }
        if (!name.empty() && (name.back() == u'.' || name.back() == u' ')) {
            address = ShellAddress::Literal;
        }
        if (end == std::u16string_view::npos) {
            return address;
        }
        start = end + 1;
    }
}

bool MayMoveTo(std::u16string_view source, std::u16string_view destination, bool destinationExists,
               bool destinationIsSource) {
    if (destination == source) {
        return false;
    }
    if (!destinationExists) {
        return true;
    }
    // Only the case of the name may differ: the folder part is the source's own.
    const std::size_t nameStart = source.rfind(platform::kPathSeparator) + 1;
    return destinationIsSource && destination.size() == source.size() &&
           destination.substr(0, nameStart) == source.substr(0, nameStart) &&
           EqualsIgnoringAsciiCase(destination.substr(nameStart), source.substr(nameStart));
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
