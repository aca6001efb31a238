#include "shellext/ui/OptionsDlg.h"

#include <algorithm>
#include <cwchar>

#include "OptionsDialogIds.h"
#include "core/copy/CopyText.h"
#include "core/failure/Failure.h"
#include "core/messages/Messages.h"
#include "platform/win32/WideString.h"
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

// The height of one line of text in the control's font.
int LineHeight(HWND control) {
    const auto dc = winui::WindowDC(control);
    const winui::SelectedObject font(dc.Get().dc,
                                     reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get().dc, &metrics);
    return metrics.tmHeight;
}

void MoveBy(const winui::CWindow& control, int dx, int dWidth) {
    RECT rect = control.RectInParent();
    rect.left += dx;
    rect.right += dx + dWidth;
    control.Move(rect, false);
}

}  // namespace

std::span<const CScrivelDlg::ControlRow> CScrivelDlg::ControlRows() {
    using C = CScrivelDlg;
    using Rule = OptionsControl;
    using W = WithoutFolders;
    constexpr std::nullopt_t kAlways = std::nullopt;
    constexpr std::monostate kNothing{};
    static const ControlRow rows[] = {
        {IDC_OPTIONS_GROUP, kNothing, kAlways, kAnchorFixed, W::Stays, &C::optionsGroup_},
        {IDC_SEPARATOR, OptionChoice::Separator, kAlways, kAnchorFixed, W::Stays},
        {IDC_QUOTE, OptionCheck::Quote, kAlways, kAnchorFixed, W::Stays},
        {IDC_QUOTE_CHAR, OptionChoice::QuoteChar, Rule::QuoteChar, kAnchorFixed, W::Stays},
        {IDC_FULL_PATH, OptionCheck::FullPath, kAlways, kAnchorFixed, W::Stays},
        {IDC_PATH_SEPARATOR, OptionChoice::PathSeparator, Rule::PathSeparator, kAnchorFixed, W::Stays},
        {IDC_ADD_SIZE, OptionCheck::AddSize, kAlways, kAnchorFixed, W::Stays},
        {IDC_SIZE_UNITS, OptionChoice::SizeUnits, Rule::SizeUnits, kAnchorFixed, W::Stays},
        {IDC_ADD_DATE, OptionCheck::AddDate, kAlways, kAnchorFixed, W::Stays},
        {IDC_DATE_FORMAT, OptionChoice::DateFormat, Rule::DateFormat, kAnchorFixed, W::Stays},
        {IDC_SORT, OptionChoice::Sort, kAlways, kAnchorFixed, W::Stays},
        {IDC_FOLDER_GROUP, kNothing, kAlways, kAnchorStretchRight, W::Hidden, &C::folderGroup_},
        {IDC_COPY_FOLDER_NAMES, FolderMode::Names, kAlways, kAnchorFixed, W::Hidden},
        {IDC_ADD_FOLDER_FILES, FolderMode::Files, kAlways, kAnchorFixed, W::Hidden},
        {IDC_LIMIT_DEPTH, FolderCheck{FolderSetting::LimitDepth}, Rule::LimitDepth, kAnchorFixed, W::Hidden},
        {IDC_DEPTH, FolderText{FolderSetting::LimitDepth}, Rule::Depth, kAnchorFixed, W::Hidden},
        {IDC_INCLUDE, FolderCheck{FolderSetting::Include}, Rule::Include, kAnchorFixed, W::Hidden},
        {IDC_INCLUDE_PATTERN, FolderText{FolderSetting::Include}, Rule::IncludePattern, kAnchorStretchRight,
         W::Hidden},
        {IDC_EXCLUDE, FolderCheck{FolderSetting::Exclude}, Rule::Exclude, kAnchorFixed, W::Hidden},
        {IDC_EXCLUDE_PATTERN, FolderText{FolderSetting::Exclude}, Rule::ExcludePattern, kAnchorStretchRight,
         W::Hidden},
        {IDC_RESCAN, Command::Rescan, Rule::Rescan, kAnchorFixed, W::Hidden},
        {IDC_CLIPBOARD_GROUP, kNothing, kAlways, kAnchorStretchBoth, W::Narrows},
        {IDC_PREVIEW, kNothing, kAlways, kAnchorStretchBoth, W::Narrows, &C::preview_},
        {IDC_SUMMARY, kNothing, kAlways, kAnchorStretchRightMoveDown, W::Stays, &C::summary_},
        {IDOK, kNothing, Rule::Ok, kAnchorMoveBoth, W::MovesLeft},
        {IDCANCEL, kNothing, kAlways, kAnchorMoveBoth, W::MovesLeft},
        {IDC_HELP_BUTTON, kNothing, kAlways, kAnchorMoveBoth, W::MovesLeft},
        {IDC_PRODUCT_VERSION, kNothing, kAlways, kAnchorFixed, W::Stays, &C::productVersion_},
        // The link is a control of its own kind, bound by the constructor.
        {IDC_WEB_LINK, kNothing, kAlways, kAnchorMoveRight, W::MovesLeft},
    };
    return rows;
}

