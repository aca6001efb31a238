// The New Command dialog: the user picks the type of the command to add and reads what it does.
#pragma once

#include "core/commands/Command.h"
#include "winui/Dialog.h"
#include "winui/ModuleInfo.h"

namespace quillet::prefs {

class CNewCmdDlg final : public winui::CDialog {
  public:
    CNewCmdDlg(CommandType preset, winui::HtmlHelpCall helpViewer);

    // The chosen type, valid after OK.
    CommandType Chosen() const { return chosen_; }

  private:
    bool OnInitDialog() override;
    bool OnCommand(int controlId, int notifyCode) override;
    void ShowChoice();

    CommandType chosen_;
    winui::CComboBox typeList_;
    winui::CStatic description_;
};

}  // namespace quillet::prefs
