// A push button drawn as a web link: underlined text that turns orange red under the mouse, with the
// hand cursor, opening "https://" and its address in the browser when clicked, or from the keyboard
// with Space or Enter while it has the focus (then it shows a focus rectangle). The dialog template
// gives the button the owner-draw style; the dialog hands it its WM_DRAWITEM.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "winui/Controls.h"
#include "winui/Handles.h"
#include "winui/ScreenDpi.h"

namespace quillet::winui {

class CButtonLink final : public CWindow, private ScreenDpi::ScreenDpiWatcher {
  public:
    // What opening an address does: the browser, or whatever a test puts there.
    using OpenAction = std::function<void(const std::u16string& url)>;
    static void OpenInBrowser(const std::u16string& url);

    explicit CButtonLink(std::shared_ptr<ScreenDpi> dpi, OpenAction open = &CButtonLink::OpenInBrowser);
    ~CButtonLink() override;

    bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

  private:
    void OnAttached() override;
    void OnDpiChanged(int oldDpi, int newDpi) override;

    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR subclassId, DWORD_PTR self);
    // Sets or clears the hover state for a point in client coordinates.
    void TrackMouse(POINT point);
    // Leaves the hover state and the capture that came with it.
    void EndHover();
    // Leaves the hover state only: for when another window took the capture.
    void ClearHover();
    // Space and Enter, as a keyboard user expects of a button; true when the key was the link's.
    bool OnKey(UINT message, WPARAM key, LPARAM flags);
    void OpenAddress();
    void Unsubclass();

    std::shared_ptr<ScreenDpi> dpi_;
    UniqueFont font_;
    RECT hitRect_{};  // the part of the button that reacts to the mouse: the caption as last drawn
    bool hovering_ = false;
    OpenAction open_;
    bool spaceDown_ = false;
    HCURSOR arrowCursor_;
    HCURSOR handCursor_;
    bool subclassed_ = false;
};

}  // namespace quillet::winui
