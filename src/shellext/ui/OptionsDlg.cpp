#include "shellext/ui/OptionsDlg.h"

#include <algorithm>
#include <cwchar>

#include "OptionsDialogIds.h"
#include "core/copy/CopyText.h"
#include "core/messages/Messages.h"
#include "shellext/ui/ScanningFoldersDlg.h"
#include "winui/Handles.h"

namespace quillet::shellext {
namespace {

// The preview at the dialog's smallest still shows this many lines of the copy text.
constexpr int kMinimumPreviewLines = 3;

// The static control that shows an icon, or null.
HWND FindIconControl(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (_wcsicmp(name, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            return child;
        }
    }
    return nullptr;
}

// The process's shared copy options, read again from the user's profile for each dialog.
CopyOptions& LoadedCopyOptions() {
    LoadCopyOptions();
    return SharedCopyOptions();
}

// The height of one line of text in the control's font.
int LineHeight(HWND control) {
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return metrics.tmHeight;
}

void MoveBy(const winui::CWindow& control, int dx, int dWidth) {
    RECT rect = control.RectInParent();
    rect.left += dx;
    rect.right += dx + dWidth;
    control.Move(rect, false);
}

}  // namespace

std::span<const CScrivelDlg::CheckControl> CScrivelDlg::CheckControls() {
    static const CheckControl controls[] = {
        {IDC_QUOTE, OptionCheck::Quote, &CScrivelDlg::quote_},
        {IDC_FULL_PATH, OptionCheck::FullPath, &CScrivelDlg::fullPath_},
        {IDC_ADD_SIZE, OptionCheck::AddSize, &CScrivelDlg::addSize_},
        {IDC_ADD_DATE, OptionCheck::AddDate, &CScrivelDlg::addDate_},
    };
    return controls;
}

std::span<const CScrivelDlg::ChoiceControl> CScrivelDlg::ChoiceControls() {
    static const ChoiceControl controls[] = {
        {IDC_SEPARATOR, OptionChoice::Separator, &CScrivelDlg::separator_},
        {IDC_QUOTE_CHAR, OptionChoice::QuoteChar, &CScrivelDlg::quoteChar_},
        {IDC_PATH_SEPARATOR, OptionChoice::PathSeparator, &CScrivelDlg::pathSeparator_},
        {IDC_SIZE_UNITS, OptionChoice::SizeUnits, &CScrivelDlg::sizeUnits_},
        {IDC_DATE_FORMAT, OptionChoice::DateFormat, &CScrivelDlg::dateFormat_},
        {IDC_SORT, OptionChoice::Sort, &CScrivelDlg::sort_},
    };
    return controls;
}

std::span<const CScrivelDlg::FolderControl> CScrivelDlg::FolderControls() {
    static const FolderControl controls[] = {
        {IDC_LIMIT_DEPTH, IDC_DEPTH, FolderSetting::LimitDepth, &CScrivelDlg::limitDepth_,
         &CScrivelDlg::depth_},
        {IDC_INCLUDE, IDC_INCLUDE_PATTERN, FolderSetting::Include, &CScrivelDlg::include_,
         &CScrivelDlg::includePattern_},
        {IDC_EXCLUDE, IDC_EXCLUDE_PATTERN, FolderSetting::Exclude, &CScrivelDlg::exclude_,
         &CScrivelDlg::excludePattern_},
    };
    return controls;
}

CScrivelDlg::CScrivelDlg(ItemSelection& selection, winui::CButtonLink::OpenAction openLink,
                         winui::HtmlHelpCall helpViewer)
    : CDialog(IDD_OPTIONS),
      smallIcon_(IDI_PRODUCT, winui::ScaledIcon::Size::Small, dpi_),
      largeIcon_(IDI_PRODUCT, winui::ScaledIcon::Size::Large, dpi_),
      link_(dpi_, std::move(openLink)),
      helpViewer_(std::move(helpViewer)),
      options_(LoadedCopyOptions()),
      selection_(selection),
      presenter_(options_, selection_, *this) {
    const std::pair<int, winui::CWindow*> bindings[] = {
        {IDC_SEPARATOR, &separator_},
        {IDC_QUOTE_CHAR, &quoteChar_},
        {IDC_PATH_SEPARATOR, &pathSeparator_},
        {IDC_SIZE_UNITS, &sizeUnits_},
        {IDC_DATE_FORMAT, &dateFormat_},
        {IDC_SORT, &sort_},
        {IDC_QUOTE, &quote_},
        {IDC_FULL_PATH, &fullPath_},
        {IDC_ADD_SIZE, &addSize_},
        {IDC_ADD_DATE, &addDate_},
        {IDC_COPY_FOLDER_NAMES, &copyFolderNames_},
        {IDC_ADD_FOLDER_FILES, &addFolderFiles_},
        {IDC_LIMIT_DEPTH, &limitDepth_},
        {IDC_INCLUDE, &include_},
        {IDC_EXCLUDE, &exclude_},
        {IDC_DEPTH, &depth_},
        {IDC_INCLUDE_PATTERN, &includePattern_},
        {IDC_EXCLUDE_PATTERN, &excludePattern_},
        {IDC_PREVIEW, &preview_},
        {IDC_SUMMARY, &summary_},
        {IDC_RESCAN, &rescan_},
        {IDC_OPTIONS_GROUP, &optionsGroup_},
        {IDC_FOLDER_GROUP, &folderGroup_},
        {IDC_CLIPBOARD_GROUP, &clipboardGroup_},
        {IDC_PRODUCT_VERSION, &productVersion_},
        {IDC_WEB_LINK, &link_},
        {IDOK, &ok_},
        {IDCANCEL, &cancel_},
        {IDC_HELP_BUTTON, &help_},
    };
    for (const auto& [id, control] : bindings) {
        Bind(id, *control);
    }
    dpi_->AddWatcher(*this);
}

CScrivelDlg::~CScrivelDlg() {
    dpi_->RemoveWatcher(*this);
    SaveCopyOptions();
}

bool CScrivelDlg::OnInitDialog() {
    // The dialog follows DPI changes itself. Read the real DPI first, so that the icon and the
    // recorded layout fit the screen from the start.
    winui::TakeOverDialogDpiScaling(Handle());
    dpi_->Update(Handle());
    productIcon_ = FindIconControl(Handle());
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    if (!presenter_.ShowsFolderOptions()) {
        HideFolderOptions();
    }
    ShowProductVersion();
    LoadControls();
    RecordLayout();
    ShowState();
    return true;
}

void CScrivelDlg::HideFolderOptions() {
    const winui::CWindow* folderControls[] = {
        &folderGroup_, &copyFolderNames_, &addFolderFiles_, &limitDepth_,     &depth_,
        &include_,     &includePattern_,  &exclude_,        &excludePattern_, &rescan_};
    for (const winui::CWindow* control : folderControls) {
        control->Show(false);
    }
    const int d = folderGroup_.RectInParent().right - optionsGroup_.RectInParent().right;
    const winui::CWindow* rightAligned[] = {&link_, &ok_, &cancel_, &help_};
    for (const winui::CWindow* control : rightAligned) {
        MoveBy(*control, -d, 0);
    }
    MoveBy(clipboardGroup_, 0, -d);
    MoveBy(preview_, 0, -d);
    // Narrower by d, and still centred where the template put it.
    RECT window{};
    GetWindowRect(Handle(), &window);
    SetWindowPos(Handle(), nullptr, window.left + d / 2, window.top, window.right - window.left - d,
                 window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CScrivelDlg::ShowProductVersion() {
    const std::optional<winui::FileVersion> version = winui::ModuleFileVersion();
    const winui::FileVersion shown = version.value_or(winui::FileVersion{});
    productVersion_.SetText(FormatMessageText(MessageId::ProductVersionLabel, {shown.major, shown.minor}));
}

void CScrivelDlg::LoadControls() {
    for (const ChoiceControl& entry : ChoiceControls()) {
        const winui::CComboBox& list = this->*entry.control;
        for (std::u16string_view text : ChoiceEntries(entry.choice)) {
            list.AddString(text);
        }
        list.SetCurSel(presenter_.Choice(entry.choice));
    }
    for (const CheckControl& entry : CheckControls()) {
        (this->*entry.control).SetChecked(presenter_.IsChecked(entry.check));
    }
    copyFolderNames_.SetChecked(true);
    // Setting the texts reports them as changes; Open then starts over from the start values.
    for (const FolderControl& entry : FolderControls()) {
        (this->*entry.check).SetChecked(false);
        (this->*entry.text).SetText(presenter_.FolderText(entry.setting));
    }
    presenter_.Open();
}

void CScrivelDlg::RecordLayout() {
    constexpr AnchorRule kMoveRight{AnchorMode::Move, AnchorMode::None};
    constexpr AnchorRule kStretchRight{AnchorMode::Stretch, AnchorMode::None};
    constexpr AnchorRule kStretchBoth{AnchorMode::Stretch, AnchorMode::Stretch};
    constexpr AnchorRule kStretchRightMoveDown{AnchorMode::Stretch, AnchorMode::Move};
    constexpr AnchorRule kMoveBoth{AnchorMode::Move, AnchorMode::Move};
    const std::pair<winui::CWindow*, AnchorRule> rules[] = {
        {&link_, kMoveRight},
        {&folderGroup_, kStretchRight},
        {&includePattern_, kStretchRight},
        {&excludePattern_, kStretchRight},
        {&clipboardGroup_, kStretchBoth},
        {&preview_, kStretchBoth},
        {&summary_, kStretchRightMoveDown},
        {&ok_, kMoveBoth},
        {&cancel_, kMoveBoth},
        {&help_, kMoveBoth},
    };
    const int dpi = dpi_->Current();
    layout_.Record(Handle(), dpi);
    for (const auto& [control, rule] : rules) {
        layout_.Anchor(control->Handle(), rule);
    }

    RECT client{};
    GetClientRect(Handle(), &client);
    sizeGrip_.Create(Handle());
    sizeGrip_.Place(client.right, client.bottom, *dpi_, IsZoomed(Handle()) != FALSE);

    RECT window{};
    GetWindowRect(Handle(), &window);
    const RECT preview = preview_.RectInParent();
    minTrackSize96_.cx = UnscaleForDpi(window.right - window.left, dpi);
    minTrackSize96_.cy = UnscaleForDpi(window.bottom - window.top - (preview.bottom - preview.top), dpi);
    MeasureMinimumPreview();
}

void CScrivelDlg::MeasureMinimumPreview() {
    // Lines of the preview's font in its text area, plus what its frame and scroll bar take, both as
    // they are at the current DPI: fonts and scroll bars do not scale by the same rule.
    const RECT preview = preview_.RectInParent();
    RECT textArea{};
    preview_.Send(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&textArea));
    const int frame = (preview.bottom - preview.top) - (textArea.bottom - textArea.top);
    minPreviewHeight_ = frame + kMinimumPreviewLines * LineHeight(preview_.Handle());
}

void CScrivelDlg::ShowState() {
    const std::pair<OptionsControl, const winui::CWindow*> ruled[] = {
        {OptionsControl::QuoteChar, &quoteChar_},   {OptionsControl::PathSeparator, &pathSeparator_},
        {OptionsControl::SizeUnits, &sizeUnits_},   {OptionsControl::DateFormat, &dateFormat_},
        {OptionsControl::LimitDepth, &limitDepth_}, {OptionsControl::Depth, &depth_},
        {OptionsControl::Include, &include_},       {OptionsControl::IncludePattern, &includePattern_},
        {OptionsControl::Exclude, &exclude_},       {OptionsControl::ExcludePattern, &excludePattern_},
        {OptionsControl::Rescan, &rescan_},         {OptionsControl::Ok, &ok_},
    };
    std::vector<HWND> disabling;
    for (const auto& [rule, control] : ruled) {
        if (presenter_.IsEnabled(rule)) {
            control->Enable(true);
        } else if (control->IsEnabled()) {
            disabling.push_back(control->Handle());
        }
    }
    // A disabled control loses the focus to no one, and the dialog then takes no keys: the focus
    // moves on first, to the next control in the tab order that stays enabled.
    const auto isDisabling = [&disabling](HWND window) {
        return std::find(disabling.begin(), disabling.end(), window) != disabling.end();
    };
    if (const HWND focus = GetFocus(); isDisabling(focus)) {
        HWND next = focus;
        do {
            next = GetNextDlgTabItem(Handle(), next, FALSE);
        } while (next && next != focus && isDisabling(next));
        if (next && next != focus) {
            SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
        }
    }
    for (HWND window : disabling) {
        EnableWindow(window, FALSE);
    }
    // The radio buttons follow the mode (a cancelled reading ends it); the chosen one is the group's
    // one tab stop, as Tab into a group should land on the choice.
    const std::pair<const winui::CRadioButton*, bool> radios[] = {
        {&copyFolderNames_, !presenter_.ExpandMode()}, {&addFolderFiles_, presenter_.ExpandMode()}};
    for (const auto& [radio, chosen] : radios) {
        radio->SetChecked(chosen);
        const LONG_PTR style = GetWindowLongPtrW(radio->Handle(), GWL_STYLE);
        SetWindowLongPtrW(radio->Handle(), GWL_STYLE, chosen ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
    if (presenter_.PreviewRevision() != shownRevision_) {
        shownRevision_ = presenter_.PreviewRevision();
        preview_.SetText(presenter_.PreviewText());
    }
    if (summary_.Text() != presenter_.Summary()) {
        summary_.SetText(presenter_.Summary());
    }
}

bool CScrivelDlg::OnCommand(int controlId, int notifyCode) {
    if (notifyCode == BN_CLICKED) {
        for (const CheckControl& entry : CheckControls()) {
            if (entry.id == controlId) {
                const winui::WaitCursor wait;
                presenter_.SetChecked(entry.check, (this->*entry.control).IsChecked());
                ShowState();
                return true;
            }
        }
        for (const FolderControl& entry : FolderControls()) {
            if (entry.checkId == controlId) {
                presenter_.SetFolderChecked(entry.setting, (this->*entry.check).IsChecked());
                ShowState();
                return true;
            }
        }
    }
    if (notifyCode == CBN_SELCHANGE) {
        for (const ChoiceControl& entry : ChoiceControls()) {
            if (entry.id == controlId) {
                const winui::WaitCursor wait;
                presenter_.SetChoice(entry.choice, (this->*entry.control).CurSel());
                ShowState();
                return true;
            }
        }
    }
    if (notifyCode == EN_CHANGE) {
        for (const FolderControl& entry : FolderControls()) {
            if (entry.textId == controlId) {
                presenter_.SetFolderText(entry.setting, (this->*entry.text).Text());
                ShowState();
                return true;
            }
        }
    }
    if (notifyCode == BN_CLICKED) {
        switch (controlId) {
            case IDC_COPY_FOLDER_NAMES: {
                const winui::WaitCursor wait;
                presenter_.ChooseFolderNames();
                ShowState();
                return true;
            }
            case IDC_ADD_FOLDER_FILES:
                presenter_.ChooseFolderFiles();
                ShowState();
                return true;
            case IDC_RESCAN:
                presenter_.Rescan();
                ShowState();
                return true;
            case IDC_HELP_BUTTON:
                OpenHelp();
                return true;
            default:
                break;
        }
    }
    return CDialog::OnCommand(controlId, notifyCode);
}

void CScrivelDlg::OnOK() {
    const OkOutcome outcome =
        presenter_.Accept([](const TextBuffer& text) { return CopyTextToClipboard(text); });
    if (outcome == OkOutcome::Copied) {
        Close(IDOK);
        return;
    }
    ShowState();
    if (outcome == OkOutcome::ClipboardFailed) {
        // Captioned as the dialog is.
        wchar_t caption[64] = {};
        GetWindowTextW(Handle(), caption, 64);
        const std::u16string message = FormatMessageText(MessageId::ClipboardNotWritten);
        MessageBoxW(Handle(), reinterpret_cast<const wchar_t*>(message.c_str()), caption,
                    MB_OK | MB_ICONEXCLAMATION);
    }
}

bool CScrivelDlg::ScanFolders(ItemSelection& selection, const ExpansionSettings& settings,
                              const std::function<bool(MAbortBase&)>& prepare) {
    return ExpandSelection(selection, settings, Handle(), prepare);
}

void CScrivelDlg::OnSize(UINT type, int clientWidth, int clientHeight) {
    if (!layout_.IsRecorded() || type == SIZE_MINIMIZED) {
        return;  // not laid out yet, or nothing to lay out
    }
    // The DPI is read at opening and changes only with WM_DPICHANGED, which carries the new value.
    PlaceControls(clientWidth, clientHeight, type == SIZE_MAXIMIZED);
}

void CScrivelDlg::PlaceControls(int clientWidth, int clientHeight, bool maximised) {
    sizeGrip_.Place(clientWidth, clientHeight, *dpi_, maximised);
    if (layout_.Place(clientWidth, clientHeight, dpi_->Current())) {
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void CScrivelDlg::OnDpiChange(int newDpi, const RECT& suggested) {
    // The icons and the link's font follow the DPI through the watchers; the minimum size, asked for
    // while the window moves, is scaled to the new DPI.
    dpi_->Set(newDpi);
    layout_.ScaleFont(dpi_->Current());
    CDialog::OnDpiChange(newDpi, suggested);
    // The suggested rectangle may keep the size, and then no WM_SIZE comes.
    RECT client{};
    GetClientRect(Handle(), &client);
    PlaceControls(client.right, client.bottom, IsZoomed(Handle()) != FALSE);
    MeasureMinimumPreview();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool CScrivelDlg::OnGetMinMaxInfo(MINMAXINFO& info) {
    if (minTrackSize96_.cx == 0) {
        return false;
    }
    info.ptMinTrackSize.x = dpi_->Scale(minTrackSize96_.cx);
    info.ptMinTrackSize.y = dpi_->Scale(minTrackSize96_.cy) + minPreviewHeight_;
    return true;
}

std::optional<INT_PTR> CScrivelDlg::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (message == WM_HELP) {  // F1
        OpenHelp();
        return TRUE;
    }
    return std::nullopt;
}

void CScrivelDlg::OnDpiChanged(int /*oldDpi*/, int /*newDpi*/) {
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    if (productIcon_) {
        SendMessageW(productIcon_, STM_SETICON, reinterpret_cast<WPARAM>(largeIcon_.Get()), 0);
    }
}

void CScrivelDlg::OpenHelp() {
    helpViewer_.OpenDialogTopic(winui::ModuleHelpFile(), IDD_OPTIONS);
}

void ShowOptionsDialog(std::span<const std::u16string> paths) {
    ItemSelection selection;
    for (const std::u16string& path : paths) {
        selection.AddPath(path);
    }
    selection.Flatten();
    SortSelection(selection);
    CScrivelDlg dialog(selection);
    dialog.DoModal(GetActiveWindow());
}

}  // namespace quillet::shellext
