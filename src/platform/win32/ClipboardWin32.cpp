// Win32 side of the clipboard: Unicode text placed and read with the clipboard opened without an
// owner window.
#include <windows.h>

#include <algorithm>

#include "platform/Clipboard.h"
#include "platform/win32/Handles.h"

namespace quillet::platform {
namespace {

// Empties the open clipboard and puts the text on it.
bool PlaceClipboardText(std::optional<std::u16string_view> text) {
    EmptyClipboard();
    if (!text) {
        return true;
    }
    // Moveable, as SetClipboardData documents for the memory it takes over.
    GlobalMemory memory(GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, (text->size() + 1) * sizeof(char16_t)));
    if (memory.Get() == nullptr) {
        return false;
    }
    {
        const GlobalLockScope lock(memory.Get());
        if (lock.Data() == nullptr) {
            return false;
        }
        auto* chars = static_cast<char16_t*>(lock.Data());
        text->copy(chars, text->size());
        chars[text->size()] = 0;
    }
    if (SetClipboardData(CF_UNICODETEXT, memory.Get()) == nullptr) {
        return false;  // the memory is still ours and is freed
    }
    memory.Release();  // now the clipboard's
    return true;
}

}  // namespace

bool ReplaceClipboardText(std::optional<std::u16string_view> text) {
    const OpenClipboardScope clipboard(kClipboardAttempts);
    return clipboard.IsOpen() && PlaceClipboardText(text);
}

ClipboardText ReadClipboardText(std::size_t reach) {
    ClipboardText read;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        return read;
    }
    const OpenClipboardScope clipboard(kClipboardAttempts);
    if (!clipboard.IsOpen()) {
        read.status = ClipboardStatus::Busy;
        return read;
    }
    const GlobalLockScope text(GetClipboardData(CF_UNICODETEXT));
    if (text.Data() != nullptr) {
        read.memory.assign(static_cast<const char16_t*>(text.Data()),
                           std::min(text.Count<char16_t>(), reach));
        read.status = ClipboardStatus::Text;
    }
    return read;
}

}  // namespace quillet::platform
