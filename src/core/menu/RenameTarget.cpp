#include "core/menu/RenameTarget.h"

#include <algorithm>

#include "platform/Paths.h"

namespace quillet {

std::u16string NameKeepingExtension(std::u16string_view oldPath, std::u16string_view clipboardName) {
    std::u16string_view oldExtension;
    if (const std::size_t separator = oldPath.rfind(platform::kPathSeparator);
        separator != std::u16string_view::npos) {
        const std::size_t dot = oldPath.rfind(u'.');
        if (dot != std::u16string_view::npos && dot > separator) {
            oldExtension = oldPath.substr(dot);
        }
    }
    std::u16string name(clipboardName.substr(0, std::min(clipboardName.rfind(u'.'), clipboardName.size())));
    name += oldExtension;
    return name;
}

std::optional<std::u16string> RenameDestination(std::u16string_view oldPath, std::u16string_view newName) {
    // An empty name would make the destination the item's own folder: a move, not a rename.
    if (newName.empty() || oldPath.empty() || oldPath.size() > kMaxShellPathLength) {
        return std::nullopt;
    }
    const std::size_t separator = oldPath.rfind(platform::kPathSeparator);
    std::u16string destination(separator == std::u16string_view::npos ? std::u16string_view()
                                                                      : oldPath.substr(0, separator + 1));
    destination += newName;
    if (destination.size() > kMaxShellPathLength) {
        return std::nullopt;
    }
    return destination;
}

}  // namespace quillet
