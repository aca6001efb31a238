// The single-line edit field that shows a typed space as "·": the item format, item separator, start
// text and end text of the configuration dialog. Only typing is converted; the editor keeps what each
// dot of the field stands for (VisibleSpaceText). Tabbing into it does
// not select its text.
#pragma once

#include <windows.h>

#include <string_view>

#include "winui/Controls.h"

namespace quillet::prefs {

class CVisibleWSEdit final : public winui::CWindow {
  public:
    CVisibleWSEdit() = default;
    ~CVisibleWSEdit() override;

    // True while the field inserts a "·" that the user typed as itself (not a space): the change it
    // reports meanwhile holds a real dot.
    bool TypingRealDot() const { return typingRealDot_; }

    // Replaces the selection (or inserts at the caret) as an edit of its own: Ctrl+Z takes back this
    // insertion alone, not the typing before it, and the typing after it alone.
    void ReplaceSelectionAsOneEdit(std::u16string_view text) const;

  protected:
    // Subclasses the edit control as soon as the dialog attaches it.
    void OnAttached() override;

  private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);

    bool typingRealDot_ = false;
    mutable bool insertedLast_ = false;  // the field's last edit was ReplaceSelectionAsOneEdit
};

}  // namespace quillet::prefs
