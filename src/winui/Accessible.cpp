#include "winui/Accessible.h"

#include <commctrl.h>
#include <oleacc.h>

#include <atomic>
#include <cwctype>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/win32/ComPtr.h"
#include "platform/win32/WideString.h"

namespace quillet::winui {
namespace {

constexpr UINT_PTR kSubclassId = 0x41CC;

// What a control was told beyond what its window says.
struct ControlAccess {
    long role = 0;  // 0: its kind's
    ItemDescriber describe;
};

std::wstring ClassOf(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    std::wstring lower = name;
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return lower;
}

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The text as the user reads it: an access key's '&' dropped, "&&" one '&'.
std::wstring WithoutAccessKey(const std::wstring& text) {
    std::wstring shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) {
            ++i;
        }
        shown += text[i];
    }
    return shown;
}

LONG StyleOf(HWND window) {
    return GetWindowLongW(window, GWL_STYLE);
}

bool IsTextStatic(HWND window) {
    const LONG type = StyleOf(window) & SS_TYPEMASK;
    return ClassOf(window) == L"static" && type != SS_ICON && type != SS_BITMAP && type != SS_ETCHEDHORZ &&
           type != SS_ETCHEDVERT && type != SS_ETCHEDFRAME;
}

long KindRole(HWND control) {
    const std::wstring kind = ClassOf(control);
    const LONG style = StyleOf(control);
    if (kind == L"button") {
        switch (style & BS_TYPEMASK) {
            case BS_GROUPBOX:
                return ROLE_SYSTEM_GROUPING;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_3STATE:
            case BS_AUTO3STATE:
                return ROLE_SYSTEM_CHECKBUTTON;
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
                return ROLE_SYSTEM_RADIOBUTTON;
            default:
                return ROLE_SYSTEM_PUSHBUTTON;
        }
    }
    if (kind == L"static") {
        const LONG type = style & SS_TYPEMASK;
        return type == SS_ICON || type == SS_BITMAP ? ROLE_SYSTEM_GRAPHIC
               : IsTextStatic(control)              ? ROLE_SYSTEM_STATICTEXT
                                                    : ROLE_SYSTEM_SEPARATOR;
    }
    if (kind == L"scrollbar") {
        return (style & SBS_SIZEGRIP) ? ROLE_SYSTEM_GRIP : ROLE_SYSTEM_SCROLLBAR;
    }
    return kind == L"edit"                ? ROLE_SYSTEM_TEXT
           : kind == L"combobox"          ? ROLE_SYSTEM_COMBOBOX
           : kind == L"syslistview32"     ? ROLE_SYSTEM_LIST
           : kind == L"msctls_progress32" ? ROLE_SYSTEM_PROGRESSBAR
                                          : 0;
}

// Buttons and texts say what they are; a field, a list or an icon button is named by the label before
// it in the tab order.
std::wstring NameOf(HWND control, long role) {
    if (role == ROLE_SYSTEM_STATICTEXT) {
        const std::wstring text = TextOf(control);
        return (StyleOf(control) & SS_NOPREFIX) ? text : WithoutAccessKey(text);
    }
    if (role == ROLE_SYSTEM_GRIP || role == ROLE_SYSTEM_SEPARATOR) {
        return {};
    }
    if (ClassOf(control) == L"button") {
        if (std::wstring own = WithoutAccessKey(TextOf(control)); !own.empty()) {
            return own;
        }
    }
    const HWND label = GetWindow(control, GW_HWNDPREV);
    return label && IsTextStatic(label) ? WithoutAccessKey(TextOf(label)) : std::wstring();
}

// Where a served control keeps its record (GetWindowSubclass is not in every import library).
constexpr const wchar_t* kAccessProperty = L"QuilletAccess";

ControlAccess* AccessOf(HWND control) {
    return static_cast<ControlAccess*>(GetPropW(control, kAccessProperty));
}

