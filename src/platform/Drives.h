// What a path's drive stands for beyond the file system: a substituted folder, a mapped network
// share, this computer's shares and name, and the short (8.3) form of a path. POSIX has none of these:
// its answers are always empty.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillet::platform {

// The folder a drive letter was substituted for ("subst X: C:\Work" gives "C:\Work", a network folder
// "\\server\share\dir"); empty for any other drive. Windows: QueryDosDeviceW.
std::optional<std::u16string> SubstitutedFolder(char16_t driveLetter);

// The network path that a drive letter is mapped to ("\\server\share"), also while disconnected;
// empty for any other drive. Windows: WNetGetConnectionW.
std::optional<std::u16string> MappedDrivePath(char16_t driveLetter);

// A folder this computer shares on the network: its share name and its local path ("C:\Data").
struct LocalShare {
    std::u16string name;
    std::u16string path;
};

// The disk shares of this computer, without the administrative ones (C$, ADMIN$, IPC$). Windows: the
// server service's list of shares in the registry, which every user may read (the share functions
// give paths to administrators only).
std::vector<LocalShare> LocalShares();

// This computer's name as the network knows it (Windows: its NetBIOS name); empty when unknown.
std::u16string ComputerName();

// The short (8.3) form of an existing path ("C:\PROGRA~1\report.txt" for C:\Program Files\report.txt);
// the path itself where the volume keeps no short names, empty when it cannot be read. Windows:
// GetShortPathNameW.
std::optional<std::u16string> ShortPathName(const std::u16string& path);

}  // namespace quillet::platform
