#include "shellext/Scrivel.h"

#include <oleauto.h>

#include "shellext/DropList.h"

namespace quillet::shellext {

std::span<const InterfaceRow> CScrivel::InterfaceTable() {
    static const InterfaceRow rows[] = {
        InterfaceOf<CScrivel, IScrivel>(IID_IScrivel),
        InterfaceOf<CScrivel, IDispatch, IScrivel>(IID_IDispatch),
        InterfaceOf<CScrivel, IShellExtInit>(IID_IShellExtInit),
        InterfaceOf<CScrivel, IContextMenu>(IID_IContextMenu),
    };
    return rows;
}

CScrivel::CScrivel(IUnknown* outer) : ComObject(outer) {}

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
    return ComBarrier([&] { return ReadDropList(data, selection_); });
}

// Building the menu and running a command are not built yet: these answer E_NOTIMPL, so a host shows
// no items rather than broken ones.
IFACEMETHODIMP CScrivel::QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) {
    return E_NOTIMPL;
}

IFACEMETHODIMP CScrivel::InvokeCommand(CMINVOKECOMMANDINFO*) {
    return E_NOTIMPL;
}

IFACEMETHODIMP CScrivel::GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) {
    return E_NOTIMPL;
}

}  // namespace quillet::shellext
