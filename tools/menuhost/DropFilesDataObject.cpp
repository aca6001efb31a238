#include "DropFilesDataObject.h"

#include <shlobj.h>

#include <cstring>
#include <new>

#include "platform/win32/Handles.h"

namespace menuhost {
namespace {

FORMATETC HdropFormat() {
    return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

bool IsHdrop(const FORMATETC* format) {
    return format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) &&
           format->dwAspect == DVASPECT_CONTENT;
}

}  // namespace

HRESULT DropFilesDataObject::Create(const std::vector<std::wstring>& paths, IDataObject** result) {
    if (!result) {
        return E_POINTER;
    }
    *result = nullptr;
    // The block is sized first and filled in place: a selection of any count is copied once.
    std::size_t characters = 1;  // the empty name that ends the list
    for (const auto& path : paths) {
        characters += path.size() + 1;
    }
    std::vector<BYTE> block(sizeof(DROPFILES) + characters * sizeof(wchar_t));
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(block.data(), &header, sizeof header);
    auto* name = reinterpret_cast<wchar_t*>(block.data() + sizeof header);
    for (const auto& path : paths) {
        std::memcpy(name, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        name += path.size() + 1;
    }
    auto* object = new (std::nothrow) DropFilesDataObject(std::move(block));
    if (!object) {
        return E_OUTOFMEMORY;
    }
    *result = object;
    return S_OK;
}

STDMETHODIMP DropFilesDataObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) DropFilesDataObject::AddRef() {
    return ++references_;
}

STDMETHODIMP_(ULONG) DropFilesDataObject::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

STDMETHODIMP DropFilesDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium) {
        return E_POINTER;
    }
    if (!IsHdrop(format)) {
        return DV_E_FORMATETC;
    }
    // Each caller gets a copy of its own, which it frees with ReleaseStgMedium.
    quillet::platform::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, dropFiles_.size()));
    {
        const quillet::platform::GlobalLockScope lock(memory.Get());
        if (!lock.Data()) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(lock.Data(), dropFiles_.data(), dropFiles_.size());
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory.Release();
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

STDMETHODIMP DropFilesDataObject::QueryGetData(FORMATETC* format) {
    return IsHdrop(format) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP DropFilesDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) {
        out->ptd = nullptr;
    }
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP DropFilesDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** result) {
    if (direction != DATADIR_GET) {
        return E_NOTIMPL;
    }
    FORMATETC format = HdropFormat();
    return SHCreateStdEnumFmtEtc(1, &format, result);
}

}  // namespace menuhost
