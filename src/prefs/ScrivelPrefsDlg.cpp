#include "prefs/ScrivelPrefsDlg.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

#include "PrefsIds.h"
#include "core/copy/CopyOptions.h"
#include "core/failure/TroubleshootingLog.h"
#include "core/menu/CommandMenu.h"
#include "core/messages/Messages.h"
#include "platform/Files.h"
#include "platform/win32/WideString.h"
#include "prefs/FirstMenuPackage.h"
#include "prefs/InsertDlg.h"
#include "prefs/NewCmdDlg.h"
#include "winui/Accessible.h"
#include "winui/Handles.h"
#include "winui/MarkIcon.h"

namespace quillet::prefs {
namespace {

// The list keeps room for this many rows at the smallest size, at 96 DPI.
constexpr int kMinimumListHeight96 = 60;

// Posted to itself: a Newline/Tab list closed (wParam: its number), and a selection that may have
// been cleared for good (a click on another item clears the old one first).
constexpr UINT kEscapeListClosed = WM_APP + 11;
constexpr UINT kSelectionMayBeCleared = WM_APP + 12;

// Posted at opening: a problem reading the command file is told once the dialog shows.
constexpr UINT kReportReadProblem = WM_APP + 1;

constexpr int kTooltipWidth = 480;
constexpr int kWarningIconSize = 16;
constexpr int kStateImageSize = 16;
// In the order of the state marks, from the sub-menu's folder on; the problem mark is the problem
// button's icon.
constexpr int kStateImages[] = {IDI_FOLDER_MARK, IDI_SUBMENU_MARK, IDI_PROBLEM};

// The dialog whose tooltip this thread's messages are relayed to (one configuration dialog a thread).
thread_local CScrivelPrefsDlg* relayDialog = nullptr;
thread_local HWND relayWindow = nullptr;
thread_local HWND relayTooltip = nullptr;

// Message boxes are captioned with the product's name.
std::u16string Caption() {
    std::u16string name = winui::ModuleProduct().name;
    return name.empty() ? std::u16string(u"Quillet") : name;
}

// A control's rectangle in its dialog's client coordinates.
RECT ChildRect(HWND dialog, int controlId) {
    RECT rect{};
    GetWindowRect(GetDlgItem(dialog, controlId), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

// How the controls follow a resize: the list takes the extra room; the Selected Command group and
// what it holds move down with the bottom edge, its fields stretch to the right, and what stands at
// the right moves with it. A control's tooltip is the message its row names.
std::span<const CScrivelPrefsDlg::ControlRow> CScrivelPrefsDlg::ControlRows() {
    using C = CScrivelPrefsDlg;
    using Part = EditorPart;
    using Field = EditorField;
    constexpr winui::CWindow C::*kNone = nullptr;
    constexpr std::monostate kNoBinding{};
    using Tip = MessageId;
    constexpr std::optional<MessageId> kNoTip;
    static const ControlRow rows[] = {
        {IDC_LIST_LABEL, kNone, kNoBinding, Part::None, kNoTip, kAnchorFixed},
        {IDC_ADD_COMMAND, kNone, kNoBinding, Part::None, Tip::TipAddCommand, kAnchorMoveRight},
        {IDC_COMMAND_LIST, &C::list_, kNoBinding, Part::None, Tip::TipCommandList, kAnchorStretchBoth},
        {IDC_SELECTED_GROUP, kNone, kNoBinding, Part::None, kNoTip, kAnchorStretchRightMoveDown},
        {IDC_MOVE_UP, &C::moveUp_, kNoBinding, Part::None, Tip::TipMoveUp, kAnchorMoveDown},
        {IDC_MOVE_DOWN, &C::moveDown_, kNoBinding, Part::None, Tip::TipMoveDown, kAnchorMoveDown},
        {IDC_DELETE, &C::delete_, kNoBinding, Part::None, Tip::TipDelete, kAnchorMoveDown},
        {IDC_TYPE_LABEL, kNone, kNoBinding, Part::None, kNoTip, kAnchorMoveDown},
        {IDC_TYPE, &C::type_, Field::Type, Part::CommandFields, Tip::TipType, kAnchorStretchRightMoveDown},
        {IDC_NAME_LABEL, kNone, kNoBinding, Part::None, kNoTip, kAnchorMoveDown},
        {IDC_NAME, &C::name_, Field::Name, Part::CommandFields, Tip::TipName, kAnchorStretchRightMoveDown},
        {IDC_ITEM_FORMAT_LABEL, kNone, kNoBinding, Part::UserDefinedFields, kNoTip, kAnchorMoveDown},
        {IDC_ITEM_FORMAT, &C::itemFormat_, Field::ItemFormat, Part::UserDefinedFields, Tip::TipItemFormat,
         kAnchorStretchRightMoveDown},
        {IDC_PROBLEM, &C::problem_, kNoBinding, Part::Problem, Tip::TipProblem, kAnchorMoveBoth},
        {IDC_INSERT, kNone, kNoBinding, Part::UserDefinedFields, Tip::TipInsert, kAnchorMoveBoth},
        {IDC_ITEM_SEPARATOR_LABEL, kNone, kNoBinding, Part::UserDefinedFields, kNoTip, kAnchorMoveDown},
        {IDC_ITEM_SEPARATOR, &C::itemSeparator_, Field::ItemSeparator, Part::UserDefinedFields,
         Tip::TipItemSeparator, kAnchorStretchRightMoveDown},
        {IDC_SEPARATOR_LIST, &C::separatorList_, EscapeListOf{Field::ItemSeparator}, Part::UserDefinedFields,
         Tip::TipSeparatorList, kAnchorMoveBoth},
        {IDC_START_TEXT_LABEL, kNone, kNoBinding, Part::UserDefinedFields, kNoTip, kAnchorMoveDown},
        {IDC_START_TEXT, &C::startText_, Field::StartText, Part::UserDefinedFields, Tip::TipStartText,
         kAnchorStretchRightMoveDown},
        {IDC_START_TEXT_LIST, &C::startTextList_, EscapeListOf{Field::StartText}, Part::UserDefinedFields,
         Tip::TipStartTextList, kAnchorMoveBoth},
        {IDC_END_TEXT_LABEL, kNone, kNoBinding, Part::UserDefinedFields, kNoTip, kAnchorMoveDown},
        {IDC_END_TEXT, &C::endText_, Field::EndText, Part::UserDefinedFields, Tip::TipEndText,
         kAnchorStretchRightMoveDown},
        {IDC_END_TEXT_LIST, &C::endTextList_, EscapeListOf{Field::EndText}, Part::UserDefinedFields,
         Tip::TipEndTextList, kAnchorMoveBoth},
        {IDC_NEWLINE_AT_END, &C::newlineAtEnd_, kNoBinding, Part::UserDefinedFields, Tip::TipNewlineAtEnd,
         kAnchorMoveDown},
        {IDC_PROBLEM_TEXT, &C::problemText_, kNoBinding, Part::Problem, kNoTip, kAnchorStretchRightMoveDown},
        // The description panel, created when the dialog opens.
        {IDC_DESCRIPTION_GROUP, &C::descriptionGroup_, kNoBinding, Part::Description, kNoTip,
         kAnchorStretchRightMoveDown},
        {IDC_DESCRIPTION, &C::description_, kNoBinding, Part::Description, kNoTip,
         kAnchorStretchRightMoveDown},
        {IDC_RESET, kNone, kNoBinding, Part::None, Tip::TipReset, kAnchorMoveDown},
        {IDC_FIRST_MENU, kNone, kNoBinding, Part::None, kNoTip, kAnchorMoveDown},
        {IDC_KEEP_LOG, kNone, kNoBinding, Part::None, kNoTip, kAnchorMoveDown},
        {IDOK, kNone, kNoBinding, Part::None, kNoTip, kAnchorMoveBoth},
        {IDCANCEL, kNone, kNoBinding, Part::None, kNoTip, kAnchorMoveBoth},
        {IDC_HELP_BUTTON, kNone, kNoBinding, Part::None, kNoTip, kAnchorMoveBoth},
    };
    return rows;
}

const CScrivelPrefsDlg::ControlRow* CScrivelPrefsDlg::RowOf(int controlId) {
    for (const ControlRow& row : ControlRows()) {
        if (row.id == controlId) {
            return &row;
        }
    }
    return nullptr;
}

const CScrivelPrefsDlg::ControlRow& CScrivelPrefsDlg::RowOf(const Binding& binding) {
    const auto rows = ControlRows();
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [&binding](const ControlRow& row) { return row.binding == binding; });
    return found != rows.end() ? *found : rows.front();
}

std::optional<EditorField> CScrivelPrefsDlg::EscapeListField(int controlId) {
    const ControlRow* row = RowOf(controlId);
    const auto* list = row ? std::get_if<EscapeListOf>(&row->binding) : nullptr;
    return list ? std::optional(list->field) : std::nullopt;
}

const winui::CWindow* CScrivelPrefsDlg::Control(const ControlRow& row) const {
    return std::visit(
        [this](auto member) -> const winui::CWindow* { return member ? &(this->*member) : nullptr; },
        row.member);
}

const wchar_t* const CScrivelPrefsDlg::kSettingsKey = L"Software\\Brantwell\\Quillet\\ScrivelPrefs";

CScrivelPrefsDlg::CScrivelPrefsDlg(CommandList commands, CommandEditor::Storage& storage,
                                   winui::HtmlHelpCall helpViewer)
    : CDialog(IDD_PREFS),
      largeIcon_(IDI_PROGRAM, winui::ScaledIcon::Size::Large, dpi_),
      smallIcon_(IDI_PROGRAM, winui::ScaledIcon::Size::Small, dpi_),
      helpCall_(helpViewer),
      editor_(std::move(commands), *this, storage) {
    OfferHelp(IDC_HELP_BUTTON, std::move(helpViewer));
    // The description panel's two are created when the dialog opens, and attached then.
    for (const ControlRow& row : ControlRows()) {
        if (const winui::CWindow* control = Control(row)) {
            Bind(row.id, const_cast<winui::CWindow&>(*control));
        }
    }
    dpi_->AddWatcher(*this);
}

CScrivelPrefsDlg::~CScrivelPrefsDlg() {
    relayHook_.Reset();  // before the relay's target goes
    if (relayDialog == this) {
        relayDialog = nullptr;
    }
    dpi_->RemoveWatcher(*this);
}

bool CScrivelPrefsDlg::OnInitDialog() {
    // The dialog follows DPI changes itself, as the Options dialog does.
    winui::TakeOverDialogDpiScaling(Handle());
    dpi_->Update(Handle());
    dpi_->SetTextScale(TextScale());
    const std::u16string about = FormatMessageText(MessageId::AboutMenuEntry, {Caption()});
    if (HMENU systemMenu = GetSystemMenu(Handle(), FALSE); systemMenu && !about.empty()) {
        AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, platform::AsWide(about));
    }
    SetIcons();
    CreateStateImages();
    CreateDescriptionPanel();
    LoadWarningIcon();
    // A screen reader hears each warning mark as its problem, in the editor's words.
    winui::DescribeListItems(list_.Handle(),
                             [this](std::size_t index) { return editor_.ItemAnnouncement(index); });
    problemGap96_ =
        UnscaleForDpi(problem_.RectInParent().left - itemFormat_.RectInParent().right, dpi_->Current());

    for (const winui::CComboBox* escapeList : {&separatorList_, &startTextList_, &endTextList_}) {
        for (const MessageId entry :
             {MessageId::EscapeListInsert, MessageId::EscapeListNewline, MessageId::EscapeListTab}) {
            escapeList->AddString(MessageText(entry));
        }
        escapeList->SetCurSel(0);
    }

    ShowFirstMenuState();
    CheckDlgButton(Handle(), IDC_KEEP_LOG,
                   KeepsTroubleshootingLog(CopyOptionsFile()) ? BST_CHECKED : BST_UNCHECKED);
    list_.Send(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    std::u16string header = editor_.ListHeader();
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100;
    column.pszText = platform::AsWide(header.data());
    list_.Send(LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    // A long list fills in one go: room for every item at once, and no drawing until it is whole.
    list_.Send(LVM_SETITEMCOUNT, editor_.Commands().size());
    list_.Send(WM_SETREDRAW, FALSE);
    editor_.Open();
    list_.Send(WM_SETREDRAW, TRUE);
    RecordLayout();
    RestoreWindowPlace();
    FitListColumn();
    FitItemFormatField();
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list_.Handle()), TRUE);
    CreateTooltips();
    SetPropW(Handle(), kPrefsWindowProperty, Handle());
    PostMessageW(Handle(), kReportReadProblem, 0, 0);
    return false;  // the list has the focus
}

void CScrivelPrefsDlg::RecordLayout() {
    std::vector<winui::ControlAnchor> anchors;
    for (const ControlRow& row : ControlRows()) {
        anchors.push_back({GetDlgItem(Handle(), row.id), row.anchor});
    }
    // As narrow as the template, and as low as it with a list of a few rows.
    resizer_.Record(Handle(), anchors, list_.Handle(), kMinimumListHeight96);
}

void CScrivelPrefsDlg::OnSize(UINT type, int clientWidth, int clientHeight) {
    if (resizer_.OnSize(type, clientWidth, clientHeight)) {
        FitItemFormatField();
        FitListColumn();
    }
}

bool CScrivelPrefsDlg::OnGetMinMaxInfo(MINMAXINFO& info) {
    return resizer_.LimitSize(info);
}

void CScrivelPrefsDlg::FitItemFormatField() {
    // The layout places the field at its narrow width; without a problem it reaches as far as the
    // Item Separator field.
    RECT field = itemFormat_.RectInParent();
    field.right = problemShown_ ? problem_.RectInParent().left - dpi_->Scale(problemGap96_)
                                : itemSeparator_.RectInParent().right;
    if (field.right != itemFormat_.RectInParent().right) {
        itemFormat_.Move(field, true);
    }
}

void CScrivelPrefsDlg::FitListColumn() {
    // One column as wide as the list's inside: no horizontal scroll bar for names that fit. Run again
    // whenever the number of items may change, which shows or hides the vertical scroll bar.
    RECT client{};
    GetClientRect(list_.Handle(), &client);
    list_.Send(LVM_SETCOLUMNWIDTH, 0, std::max<LONG>(client.right, 0));
}

void CScrivelPrefsDlg::RestoreWindowPlace() {
    wchar_t text[96] = {};
    DWORD size = sizeof(text);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"Window", RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS) {
        return;
    }
    int left = 0, top = 0, width = 0, height = 0, dpi = 0, maximised = 0;
    if (std::swscanf(text, L"%d %d %d %d %d %d", &left, &top, &width, &height, &dpi, &maximised) != 6 ||
        dpi <= 0) {
        return;
    }
    // The size as stored, at this DPI and no smaller than the minimum; the place only if it is on a
    // screen now, else the template's centred one.
    const SIZE minimum = resizer_.MinimumSize();
    width = std::max<int>(MulDiv(width, dpi_->Current(), dpi), minimum.cx);
    height = std::max<int>(MulDiv(height, dpi_->Current(), dpi), minimum.cy);
    const RECT wanted{left, top, left + width, top + height};
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!MonitorFromRect(&wanted, MONITOR_DEFAULTTONULL)) {
        flags |= SWP_NOMOVE;
    }
    SetWindowPos(Handle(), nullptr, left, top, width, height, flags);
    if (maximised) {
        ShowWindow(Handle(), SW_MAXIMIZE);
    }
}

