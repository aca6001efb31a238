// A push button drawn as a web link: underlined text that turns orange red under the mouse, with the
// hand cursor, opening "https://" and its address in the browser when clicked. The dialog template
// gives the button the owner-draw style; the dialog hands it its WM_DRAWITEM.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "winui/Controls.h"
#include "winui/Handles.h"
#include "winui/ScreenDpi.h"

namespace quillet::winui {

class CButtonLink final : public CWindow, private ScreenDpi::ScreenDpiWatcher {
  public:
    explicit CButtonLink(std::shared_ptr<ScreenDpi> dpi);
    ~CButtonLink() override;

    // The address opened by a click; while empty the caption is the address.
    void SetAddress(std::u16string address) { address_ = std::move(address); }

    bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

    bool IsHovering() const { return hovering_; }
    // The part of the button that reacts to the mouse: the caption as last drawn.
    const RECT& HitRect() const { return hitRect_; }

  private:
    static constexpr COLORREF kNormalColour = RGB(0x00, 0x33, 0x99);
    static constexpr COLORREF kHoverColour = RGB(0xFF, 0x33, 0x00);

    void OnAttached() override;
    void OnDpiChanged(int oldDpi, int newDpi) override;

    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR subclassId, DWORD_PTR self);
    // Sets or clears the hover state for a point in client coordinates.
    void TrackMouse(POINT point);
    void EndHover();
    void OpenAddress();
    void Unsubclass();

    std::shared_ptr<ScreenDpi> dpi_;
    UniqueFont font_;
    RECT hitRect_{};
    bool hovering_ = false;
    std::u16string address_;
    HCURSOR arrowCursor_;
    HCURSOR handCursor_;
    bool subclassed_ = false;
};

}  // namespace quillet::winui
