// POSIX side of the drive lookups: there are no drive letters, shares or short names to look up.
#include "platform/Drives.h"

namespace quillet::platform {

std::optional<std::u16string> SubstitutedFolder(char16_t) {
    return std::nullopt;
}

std::optional<std::u16string> MappedDrivePath(char16_t) {
    return std::nullopt;
}

std::vector<LocalShare> LocalShares() {
    return {};
}

std::u16string ComputerName() {
    return {};
}

std::optional<std::u16string> ShortPathName(const std::u16string&) {
    return std::nullopt;
}

}  // namespace quillet::platform