void CScrivelPrefsDlg::SaveWindowPlace() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(Handle(), &placement)) {
        return;
    }
    const RECT& rect = placement.rcNormalPosition;
    wchar_t text[96] = {};
    std::swprintf(text, 96, L"%ld %ld %ld %ld %d %d", rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, dpi_->Current(), placement.showCmd == SW_SHOWMAXIMIZED ? 1 : 0);
    // Closing is no moment to trouble the user with it: the next opening takes the default place.
    const LSTATUS status = RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"Window", REG_SZ, text,
                                           static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) {
        QUILLET_LOG_FAILURE(HResultFromSystemError(static_cast<std::uint32_t>(status)),
                            "storing the window's size and place");
    }
}

void CScrivelPrefsDlg::SetIcons() {
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.Get()));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

void CScrivelPrefsDlg::LoadWarningIcon() {
    const int size = dpi_->Scale(kWarningIconSize);
    warningIcon_ = winui::LoadMarkIcon(IDI_PROBLEM, size, platform::Painted::ButtonMarkInk,
                                       platform::Painted::ButtonMarkHalo);
    problem_.Send(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(warningIcon_.Get()));
}

void CScrivelPrefsDlg::CreateStateImages() {
    // Each icon holds the mark drawn for the common DPIs; the system picks the one of this size.
    const int size = dpi_->Scale(kStateImageSize);
    stateImages_.Reset(
        ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(std::size(kStateImages)), 0));
    if (!stateImages_) {
        return;
    }
    for (const int iconId : kStateImages) {
        const winui::UniqueIcon icon = winui::LoadMarkIcon(iconId, size, platform::Painted::ListMarkInk,
                                                           platform::Painted::ListMarkHalo);
        if (icon) {
            ImageList_AddIcon(stateImages_.Get(), icon.Get());
        }
    }
    list_.Send(LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(stateImages_.Get()));
}

