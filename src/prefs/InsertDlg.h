// The Insert File/Folder Attribute dialog: radio buttons and lists that build one attribute reference
// of the item format language. The rules are the AttributePicker's; this binds the controls to it.
#pragma once

#include <string>

#include "core/editor/AttributePicker.h"
#include "winui/Dialog.h"
#include "winui/ModuleInfo.h"

namespace quillet::prefs {

class CInsertDlg final : public winui::CDialog {
  public:
    explicit CInsertDlg(winui::HtmlHelpCall helpViewer);

    // The reference to insert, valid after OK.
    const std::u16string& Result() const { return result_; }

  private:
    bool OnInitDialog() override;
    bool OnCommand(int controlId, int notifyCode) override;
    void OnOK() override;
    void ShowPicker();

    std::u16string result_;
    winui::CEdit textToInsert_;
    AttributePicker picker_;
};

}  // namespace quillet::prefs
