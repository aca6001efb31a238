#include "shellext/Scrivel.h"

#include <oleauto.h>
#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>

#include "core/menu/CommandListCache.h"
#include "core/messages/Messages.h"
#include "platform/win32/WideString.h"
#include "shellext/CommandRun.h"
#include "shellext/DropList.h"
#include "shellext/FirstMenuMark.h"
#include "shellext/MenuWin32.h"

namespace quillet::shellext {
namespace {

// The command offset an invocation names. A caller that sends a Unicode verb string puts it in lpVerbW
// (lpVerb then holds its ANSI form, or nothing); an offset is always in lpVerb, and only lpVerb: callers
// leave lpVerbW null or copy the offset there. No verb string names one of the handler's commands.
std::optional<std::uint32_t> OffsetOf(const CMINVOKECOMMANDINFO& info) {
    constexpr DWORD kWithWideVerb = offsetof(CMINVOKECOMMANDINFOEX, lpVerbW) + sizeof(LPCWSTR);
    if ((info.fMask & CMIC_MASK_UNICODE) && info.cbSize >= kWithWideVerb) {
        const LPCWSTR wideVerb = reinterpret_cast<const CMINVOKECOMMANDINFOEX&>(info).lpVerbW;
        if (wideVerb && !IS_INTRESOURCE(wideVerb)) {
            return std::nullopt;
        }
    }
    if (!IS_INTRESOURCE(info.lpVerb)) {
        return std::nullopt;
    }
    return LOWORD(reinterpret_cast<UINT_PTR>(info.lpVerb));
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// The help text in at most size - 1 UTF-16 units and a terminator, never cut inside a surrogate pair.
void CopyHelpTextW(const std::u16string& text, wchar_t* out, UINT size) {
    std::size_t length = std::min<std::size_t>(text.size(), size - 1);
    if (length < text.size() && length > 0 && IsHighSurrogate(text[length - 1])) {
        --length;
    }
    std::copy_n(platform::AsWide(text), length, out);
    out[length] = L'\0';
}

// The help text in the thread's ANSI code page in at most size - 1 bytes and a terminator, cut between
// characters: converted one character at a time, so that a double-byte character is never halved.
void CopyHelpTextA(const std::u16string& text, CHAR* out, UINT size) {
    std::size_t used = 0;
    for (std::size_t at = 0; at < text.size();) {
        const int units = IsHighSurrogate(text[at]) && at + 1 < text.size() ? 2 : 1;
        char bytes[8];
        const int count = WideCharToMultiByte(CP_THREAD_ACP, 0, platform::AsWide(text) + at, units, bytes,
                                              sizeof bytes, nullptr, nullptr);
        if (count <= 0 || used + static_cast<std::size_t>(count) > size - 1) {
            break;
        }
        std::copy_n(bytes, count, out + used);
        used += static_cast<std::size_t>(count);
        at += static_cast<std::size_t>(units);
    }
    out[used] = '\0';
}

}  // namespace

std::span<const InterfaceRow> CScrivel::InterfaceTable() {
    static const InterfaceRow rows[] = {
        InterfaceOf<CScrivel, IScrivel>(IID_IScrivel),
        InterfaceOf<CScrivel, IDispatch, IScrivel>(IID_IDispatch),
        InterfaceOf<CScrivel, IShellExtInit>(IID_IShellExtInit),
        InterfaceOf<CScrivel, IContextMenu>(IID_IContextMenu),
    };
    return rows;
}

CScrivel::CScrivel(IUnknown* outer)
    : ComObject(outer), commandMenu_(ModuleCommandFiles().user, ModuleCommandFiles().defaults) {}

IFACEMETHODIMP CScrivel::GetTypeInfoCount(UINT* count) {
    if (!count) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

IFACEMETHODIMP CScrivel::GetTypeInfo(UINT index, LCID, ITypeInfo** result) {
    if (!result) {
        return E_POINTER;
    }
    *result = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    return ComBarrier([&] { return Module().DispatchTypeInfo(result); });
}

IFACEMETHODIMP CScrivel::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    return ComBarrier([&] {
        ComPtr<ITypeInfo> typeInfo;
        const HRESULT hr = Module().DispatchTypeInfo(typeInfo.Receive());
        return FAILED(hr) ? hr : DispGetIDsOfNames(typeInfo.Get(), names, count, ids);
    });
}

IFACEMETHODIMP CScrivel::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    return ComBarrier([&] {
        ComPtr<ITypeInfo> typeInfo;
        const HRESULT hr = Module().DispatchTypeInfo(typeInfo.Receive());
        return FAILED(hr) ? hr
                          : DispInvoke(static_cast<IScrivel*>(this), typeInfo.Get(), member, flags,
                                       parameters, result, exception, argumentError);
    });
}

IFACEMETHODIMP CScrivel::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    // A new selection is a new menu: the offsets of the last one name nothing for it. A selection that
    // cannot be read leaves none, so no menu of an older one runs on it.
    commandMenu_.ForgetMenu();
    selection_.clear();
    return ComBarrier([&] { return ReadDropList(data, selection_); });
}