void CScrivelPrefsDlg::CreateDescriptionPanel() {
    const RECT label = ChildRect(Handle(), IDC_ITEM_FORMAT_LABEL);
    const RECT group = ChildRect(Handle(), IDC_SELECTED_GROUP);
    const int h = label.bottom - label.top;
    const RECT box{group.left + h, label.top, group.right - h, group.bottom - h};
    const RECT text{box.left + h, box.top + 2 * h, box.right - h, box.bottom - h};
    const auto font = static_cast<WPARAM>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    const std::u16string caption(MessageText(MessageId::DescriptionPanel));
    HWND boxWindow = CreateWindowExW(0, L"BUTTON", platform::AsWide(caption), WS_CHILD | BS_GROUPBOX,
                                     box.left, box.top, box.right - box.left, box.bottom - box.top, Handle(),
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DESCRIPTION_GROUP)),
                                     winui::ModuleInstance(), nullptr);
    HWND textWindow = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, text.left,
                                      text.top, text.right - text.left, text.bottom - text.top, Handle(),
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DESCRIPTION)),
                                      winui::ModuleInstance(), nullptr);
    for (HWND window : {boxWindow, textWindow}) {
        SendMessageW(window, WM_SETFONT, font, FALSE);
    }
    descriptionGroup_.Attach(boxWindow);
    description_.Attach(textWindow);
}

