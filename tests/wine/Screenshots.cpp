// Developer aid (scripts/screenshots): shows the Options dialog in the states worth a picture and,
// for each, prints "SHOT name x y width height" and waits for a line on standard input while the
// script takes the picture.
#include "Screenshots.h"

#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "DialogDriver.h"
#include "HighContrast.h"
#include "OptionsDialogFixture.h"
#include "OptionsDialogIds.h"

namespace quillet::test {
namespace {

void Shot(const DialogDriver& dialog, const char* name) {
    RedrawWindow(dialog.Dialog(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);  // let the X server show what was drawn
    RECT rect{};
    GetWindowRect(dialog.Dialog(), &rect);
    std::printf("SHOT %s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    std::fflush(stdout);
    std::string answer;
    std::getline(std::cin, answer);
}

}  // namespace

int RunScreenshots(bool highContrast) {
    OptionsDialogFixture::CreateFiles();
    OptionsDialogFixture::ResetStoredOptions();
    {
        DialogDriver dialog = OptionsDialogFixture::OpenDialog(OptionsDialogFixture::Files());
        dialog.Click(IDC_ADD_SIZE);
        dialog.Click(IDC_ADD_DATE);
        dialog.Choose(IDC_DATE_FORMAT, 2);
        if (highContrast) {
            const HighContrastScheme scheme({dialog.Dialog()});
            Shot(dialog, "high-contrast-options");
        } else {
            Shot(dialog, "options-files");
        }
        dialog.CloseWith(IDCANCEL);
    }
    if (!highContrast) {
        DialogDriver dialog = OptionsDialogFixture::OpenDialog(
            {OptionsDialogFixture::Docs(), OptionsDialogFixture::A(), OptionsDialogFixture::B()});
        Shot(dialog, "options-folder");
        dialog.Click(IDC_ADD_FOLDER_FILES);
        dialog.Click(IDC_INCLUDE);
        Shot(dialog, "options-folder-expanded");
        dialog.CloseWith(IDCANCEL);
    }
    OptionsDialogFixture::ResetStoredOptions();
    OptionsDialogFixture::RemoveFiles();
    return 0;
}

}  // namespace quillet::test
