// Drives a dialog that runs modally on a thread of its own, the way a user would: by window messages
// from the test's thread, reading back what the controls show.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "../unit/WaitFor.h"

namespace quillet::test {

// What the folder-reading window showed each time it was told a folder.
struct ProgressSighting {
    std::u16string title;
    std::u16string folder;
    bool progressVisible = false;
    bool ownerEnabled = false;
    std::vector<std::string> layoutFaults;  // as LayoutFaults gives them
    // What a screen reader would miss in the window, when the test asked (InspectNextScan).
    std::vector<std::string> accessibilityFaults;
};

// What a user would see wrong with a window's layout at dpi, one line each: visible controls whose text
// does not fit (static texts, check boxes, radio buttons, push buttons, group boxes, the entries of
// drop-down lists), visible controls that overlap, except a group box and what it holds, and visible
// controls that reach out of the window's client area.
std::vector<std::string> LayoutFaults(HWND window, int dpi);

// The system's message font at percent of its normal size (9 points), as Windows' text-size setting
// makes it, for this session; the font as it was comes back when the scope ends. At 100 nothing changes.
class TextSizeScope {
  public:
    explicit TextSizeScope(int percent);
    ~TextSizeScope();
    TextSizeScope(const TextSizeScope&) = delete;
    TextSizeScope& operator=(const TextSizeScope&) = delete;

  private:
    NONCLIENTMETRICSW saved_{};
    bool changed_ = false;
};

// The height (LOGFONT's lfHeight) of a window's font.
int FontHeight(HWND window);

// What a screen reader is told of a control or, with child, of a list's item (counted from 1): read
// through oleacc in this process, as Wine answers only there. Needs COM in the multithreaded
// apartment on the calling thread (the dialog threads join it).
struct Announced {
    std::u16string name;
    long role = 0;
    long state = 0;
    std::u16string description;
};
Announced AnnouncedOf(HWND control, long child = 0);

// What a screen reader would miss in window, one line each, for every visible child control: no
// name (pictures, lines and the size grip need none), a role other than the one its kind has (roles:
// the exceptions, by control id), two controls of one name (labels aside, which share the name of
// what they label; shared: names that may come twice).
std::vector<std::string> AccessibilityFaults(HWND window, const std::vector<std::pair<int, long>>& roles = {},
                                             const std::vector<std::u16string>& shared = {});

class DialogDriver {
  public:
    // Runs showDialog on a new thread and waits until a dialog window titled title is visible there.
    DialogDriver(std::function<void()> showDialog, std::u16string_view title);
    // Cancels a dialog that is still open and waits for its thread.
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    HWND Dialog() const { return dialog_; }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    // A click on a button, check box or radio button (BM_CLICK).
    void Click(int id) const;
    // Chooses a drop-down list entry and sends the notification the list would send.
    void Choose(int id, int index) const;
    // Empties an edit box, then types text into it character by character.
    void Type(int id, std::u16string_view text) const;
    // Resizes the dialog window, as dragging its border would.
    void Resize(int width, int height) const;
    // Tells the dialog what the system tells a window moved to a monitor of another DPI.
    void ChangeDpi(int dpi, const RECT& suggested) const;
    // Gives a control the keyboard focus, as the Tab key would, with focus rectangles shown.
    void Focus(int id) const;
    // Presses and releases a key on the focused control, through the dialog's message loop, and waits
    // until the loop has handled it.
    void PressKey(UINT key) const;
    // Presses keys together as the keyboard does (SendInput), e.g. {VK_CONTROL, VK_UP}: the modifier
    // state is real, which posted messages cannot give. Waits until the loop has handled them.
    void PressKeys(std::initializer_list<WORD> keys) const;
    // Waits until the dialog's thread has handled every message posted to it so far, and what handling
    // them posted in turn (a key's characters); at once when the dialog has gone. A nested loop (a
    // message box the messages opened) counts as handling them.
    void Settle() const;

    std::u16string Text(int id) const;
    bool IsEnabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    bool IsVisible(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
    bool IsChecked(int id) const;
    int Selected(int id) const;
    std::vector<std::u16string> Entries(int id) const;
    // A control's rectangle in the dialog's client coordinates.
    RECT RectOf(int id) const { return RectOf(Item(id)); }
    RECT RectOf(HWND control) const;
    SIZE WindowSize() const;
    RECT WindowRect() const;
    // Every child window of the dialog, in z-order.
    std::vector<HWND> Children() const;

    // The dialog's layout faults (the free LayoutFaults) at dpi.
    std::vector<std::string> LayoutFaults(int dpi) const { return test::LayoutFaults(dialog_, dpi); }

    // The window that has the keyboard focus on the dialog's thread, or null.
    HWND Focused() const;
    // Waits for a window that the dialog owns (a message box) and gives it, or null.
    HWND WaitForOwnedWindow() const;

    // Presses a button that closes the dialog and waits for the dialog's thread to finish.
    void CloseWith(int buttonId);

    // What the folder-reading window showed so far, one entry per folder it was told.
    std::vector<ProgressSighting> ProgressSightings() const;
    // The next scan is cancelled as soon as it reports its first folder, as a quick user would: by the
    // Cancel button, or by a key pressed on it.
    void CancelNextScan(UINT key = 0) {
        const std::lock_guard lock(mutex_);
        cancelNextScan_ = true;
        cancelKey_ = key;
    }
    // The folder-reading window's controls are checked for a screen reader when it shows the next scan's
    // first folder.
    void InspectNextScan() {
        const std::lock_guard lock(mutex_);
        inspectNextScan_ = true;
    }

  private:
    static LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WatchTaken(int code, WPARAM wParam, LPARAM lParam);
    void OnMessage(const CWPSTRUCT& message);
    void OnTaken(const MSG& message);

    std::thread thread_;
    DWORD threadId_ = 0;
    std::atomic<bool> finished_{false};
    // What the dialog's thread took from its queue: the last mark of Settle, and the keys released.
    mutable unsigned marksPosted_ = 0;
    std::atomic<unsigned> lastMarkTaken_{0};
    std::atomic<unsigned> keysReleased_{0};
    HWND dialog_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<ProgressSighting> sightings_;
    bool cancelNextScan_ = false;
    UINT cancelKey_ = 0;
    bool inspectNextScan_ = false;
};

// The clipboard's Unicode text, or a marker when it holds none.
std::u16string ClipboardText();
void SetClipboardText(std::u16string_view text);

}  // namespace quillet::test