void CScrivelPrefsDlg::CreateTooltips() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                               winui::ModuleInstance(), nullptr);
    if (!tooltip_) {
        return;
    }
    for (const ControlRow& row : ControlRows()) {
        if (!row.tooltip) {
            continue;
        }
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(Handle(), row.id));
        tool.hinst = winui::ModuleInstance();
        tool.lpszText = MAKEINTRESOURCEW(static_cast<int>(*row.tooltip));  // the message's string
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, kTooltipWidth);
    SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    // Every message for the dialog and its controls goes to the tooltip before it is processed, as a
    // message loop's pre-translation would do: the dialog's modal loop is the system's.
    relayDialog = this;
    relayWindow = Handle();
    relayTooltip = tooltip_;
    relayHook_.Reset(
        SetWindowsHookExW(WH_GETMESSAGE, &CScrivelPrefsDlg::RelayToTooltip, nullptr, GetCurrentThreadId()));
}

LRESULT CALLBACK CScrivelPrefsDlg::RelayToTooltip(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && relayDialog && relayTooltip) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (message->hwnd == relayWindow || IsChild(relayWindow, message->hwnd)) {
            SendMessageW(relayTooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message));
        }
        // The list's own keys, taken before the list moves its focus for Ctrl+Up and Ctrl+Down.
        if (message->message == WM_KEYDOWN && message->hwnd == relayDialog->list_.Handle() &&
            relayDialog->OnListKey(static_cast<UINT>(message->wParam))) {
            message->message = WM_NULL;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CScrivelPrefsDlg::OnCommand(int controlId, int notifyCode) {
    if (EscapeListField(controlId)) {
        OnEscapeListCommand(controlId, notifyCode);
        return true;
    }
    if (OnSpacedFieldCommand(controlId, notifyCode)) {
        return true;
    }
    switch (controlId) {
        case IDC_ADD_COMMAND:
            editor_.AddCommand();
            FitListColumn();
            return true;
        case IDC_MOVE_UP:
            editor_.MoveCommand(-1);
            return true;
        case IDC_MOVE_DOWN:
            editor_.MoveCommand(1);
            return true;
        case IDC_DELETE:
            editor_.DeleteCommand();
            FitListColumn();
            return true;
        case IDC_RESET:
            editor_.ResetCommands();
            FitListColumn();
            return true;
        case IDC_INSERT:
            editor_.InsertAttribute();
            return true;
        case IDC_PROBLEM:
            editor_.ShowProblem();
            return true;
        case IDC_FIRST_MENU:
            if (notifyCode == BN_CLICKED) {
                OnFirstMenuClicked();
            }
            return true;
        case IDC_KEEP_LOG:
            if (notifyCode == BN_CLICKED) {
                OnKeepLogClicked();
            }
            return true;
        case IDC_NAME:
            if (notifyCode == EN_KILLFOCUS) {
                editor_.NameLostFocus();
            }
            return true;
        default:
            return CDialog::OnCommand(controlId, notifyCode);
    }
}

bool CScrivelPrefsDlg::OnSpacedFieldCommand(int controlId, int notifyCode) {
    const ControlRow* row = RowOf(controlId);
    const auto* field = row ? std::get_if<EditorField>(&row->binding) : nullptr;
    const auto* edit = row ? std::get_if<CVisibleWSEdit CScrivelPrefsDlg::*>(&row->member) : nullptr;
    if (!field || !edit) {
        return false;
    }
    if (*field == EditorField::ItemFormat && notifyCode == EN_KILLFOCUS) {
        editor_.ItemFormatLostFocus();
    }
    if (notifyCode == EN_CHANGE) {
        const CVisibleWSEdit& control = this->**edit;
        DWORD caret = 0;
        control.Send(EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
        editor_.FieldEdited(*field, caret, control.TypingRealDot());
    }
    return true;
}

void CScrivelPrefsDlg::OnEscapeListCommand(int controlId, int notifyCode) {
    // Arrowing through the closed list only shows a choice; what inserts is a pick.
    switch (notifyCode) {
        case CBN_SELENDCANCEL:
            cancelledEscapeList_ = controlId;
            break;
        case CBN_CLOSEUP:
            // After the list's own notifications of this closing, whatever their order.
            PostMessageW(Handle(), kEscapeListClosed, static_cast<WPARAM>(controlId), 0);
            break;
        case CBN_KILLFOCUS:
            // A choice shown but never picked is no choice.
            ResetEscapeList(*EscapeListField(controlId));
            break;
        default:
            break;
    }
}

void CScrivelPrefsDlg::PickEscape(int controlId) {
    const int choice = static_cast<int>(SendDlgItemMessageW(Handle(), controlId, CB_GETCURSEL, 0, 0));
    if (choice > 0 && choice <= static_cast<int>(EscapeChoice::Tab)) {
        editor_.InsertEscape(*EscapeListField(controlId), static_cast<EscapeChoice>(choice));
    }
}

void CScrivelPrefsDlg::OnOK() {
    // Enter on a Newline/Tab list picks its choice.
    const int focus = GetDlgCtrlID(GetFocus());
    if (EscapeListField(focus) && SendDlgItemMessageW(Handle(), focus, CB_GETCURSEL, 0, 0) !=
                                      static_cast<LRESULT>(EscapeChoice::Insert)) {
        PickEscape(focus);
        return;
    }
    if (!editor_.SaveAndClose()) {
        FitListColumn();  // the list may have been read again
    }
}

void CScrivelPrefsDlg::OnCancel() {
    if (editor_.MayDiscard()) {
        CDialog::Close(IDCANCEL);
    }
}

bool CScrivelPrefsDlg::OnListKey(UINT key) {
    const bool control = GetKeyState(VK_CONTROL) < 0;
    switch (key) {
        case VK_DELETE:
            editor_.DeleteCommand();
            FitListColumn();
            return true;
        case VK_F2:
            editor_.RenameSelected();
            return true;
        case VK_UP:
        case VK_DOWN:
            if (!control) {
                return false;
            }
            editor_.MoveCommand(key == VK_UP ? -1 : 1);
            return true;
        default:
            return false;
    }
}

void CScrivelPrefsDlg::ShowListMenu(LPARAM where) {
    const winui::UniqueMenu menu(LoadMenuW(winui::ModuleInstance(), MAKEINTRESOURCEW(IDR_LIST_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) {
        return;
    }
    for (const winui::CButton* button : {&moveUp_, &moveDown_, &delete_}) {
        EnableMenuItem(popup, static_cast<UINT>(GetDlgCtrlID(button->Handle())),
                       MF_BYCOMMAND | (button->IsEnabled() ? MF_ENABLED : MF_GRAYED));
    }
    POINT point{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == -1) {
        // From the keyboard: below the selected item, else at the list's top left.
        RECT item{LVIR_BOUNDS, 0, 0, 0};
        const auto selected = list_.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
        if (selected < 0 ||
            !list_.Send(LVM_GETITEMRECT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&item))) {
            item = {};
        }
        point = {item.left + dpi_->Scale(8), item.bottom};
        ClientToScreen(list_.Handle(), &point);
    }
    const int chosen = static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                       point.x, point.y, 0, Handle(), nullptr));
    if (chosen != 0) {
        OnCommand(chosen, BN_CLICKED);
    }
}

void CScrivelPrefsDlg::OnDpiChange(int newDpi, const RECT& suggested) {
    // The icons and marks follow through the watcher; the layout places every control from its
    // opening rectangle at the new DPI.
    resizer_.ChangeDpi(newDpi);
    CDialog::OnDpiChange(newDpi, suggested);
    resizer_.PlaceAgain();
    FitItemFormatField();
    FitListColumn();
}

void CScrivelPrefsDlg::OnColoursChanged() {
    // The list view keeps the window colour it was created with; it takes the new one like any control.
    list_.Send(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_WINDOW)));
    LoadWarningIcon();
    CreateStateImages();
}

