// Facts about the module this code is linked into: its file version, and its HTML Help.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "SharedIds.h"
#include "winui/Handles.h"

namespace quillet::winui {

struct FileVersion {
    int major = 0;
    int minor = 0;
    int build = 0;
    int revision = 0;
};

// The file version of the module's version resource; empty without one.
std::optional<FileVersion> ModuleFileVersion();

// The product as the build names it in the module's version resource: its name, its full version
// ("1.0.0.0") and its copyright line. Empty texts without a version resource.
struct ProductInfo {
    std::u16string name;
    std::u16string version;
    std::u16string copyright;
};
ProductInfo ModuleProduct();

// Help topics are opened by context number: this base plus the template number of the dialog whose
// Help button (or F1) asks for them. The build defines both, and maps the help file's topics with them.
constexpr DWORD kHelpContextBase = QUILLET_HELP_CONTEXT_BASE;

// The help file of the programs, "QuilletPro.chm" in the module's folder.
std::u16string ModuleHelpFile();

// A call of the HTML Help viewer, with the arguments of HtmlHelpW: caller window, file, command, data.
using HtmlHelpCall = std::function<HWND(HWND, const wchar_t*, UINT, DWORD_PTR)>;

// HtmlHelpW of "hhctrl.ocx", loaded at the first call and never unloaded: a help window runs the
// library's code after the dialog that opened it has gone, and inside Explorer our own module may be
// unloaded long before the user closes that window. Without the library it does nothing.
HWND SystemHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);

// Opens dialogs' help topics. The help window has no owner, so it stays open when the dialog closes,
// and nothing here ever closes it, or any other help window of the process: it is the user's to close.
// A missing viewer or help file does nothing worse than the viewer's own message, and is logged.
class CHtmlHelp {
  public:
    explicit CHtmlHelp(HtmlHelpCall viewer = &SystemHtmlHelp) : viewer_(std::move(viewer)) {}

    // Opens the help file at the topic of the dialog with this template number.
    void OpenDialogTopic(const std::u16string& helpFile, int dialogTemplate) const;

  private:
    HtmlHelpCall viewer_;
};

}  // namespace quillet::winui
