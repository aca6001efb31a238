// The clipboard's Unicode text.
#pragma once

#include <cstddef>
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

// What reading the clipboard's Unicode text found: the text, none, or a clipboard that another
// program held open for more than about half a second.
enum class ClipboardStatus { Text, NoText, Busy };
struct ClipboardText {
    ClipboardStatus status = ClipboardStatus::NoText;
    // The first characters of the text's memory as the clipboard holds them, at most the reach asked
    // for: its terminator, and whatever follows it, when within reach (memory that a program filled
    // without one may hold anything after the text).
    std::u16string memory;
};

// Reads at most `reach` characters of the clipboard's Unicode text, so that a long text costs no
// more than that. Windows: opened without an owner window and closed before returning. POSIX: from
// wl-paste or xclip, the text followed by a terminator; NoText when neither is present or it fails.
ClipboardText ReadClipboardText(std::size_t reach);

}  // namespace quillet::platform