void CScrivelPrefsDlg::OnDpiChanged(int /*oldDpi*/, int /*newDpi*/) {
    if (Handle()) {
        SetIcons();
        LoadWarningIcon();
        CreateStateImages();
    }
}

std::optional<INT_PTR> CScrivelPrefsDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.idFrom == IDC_COMMAND_LIST && header.code == LVN_ITEMCHANGED) {
                OnListItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam));
                return TRUE;
            }
            return std::nullopt;
        }
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == list_.Handle()) {
                ShowListMenu(lParam);
                return TRUE;
            }
            return std::nullopt;
        case kEscapeListClosed: {
            const int controlId = static_cast<int>(wParam);
            if (cancelledEscapeList_ == controlId) {
                cancelledEscapeList_ = 0;
                ResetEscapeList(*EscapeListField(controlId));
            } else {
                PickEscape(controlId);
            }
            return TRUE;
        }
        case kSelectionMayBeCleared:
            if (list_.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) < 0) {
                editor_.SelectionCleared();
            }
            return TRUE;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
                CAboutDlg().DoModal(Handle());
                return TRUE;
            }
            return std::nullopt;
        case WM_PAINT:
            if (IsIconic(Handle())) {
                PaintMinimised();
                return TRUE;
            }
            return std::nullopt;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(largeIcon_.Get());
        case kReportReadProblem:
            editor_.ReportReadProblem();
            return TRUE;
        case WM_DESTROY:
            SaveWindowPlace();
            RemovePropW(Handle(), kPrefsWindowProperty);
            relayHook_.Reset();
            relayDialog = nullptr;
            descriptionGroup_.Detach();
            description_.Detach();
            resizer_.Forget();
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

