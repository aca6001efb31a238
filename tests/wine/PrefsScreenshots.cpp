// Developer aid (scripts/screenshots): prints "SHOT name x y width height" for each window worth a
// picture and waits for a line on standard input while the script takes it.
#include "PrefsScreenshots.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "HighContrast.h"
#include "PrefsDialogFixture.h"
#include "PrefsIds.h"

namespace quillet::test {
namespace {

void Shot(HWND window, const char* name) {
    SetCursorPos(0, 0);  // no hover effect or tooltip in the picture
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);  // let the X server show what was drawn
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("SHOT %s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    std::fflush(stdout);
    std::string answer;
    std::getline(std::cin, answer);
}

// The fixture's helpers without a test around them.
class Pictures : public PrefsDialogFixture {
  public:
    static int Run(bool highContrast) {
        const std::optional<std::string> saved = UserFileBytes();
        WriteUserFile({"Copy Names:%QUILLET", "Configure...:%CONFIGURE", "Copy &As:%SUBFOLDER",
                       "Full &Path(s):$path[\\n]", "&Quoted Path(s) on One Line:\"$path\"[ ]",
                       "Sizes:$name $size:kb;[\\n]Files:\\n|\\n|1", "Broken:$nosuch;[\\n]"});
        {
            DialogDriver dialog = OpenDialog();
            SelectItem(dialog, 5);
            if (highContrast) {
                const HighContrastScheme scheme({dialog.Dialog()});
                Shot(dialog.Dialog(), "high-contrast-prefs");
                dialog.CloseWith(IDCANCEL);
                return RestoreUserFile(saved);
            }
            Shot(dialog.Dialog(), "prefs-main");
            SelectItem(dialog, 6);
            Shot(dialog.Dialog(), "prefs-problem");
            PostClick(dialog, IDC_ADD_COMMAND);
            if (const HWND newCommand = WaitForWindow(dialog, u"New Command")) {
                Shot(newCommand, "prefs-new-command");
                Answer(newCommand, IDCANCEL);
            }
            SelectItem(dialog, 5);
            PostClick(dialog, IDC_INSERT);
            if (const HWND insert = WaitForWindow(dialog, u"Insert File/Folder Attribute")) {
                SendDlgItemMessageW(insert, IDC_ROW_DATE, BM_CLICK, 0, 0);
                Shot(insert, "prefs-insert");
                Answer(insert, IDCANCEL);
            }
            dialog.CloseWith(IDCANCEL);
        }
        return RestoreUserFile(saved);
    }

  private:
    static int RestoreUserFile(const std::optional<std::string>& saved) {
        if (saved) {
            WriteRaw(*saved);
        } else {
            const std::u16string file = UserFile();
            std::error_code ignored;
            std::filesystem::remove(std::filesystem::path(std::wstring(file.begin(), file.end())), ignored);
        }
        return 0;
    }
};

}  // namespace

int RunPrefsScreenshots(bool highContrast) {
    return Pictures::Run(highContrast);
}

}  // namespace quillet::test
