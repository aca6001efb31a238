#include "DialogDriver.h"

#include <chrono>
#include <future>
#include <stdexcept>

#include "OptionsDialogIds.h"

namespace quillet::test {
namespace {

// The driver whose dialog thread is running; the message hook has no other way to find it.
DialogDriver* activeDriver = nullptr;

struct FindData {
    const wchar_t* title;
    HWND found;
};

HWND FindThreadDialog(DWORD threadId, const std::u16string& title) {
    FindData data{reinterpret_cast<const wchar_t*>(title.c_str()), nullptr};
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM param) -> BOOL {
            auto* find = reinterpret_cast<FindData*>(param);
            wchar_t text[128] = {};
            wchar_t className[16] = {};
            GetWindowTextW(window, text, 128);
            GetClassNameW(window, className, 16);
            if (IsWindowVisible(window) && wcscmp(className, L"#32770") == 0 &&
                wcscmp(text, find->title) == 0) {
                find->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&data));
    return data.found;
}

std::u16string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

}  // namespace

DialogDriver::DialogDriver(std::function<void()> showDialog, std::u16string_view title) {
    std::promise<DWORD> started;
    std::future<DWORD> threadId = started.get_future();
    activeDriver = this;
    thread_ = std::thread([this, &started, showDialog = std::move(showDialog)] {
        hook_ =
            SetWindowsHookExW(WH_CALLWNDPROC, &DialogDriver::WatchMessages, nullptr, GetCurrentThreadId());
        started.set_value(GetCurrentThreadId());
        showDialog();
        UnhookWindowsHookEx(hook_);
    });
    threadId_ = threadId.get();
    const std::u16string wanted(title);
    for (int attempt = 0; attempt < 1000 && !dialog_; ++attempt) {
        dialog_ = FindThreadDialog(threadId_, wanted);
        if (!dialog_) {
            Sleep(10);
        }
    }
    if (!dialog_) {
        // The thread may still be inside the dialog; nothing can close it.
        thread_.detach();
        throw std::runtime_error("the dialog did not appear (no display?)");
    }
}

DialogDriver::~DialogDriver() {
    if (thread_.joinable()) {
        if (IsWindow(dialog_)) {
            PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
        }
        thread_.join();
    }
    activeDriver = nullptr;
}

void DialogDriver::Click(int id) const {
    SendMessageW(Item(id), BM_CLICK, 0, 0);
}

void DialogDriver::Choose(int id, int index) const {
    SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
}

void DialogDriver::Type(int id, std::u16string_view text) const {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (char16_t c : text) {
        SendMessageW(Item(id), WM_CHAR, c, 1);
    }
}

void DialogDriver::Resize(int width, int height) const {
    SetWindowPos(dialog_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::u16string DialogDriver::Text(int id) const {
    return WindowText(Item(id));
}

bool DialogDriver::IsChecked(int id) const {
    return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int DialogDriver::Selected(int id) const {
    return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
}

std::vector<std::u16string> DialogDriver::Entries(int id) const {
    std::vector<std::u16string> entries;
    const int count = static_cast<int>(SendMessageW(Item(id), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto length = SendMessageW(Item(id), CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::u16string entry(static_cast<std::size_t>(length) + 1, u'\0');
        SendMessageW(Item(id), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(static_cast<std::size_t>(length));
        entries.push_back(entry);
    }
    return entries;
}

RECT DialogDriver::RectOf(int id) const {
    RECT rect{};
    GetWindowRect(Item(id), &rect);
    MapWindowPoints(HWND_DESKTOP, dialog_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE DialogDriver::WindowSize() const {
    RECT rect{};
    GetWindowRect(dialog_, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void DialogDriver::CloseWith(int buttonId) {
    PostMessageW(Item(buttonId), BM_CLICK, 0, 0);
    thread_.join();
}

std::vector<ProgressSighting> DialogDriver::ProgressSightings() const {
    const std::lock_guard lock(mutex_);
    return sightings_;
}

LRESULT CALLBACK DialogDriver::WatchMessages(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && activeDriver) {
        activeDriver->OnMessage(*reinterpret_cast<const CWPSTRUCT*>(lParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogDriver::OnMessage(const CWPSTRUCT& message) {
    // The folder-reading window is told each folder through its path label.
    if (message.message != WM_SETTEXT || GetDlgCtrlID(message.hwnd) != IDC_SCAN_FOLDER) {
        return;
    }
    const HWND progress = GetParent(message.hwnd);
    ProgressSighting sighting;
    sighting.title = WindowText(progress);
    sighting.folder = reinterpret_cast<const char16_t*>(message.lParam);
    sighting.progressVisible = IsWindowVisible(progress) != FALSE;
    sighting.ownerEnabled = IsWindowEnabled(GetWindow(progress, GW_OWNER)) != FALSE;
    const std::lock_guard lock(mutex_);
    sightings_.push_back(sighting);
    if (cancelNextScan_) {
        cancelNextScan_ = false;
        PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
    }
}

std::u16string ClipboardText() {
    std::u16string text = u"<no text>";
    if (!OpenClipboard(nullptr)) {
        return u"<clipboard busy>";
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const char16_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(std::u16string_view text) {
    if (!OpenClipboard(nullptr)) {
        return;
    }
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        auto* chars = static_cast<char16_t*>(GlobalLock(memory));
        text.copy(chars, text.size());
        chars[text.size()] = u'\0';
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

}  // namespace quillet::test
