#include "DialogDriver.h"

#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <future>
#include <optional>
#include <stdexcept>
#include <utility>

#include <gtest/gtest.h>

#include "../unit/TestSupport.h"
#include "OptionsDialogIds.h"
#include "core/layout/DpiScale.h"
#include "core/layout/TextScale.h"
#include "platform/Clipboard.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Handles.h"

namespace quillet::test {
namespace {

// The driver of the dialog running on this thread, for the message hooks, which have no other way to
// find it: they run on the dialog's thread, and two drivers may run at once.
thread_local DialogDriver* activeDriver = nullptr;

// What Settle posts to learn when the dialog's thread has taken everything posted before it.
UINT MarkMessage() {
    static const UINT mark = RegisterWindowMessageW(L"QuilletTestDriverMark");
    return mark;
}

struct FindData {
    const wchar_t* title;
    HWND found;
    HWND except;
};

// A visible dialog window of the thread titled title; with no title, any one but except.
HWND FindThreadDialog(DWORD threadId, const std::u16string& title, HWND except = nullptr) {
    FindData data{reinterpret_cast<const wchar_t*>(title.c_str()), nullptr, except};
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM param) -> BOOL {
            auto* find = reinterpret_cast<FindData*>(param);
            wchar_t text[128] = {};
            wchar_t className[16] = {};
            GetWindowTextW(window, text, 128);
            GetClassNameW(window, className, 16);
            if (IsWindowVisible(window) && wcscmp(className, L"#32770") == 0 &&
                (*find->title ? wcscmp(text, find->title) == 0 : window != find->except)) {
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

// The window class name in lower case: the system's own classes answer in mixed case.
std::wstring ClassOf(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    std::wstring lower = name;
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(towlower(c));
    }
    return lower;
}

std::string Describe(HWND control) {
    const std::string text = Printable(WindowText(control));
    return "control " + std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\"";
}

// The extent of text drawn on one line, or wrapped at width, in the control's font.
SIZE TextExtent(HWND control, const std::u16string& text, UINT format, int width) {
    RECT rect{0, 0, width, 0};
    const platform::UniqueWindowDC windowDC = platform::WindowDC(control);
    const HDC dc = windowDC.Get().dc;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()), &rect,
              format | DT_CALCRECT | DT_EXPANDTABS);
    if (old) {
        SelectObject(dc, old);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The room a control's text needs, and the room it has; nothing to check when the control shows no
// text of its own.
struct TextRoom {
    SIZE needed{};
    SIZE available{};
};

std::optional<TextRoom> RoomOf(HWND control, int dpi) {
    RECT client{};
    GetClientRect(control, &client);
    const std::wstring kind = ClassOf(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const std::u16string text = WindowText(control);
    const UINT prefix = (kind == L"static" && (style & SS_NOPREFIX)) ? DT_NOPREFIX : 0;
    if (kind == L"static") {
        const LONG type = style & SS_TYPEMASK;
        if (text.empty() || (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT &&
                             type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)) {
            return std::nullopt;
        }
        // Wrapped text that needs more lines than fit is clipped as surely as a line too long.
        const UINT wrap = type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE ? DT_SINGLELINE : DT_WORDBREAK;
        return TextRoom{TextExtent(control, text, wrap | prefix, client.right),
                        {client.right, client.bottom}};
    }
    if (kind == L"button") {
        const SIZE extent = TextExtent(control, text, DT_SINGLELINE, 0);
        switch (style & BS_TYPEMASK) {
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_3STATE:
            case BS_AUTO3STATE:
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
                // The box or circle, 13 pixels at 96 DPI, and the gap before the text.
                return TextRoom{{extent.cx + ScaleForDpi(13 + 3, dpi), extent.cy},
                                {client.right, client.bottom}};
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
                // The raised edge and the focus rectangle on both sides.
                return TextRoom{{extent.cx + 2 * ScaleForDpi(4, dpi), extent.cy + 2 * ScaleForDpi(2, dpi)},
                                {client.right, client.bottom}};
            case BS_GROUPBOX:
                // The caption breaks the frame some way in from its left corner.
                return TextRoom{{extent.cx + 2 * ScaleForDpi(8, dpi), extent.cy},
                                {client.right, client.bottom}};
            default:
                return std::nullopt;  // drawn by its owner, in its own font
        }
    }
    if (kind == L"combobox") {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (!GetComboBoxInfo(control, &info)) {
            return std::nullopt;
        }
        SIZE widest{};
        const int count = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            const auto length = SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
            std::u16string entry(static_cast<std::size_t>(length) + 1, u'\0');
            SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(entry.data()));
            entry.resize(static_cast<std::size_t>(length));
            const SIZE extent = TextExtent(control, entry, DT_SINGLELINE | DT_NOPREFIX, 0);
            widest = {std::max(widest.cx, extent.cx), std::max(widest.cy, extent.cy)};
        }
        return TextRoom{widest, {info.rcItem.right - info.rcItem.left, info.rcItem.bottom - info.rcItem.top}};
    }
    return std::nullopt;
}

bool IsGroupBox(HWND control) {
    return ClassOf(control) == L"button" && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

DialogDriver::DialogDriver(std::function<void()> showDialog, std::u16string_view title) {
    std::promise<DWORD> started;
    std::future<DWORD> threadId = started.get_future();
    thread_ = std::thread([this, &started, showDialog = std::move(showDialog)] {
        activeDriver = this;
        {
            const platform::UniqueWindowsHook hook(SetWindowsHookExW(
                WH_CALLWNDPROC, &DialogDriver::WatchMessages, nullptr, GetCurrentThreadId()));
            const platform::UniqueWindowsHook takenHook(
                SetWindowsHookExW(WH_GETMESSAGE, &DialogDriver::WatchTaken, nullptr, GetCurrentThreadId()));
            started.set_value(GetCurrentThreadId());
            showDialog();
        }
        finished_ = true;
    });
    threadId_ = threadId.get();
    const std::u16string wanted(title);
    WaitFor([&] {
        dialog_ = FindThreadDialog(threadId_, wanted);
        return dialog_ != nullptr || finished_;
    });
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
        // A dialog that asks before it discards the user's changes is told Yes.
        WaitFor([&] {
            if (const HWND question = FindThreadDialog(threadId_, std::u16string(), dialog_)) {
                PostMessageW(question, WM_COMMAND, IDYES, 0);
            }
            return !IsWindow(dialog_);
        });
        thread_.join();
    }
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

void DialogDriver::ChangeDpi(int dpi, const RECT& suggested) const {
    SendMessageW(dialog_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

void DialogDriver::Focus(int id) const {
    SendMessageW(dialog_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void DialogDriver::PressKey(UINT key) const {
    // Posted, like real keys, so that the dialog's loop sees them first. With no focus they go to no
    // window, as a real key would.
    const HWND focus = Focused();
    if (focus) {
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    }
    // So that the next key goes where this one left the focus.
    Settle();
}

void DialogDriver::Settle() const {
    // Twice: what handling the messages posted (a key's characters) lies behind the first mark.
    for (int pass = 0; pass < 2; ++pass) {
        const unsigned posted = ++marksPosted_;
        if (!PostMessageW(dialog_, MarkMessage(), posted, 0)) {
            return;  // the dialog has gone
        }
        if (!WaitFor([&] { return lastMarkTaken_ >= posted || !IsWindow(dialog_); })) {
            ADD_FAILURE() << "the dialog's thread took no messages";
            return;
        }
    }
}

HWND DialogDriver::Focused() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(threadId_, &info);
    return info.hwndFocus;
}

HWND DialogDriver::WaitForOwnedWindow() const {
    std::pair<HWND, HWND> find{dialog_, nullptr};
    WaitFor([&] {
        EnumThreadWindows(
            threadId_,
            [](HWND window, LPARAM param) -> BOOL {
                auto* wanted = reinterpret_cast<std::pair<HWND, HWND>*>(param);
                if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == wanted->first) {
                    wanted->second = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&find));
        return find.second != nullptr;
    });
    return find.second;
}

void DialogDriver::PressKeys(std::initializer_list<WORD> keys) const {
    // Real input goes to the foreground window: the thread's active one, the dialog or a window it
    // opened. The keys are released in reverse order.
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(threadId_, &info);
    SetForegroundWindow(info.hwndActive ? info.hwndActive : dialog_);
    const unsigned released = keysReleased_ + static_cast<unsigned>(keys.size());
    std::vector<INPUT> inputs;
    for (const WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = keys.end(); key != keys.begin();) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    // Input is taken after posted messages: wait for the keys themselves before the mark.
    if (!WaitFor([&] { return keysReleased_ >= released || !IsWindow(dialog_); })) {
        ADD_FAILURE() << "the dialog's thread did not take the keys";
    }
    Settle();
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

RECT DialogDriver::RectOf(HWND control) const {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, dialog_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT DialogDriver::WindowRect() const {
    RECT rect{};
    GetWindowRect(dialog_, &rect);
    return rect;
}

std::vector<HWND> DialogDriver::Children() const {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
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

LRESULT CALLBACK DialogDriver::WatchTaken(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && activeDriver) {
        activeDriver->OnTaken(*reinterpret_cast<const MSG*>(lParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogDriver::OnTaken(const MSG& message) {
    if (message.message == MarkMessage()) {
        lastMarkTaken_ = static_cast<unsigned>(message.wParam);
    } else if (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) {
        ++keysReleased_;
    }
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
    sighting.layoutFaults = test::LayoutFaults(progress, static_cast<int>(GetDpiForWindow(progress)));
    const std::lock_guard lock(mutex_);
    if (std::exchange(inspectNextScan_, false)) {
        sighting.accessibilityFaults = AccessibilityFaults(progress);
    }
    sightings_.push_back(sighting);
    if (cancelNextScan_) {
        cancelNextScan_ = false;
        if (cancelKey_ != 0) {
            PostMessageW(GetDlgItem(progress, IDCANCEL), WM_KEYDOWN, cancelKey_, 1);
            PostMessageW(GetDlgItem(progress, IDCANCEL), WM_KEYUP, cancelKey_, 0xC0000001);
        } else {
            PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
        }
    }
}

std::vector<std::string> LayoutFaults(HWND window, int dpi) {
    std::vector<std::string> faults;
    std::vector<HWND> visible;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        // The size grip lies beneath the other controls on purpose: only its uncovered corner shows
        // and takes the mouse.
        const bool grip = ClassOf(child) == L"scrollbar" && (GetWindowLongW(child, GWL_STYLE) & SBS_SIZEGRIP);
        if (IsWindowVisible(child) && !grip) {
            visible.push_back(child);
        }
    }
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    for (HWND control : visible) {
        const std::optional<TextRoom> room = RoomOf(control, dpi);
        if (room && (room->needed.cx > room->available.cx || room->needed.cy > room->available.cy)) {
            faults.push_back(Describe(control) + " needs " + std::to_string(room->needed.cx) + " x " +
                             std::to_string(room->needed.cy) + " px, has " +
                             std::to_string(room->available.cx) + " x " + std::to_string(room->available.cy));
        }
        RECT rect{};
        GetWindowRect(control, &rect);
        if (!Contains(client, rect)) {
            faults.push_back(Describe(control) + " reaches out of the window");
        }
    }
    for (std::size_t i = 0; i < visible.size(); ++i) {
        for (std::size_t j = i + 1; j < visible.size(); ++j) {
            RECT a{};
            RECT b{};
            GetWindowRect(visible[i], &a);
            GetWindowRect(visible[j], &b);
            RECT common{};
            if (!IntersectRect(&common, &a, &b) || (IsGroupBox(visible[i]) && Contains(a, b)) ||
                (IsGroupBox(visible[j]) && Contains(b, a))) {
                continue;
            }
            faults.push_back(Describe(visible[i]) + " overlaps " + Describe(visible[j]));
        }
    }
    return faults;
}

Announced AnnouncedOf(HWND control, long child) {
    Announced announced;
    platform::ComPtr<IAccessible> object;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          object.ReceiveAny()))) {
        return announced;
    }
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = child;
    platform::UniqueBstr text;
    if (object->get_accName(id, text.Receive()) == S_OK && text) {
        announced.name = reinterpret_cast<const char16_t*>(text.Get());
    }
    if (object->get_accDescription(id, text.Receive()) == S_OK && text) {
        announced.description = reinterpret_cast<const char16_t*>(text.Get());
    }
    VARIANT value{};
    if (object->get_accRole(id, &value) == S_OK && value.vt == VT_I4) {
        announced.role = value.lVal;
    }
    if (object->get_accState(id, &value) == S_OK && value.vt == VT_I4) {
        announced.state = value.lVal;
    }
    return announced;
}

std::vector<std::string> AccessibilityFaults(HWND window, const std::vector<std::pair<int, long>>& roles,
                                             const std::vector<std::u16string>& shared) {
    // The role each kind of control has for a screen reader.
    const auto expectedRole = [&](HWND control) -> long {
        for (const auto& [id, role] : roles) {
            if (GetDlgCtrlID(control) == id) {
                return role;
            }
        }
        // Class, the style bits looked at and their value; the first row that matches.
        struct KindRow {
            const wchar_t* kind;
            LONG mask;
            LONG value;
            long role;
        };
        static const KindRow kKinds[] = {
            {L"button", BS_TYPEMASK, BS_GROUPBOX, ROLE_SYSTEM_GROUPING},
            {L"button", BS_TYPEMASK, BS_CHECKBOX, ROLE_SYSTEM_CHECKBUTTON},
            {L"button", BS_TYPEMASK, BS_AUTOCHECKBOX, ROLE_SYSTEM_CHECKBUTTON},
            {L"button", BS_TYPEMASK, BS_RADIOBUTTON, ROLE_SYSTEM_RADIOBUTTON},
            {L"button", BS_TYPEMASK, BS_AUTORADIOBUTTON, ROLE_SYSTEM_RADIOBUTTON},
            {L"button", 0, 0, ROLE_SYSTEM_PUSHBUTTON},
            {L"static", SS_TYPEMASK, SS_ICON, ROLE_SYSTEM_GRAPHIC},
            {L"static", SS_TYPEMASK, SS_BITMAP, ROLE_SYSTEM_GRAPHIC},
            {L"static", SS_TYPEMASK, SS_ETCHEDHORZ, ROLE_SYSTEM_SEPARATOR},
            {L"static", 0, 0, ROLE_SYSTEM_STATICTEXT},
            {L"edit", 0, 0, ROLE_SYSTEM_TEXT},
            {L"combobox", 0, 0, ROLE_SYSTEM_COMBOBOX},
            {L"syslistview32", 0, 0, ROLE_SYSTEM_LIST},
            {L"scrollbar", SBS_SIZEGRIP, SBS_SIZEGRIP, ROLE_SYSTEM_GRIP},
        };
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        for (const KindRow& row : kKinds) {
            if (ClassOf(control) == row.kind && (style & row.mask) == row.value) {
                return row.role;
            }
        }
        return -1L;
    };
    std::vector<std::string> faults;
    std::vector<std::u16string> names;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        // By style: the folder-reading window may not be shown yet.
        if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
            continue;
        }
        const Announced announced = AnnouncedOf(child);
        const long role = expectedRole(child);
        const std::string which = Describe(child) + " (" + Printable(announced.name) + ")";
        if (announced.role != role) {
            faults.push_back(which + ": role " + std::to_string(announced.role) + ", not " +
                             std::to_string(role));
        }
        const bool decorative =
            role == ROLE_SYSTEM_GRAPHIC || role == ROLE_SYSTEM_SEPARATOR || role == ROLE_SYSTEM_GRIP;
        if (announced.name.empty() && !decorative) {
            faults.push_back(which + ": no name");
        }
        if (role == ROLE_SYSTEM_STATICTEXT || announced.name.empty()) {
            continue;
        }
        if (std::find(names.begin(), names.end(), announced.name) != names.end() &&
            std::find(shared.begin(), shared.end(), announced.name) == shared.end()) {
            faults.push_back(which + ": name taken twice");
        }
        names.push_back(announced.name);
    }
    if (names.empty()) {
        faults.push_back("nothing to read");
    }
    return faults;
}

TextSizeScope::TextSizeScope(int percent) {
    saved_.cbSize = sizeof(saved_);
    if (percent == 100 || !SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(saved_), &saved_, 0)) {
        return;
    }
    NONCLIENTMETRICSW larger = saved_;
    const int dpi = GetDeviceCaps(platform::WindowDC(nullptr).Get().dc, LOGPIXELSY);
    larger.lfMessageFont.lfHeight = -ScaleForDpi(ScaleForText(kNormalMessageFontHeight96, percent), dpi);
    // Not written to the user's settings: the system keeps it until the session ends or it is set back.
    changed_ = SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(larger), &larger, 0) != FALSE;
    EXPECT_TRUE(changed_) << "the message font could not be set to " << percent << "%";
}

TextSizeScope::~TextSizeScope() {
    if (changed_) {
        SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(saved_), &saved_, 0);
    }
}

int FontHeight(HWND window) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    return handle && GetObjectW(handle, sizeof(font), &font) == sizeof(font) ? font.lfHeight : 0;
}

std::u16string ClipboardText() {
    const platform::OpenClipboardScope clipboard;
    if (!clipboard.IsOpen()) {
        return u"<clipboard busy>";
    }
    const platform::GlobalLockScope text(GetClipboardData(CF_UNICODETEXT));
    return text.Data() ? static_cast<const char16_t*>(text.Data()) : u"<no text>";
}

void SetClipboardText(std::u16string_view text) {
    platform::ReplaceClipboardText(text);
}

}  // namespace quillet::test