IFACEMETHODIMP CScrivel::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) {
    // Offsets of an earlier menu must not run or describe anything once this request builds none; without
    // a selection (no Initialize yet, or a failed one) there is nothing to build one for.
    commandMenu_.ForgetMenu();
    if ((flags & CMF_DEFAULTONLY) || selection_.empty()) {
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    }
    const int count = menu ? GetMenuItemCount(menu) : -1;
    if (count < 0) {
        return E_INVALIDARG;  // not a menu
    }
    return ComBarrier([&] {
        // With the Windows 11 package registered, its command is in this menu already.
        if (FirstMenuPackageRegistered()) {
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        }
        MenuRequest request;
        request.selection = MenuSelectionFor(selection_.size());
        // An index past the end (0xFFFFFFFF asks to append) appends, every item after the one before.
        request.position = std::min(index, static_cast<UINT>(count));
        request.firstId = firstId;
        request.lastId = lastId;
        PopupMenuSink sink(menu, ModuleMenuBitmaps());
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, commandMenu_.Build(request, sink));
    });
}

IFACEMETHODIMP CScrivel::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    if (!info || info->cbSize < sizeof(CMINVOKECOMMANDINFO)) {
        return E_INVALIDARG;
    }
    const std::optional<std::uint32_t> offset = OffsetOf(*info);
    const Command* command = offset ? commandMenu_.CommandAt(*offset) : nullptr;
    if (!command) {
        return E_INVALIDARG;
    }
    return ComBarrier([&] {
        const ReferenceHold self(static_cast<IContextMenu*>(this));
        // A copy of the selection: a call that reaches this object again while a dialog of the command
        // runs cannot pull the paths away underneath it.
        return RunMenuCommand(*command, selection_,
                              {.keys = {.control = (info->fMask & CMIC_MASK_CONTROL_DOWN) != 0,
                                        .shift = (info->fMask & CMIC_MASK_SHIFT_DOWN) != 0},
                               .owner = IsWindow(info->hwnd) ? info->hwnd : nullptr,
                               .dialogOwner = GetActiveWindow(),
                               .quiet = (info->fMask & CMIC_MASK_FLAG_NO_UI) != 0});
    });
}

IFACEMETHODIMP CScrivel::GetCommandString(UINT_PTR commandOffset, UINT type, UINT*, CHAR* name, UINT size) {
    const Command* command = commandOffset > 0xFFFFFFFF
                                 ? nullptr
                                 : commandMenu_.CommandAt(static_cast<std::uint32_t>(commandOffset));
    if (type == GCS_VALIDATEA || type == GCS_VALIDATEW) {
        return command ? S_OK : S_FALSE;
    }
    if ((type != GCS_HELPTEXTA && type != GCS_HELPTEXTW) || !name || !command) {
        return E_INVALIDARG;
    }
    if (size == 0) {
        return S_OK;  // no room even for the terminator
    }
    return ComBarrier([&] {
        const std::u16string text = CommandHelpText(*command);
        if (type == GCS_HELPTEXTW) {
            CopyHelpTextW(text, reinterpret_cast<wchar_t*>(name), size);
        } else {
            CopyHelpTextA(text, name, size);
        }
        return S_OK;
    });
}

}  // namespace quillet::shellext