CScrivelDlg::CScrivelDlg(ItemSelection& selection, winui::CButtonLink::OpenAction openLink,
                         winui::HtmlHelpCall helpViewer)
    : CDialog(IDD_OPTIONS),
      smallIcon_(IDI_PRODUCT, winui::ScaledIcon::Size::Small, dpi_),
      largeIcon_(IDI_PRODUCT, winui::ScaledIcon::Size::Large, dpi_),
      link_(dpi_, std::move(openLink)),
      options_(StoredCopyOptions()),
      selection_(selection),
      presenter_(options_, selection_, *this, CopyOptionsFile()) {
    OfferHelp(IDC_HELP_BUTTON, std::move(helpViewer));
    for (const ControlRow& row : ControlRows()) {
        if (row.member) {
            Bind(row.id, this->*row.member);
        }
    }
    Bind(IDC_WEB_LINK, link_);
    dpi_->AddWatcher(*this);
}

CScrivelDlg::~CScrivelDlg() {
    dpi_->RemoveWatcher(*this);
    presenter_.Close();
}

bool CScrivelDlg::OnInitDialog() {
    // The dialog follows DPI changes itself. Read the real DPI first, so that the icon and the
    // recorded layout fit the screen from the start.
    winui::TakeOverDialogDpiScaling(Handle());
    dpi_->Update(Handle());
    dpi_->SetTextScale(TextScale());
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
    const int d = folderGroup_.RectInParent().right - optionsGroup_.RectInParent().right;
    for (const ControlRow& row : ControlRows()) {
        const winui::CWindow control(Item(row));
        switch (row.withoutFolders) {
            case WithoutFolders::Stays:
                break;
            case WithoutFolders::Hidden:
                control.Show(false);
                break;
            case WithoutFolders::MovesLeft:
                MoveBy(control, -d, 0);
                break;
            case WithoutFolders::Narrows:
                MoveBy(control, 0, -d);
                break;
        }
    }
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
    // Setting the texts reports them as changes; Open then starts over from the start values.
    for (const ControlRow& row : ControlRows()) {
        if (const auto* choice = std::get_if<OptionChoice>(&row.binding)) {
            const winui::CComboBox list(Item(row));
            for (std::u16string_view text : ChoiceEntries(*choice)) {
                list.AddString(text);
            }
            list.SetCurSel(presenter_.Choice(*choice));
        } else if (const auto* check = std::get_if<OptionCheck>(&row.binding)) {
            winui::CCheckBox(Item(row)).SetChecked(presenter_.IsChecked(*check));
        } else if (const auto* folderCheck = std::get_if<FolderCheck>(&row.binding)) {
            winui::CCheckBox(Item(row)).SetChecked(presenter_.IsChecked(folderCheck->setting));
        } else if (const auto* folderText = std::get_if<FolderText>(&row.binding)) {
            winui::CEdit(Item(row)).SetText(presenter_.FolderText(folderText->setting));
        }
    }
    presenter_.Open();
}

