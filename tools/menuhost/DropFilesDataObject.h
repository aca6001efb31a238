// A data object holding a CF_HDROP file list, as Explorer hands to a context-menu handler.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <atomic>
#include <string>
#include <vector>

namespace menuhost {

class DropFilesDataObject final : public IDataObject {
  public:
    static HRESULT Create(const std::vector<std::wstring>& paths, IDataObject** result);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDataObject
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** result) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

  private:
    explicit DropFilesDataObject(std::vector<BYTE> dropFiles) : dropFiles_(std::move(dropFiles)) {}
    ~DropFilesDataObject() = default;

    std::atomic<ULONG> references_{1};
    std::vector<BYTE> dropFiles_;  // a DROPFILES header followed by the double-zero-terminated names
};

}  // namespace menuhost
