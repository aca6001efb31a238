#include "prefs/VisibleWSEdit.h"

#include <commctrl.h>

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

LRESULT CALLBACK CVisibleWSEdit::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR /*id*/, DWORD_PTR /*self*/) {
    switch (message) {
        case WM_CHAR:
            // The edit control's own processing inserts the dot, so caret, selection, repeat count
            // (lParam unchanged) and undo behave as for any typed character.
            if (wParam <= 0xFFFF) {
                wParam = VisibleTypedCharacter(static_cast<char16_t>(wParam));
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, &CVisibleWSEdit::SubclassProc, kSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace quillet::prefs