void CScrivelDlg::RecordLayout() {
    std::vector<winui::ControlAnchor> anchors;
    for (const ControlRow& row : ControlRows()) {
        anchors.push_back({Item(row), row.anchor});
    }
    resizer_.Record(Handle(), anchors, preview_.Handle());
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
    std::vector<HWND> disabling;
    // Only the ruled controls: the summary line is greyed by its template.
    for (const ControlRow& row : ControlRows()) {
        const winui::CWindow control(Item(row));
        if (!row.enabledBy) {
            continue;
        }
        if (presenter_.IsEnabled(*row.enabledBy)) {
            control.Enable(true);
        } else if (control.IsEnabled()) {
            disabling.push_back(control.Handle());
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
    for (const ControlRow& row : ControlRows()) {
        if (const auto* mode = std::get_if<FolderMode>(&row.binding)) {
            const bool chosen = (*mode == FolderMode::Files) == presenter_.ExpandMode();
            const winui::CRadioButton radio(Item(row));
            radio.SetChecked(chosen);
            const LONG_PTR style = GetWindowLongPtrW(radio.Handle(), GWL_STYLE);
            SetWindowLongPtrW(radio.Handle(), GWL_STYLE, chosen ? style | WS_TABSTOP : style & ~WS_TABSTOP);
        }
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
    for (const ControlRow& row : ControlRows()) {
        if (row.id == controlId && Forward(row, notifyCode)) {
            return true;
        }
    }
    return CDialog::OnCommand(controlId, notifyCode);
}

bool CScrivelDlg::Forward(const ControlRow& row, int notifyCode) {
    if (const auto* choice = std::get_if<OptionChoice>(&row.binding); choice && notifyCode == CBN_SELCHANGE) {
        const winui::WaitCursor wait;
        presenter_.SetChoice(*choice, winui::CComboBox(Item(row)).CurSel());
    } else if (const auto* text = std::get_if<FolderText>(&row.binding); text && notifyCode == EN_CHANGE) {
        presenter_.SetFolderText(text->setting, winui::CEdit(Item(row)).Text());
    } else if (notifyCode != BN_CLICKED) {
        return false;
    } else if (const auto* check = std::get_if<OptionCheck>(&row.binding)) {
        const winui::WaitCursor wait;
        presenter_.SetChecked(*check, winui::CCheckBox(Item(row)).IsChecked());
    } else if (const auto* folderCheck = std::get_if<FolderCheck>(&row.binding)) {
        presenter_.SetFolderChecked(folderCheck->setting, winui::CCheckBox(Item(row)).IsChecked());
    } else if (const auto* mode = std::get_if<FolderMode>(&row.binding)) {
        if (*mode == FolderMode::Names) {
            const winui::WaitCursor wait;
            presenter_.ChooseFolderNames();
        } else {
            presenter_.ChooseFolderFiles();  // scans under its own progress window
        }
    } else if (std::holds_alternative<Command>(row.binding)) {
        presenter_.Rescan();
    } else {
        return false;
    }
    ShowState();
    return true;
}

void CScrivelDlg::OnOK() {
    OkOutcome outcome = OkOutcome::NothingToCopy;
    {
        const winui::WaitCursor wait;  // the whole text of a long list is made now
        outcome = presenter_.Accept([](const TextBuffer& text) { return CopyTextToClipboard(text); });
    }
    if (outcome == OkOutcome::Copied) {
        Close(IDOK);
        return;
    }
    ShowState();
    if (outcome == OkOutcome::ClipboardFailed) {
        QUILLET_LOG_FAILURE(CLIPBRD_E_CANT_OPEN, "the Options dialog's copy: the clipboard was not written");
        // Captioned as the dialog is.
        wchar_t caption[64] = {};
        GetWindowTextW(Handle(), caption, 64);
        const std::u16string message = FormatMessageText(MessageId::ClipboardNotWritten);
        MessageBoxW(Handle(), platform::AsWide(message), caption, MB_OK | MB_ICONEXCLAMATION);
    }
}

bool CScrivelDlg::ScanFolders(ItemSelection& selection, const ExpansionSettings& settings,
                              const std::function<bool(MAbortBase&)>& prepare) {
    return ExpandSelection(selection, settings, Handle(), prepare);
}

void CScrivelDlg::OnSize(UINT type, int clientWidth, int clientHeight) {
    resizer_.OnSize(type, clientWidth, clientHeight);
}

void CScrivelDlg::OnDpiChange(int newDpi, const RECT& suggested) {
    // The icons and the link's font follow the DPI through the watchers; the minimum size, asked for
    // while the window moves, is scaled to the new DPI.
    resizer_.ChangeDpi(newDpi);
    CDialog::OnDpiChange(newDpi, suggested);
    resizer_.PlaceAgain();
    MeasureMinimumPreview();
}

bool CScrivelDlg::OnGetMinMaxInfo(MINMAXINFO& info) {
    return resizer_.LimitSize(info, minPreviewHeight_);
}

void CScrivelDlg::OnDpiChanged(int /*oldDpi*/, int /*newDpi*/) {
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    if (productIcon_) {
        SendMessageW(productIcon_, STM_SETICON, reinterpret_cast<WPARAM>(largeIcon_.Get()), 0);
    }
}

void ShowOptionsDialog(std::span<const std::u16string> paths, HWND owner) {
    ItemSelection selection;
    for (const std::u16string& path : paths) {
        selection.AddPath(path);
    }
    // The dialog's presenter puts the selection in the stored order.
    CScrivelDlg dialog(selection);
    dialog.DoModal(owner);
}

}  // namespace quillet::shellext
