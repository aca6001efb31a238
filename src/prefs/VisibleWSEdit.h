// The single-line edit field that shows a typed space as "·": the item format, item separator, start
// text and end text of the configuration dialog. Only typing is converted; the dialog converts the
// texts it puts in and takes out.
#pragma once

#include <windows.h>

#include "winui/Controls.h"

namespace quillet::prefs {

class CVisibleWSEdit final : public winui::CWindow {
  public:
    CVisibleWSEdit() = default;
    ~CVisibleWSEdit() override;

  protected:
    // Subclasses the edit control as soon as the dialog attaches it.
    void OnAttached() override;

  private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
};

}  // namespace quillet::prefs