void CScrivelPrefsDlg::PaintMinimised() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Handle(), &paint);
    SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = GetSystemMetrics(SM_CXICON);
    const int height = GetSystemMetrics(SM_CYICON);
    DrawIcon(dc, (client.right - width + 1) / 2, (client.bottom - height + 1) / 2, largeIcon_.Get());
    EndPaint(Handle(), &paint);
}

void CScrivelPrefsDlg::OnListItemChanged(const NMLISTVIEW& change) {
    if (!(change.uChanged & LVIF_STATE) || change.iItem < 0) {
        return;
    }
    const bool was = (change.uOldState & LVIS_SELECTED) != 0;
    const bool is = (change.uNewState & LVIS_SELECTED) != 0;
    if (is && !was) {
        editor_.ItemSelected(static_cast<std::size_t>(change.iItem));
    } else if (was && !is && list_.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) < 0) {
        // A click on another item clears this one first: only a selection still empty afterwards is
        // cleared for the editor.
        PostMessageW(Handle(), kSelectionMayBeCleared, 0, 0);
    }
}

void CScrivelPrefsDlg::InsertItem(std::size_t index, std::u16string_view name, StateMark mark) {
    std::u16string text(name);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = static_cast<int>(index);
    item.pszText = platform::AsWide(text.data());
    item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(mark));
    item.stateMask = LVIS_STATEIMAGEMASK;
    list_.Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CScrivelPrefsDlg::DeleteItem(std::size_t index) {
    list_.Send(LVM_DELETEITEM, index);
}

