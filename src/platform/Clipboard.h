// The clipboard's Unicode text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet::platform {

// Replaces the clipboard's contents. With text, the clipboard then holds exactly that text as
// Unicode text; without, it is only emptied. Windows: opened without an owner window and always
// closed; false when another program holds it open for more than about half a second (nothing
// changes) or the text cannot be placed.
// POSIX: the text goes to wl-copy (Wayland) or xclip (X11) when one is present for the session;
// false when neither is.
bool ReplaceClipboardText(std::optional<std::u16string_view> text);

}  // namespace quillet::platform
