#include "prefs/InsertDlg.h"

#include <utility>
#include <variant>

#include "PrefsIds.h"

namespace quillet::prefs {
namespace {

// One row a control: the radio button of an attribute row, or the list of one of its forms.
struct ControlRow {
    int id;
    std::variant<AttributeRow, AttributeList> stands;
};
constexpr ControlRow kControls[] = {
    {IDC_ROW_NAME, AttributeRow::Name},       {IDC_NAME_FORM, AttributeList::NameForm},
    {IDC_ROW_PATH, AttributeRow::Path},       {IDC_PATH_SEPARATOR, AttributeList::PathSeparator},
    {IDC_PATH_FORM, AttributeList::PathForm}, {IDC_ROW_TYPE, AttributeRow::Type},
    {IDC_ROW_SIZE, AttributeRow::Size},       {IDC_SIZE_UNIT, AttributeList::SizeUnit},
    {IDC_ROW_DATE, AttributeRow::Date},       {IDC_DATE_STAMP, AttributeList::DateStamp},
    {IDC_DATE_FORM, AttributeList::DateForm},
};

}  // namespace

CInsertDlg::CInsertDlg(winui::HtmlHelpCall helpViewer) : CDialog(IDD_INSERT_ATTRIBUTE) {
    OfferHelp(IDC_HELP_BUTTON, std::move(helpViewer));
    Bind(IDC_TEXT_TO_INSERT, textToInsert_);
}

bool CInsertDlg::OnInitDialog() {
    for (const ControlRow& row : kControls) {
        if (const auto* list = std::get_if<AttributeList>(&row.stands)) {
            for (const AttributeEntry& entry : EntriesOf(*list)) {
                winui::CComboBox(GetDlgItem(Handle(), row.id)).AddString(MessageText(entry.label));
            }
        }
    }
    ShowPicker();
    return true;
}

bool CInsertDlg::OnCommand(int controlId, int notifyCode) {
    for (const ControlRow& row : kControls) {
        const auto* attributeRow = std::get_if<AttributeRow>(&row.stands);
        const auto* list = std::get_if<AttributeList>(&row.stands);
        if (row.id != controlId) {
            continue;
        }
        if (attributeRow && notifyCode == BN_CLICKED) {
            picker_.Check(*attributeRow);
        } else if (list && notifyCode == CBN_SELCHANGE) {
            picker_.Choose(*list, winui::CComboBox(GetDlgItem(Handle(), row.id)).CurSel());
        } else {
            break;
        }
        ShowPicker();
        return true;
    }
    return CDialog::OnCommand(controlId, notifyCode);
}

void CInsertDlg::OnOK() {
    result_ = textToInsert_.Text();
    Close(IDOK);
}

void CInsertDlg::ShowPicker() {
    for (const ControlRow& row : kControls) {
        if (const auto* attributeRow = std::get_if<AttributeRow>(&row.stands)) {
            CheckDlgButton(Handle(), row.id,
                           picker_.Checked() == *attributeRow ? BST_CHECKED : BST_UNCHECKED);
        } else {
            const auto list = std::get<AttributeList>(row.stands);
            const winui::CComboBox control(GetDlgItem(Handle(), row.id));
            control.SetCurSel(picker_.Choice(list));
            control.Enable(picker_.IsEnabled(list));
        }
    }
    textToInsert_.SetText(picker_.Reference());
}

}  // namespace quillet::prefs
