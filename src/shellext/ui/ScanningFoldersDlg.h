// The "Reading folders" window: shows the folder being read and offers Cancel while the Options
// dialog expands the selected folders on the user-interface thread.
#pragma once

#include <windows.h>

#include <functional>

#include "core/copy/FolderScan.h"
#include "core/format/Items.h"
#include "winui/Dialog.h"

namespace quillet::shellext {

class CScanningFoldersDlg final : public winui::CDialog, public MAbortBase {
  public:
    CScanningFoldersDlg();

    void SetCurrentFolder(const std::u16string& path) override;
    // Lets waiting messages through (painting, the Cancel button) and tells whether Cancel was pressed.
    // The queue is looked at no more often than every kQueueLookInterval.
    bool CheckAbort() override;

  private:
    bool OnInitDialog() override;
    // Cancel, Escape, the close box and Enter (which presses the focused Cancel) only raise the flag;
    // the scan closes the window when it returns.
    void OnCancel() override { cancelled_ = 1; }
    void OnOK() override { cancelled_ = 1; }

    static constexpr ULONGLONG kQueueLookInterval = 10;  // milliseconds

    winui::CStatic folder_;
    int cancelled_ = 0;
    ULONGLONG lastQueueLook_ = 0;
};

// Expands every selected folder with the progress window shown over owner, which takes no input
// meanwhile, then runs prepare under the same window (false when it was cancelled). True when the
// user cancelled the reading (the selection then shows its unexpanded items) or prepare.
bool ExpandSelection(ItemSelection& selection, const ExpansionSettings& settings, HWND owner,
                     const std::function<bool(MAbortBase&)>& prepare);

}  // namespace quillet::shellext
