// The configuration program's help: "QuilletPro.chm" beside the program, opened at 0x20000 plus the
// template number of the dialog that asks.
#pragma once

#include <windows.h>

#include "winui/ModuleInfo.h"

namespace quillet::prefs {

inline constexpr DWORD kHelpContextBase = 0x20000;

inline void OpenHelpTopic(winui::CHtmlHelp& viewer, HWND owner, int templateId) {
    viewer.OpenTopic(owner, winui::ModuleFolder() + u"QuilletPro.chm",
                     kHelpContextBase + static_cast<DWORD>(templateId));
}

}  // namespace quillet::prefs
