// The base of every dialog: one class per dialog template. The derived class binds its controls by
// number in its constructor and overrides the few handlers it needs; the base runs the window, attaches
// the bound controls before OnInitDialog and detaches them when the window goes away. No exception
// leaves the dialog procedure.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "winui/Controls.h"
#include "winui/ModuleInfo.h"

namespace quillet::winui {

class CDialog {
  public:
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns the result given to EndDialog, or -1 when the window could not
    // be created.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog as a modeless window; false when that failed.
    bool Create(HWND owner);
    // Closes the dialog: ends a modal one with result, destroys a modeless one.
    void Close(INT_PTR result);

    HWND Handle() const { return window_; }
    // The text size the window opened with, as a percentage: the user's (UserTextScale), or less when
    // the window would not fit its screen with it.
    int TextScale() const { return textScale_; }

  protected:
    explicit CDialog(int templateId) : templateId_(templateId) {}

    // The control with this number is attached to control when the window is created.
    void Bind(int controlId, CWindow& control) { bindings_.push_back({controlId, &control}); }
    // The button with this number and F1 open the help file at this dialog's topic with viewer.
    void OfferHelp(int helpButtonId, HtmlHelpCall viewer) {
        helpButtonId_ = helpButtonId;
        help_.emplace(std::move(viewer));
    }

    // Return false when the handler set the focus itself.
    virtual bool OnInitDialog() { return true; }
    // A WM_COMMAND from a control or the keyboard; true when handled. The default routes IDOK and
    // IDCANCEL to OnOK and OnCancel, and the help button to the help.
    virtual bool OnCommand(int controlId, int notifyCode);
    virtual void OnOK() { Close(IDOK); }
    virtual void OnCancel() { Close(IDCANCEL); }
    virtual void OnSize(UINT /*type*/, int /*clientWidth*/, int /*clientHeight*/) {}
    // The window's DPI changed (it moved to a monitor with another scale, per-monitor-aware threads
    // only): the system suggests the window rectangle for the new DPI. The default moves there.
    virtual void OnDpiChange(int newDpi, const RECT& suggested);
    // The system's colours changed or a high-contrast theme came or went: remake what was drawn from
    // them. The window is repainted afterwards.
    virtual void OnColoursChanged() {}
    // Fills in the limits of the window's size; true when handled.
    virtual bool OnGetMinMaxInfo(MINMAXINFO& /*info*/) { return false; }
    // Any other message; a value when handled.
    virtual std::optional<INT_PTR> OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
        return std::nullopt;
    }

  private:
    struct Binding {
        int controlId;
        CWindow* control;
    };

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void AttachControls();
    void RepaintInSystemColours();
    // Opens the window through open, given the template at the text size (empty: the template as it is),
    // again with smaller text while it does not fit its screen.
    void OpenAtTextSize(const std::function<void(const std::vector<WORD>&)>& open);
    int FittingTextScale() const;
    void DetachAll();

    int templateId_;
    int textScale_ = 100;
    int smallerTextScale_ = 0;  // set when the window found it does not fit
    SIZE dialogUnits_{};
    HWND window_ = nullptr;
    bool modal_ = false;
    std::vector<Binding> bindings_;
    int helpButtonId_ = 0;
    std::optional<CHtmlHelp> help_;
};

}  // namespace quillet::winui
