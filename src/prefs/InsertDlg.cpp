#include "prefs/InsertDlg.h"

#include <utility>

#include "PrefsIds.h"

namespace quillet::prefs {
namespace {

// The radio buttons in AttributeRow order, the lists in AttributeList order.
constexpr int kRowIds[] = {IDC_ROW_NAME, IDC_ROW_PATH, IDC_ROW_TYPE, IDC_ROW_SIZE, IDC_ROW_DATE};
constexpr int kListIds[kAttributeListCount] = {IDC_NAME_FORM, IDC_PATH_SEPARATOR, IDC_PATH_FORM,
                                               IDC_SIZE_UNIT, IDC_DATE_STAMP,     IDC_DATE_FORM};

}  // namespace

CInsertDlg::CInsertDlg(winui::HtmlHelpCall helpViewer)
    : CDialog(IDD_INSERT_ATTRIBUTE), helpViewer_(std::move(helpViewer)) {
    Bind(IDC_TEXT_TO_INSERT, textToInsert_);
    for (int i = 0; i < kAttributeListCount; ++i) {
        Bind(kListIds[i], lists_[static_cast<std::size_t>(i)]);
    }
}

bool CInsertDlg::OnInitDialog() {
    for (int i = 0; i < kAttributeListCount; ++i) {
        const winui::CComboBox& list = lists_[static_cast<std::size_t>(i)];
        for (const AttributeEntry& entry : EntriesOf(static_cast<AttributeList>(i))) {
            list.AddString(MessageText(entry.label));
        }
    }
    ShowPicker();
    return true;
}

bool CInsertDlg::OnCommand(int controlId, int notifyCode) {
    for (std::size_t row = 0; row < std::size(kRowIds); ++row) {
        if (controlId == kRowIds[row] && notifyCode == BN_CLICKED) {
            picker_.Check(static_cast<AttributeRow>(row));
            ShowPicker();
            return true;
        }
    }
    for (int i = 0; i < kAttributeListCount; ++i) {
        if (controlId == kListIds[i] && notifyCode == CBN_SELCHANGE) {
            picker_.Choose(static_cast<AttributeList>(i), lists_[static_cast<std::size_t>(i)].CurSel());
            ShowPicker();
            return true;
        }
    }
    if (controlId == IDC_HELP_BUTTON) {
        helpViewer_.OpenDialogTopic(winui::ModuleHelpFile(), IDD_INSERT_ATTRIBUTE);
        return true;
    }
    return CDialog::OnCommand(controlId, notifyCode);
}

void CInsertDlg::OnOK() {
    result_ = textToInsert_.Text();
    Close(IDOK);
}

void CInsertDlg::ShowPicker() {
    for (std::size_t row = 0; row < std::size(kRowIds); ++row) {
        CheckDlgButton(Handle(), kRowIds[row],
                       picker_.Checked() == static_cast<AttributeRow>(row) ? BST_CHECKED : BST_UNCHECKED);
    }
    for (int i = 0; i < kAttributeListCount; ++i) {
        const auto list = static_cast<AttributeList>(i);
        const winui::CComboBox& control = lists_[static_cast<std::size_t>(i)];
        control.SetCurSel(picker_.Choice(list));
        control.Enable(picker_.IsEnabled(list));
    }
    textToInsert_.SetText(picker_.Reference());
}

std::optional<INT_PTR> CInsertDlg::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (message == WM_HELP) {  // F1
        helpViewer_.OpenDialogTopic(winui::ModuleHelpFile(), IDD_INSERT_ATTRIBUTE);
        return TRUE;
    }
    return std::nullopt;
}

}  // namespace quillet::prefs