void CScrivelPrefsDlg::DeleteAllItems() {
    list_.Send(LVM_DELETEALLITEMS);
}

void CScrivelPrefsDlg::SetItemText(std::size_t index, std::u16string_view name) {
    std::u16string text(name);
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = platform::AsWide(text.data());
    list_.Send(LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
}

void CScrivelPrefsDlg::SetItemMark(std::size_t index, StateMark mark) {
    LVITEMW item{};
    item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(mark));
    item.stateMask = LVIS_STATEIMAGEMASK;
    list_.Send(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

void CScrivelPrefsDlg::SelectItem(std::size_t index) {
    LVITEMW item{};
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    list_.Send(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    list_.Send(LVM_ENSUREVISIBLE, index, FALSE);
}

void CScrivelPrefsDlg::ShowDisplay(EditorDisplay display) {
    problemShown_ = IsShown(display, EditorPart::Problem);
    FitItemFormatField();
    for (const ControlRow& row : ControlRows()) {
        if (row.part != EditorPart::None) {
            const HWND control = GetDlgItem(Handle(), row.id);
            EnableWindow(control, IsEnabled(display, row.part) ? TRUE : FALSE);
            ShowWindow(control, IsShown(display, row.part) ? SW_SHOW : SW_HIDE);
        }
    }
}

void CScrivelPrefsDlg::SetDescription(std::u16string_view text) {
    description_.SetText(text);
}

const winui::CWindow& CScrivelPrefsDlg::FieldControl(EditorField field) const {
    return *Control(RowOf(field));
}

const winui::CComboBox* CScrivelPrefsDlg::EscapeList(EditorField field) const {
    const ControlRow& row = RowOf(EscapeListOf{field});
    const auto* member = std::get_if<winui::CComboBox CScrivelPrefsDlg::*>(&row.member);
    return member && row.binding == Binding(EscapeListOf{field}) ? &(this->**member) : nullptr;
}

std::u16string CScrivelPrefsDlg::FieldText(EditorField field) const {
    return FieldControl(field).Text();
}

void CScrivelPrefsDlg::SetFieldText(EditorField field, std::u16string_view text) {
    const winui::CWindow& control = FieldControl(field);
    control.SetText(text);
    // An insertion into a field the user never visited goes to its end.
    control.Send(EM_SETSEL, text.size(), static_cast<LPARAM>(text.size()));
}

void CScrivelPrefsDlg::ReplaceFieldSelection(EditorField field, std::u16string_view text) {
    const winui::CWindow& control = FieldControl(field);
    if (const auto* spaced = dynamic_cast<const CVisibleWSEdit*>(&control)) {
        spaced->ReplaceSelectionAsOneEdit(text);
    } else {
        const std::u16string replacement(text);
        control.Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(replacement.c_str()));
    }
    // Back to the field, caret after the insertion, so that Ctrl+Z is at hand.
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control.Handle()), TRUE);
}

void CScrivelPrefsDlg::ShowProblemText(std::u16string_view text) {
    problemText_.SetText(text);
}

void CScrivelPrefsDlg::EnableListActions(ListActions actions) {
    // The focus never stays on a button that goes grey: it moves to the list.
    const HWND focus = GetFocus();
    const std::pair<const winui::CButton*, bool> buttons[] = {
        {&moveUp_, actions.moveUp}, {&moveDown_, actions.moveDown}, {&delete_, actions.remove}};
    for (const auto& [button, enabled] : buttons) {
        if (!enabled && focus == button->Handle()) {
            SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list_.Handle()), TRUE);
        }
        button->Enable(enabled);
    }
}

bool CScrivelPrefsDlg::NewlineChecked() const {
    return newlineAtEnd_.IsChecked();
}

void CScrivelPrefsDlg::SetNewlineChecked(bool checked) {
    newlineAtEnd_.SetChecked(checked);
}

void CScrivelPrefsDlg::ResetEscapeList(EditorField field) {
    if (const winui::CComboBox* list = EscapeList(field)) {
        list->SetCurSel(static_cast<int>(EscapeChoice::Insert));
    }
}

void CScrivelPrefsDlg::LimitName(std::size_t length) {
    name_.Send(EM_SETLIMITTEXT, length);
}

void CScrivelPrefsDlg::FocusNameSelectingAll() {
    name_.Send(EM_SETSEL, 0, -1);
    name_.Send(EM_SCROLLCARET);
    // Through the dialog manager, so that the default button stays right; it selects the whole text.
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(name_.Handle()), TRUE);
}

