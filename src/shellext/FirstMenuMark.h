// The first-menu mark (its rules are in core/package/FirstMenu.h) in the user's registry: the handler
// reads it on every right-click, the configuration program writes it when it registers or removes the
// Windows 11 package.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace quillet::shellext {

// The package's full name from the mark; empty without one.
std::u16string ReadFirstMenuMark();

// Whether the mark names a package that Windows lists for the user.
bool FirstMenuPackageRegistered();

// Writes the mark, or deletes it for an empty name (a mark already gone is no failure). Gives the
// registry's status.
LSTATUS WriteFirstMenuMark(std::u16string_view fullName);

}  // namespace quillet::shellext
