// What screen readers are told of a dialog's controls. Each control answers WM_GETOBJECT with the
// system's own accessible object wrapped in one that gives the name, role and state the control means:
// a control without text of its own is named by the static label just before it in the tab order
// (hidden where the window shows none), without its '&'; the role follows the kind of control; a
// read-only field says so. One mechanism for every window, because Wine's oleacc neither derives names
// from labels nor knows the roles of the standard controls, and has no dynamic annotation to set them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

namespace quillet::winui {

// Serves every child control of dialog to screen readers (CDialog does it for every dialog).
void ServeAccessibleControls(HWND dialog);

// The role a control announces instead of its kind's: the owner-drawn link button is a link
// (ROLE_SYSTEM_LINK), focusable and linked.
void SetAccessibleRole(HWND control, long role);

// What a list view tells of each item beyond its text, by index; empty for nothing.
using ItemDescriber = std::function<std::u16string(std::size_t index)>;
void DescribeListItems(HWND list, ItemDescriber describe);

}  // namespace quillet::winui