void CScrivelPrefsDlg::FocusField(EditorField field) {
    const winui::CWindow& control = FieldControl(field);
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control.Handle()), TRUE);
    control.Send(EM_SETSEL, 0, -1);
}

std::optional<CommandType> CScrivelPrefsDlg::RunNewCommandDialog(CommandType preset) {
    CNewCmdDlg dialog(preset, helpCall_);
    if (dialog.DoModal(Handle()) != IDOK) {
        return std::nullopt;
    }
    return dialog.Chosen();
}

std::optional<std::u16string> CScrivelPrefsDlg::RunInsertDialog() {
    CInsertDlg dialog(helpCall_);
    if (dialog.DoModal(Handle()) != IDOK) {
        return std::nullopt;
    }
    return dialog.Result();
}

void CScrivelPrefsDlg::ShowFirstMenuState() {
    const firstmenu::CheckBoxState state = FirstMenuCheckBox();
    const HWND box = GetDlgItem(Handle(), IDC_FIRST_MENU);
    ShowWindow(box, state.visible ? SW_SHOW : SW_HIDE);
    SendMessageW(box, BM_SETCHECK, state.checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CScrivelPrefsDlg::OnFirstMenuClicked() {
    const bool checked = SendDlgItemMessageW(Handle(), IDC_FIRST_MENU, BM_GETCHECK, 0, 0) == BST_CHECKED;
    FirstMenuReport report;
    {
        const winui::WaitCursor wait;
        report = RunFirstMenuRequest(firstmenu::RequestOfCheck(checked));
    }
    const std::u16string caption(Caption());
    const bool done = firstmenu::ExitCode(report.result.outcome) == 0;
    MessageBoxW(Handle(), platform::AsWide(report.message), platform::AsWide(caption),
                MB_OK | (done ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    ShowFirstMenuState();
}

void CScrivelPrefsDlg::OnKeepLogClicked() {
    const bool keep = IsDlgButtonChecked(Handle(), IDC_KEEP_LOG) == BST_CHECKED;
    const std::u16string profile = CopyOptionsFile();
    if (const HResult stored = SetKeepsTroubleshootingLog(profile, keep); Failed(stored)) {
        QUILLET_LOG_FAILURE_IN(stored, "storing the troubleshooting log setting", profile, -1);
        const std::uint32_t error = SystemErrorOf(stored);
        ShowMessage(FormatMessageText(MessageId::FailedToWriteFile,
                                      {profile, error, platform::SystemErrorText(error)}));
        CheckDlgButton(Handle(), IDC_KEEP_LOG, keep ? BST_UNCHECKED : BST_CHECKED);
    }
}

void CScrivelPrefsDlg::ShowMessage(std::u16string_view text) {
    const std::u16string message(text);
    const std::u16string caption(Caption());
    MessageBoxW(Handle(), platform::AsWide(message), platform::AsWide(caption), MB_OK | MB_ICONEXCLAMATION);
}

bool CScrivelPrefsDlg::Ask(std::u16string_view text) {
    const std::u16string message(text);
    const std::u16string caption(Caption());
    // Every question asks leave to drop or replace something: Enter and Esc answer No.
    return MessageBoxW(Handle(), platform::AsWide(message), platform::AsWide(caption),
                       MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

ChangedFileAnswer CScrivelPrefsDlg::AskChangedFile(std::u16string_view text) {
    const std::u16string message(text);
    const std::u16string caption(Caption());
    // Cancel, which changes nothing, is the default.
    switch (MessageBoxW(Handle(), platform::AsWide(message), platform::AsWide(caption),
                        MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON3)) {
        case IDYES:
            return ChangedFileAnswer::Overwrite;
        case IDNO:
            return ChangedFileAnswer::Reload;
        default:
            return ChangedFileAnswer::GoBack;
    }
}

void CScrivelPrefsDlg::Close() {
    CDialog::Close(IDOK);
}

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX), icon_(IDI_PROGRAM, winui::ScaledIcon::Size::Large, dpi_) {}

bool CAboutDlg::OnInitDialog() {
    dpi_->Update(Handle());
    dpi_->SetTextScale(TextScale());
    const winui::ProductInfo product = winui::ModuleProduct();
    const std::u16string name = product.name.empty() ? Caption() : product.name;
    SetWindowTextW(Handle(), platform::AsWide(FormatMessageText(MessageId::AboutTitle, {name})));
    SetDlgItemTextW(
        Handle(), IDC_ABOUT_VERSION,
        platform::AsWide(FormatMessageText(MessageId::AboutProductVersion, {name, product.version})));
    SetDlgItemTextW(Handle(), IDC_ABOUT_COPYRIGHT, platform::AsWide(product.copyright));
    // Drawn at its own size for the DPI, not stretched from 32 pixels.
    SendDlgItemMessageW(Handle(), IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon_.Get()), 0);
    return true;
}

}  // namespace quillet::prefs
