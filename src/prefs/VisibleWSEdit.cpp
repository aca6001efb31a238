#include "prefs/VisibleWSEdit.h"

#include <commctrl.h>

#include <string>

#include "core/editor/VisibleSpace.h"

namespace quillet::prefs {
namespace {
constexpr UINT_PTR kSubclassId = 1;
}

CVisibleWSEdit::~CVisibleWSEdit() {
    if (Handle()) {
        RemoveWindowSubclass(Handle(), &CVisibleWSEdit::SubclassProc, kSubclassId);
    }
}

void CVisibleWSEdit::OnAttached() {
    if (Handle()) {
        SetWindowSubclass(Handle(), &CVisibleWSEdit::SubclassProc, kSubclassId,
                          reinterpret_cast<DWORD_PTR>(this));
    }
}

void CVisibleWSEdit::ReplaceSelectionAsOneEdit(std::u16string_view text) const {
    const std::u16string replacement(text);
    // The edit control would join an insertion to the typing just before or after it.
    Send(EM_EMPTYUNDOBUFFER);
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(replacement.c_str()));
    insertedLast_ = true;
}

LRESULT CALLBACK CVisibleWSEdit::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR /*id*/, DWORD_PTR self) {
    switch (message) {
        case WM_CHAR:
            // The first character typed, pasted, cut or erased after an insertion starts an edit of
            // its own; Ctrl+Z (0x1A) and the other control characters edit nothing.
            if (auto* edit = reinterpret_cast<CVisibleWSEdit*>(self);
                edit->insertedLast_ &&
                (wParam >= 0x20 || wParam == 0x08 || wParam == 0x16 || wParam == 0x18)) {
                edit->insertedLast_ = false;
                DefSubclassProc(window, EM_EMPTYUNDOBUFFER, 0, 0);
            }
            if (wParam == kVisibleSpace) {
                // The edit control reports the change to the dialog before it returns.
                auto* edit = reinterpret_cast<CVisibleWSEdit*>(self);
                edit->typingRealDot_ = true;
                const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
                edit->typingRealDot_ = false;
                return result;
            }
            // The edit control's own processing inserts the dot, so caret, selection, repeat count
            // (lParam unchanged) and undo behave as for any typed character.
            if (wParam <= 0xFFFF) {
                wParam = VisibleTypedCharacter(static_cast<char16_t>(wParam));
            }
            break;
        case WM_GETDLGCODE:
            // Tabbing in keeps the caret and selection where the user left them instead of selecting
            // everything, so that Insert and the Newline/Tab lists never replace text the user did
            // not select.
            return DefSubclassProc(window, message, wParam, lParam) & ~static_cast<LRESULT>(DLGC_HASSETSEL);
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, &CVisibleWSEdit::SubclassProc, kSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace quillet::prefs
