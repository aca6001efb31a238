// The Options dialog: shapes a one-off copy of the selection with a live preview, and puts the
// preview's text on the clipboard on OK. Its rules live in OptionsPresenter; this class binds the
// controls, forwards their events and shows the presenter's state.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "core/copy/CopyOptions.h"
#include "core/format/Items.h"
#include "core/options/OptionsPresenter.h"
#include "winui/ButtonLink.h"
#include "winui/Dialog.h"
#include "winui/DialogResizer.h"
#include "winui/ModuleInfo.h"
#include "winui/ScreenDpi.h"

namespace quillet::shellext {

class CScrivelDlg final : public winui::CDialog,
                          private winui::ScreenDpi::ScreenDpiWatcher,
                          private OptionsPresenter::FolderScanner {
  public:
    // Loads the stored copy options into its own; the presenter applies their sort order to the
    // selection, which the caller owns. The web link opens its address with openLink; Help and F1 call
    // the help viewer.
    explicit CScrivelDlg(ItemSelection& selection,
                         winui::CButtonLink::OpenAction openLink = &winui::CButtonLink::OpenInBrowser,
                         winui::HtmlHelpCall helpViewer = &winui::SystemHtmlHelp);
    // Tells the presenter the dialog closed (it stores the options).
    ~CScrivelDlg() override;

  private:
    // What a control stands for: an option's check box or list, a folder setting's check box or text
    // box, one of the two folder modes, or a command.
    struct FolderCheck {
        FolderSetting setting;
    };
    struct FolderText {
        FolderSetting setting;
    };
    enum class FolderMode { Names, Files };
    enum class Command { Rescan };
    using Binding =
        std::variant<std::monostate, OptionCheck, OptionChoice, FolderCheck, FolderText, FolderMode, Command>;
    // Where a control goes when a selection without folders hides the folder options and the dialog
    // narrows by their column.
    enum class WithoutFolders { Stays, Hidden, MovesLeft, Narrows };
    // One row a control: its number, what it stands for, the presenter's rule for its enabled state,
    // how it follows the dialog's edges, where it goes without folders, and the member that holds it
    // where the dialog's code speaks of it by name (null for the others, found by their numbers).
    struct ControlRow {
        int id;
        Binding binding;
        std::optional<OptionsControl> enabledBy;
        AnchorRule anchor;
        WithoutFolders withoutFolders;
        winui::CWindow CScrivelDlg::*member = nullptr;
    };
    static std::span<const ControlRow> ControlRows();
    HWND Item(const ControlRow& row) const { return GetDlgItem(Handle(), row.id); }
    // Forwards a control's event to the presenter; false when the row stands for nothing that event
    // changes.
    bool Forward(const ControlRow& row, int notifyCode);

    bool OnInitDialog() override;
    bool OnCommand(int controlId, int notifyCode) override;
    void OnOK() override;
    void OnSize(UINT type, int clientWidth, int clientHeight) override;
    void OnDpiChange(int newDpi, const RECT& suggested) override;
    bool OnGetMinMaxInfo(MINMAXINFO& info) override;
    void OnDpiChanged(int oldDpi, int newDpi) override;
    bool ScanFolders(ItemSelection& selection, const ExpansionSettings& settings,
                     const std::function<bool(MAbortBase&)>& prepare) override;

    void HideFolderOptions();
    void ShowProductVersion();
    void LoadControls();
    void RecordLayout();
    void MeasureMinimumPreview();
    void ShowState();

    winui::CEdit preview_;
    winui::CStatic summary_;
    winui::CWindow optionsGroup_, folderGroup_, productVersion_;

    std::shared_ptr<winui::ScreenDpi> dpi_ = std::make_shared<winui::ScreenDpi>();
    winui::ScaledIcon smallIcon_;
    // The product icon in the dialog's top left corner, and the picture it shows after a DPI change.
    HWND productIcon_ = nullptr;
    winui::ScaledIcon largeIcon_;
    winui::CDialogResizer resizer_{dpi_};
    winui::CButtonLink link_;
    // The smallest preview at the current DPI.
    int minPreviewHeight_ = 0;

    CopyOptions options_;  // this dialog's own: another thread's dialog has its own
    ItemSelection& selection_;
    OptionsPresenter presenter_;
    std::uint64_t shownRevision_ = 0;
};

// Runs the Options dialog for the selected paths, owned by the window given (none for null).
void ShowOptionsDialog(std::span<const std::u16string> paths, HWND owner);

}  // namespace quillet::shellext