HRESULT GiveText(std::wstring_view text, BSTR* result) {
    *result = nullptr;
    if (text.empty()) {
        return S_FALSE;
    }
    *result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT GiveLong(long value, VARIANT* result) {
    result->vt = VT_I4;
    result->lVal = value;
    return S_OK;
}

// Runs a method body so that no exception leaves it for the caller (a screen reader).
template <typename Body>
HRESULT Barrier(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// The system's accessible object for a control, with the name, role and state the control means; the
// items of a list view (child ids from 1) with their text and description.
class AccessibleControl final : public IAccessible {
  public:
    AccessibleControl(HWND control, platform::ComPtr<IAccessible> standard)
        : control_(control), standard_(std::move(standard)) {}
    AccessibleControl(const AccessibleControl&) = delete;
    AccessibleControl& operator=(const AccessibleControl&) = delete;

    IFACEMETHODIMP QueryInterface(REFIID iid, void** result) override {
        if (!result) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, __uuidof(IAccessible))) {
            *result = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // The window and the enumeration of children are the system object's.
        *result = nullptr;
        return standard_ ? standard_->QueryInterface(iid, result) : E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
        return Forward(&IAccessible::GetTypeInfoCount, count);
    }
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return Forward(&IAccessible::GetTypeInfo, index, locale, info);
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
        return Forward(&IAccessible::GetIDsOfNames, iid, names, count, locale, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT* argument) override {
        return Forward(&IAccessible::Invoke, id, iid, locale, flags, params, result, exception, argument);
    }

    IFACEMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        return Barrier([&]() -> HRESULT {
            if (!name) {
                return E_POINTER;
            }
            if (IsSelf(child)) {
                return GiveText(NameOf(control_, Role()), name);
            }
            if (const std::optional<std::size_t> item = ItemOf(child)) {
                wchar_t text[512] = {};
                LVITEMW request{};
                request.pszText = text;
                request.cchTextMax = 512;
                SendMessageW(control_, LVM_GETITEMTEXTW, *item, reinterpret_cast<LPARAM>(&request));
                return GiveText(text, name);
            }
            return Forward(&IAccessible::get_accName, child, name);
        });
    }
    IFACEMETHODIMP get_accDescription(VARIANT child, BSTR* description) override {
        return Barrier([&]() -> HRESULT {
            if (!description) {
                return E_POINTER;
            }
            if (const std::optional<std::size_t> item = ItemOf(child)) {
                const ControlAccess* access = AccessOf(control_);
                const std::u16string text =
                    access && access->describe ? access->describe(*item) : std::u16string();
                return GiveText({platform::AsWide(text), text.size()}, description);
            }
            return Forward(&IAccessible::get_accDescription, child, description);
        });
    }
    IFACEMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        return Barrier([&]() -> HRESULT {
            if (!role) {
                return E_POINTER;
            }
            if (IsSelf(child) && Role() != 0) {
                return GiveLong(Role(), role);
            }
            if (IsSelf(child) && !standard_) {
                return GiveLong(ROLE_SYSTEM_CLIENT, role);
            }
            if (ItemOf(child)) {
                return GiveLong(ROLE_SYSTEM_LISTITEM, role);
            }
            return Forward(&IAccessible::get_accRole, child, role);
        });
    }
    IFACEMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        return Barrier([&]() -> HRESULT {
            if (!state) {
                return E_POINTER;
            }
            if (const std::optional<std::size_t> item = ItemOf(child)) {
                const auto shown = static_cast<UINT>(
                    SendMessageW(control_, LVM_GETITEMSTATE, *item, LVIS_SELECTED | LVIS_FOCUSED));
                return GiveLong(STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE |
                                    ((shown & LVIS_SELECTED) ? STATE_SYSTEM_SELECTED : 0) |
                                    ((shown & LVIS_FOCUSED) && (WindowState() & STATE_SYSTEM_FOCUSED)
                                         ? STATE_SYSTEM_FOCUSED
                                         : 0),
                                state);
            }
            if (!IsSelf(child)) {
                return Forward(&IAccessible::get_accState, child, state);
            }
            if (FAILED(Forward(&IAccessible::get_accState, child, state)) || state->vt != VT_I4) {
                GiveLong(WindowState(), state);
            }
            const LONG style = StyleOf(control_);
            if (ClassOf(control_) == L"edit" && (style & ES_READONLY)) {
                state->lVal |= STATE_SYSTEM_READONLY;
            }
            if (Role() == ROLE_SYSTEM_LINK) {
                state->lVal |= STATE_SYSTEM_LINKED;
            }
            if ((style & WS_TABSTOP) && IsWindowEnabled(control_)) {
                state->lVal |= STATE_SYSTEM_FOCUSABLE;
            }
            if ((Role() == ROLE_SYSTEM_CHECKBUTTON || Role() == ROLE_SYSTEM_RADIOBUTTON) &&
                SendMessageW(control_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                state->lVal |= STATE_SYSTEM_CHECKED;
            }
            return S_OK;
        });
    }

    IFACEMETHODIMP get_accParent(IDispatch** parent) override {
        return Forward(&IAccessible::get_accParent, parent);
    }
    IFACEMETHODIMP get_accChildCount(long* count) override {
        return Forward(&IAccessible::get_accChildCount, count);
    }
    IFACEMETHODIMP get_accChild(VARIANT child, IDispatch** object) override {
        return Forward(&IAccessible::get_accChild, child, object);
    }
    IFACEMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
        return Forward(&IAccessible::get_accValue, child, value);
    }
    IFACEMETHODIMP get_accHelp(VARIANT child, BSTR* help) override {
        return Forward(&IAccessible::get_accHelp, child, help);
    }
    IFACEMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return Forward(&IAccessible::get_accHelpTopic, file, child, topic);
    }
    IFACEMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return Forward(&IAccessible::get_accKeyboardShortcut, child, shortcut);
    }
    IFACEMETHODIMP get_accFocus(VARIANT* child) override {
        return Forward(&IAccessible::get_accFocus, child);
    }
    IFACEMETHODIMP get_accSelection(VARIANT* children) override {
        return Forward(&IAccessible::get_accSelection, children);
    }
    IFACEMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        return Forward(&IAccessible::get_accDefaultAction, child, action);
    }
    IFACEMETHODIMP accSelect(long flags, VARIANT child) override {
        return Forward(&IAccessible::accSelect, flags, child);
    }
    IFACEMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        return Forward(&IAccessible::accLocation, left, top, width, height, child);
    }
    IFACEMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return Forward(&IAccessible::accNavigate, direction, start, end);
    }
    IFACEMETHODIMP accHitTest(long left, long top, VARIANT* child) override {
        return Forward(&IAccessible::accHitTest, left, top, child);
    }
    IFACEMETHODIMP accDoDefaultAction(VARIANT child) override {
        return Forward(&IAccessible::accDoDefaultAction, child);
    }
    IFACEMETHODIMP put_accName(VARIANT child, BSTR name) override {
        return Forward(&IAccessible::put_accName, child, name);
    }
    IFACEMETHODIMP put_accValue(VARIANT child, BSTR value) override {
        return Forward(&IAccessible::put_accValue, child, value);
    }

  private:
    ~AccessibleControl() = default;

    static bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }
    // The list view item a child id names.
    std::optional<std::size_t> ItemOf(const VARIANT& child) const {
        if (child.vt != VT_I4 || child.lVal <= 0 || ClassOf(control_) != L"syslistview32" ||
            child.lVal > SendMessageW(control_, LVM_GETITEMCOUNT, 0, 0)) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(child.lVal - 1);
    }
    long Role() const {
        const ControlAccess* access = AccessOf(control_);
        return access && access->role != 0 ? access->role : KindRole(control_);
    }

    // The system object's answer, or none where the system gives no object (Wine 8's oleacc).
    template <typename Method, typename... Args>
    HRESULT Forward(Method method, Args... args) const {
        return standard_ ? (standard_.Get()->*method)(args...) : DISP_E_MEMBERNOTFOUND;
    }
    // The state the window's styles give, for when the system gives none.
    long WindowState() const {
        long state = 0;
        if (!IsWindowVisible(control_)) {
            state |= STATE_SYSTEM_INVISIBLE;
        }
        if (!IsWindowEnabled(control_)) {
            state |= STATE_SYSTEM_UNAVAILABLE;
        }
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        if (GetGUIThreadInfo(GetWindowThreadProcessId(control_, nullptr), &info) &&
            info.hwndFocus == control_) {
            state |= STATE_SYSTEM_FOCUSED;
        }
        return state;
    }

    HWND control_;
    platform::ComPtr<IAccessible> standard_;
    std::atomic<ULONG> references_{1};
};

