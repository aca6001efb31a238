// The configuration dialog "Configure Quillet Pro": the command list and the Selected Command group.
// Its rules live in CommandEditor; this class binds the controls, forwards their events and does what
// the editor tells its view.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "core/editor/CommandEditor.h"
#include "platform/win32/Handles.h"
#include "prefs/VisibleWSEdit.h"
#include "winui/Dialog.h"
#include "winui/DialogResizer.h"
#include "winui/ModuleInfo.h"
#include "winui/ScreenDpi.h"

namespace quillet::prefs {

// The window property that marks the configuration dialog, by which a second start of the program
// finds the running one.
inline constexpr wchar_t kPrefsWindowProperty[] = L"Brantwell.Quillet.ScrivelPrefs";

class CScrivelPrefsDlg final : public winui::CDialog,
                               private CommandEditor::View,
                               private winui::ScreenDpi::ScreenDpiWatcher {
  public:
    // The commands to edit, and where OK writes them and Reset reads the default list. Help and F1 call
    // the help viewer, here and in the two small dialogs.
    CScrivelPrefsDlg(CommandList commands, CommandEditor::Storage& storage,
                     winui::HtmlHelpCall helpViewer = &winui::SystemHtmlHelp);
    ~CScrivelPrefsDlg() override;

    // Where the window's size and place are kept for the user (HKEY_CURRENT_USER).
    static const wchar_t* const kSettingsKey;

  private:
    bool OnInitDialog() override;
    bool OnCommand(int controlId, int notifyCode) override;
    // The Windows 11 check box: shown and ticked as the core says, a click runs the adapter.
    void ShowFirstMenuState();
    void OnFirstMenuClicked();
    // "Keep a troubleshooting log": stored for the user at the click; a failure to store it is told.
    void OnKeepLogClicked();
    void OnOK() override;
    void OnCancel() override;
    void OnSize(UINT type, int clientWidth, int clientHeight) override;
    bool OnGetMinMaxInfo(MINMAXINFO& info) override;
    void OnDpiChange(int newDpi, const RECT& suggested) override;
    void OnColoursChanged() override;
    std::optional<INT_PTR> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDpiChanged(int oldDpi, int newDpi) override;

    // CommandEditor::View
    void InsertItem(std::size_t index, std::u16string_view name, StateMark mark) override;
    void DeleteItem(std::size_t index) override;
    void DeleteAllItems() override;
    void SetItemText(std::size_t index, std::u16string_view name) override;
    void SetItemMark(std::size_t index, StateMark mark) override;
    void SelectItem(std::size_t index) override;
    void ShowDisplay(EditorDisplay display) override;
    void SetDescription(std::u16string_view text) override;
    std::u16string FieldText(EditorField field) const override;
    void SetFieldText(EditorField field, std::u16string_view text) override;
    void ReplaceFieldSelection(EditorField field, std::u16string_view text) override;
    void ShowProblemText(std::u16string_view text) override;
    void EnableListActions(ListActions actions) override;
    bool NewlineChecked() const override;
    void SetNewlineChecked(bool checked) override;
    void ResetEscapeList(EditorField field) override;
    void LimitName(std::size_t length) override;
    void FocusNameSelectingAll() override;
    void FocusField(EditorField field) override;
    std::optional<CommandType> RunNewCommandDialog(CommandType preset) override;
    std::optional<std::u16string> RunInsertDialog() override;
    void ShowMessage(std::u16string_view text) override;
    bool Ask(std::u16string_view text) override;
    ChangedFileAnswer AskChangedFile(std::u16string_view text) override;
    void Close() override;

    // The Newline/Tab list beside a field.
    struct EscapeListOf {
        EditorField field;
        bool operator==(const EscapeListOf&) const = default;
    };
    using Binding = std::variant<std::monostate, EditorField, EscapeListOf>;
    using Member = std::variant<winui::CWindow CScrivelPrefsDlg::*, winui::CComboBox CScrivelPrefsDlg::*,
                                winui::CCheckBox CScrivelPrefsDlg::*, CVisibleWSEdit CScrivelPrefsDlg::*>;
    // One row a control: its number and member (null for those the dialog never touches), the field it
    // shows or the field whose Newline/Tab list it is, the part of the group it belongs to, whether it
    // has a tooltip, and how it follows the dialog's edges.
    struct ControlRow {
        int id;
        Member member;
        Binding binding;
        EditorPart part;
        std::optional<MessageId> tooltip;
        AnchorRule anchor;
    };
    static std::span<const ControlRow> ControlRows();
    static const ControlRow* RowOf(int controlId);
    static const ControlRow& RowOf(const Binding& binding);
    // The field beside a Newline/Tab list; none for another control.
    static std::optional<EditorField> EscapeListField(int controlId);
    const winui::CWindow* Control(const ControlRow& row) const;
    const winui::CWindow& FieldControl(EditorField field) const;
    const winui::CComboBox* EscapeList(EditorField field) const;
    void OnListItemChanged(const NMLISTVIEW& change);
    // The events of the four fields that show spaces; false for another control.
    bool OnSpacedFieldCommand(int controlId, int notifyCode);
    // The list's keys, seen before the list: true when one was taken.
    bool OnListKey(UINT key);
    void ShowListMenu(LPARAM where);
    void OnEscapeListCommand(int controlId, int notifyCode);
    // A pick in a Newline/Tab list (Enter, a click, the list closing on a choice) inserts its escape.
    void PickEscape(int controlId);
    void RecordLayout();
    void FitItemFormatField();
    void FitListColumn();
    void RestoreWindowPlace();
    void SaveWindowPlace();
    void SetIcons();
    void LoadWarningIcon();
    void CreateStateImages();
    void CreateDescriptionPanel();
    void CreateTooltips();
    void PaintMinimised();
    static LRESULT CALLBACK RelayToTooltip(int code, WPARAM wParam, LPARAM lParam);

    std::shared_ptr<winui::ScreenDpi> dpi_ = std::make_shared<winui::ScreenDpi>();
    winui::ScaledIcon largeIcon_;
    winui::ScaledIcon smallIcon_;
    winui::CEdit type_, name_;
    winui::CWindow list_;
    platform::UniqueImageList stateImages_;
    winui::CComboBox separatorList_, startTextList_, endTextList_;
    CVisibleWSEdit itemFormat_, itemSeparator_, startText_, endText_;
    winui::CCheckBox newlineAtEnd_;
    winui::CButton problem_;
    winui::UniqueIcon warningIcon_;
    winui::CWindow descriptionGroup_, description_;
    winui::CWindow problemText_;
    winui::CButton moveUp_, moveDown_, delete_;
    // The gap between the narrow Item Format field and the problem button, at 96 DPI: the full field is
    // as wide as the Item Separator field, the narrow one leaves room for the button.
    int problemGap96_ = 0;
    bool problemShown_ = false;
    HWND tooltip_ = nullptr;
    platform::UniqueWindowsHook relayHook_;
    winui::HtmlHelpCall helpCall_;
    winui::CDialogResizer resizer_{dpi_};
    // A Newline/Tab list whose closing was a cancel, not a pick.
    int cancelledEscapeList_ = 0;

    CommandEditor editor_;
};

// The About box of the system menu: the product's name, full version and copyright from the version
// resource, and the program icon at the DPI's size.
class CAboutDlg final : public winui::CDialog {
  public:
    CAboutDlg();

  private:
    bool OnInitDialog() override;

    std::shared_ptr<winui::ScreenDpi> dpi_ = std::make_shared<winui::ScreenDpi>();
    winui::ScaledIcon icon_;
};

}  // namespace quillet::prefs
