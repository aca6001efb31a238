// Marks that carry meaning (a warning, a folder, a sub-menu) as icons from the module: drawn as they are
// in the normal look, and in a high-contrast theme as silhouettes of the same art in the system's colours,
// which stay visible on the theme's background where the art's own colours could vanish.
#pragma once

#include <windows.h>

#include "platform/win32/SystemColours.h"
#include "winui/Handles.h"

namespace quillet::winui {

// The module's icon resource iconId at size x size pixels, in the colours the table gives ink and halo.
UniqueIcon LoadMarkIcon(int iconId, int size, platform::Painted ink, platform::Painted halo);

}  // namespace quillet::winui