LRESULT CALLBACK ServeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*subclassId*/,
                           DWORD_PTR /*data*/) {
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        // Without the system's object (Wine gives none) the wrapper answers from the window alone.
        platform::ComPtr<IAccessible> standard;
        if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                             standard.ReceiveAny()))) {
            standard.Reset();
        }
        platform::ComPtr<IAccessible> wrapped;
        wrapped.Reset(new (std::nothrow) AccessibleControl(window, std::move(standard)));
        if (wrapped) {
            const LRESULT answer = LresultFromObject(__uuidof(IAccessible), wParam, wrapped.Get());
            if (answer > 0) {
                return answer;
            }
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &ServeProc, kSubclassId);
        std::unique_ptr<ControlAccess>(static_cast<ControlAccess*>(RemovePropW(window, kAccessProperty)))
            .reset();
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// The control's record, made and its WM_GETOBJECT served on first use.
ControlAccess& Serve(HWND control) {
    if (ControlAccess* access = AccessOf(control)) {
        return *access;
    }
    auto access = std::make_unique<ControlAccess>();
    const bool kept = SetPropW(control, kAccessProperty, access.get()) != FALSE;
    if (!kept || !SetWindowSubclass(control, &ServeProc, kSubclassId, 0)) {
        RemovePropW(control, kAccessProperty);
        // Not served: what it was told goes nowhere.
        static thread_local ControlAccess unserved;
        unserved = {};
        return unserved;
    }
    return *access.release();
}

}  // namespace

void ServeAccessibleControls(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Serve(child);
    }
}

void SetAccessibleRole(HWND control, long role) {
    Serve(control).role = role;
}

void DescribeListItems(HWND list, ItemDescriber describe) {
    Serve(list).describe = std::move(describe);
}

}  // namespace quillet::winui
