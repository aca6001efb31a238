// Typed wrappers for the controls of a dialog. A wrapper does not own its window: the dialog that
// binds it by control number attaches it when the dialog's window exists and detaches it when the
// window goes away.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace quillet::winui {

class CWindow {
  public:
    CWindow() = default;
    // A wrapper for a moment, around a control that a dialog's table finds by its number.
    explicit CWindow(HWND window) : window_(window) {}
    virtual ~CWindow() = default;
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND Handle() const { return window_; }
    int Id() const { return GetDlgCtrlID(window_); }

    // Attaches the wrapper to a control window; OnAttached lets subclasses hook in.
    void Attach(HWND window) {
        window_ = window;
        OnAttached();
    }
    void Detach() { window_ = nullptr; }

    bool IsEnabled() const { return IsWindowEnabled(window_) != FALSE; }
    void Enable(bool enable) const { EnableWindow(window_, enable ? TRUE : FALSE); }
    void Show(bool show) const { ShowWindow(window_, show ? SW_SHOW : SW_HIDE); }

    std::u16string Text() const;
    void SetText(std::u16string_view text) const;

    // The window's rectangle in the client coordinates of its parent.
    RECT RectInParent() const;
    void Move(const RECT& rect, bool repaint) const;

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageW(window_, message, wParam, lParam);
    }

    // An owner-drawn control gets its parent's WM_DRAWITEM through this; true when it drew.
    virtual bool OnDrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }

  protected:
    virtual void OnAttached() {}

  private:
    HWND window_ = nullptr;
};

using CStatic = CWindow;
using CEdit = CWindow;
using CButton = CWindow;

// A check box or a radio button.
class CCheckBox : public CWindow {
  public:
    using CWindow::CWindow;
    bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
    void SetChecked(bool checked) const { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }
};

using CRadioButton = CCheckBox;

// A drop-down list.
class CComboBox : public CWindow {
  public:
    using CWindow::CWindow;
    void AddString(std::u16string_view text) const;
    int Count() const { return static_cast<int>(Send(CB_GETCOUNT)); }
    // The chosen entry, or -1 for none.
    int CurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    // Chooses an entry; an index with no entry leaves the list without a choice.
    void SetCurSel(int index) const { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
};

}  // namespace quillet::winui
