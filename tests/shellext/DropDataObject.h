// A data object that offers one file list (CF_HDROP in global memory), as Explorer hands the
// selection to a context-menu handler.
#pragma once

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "shellext/ComSupport.h"

namespace quillet::test {

class DropDataObject final : public shellext::ComObject<DropDataObject, IDataObject> {
  public:
    static std::span<const shellext::InterfaceRow> InterfaceTable() {
        static const shellext::InterfaceRow rows[] = {
            shellext::InterfaceOf<DropDataObject, IDataObject>(IID_IDataObject)};
        return rows;
    }

    // The path in the ANSI code page; empty when the code page cannot spell it.
    static std::string Ansi(const std::wstring& path) {
        BOOL lossy = FALSE;
        const int size = WideCharToMultiByte(CP_ACP, 0, path.c_str(), static_cast<int>(path.size()), nullptr,
                                             0, nullptr, &lossy);
        std::string narrow(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
        WideCharToMultiByte(CP_ACP, 0, path.c_str(), static_cast<int>(path.size()), narrow.data(), size,
                            nullptr, &lossy);
        return lossy ? std::string() : narrow;
    }

    // The DROPFILES block for the paths, in UTF-16 or (wide false) in the ANSI code page.
    static std::vector<BYTE> DropFiles(const std::vector<std::wstring>& paths, bool wide = true) {
        std::vector<BYTE> block(sizeof(DROPFILES));
        auto append = [&](const void* bytes, std::size_t size) {
            const auto* begin = static_cast<const BYTE*>(bytes);
            block.insert(block.end(), begin, begin + size);
        };
        for (const std::wstring& path : paths) {
            if (wide) {
                append(path.c_str(), (path.size() + 1) * sizeof(wchar_t));
            } else {
                const std::string narrow = Ansi(path);
                append(narrow.c_str(), narrow.size() + 1);
            }
        }
        // The list ends with an empty name; an empty list is that empty name alone ("\0\0").
        const wchar_t end[2] = {};
        append(end, (paths.empty() ? 2 : 1) * (wide ? sizeof(wchar_t) : 1));
        DROPFILES header{};
        header.pFiles = sizeof(DROPFILES);
        header.fWide = wide;
        std::memcpy(block.data(), &header, sizeof header);
        return block;
    }

    // offerDrop false: the object offers no file list at all.
    explicit DropDataObject(std::vector<BYTE> dropFiles, bool offerDrop = true)
        : dropFiles_(std::move(dropFiles)), offerDrop_(offerDrop) {}

    IFACEMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!offerDrop_ || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) {
            return DV_E_FORMATETC;
        }
        platform::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, dropFiles_.size()));
        if (!memory) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(platform::GlobalLockScope(memory.Get()).Data(), dropFiles_.data(), dropFiles_.size());
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory.Release();
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    IFACEMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    IFACEMETHODIMP QueryGetData(FORMATETC* format) override {
        return offerDrop_ && format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
    }
    IFACEMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    IFACEMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    IFACEMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    IFACEMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    IFACEMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

  private:
    std::vector<BYTE> dropFiles_;
    bool offerDrop_;
};

// A new data object with one reference, owned by the caller, offering the block as it is.
inline shellext::ComPtr<IDataObject> MakeRawDropData(std::vector<BYTE> dropFiles, bool offerDrop = true) {
    auto* object = new DropDataObject(std::move(dropFiles), offerDrop);
    shellext::ComPtr<IDataObject> data;
    data.Reset(object);
    return data;
}

inline shellext::ComPtr<IDataObject> MakeDropData(const std::vector<std::wstring>& paths, bool wide = true,
                                                  bool offerDrop = true) {
    return MakeRawDropData(DropDataObject::DropFiles(paths, wide), offerDrop);
}

}  // namespace quillet::test
