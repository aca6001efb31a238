#include "prefs/ScrivelPrefsDlg.h"

#include <utility>

#include "PrefsIds.h"
#include "core/menu/CommandMenu.h"
#include "core/messages/Messages.h"
#include "prefs/InsertDlg.h"
#include "prefs/NewCmdDlg.h"
#include "winui/Handles.h"

namespace quillet::prefs {
namespace {

// The thirteen user-defined fields, shown and hidden together.
constexpr int kUserDefinedFields[] = {
    IDC_ITEM_FORMAT_LABEL, IDC_ITEM_FORMAT,    IDC_INSERT,           IDC_ITEM_SEPARATOR_LABEL,
    IDC_ITEM_SEPARATOR,    IDC_SEPARATOR_LIST, IDC_START_TEXT_LABEL, IDC_START_TEXT,
    IDC_START_TEXT_LIST,   IDC_END_TEXT_LABEL, IDC_END_TEXT,         IDC_END_TEXT_LIST,
    IDC_NEWLINE_AT_END,
};

// The controls with a tooltip: each tip is the string that bears the control's number.
constexpr int kTooltipControls[] = {
    IDC_ADD_COMMAND,    IDC_MOVE_UP,         IDC_MOVE_DOWN,
    IDC_DELETE,         IDC_COMMAND_LIST,    IDC_TYPE,
    IDC_NAME,           IDC_INSERT,          IDC_SEPARATOR_LIST,
    IDC_END_TEXT_LIST,  IDC_START_TEXT_LIST, IDC_ITEM_FORMAT,
    IDC_ITEM_SEPARATOR, IDC_START_TEXT,      IDC_END_TEXT,
    IDC_PROBLEM,        IDC_NEWLINE_AT_END,  IDC_RESET,
};

// Posted at opening: a problem reading the command file is told once the dialog shows.
constexpr UINT kReportReadProblem = WM_APP + 1;

constexpr int kTooltipWidth = 480;
constexpr int kWarningIconSize = 16;
constexpr int kStateImageSize = 16;
constexpr int kStateImages[] = {IDB_FOLDER_MARK, IDB_SUBMENU_MARK, IDB_PROBLEM_MARK};

// The dialog whose tooltip this thread's messages are relayed to (one configuration dialog a thread).
thread_local CScrivelPrefsDlg* relayDialog = nullptr;
thread_local HWND relayWindow = nullptr;
thread_local HWND relayTooltip = nullptr;

std::u16string_view Caption() {
    return MessageText(MessageId::ProgramName);
}

LPCWSTR Wide(const std::u16string& text) {
    return reinterpret_cast<LPCWSTR>(text.c_str());
}

// A control's rectangle in its dialog's client coordinates.
RECT ChildRect(HWND dialog, int controlId) {
    RECT rect{};
    GetWindowRect(GetDlgItem(dialog, controlId), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

CScrivelPrefsDlg::CScrivelPrefsDlg(CommandList commands, CommandEditor::Storage& storage)
    : CDialog(IDD_PREFS),
      largeIcon_(IDI_PROGRAM, winui::ScaledIcon::Size::Large, dpi_),
      smallIcon_(IDI_PROGRAM, winui::ScaledIcon::Size::Small, dpi_),
      editor_(std::move(commands), *this, storage) {
    Bind(IDC_TYPE, type_);
    Bind(IDC_NAME, name_);
    Bind(IDC_COMMAND_LIST, list_);
    Bind(IDC_SEPARATOR_LIST, separatorList_);
    Bind(IDC_START_TEXT_LIST, startTextList_);
    Bind(IDC_END_TEXT_LIST, endTextList_);
    Bind(IDC_ITEM_FORMAT, itemFormat_);
    Bind(IDC_ITEM_SEPARATOR, itemSeparator_);
    Bind(IDC_START_TEXT, startText_);
    Bind(IDC_END_TEXT, endText_);
    Bind(IDC_NEWLINE_AT_END, newlineAtEnd_);
    Bind(IDC_PROBLEM, problem_);
    dpi_->AddWatcher(*this);
}

CScrivelPrefsDlg::~CScrivelPrefsDlg() {
    if (relayHook_) {
        UnhookWindowsHookEx(relayHook_);
    }
    if (relayDialog == this) {
        relayDialog = nullptr;
    }
    dpi_->RemoveWatcher(*this);
}

bool CScrivelPrefsDlg::OnInitDialog() {
    dpi_->Update(Handle());
    const std::u16string about(MessageText(MessageId::AboutMenuEntry));
    if (HMENU systemMenu = GetSystemMenu(Handle(), FALSE); systemMenu && !about.empty()) {
        AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, Wide(about));
    }
    SetIcons();
    CreateStateImages();
    CreateDescriptionPanel();
    LoadWarningIcon();
    fullWidth_ = itemSeparator_.RectInParent().right - itemSeparator_.RectInParent().left;
    narrowWidth_ = itemFormat_.RectInParent().right - itemFormat_.RectInParent().left;

    for (const winui::CComboBox* escapeList : {&separatorList_, &startTextList_, &endTextList_}) {
        for (const MessageId entry :
             {MessageId::EscapeListInsert, MessageId::EscapeListNewline, MessageId::EscapeListTab}) {
            escapeList->AddString(MessageText(entry));
        }
        escapeList->SetCurSel(0);
    }

    list_.Send(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    // A list longer than the menu takes says so above the commands.
    std::u16string header = CommandsLeftOutOfMenu(editor_.Commands()) == 0
                                ? std::u16string(MessageText(MessageId::CommandsColumn))
                                : FormatMessageText(MessageId::CommandsColumnLimited,
                                                    {static_cast<std::int64_t>(kMaxMenuCommands)});
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100;
    column.pszText = reinterpret_cast<LPWSTR>(header.data());
    list_.Send(LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    // A long list fills in one go: room for every item at once, and no drawing until it is whole.
    list_.Send(LVM_SETITEMCOUNT, editor_.Commands().size());
    list_.Send(WM_SETREDRAW, FALSE);
    editor_.Open();
    // Sized once, to the header and the names as they open.
    list_.Send(LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
    list_.Send(WM_SETREDRAW, TRUE);
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list_.Handle()), TRUE);
    CreateTooltips();
    SetPropW(Handle(), kPrefsWindowProperty, Handle());
    PostMessageW(Handle(), kReportReadProblem, 0, 0);
    return false;  // the list has the focus
}

void CScrivelPrefsDlg::SetIcons() {
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.Get()));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

void CScrivelPrefsDlg::LoadWarningIcon() {
    const int size = dpi_->Scale(kWarningIconSize);
    warningIcon_.reset(static_cast<HICON>(LoadImageW(winui::ModuleInstance(), MAKEINTRESOURCEW(IDI_PROBLEM),
                                                     IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    problem_.Send(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(warningIcon_.get()));
}

void CScrivelPrefsDlg::CreateStateImages() {
    stateImages_.reset(ImageList_Create(kStateImageSize, kStateImageSize, ILC_COLOR8 | ILC_MASK, 3, 3));
    if (!stateImages_) {
        return;
    }
    for (const int bitmapId : kStateImages) {
        const winui::UniqueBitmap bitmap(LoadBitmapW(winui::ModuleInstance(), MAKEINTRESOURCEW(bitmapId)));
        if (bitmap) {
            ImageList_AddMasked(stateImages_.get(), bitmap.get(), RGB(255, 255, 255));
        }
    }
    list_.Send(LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(stateImages_.get()));
}

void CScrivelPrefsDlg::CreateDescriptionPanel() {
    const RECT label = ChildRect(Handle(), IDC_ITEM_FORMAT_LABEL);
    const RECT group = ChildRect(Handle(), IDC_SELECTED_GROUP);
    const int h = label.bottom - label.top;
    const RECT box{group.left + h, label.top, group.right - h, group.bottom - h};
    const RECT text{box.left + h, box.top + 2 * h, box.right - h, box.bottom - h};
    const auto font = static_cast<WPARAM>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    const std::u16string caption(MessageText(MessageId::DescriptionPanel));
    HWND boxWindow = CreateWindowExW(0, L"BUTTON", Wide(caption), WS_CHILD | BS_GROUPBOX, box.left, box.top,
                                     box.right - box.left, box.bottom - box.top, Handle(),
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
    for (const int controlId : kTooltipControls) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(Handle(), controlId));
        tool.hinst = winui::ModuleInstance();
        tool.lpszText = MAKEINTRESOURCEW(controlId);
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, kTooltipWidth);
    SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    // Every message for the dialog and its controls goes to the tooltip before it is processed, as a
    // message loop's pre-translation would do: the dialog's modal loop is the system's.
    relayDialog = this;
    relayWindow = Handle();
    relayTooltip = tooltip_;
    relayHook_ =
        SetWindowsHookExW(WH_GETMESSAGE, &CScrivelPrefsDlg::RelayToTooltip, nullptr, GetCurrentThreadId());
}

LRESULT CALLBACK CScrivelPrefsDlg::RelayToTooltip(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && relayDialog && relayTooltip) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (message->hwnd == relayWindow || IsChild(relayWindow, message->hwnd)) {
            SendMessageW(relayTooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CScrivelPrefsDlg::OnCommand(int controlId, int notifyCode) {
    switch (controlId) {
        case IDC_ADD_COMMAND:
            editor_.AddCommand();
            return true;
        case IDC_MOVE_UP:
            editor_.MoveCommand(-1);
            return true;
        case IDC_MOVE_DOWN:
            editor_.MoveCommand(1);
            return true;
        case IDC_DELETE:
            editor_.DeleteCommand();
            return true;
        case IDC_RESET:
            editor_.ResetCommands();
            return true;
        case IDC_INSERT:
            editor_.InsertAttribute();
            return true;
        case IDC_PROBLEM:
            editor_.ShowProblem();
            return true;
        case IDC_HELP_BUTTON:
            helpViewer_.OpenDialogTopic(winui::ModuleHelpFile(), IDD_PREFS);
            return true;
        case IDC_NAME:
            if (notifyCode == EN_KILLFOCUS) {
                editor_.NameLostFocus();
            }
            return true;
        case IDC_ITEM_FORMAT:
            if (notifyCode == EN_KILLFOCUS) {
                editor_.ItemFormatLostFocus();
            }
            [[fallthrough]];
        case IDC_ITEM_SEPARATOR:
        case IDC_START_TEXT:
        case IDC_END_TEXT:
            if (notifyCode == EN_CHANGE) {
                OnSpacedFieldChange(controlId);
            }
            return true;
        case IDC_SEPARATOR_LIST:
        case IDC_START_TEXT_LIST:
        case IDC_END_TEXT_LIST:
            if (notifyCode == CBN_SELCHANGE) {
                const EditorField field = controlId == IDC_SEPARATOR_LIST    ? EditorField::ItemSeparator
                                          : controlId == IDC_START_TEXT_LIST ? EditorField::StartText
                                                                             : EditorField::EndText;
                const int choice =
                    static_cast<int>(SendDlgItemMessageW(Handle(), controlId, CB_GETCURSEL, 0, 0));
                if (choice >= 0 && choice <= static_cast<int>(EscapeChoice::Tab)) {
                    editor_.InsertEscape(field, static_cast<EscapeChoice>(choice));
                }
            }
            return true;
        default:
            return CDialog::OnCommand(controlId, notifyCode);
    }
}

void CScrivelPrefsDlg::OnSpacedFieldChange(int controlId) {
    const struct {
        int id;
        EditorField field;
        const CVisibleWSEdit& edit;
    } fields[] = {
        {IDC_ITEM_FORMAT, EditorField::ItemFormat, itemFormat_},
        {IDC_ITEM_SEPARATOR, EditorField::ItemSeparator, itemSeparator_},
        {IDC_START_TEXT, EditorField::StartText, startText_},
        {IDC_END_TEXT, EditorField::EndText, endText_},
    };
    for (const auto& row : fields) {
        if (row.id == controlId) {
            DWORD caret = 0;
            row.edit.Send(EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
            editor_.FieldEdited(row.field, caret, row.edit.TypingRealDot());
        }
    }
}

void CScrivelPrefsDlg::OnOK() {
    editor_.SaveAndClose();
}

void CScrivelPrefsDlg::OnDpiChange(int newDpi, const RECT& suggested) {
    const int oldDpi = dpi_->Current();
    CDialog::OnDpiChange(newDpi, suggested);
    // The system scales the fixed dialog's controls; the measured widths follow.
    if (oldDpi > 0) {
        fullWidth_ = MulDiv(fullWidth_, newDpi, oldDpi);
        narrowWidth_ = MulDiv(narrowWidth_, newDpi, oldDpi);
    }
    dpi_->Set(newDpi);
}

void CScrivelPrefsDlg::OnDpiChanged(int /*oldDpi*/, int /*newDpi*/) {
    if (Handle()) {
        SetIcons();
        LoadWarningIcon();
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
            RemovePropW(Handle(), kPrefsWindowProperty);
            if (relayHook_) {
                UnhookWindowsHookEx(relayHook_);
                relayHook_ = nullptr;
            }
            relayDialog = nullptr;
            descriptionGroup_.Detach();
            description_.Detach();
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
        editor_.SelectionCleared();
    }
}

void CScrivelPrefsDlg::InsertItem(std::size_t index, std::u16string_view name, StateMark mark) {
    std::u16string text(name);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = static_cast<int>(index);
    item.pszText = reinterpret_cast<LPWSTR>(text.data());
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
    item.pszText = reinterpret_cast<LPWSTR>(text.data());
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
    const bool command = display != EditorDisplay::NoCommand;
    const bool userDefined =
        display == EditorDisplay::UserDefined || display == EditorDisplay::UserDefinedWithProblem;
    const bool problem = display == EditorDisplay::UserDefinedWithProblem;
    type_.Enable(command);
    name_.Enable(command);
    RECT field = itemFormat_.RectInParent();
    field.right = field.left + (problem ? narrowWidth_ : fullWidth_);
    itemFormat_.Move(field, true);
    problem_.Show(problem);
    descriptionGroup_.Show(!userDefined);
    description_.Show(!userDefined);
    for (const int controlId : kUserDefinedFields) {
        ShowWindow(GetDlgItem(Handle(), controlId), userDefined ? SW_SHOW : SW_HIDE);
    }
}

void CScrivelPrefsDlg::SetDescription(std::u16string_view text) {
    description_.SetText(text);
}

const winui::CWindow& CScrivelPrefsDlg::FieldControl(EditorField field) const {
    switch (field) {
        case EditorField::Type:
            return type_;
        case EditorField::Name:
            return name_;
        case EditorField::ItemFormat:
            return itemFormat_;
        case EditorField::ItemSeparator:
            return itemSeparator_;
        case EditorField::StartText:
            return startText_;
        case EditorField::EndText:
            break;
    }
    return endText_;
}

const winui::CComboBox* CScrivelPrefsDlg::EscapeList(EditorField field) const {
    switch (field) {
        case EditorField::ItemSeparator:
            return &separatorList_;
        case EditorField::StartText:
            return &startTextList_;
        case EditorField::EndText:
            return &endTextList_;
        default:
            return nullptr;
    }
}

std::u16string CScrivelPrefsDlg::FieldText(EditorField field) const {
    return FieldControl(field).Text();
}

void CScrivelPrefsDlg::SetFieldText(EditorField field, std::u16string_view text) {
    FieldControl(field).SetText(text);
}

void CScrivelPrefsDlg::ReplaceFieldSelection(EditorField field, std::u16string_view text) {
    const std::u16string replacement(text);
    FieldControl(field).Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(replacement.c_str()));
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

std::optional<CommandType> CScrivelPrefsDlg::RunNewCommandDialog(CommandType preset) {
    CNewCmdDlg dialog(preset);
    if (dialog.DoModal(Handle()) != IDOK) {
        return std::nullopt;
    }
    return dialog.Chosen();
}

std::optional<std::u16string> CScrivelPrefsDlg::RunInsertDialog() {
    CInsertDlg dialog;
    if (dialog.DoModal(Handle()) != IDOK) {
        return std::nullopt;
    }
    return dialog.Result();
}

void CScrivelPrefsDlg::ShowMessage(std::u16string_view text) {
    const std::u16string message(text);
    const std::u16string caption(Caption());
    MessageBoxW(Handle(), Wide(message), Wide(caption), MB_OK | MB_ICONEXCLAMATION);
}

bool CScrivelPrefsDlg::Confirm(std::u16string_view text) {
    const std::u16string message(text);
    const std::u16string caption(Caption());
    return MessageBoxW(Handle(), Wide(message), Wide(caption), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

ChangedFileAnswer CScrivelPrefsDlg::AskChangedFile(std::u16string_view text) {
    const std::u16string message(text);
    const std::u16string caption(Caption());
    // Cancel, which changes nothing, is the default.
    switch (MessageBoxW(Handle(), Wide(message), Wide(caption),
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

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

bool CAboutDlg::OnInitDialog() {
    if (const std::optional<winui::FileVersion> version = winui::ModuleFileVersion()) {
        const std::u16string label =
            FormatMessageText(MessageId::ProductVersionLabel, {version->major, version->minor});
        SetDlgItemTextW(Handle(), IDC_ABOUT_VERSION, Wide(label));
    }
    return true;
}

}  // namespace quillet::prefs
