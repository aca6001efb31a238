// Facts about the module this code is linked into: its folder, its file version, and its HTML Help.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "winui/Handles.h"

namespace quillet::winui {

// The folder of the module's file, with a trailing backslash; empty when it cannot be read.
std::u16string ModuleFolder();

struct FileVersion {
    int major = 0;
    int minor = 0;
    int build = 0;
    int revision = 0;
};

// The file version of the module's version resource; empty without one.
std::optional<FileVersion> ModuleFileVersion();

// The HTML Help viewer, loaded from "hhctrl.ocx" at the first request and kept until this object
// goes, which first closes the help windows it opened. A missing viewer or help file does nothing
// worse than the viewer's own message.
class CHtmlHelp {
  public:
    CHtmlHelp() = default;
    ~CHtmlHelp();
    CHtmlHelp(const CHtmlHelp&) = delete;
    CHtmlHelp& operator=(const CHtmlHelp&) = delete;

    // Opens the help file at the topic with the given context number.
    void OpenTopic(HWND owner, const std::u16string& helpFile, DWORD contextId);

  private:
    using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

    UniqueModule viewer_;
    HtmlHelpFunction htmlHelp_ = nullptr;
};

}  // namespace quillet::winui
