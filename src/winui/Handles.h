// The Windows handles that the dialogs hold (GDI objects, icons, menus, loaded modules and window
// device contexts), plus scoped object selections and the wait cursor.
#pragma once

#include <windows.h>

#include "platform/win32/Handles.h"
#include "platform/win32/System.h"

namespace quillet::winui {

// The owned handles are the platform layer's one family.
using platform::UniqueBitmap;
using platform::UniqueBrush;
using platform::UniqueFont;
using platform::UniqueIcon;
using platform::UniqueKernelObject;
using platform::UniqueMenu;
using platform::UniqueModule;
using platform::WindowDC;

// Selects an object into a device context and puts the previous one back when the scope ends.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (previous_) {
            SelectObject(dc_, previous_);
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Shows the wait cursor for the lifetime of the scope.
class WaitCursor {
  public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    HCURSOR previous_;
};

using platform::ModuleInstance;

}  // namespace quillet::winui
