#include "shellext/ui/ScanningFoldersDlg.h"

#include "OptionsDialogIds.h"

namespace quillet::shellext {
namespace {

// Centres a window over its owner, or leaves it where it is without one.
void CentreOverOwner(HWND window) {
    const HWND owner = GetWindow(window, GW_OWNER);
    if (!owner) {
        return;
    }
    RECT ownerRect{};
    RECT rect{};
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(window, &rect);
    const int x = ownerRect.left + ((ownerRect.right - ownerRect.left) - (rect.right - rect.left)) / 2;
    const int y = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - (rect.bottom - rect.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CScanningFoldersDlg::CScanningFoldersDlg() : CDialog(IDD_SCANNING_FOLDERS) {
    Bind(IDC_SCAN_FOLDER, folder_);
}

bool CScanningFoldersDlg::OnInitDialog() {
    CentreOverOwner(Handle());
    return true;
}

void CScanningFoldersDlg::SetCurrentFolder(const std::u16string& path) {
    if (Handle()) {
        folder_.SetText(path);
    }
}

bool CScanningFoldersDlg::CheckAbort() {
    // Running the message loop after every entry would cost a large tree several times its reading
    // time: look at the queue at most every few milliseconds, and dispatch only when something waits.
    const ULONGLONG now = GetTickCount64();
    if (now - lastQueueLook_ < kQueueLookInterval) {
        return cancelled_ != 0;
    }
    lastQueueLook_ = now;
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The thread is asked to end: stop the scan and leave the request for the loop above.
                PostQuitMessage(static_cast<int>(message.wParam));
                cancelled_ = 1;
                break;
            }
            if (Handle() && IsDialogMessageW(Handle(), &message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return cancelled_ != 0;
}

bool ExpandSelection(ItemSelection& selection, const ExpansionSettings& settings, HWND owner,
                     const std::function<bool(MAbortBase&)>& prepare) {
    CScanningFoldersDlg progress;
    if (progress.Create(owner)) {
        UpdateWindow(progress.Handle());
    }
    EnableWindow(owner, FALSE);
    MAbortBase& abort = progress;
    const bool cancelled = ExpandSelection(selection, settings, abort) || !prepare(abort);
    EnableWindow(owner, TRUE);
    progress.Close(IDCANCEL);
    // The system hands the activation to the progress window's owner only when it was active itself:
    // the owner takes it back whatever window the user clicked while it was disabled.
    if (owner && GetActiveWindow() != owner) {
        SetActiveWindow(owner);
    }
    return cancelled;
}

}  // namespace quillet::shellext
