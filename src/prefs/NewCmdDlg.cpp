#include "prefs/NewCmdDlg.h"

#include <algorithm>

#include <utility>

#include "PrefsIds.h"
#include "core/editor/CommandTypeTexts.h"

namespace quillet::prefs {

CNewCmdDlg::CNewCmdDlg(CommandType preset, winui::HtmlHelpCall helpViewer)
    : CDialog(IDD_NEW_COMMAND), chosen_(preset) {
    OfferHelp(IDC_HELP_BUTTON, std::move(helpViewer));
    Bind(IDC_NEW_TYPE, typeList_);
    Bind(IDC_NEW_DESCRIPTION, description_);
}

bool CNewCmdDlg::OnInitDialog() {
    for (const CommandType type : NewCommandOrder()) {
        typeList_.AddString(MessageText(InfoOf(type).typeName));
    }
    // The preset type's entry, the first one when the preset is not in the list.
    const auto order = NewCommandOrder();
    const auto found = std::find(order.begin(), order.end(), chosen_);
    typeList_.SetCurSel(found == order.end() ? 0 : static_cast<int>(found - order.begin()));
    ShowChoice();
    return true;
}

bool CNewCmdDlg::OnCommand(int controlId, int notifyCode) {
    if (controlId == IDC_NEW_TYPE && notifyCode == CBN_SELCHANGE) {
        ShowChoice();
        return true;
    }
    return CDialog::OnCommand(controlId, notifyCode);
}

void CNewCmdDlg::ShowChoice() {
    const auto order = NewCommandOrder();
    const int index = typeList_.CurSel();
    if (index < 0 || static_cast<std::size_t>(index) >= order.size()) {
        return;
    }
    chosen_ = order[static_cast<std::size_t>(index)];
    description_.SetText(DescriptionOf(chosen_));
}

}  // namespace quillet::prefs
