#include "shellext/DropList.h"

#include <shellapi.h>

#include "platform/win32/Handles.h"

namespace quillet::shellext {
namespace {

// The medium that GetData filled, released with its owner.
class StorageMedium {
  public:
    StorageMedium() = default;
    ~StorageMedium() { ReleaseStgMedium(&medium_); }
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    STGMEDIUM* Receive() { return &medium_; }
    const STGMEDIUM& Get() const { return medium_; }

  private:
    STGMEDIUM medium_{};
};

}  // namespace

HRESULT ReadDropList(IDataObject* data, std::vector<std::u16string>& paths) {
    if (!data) {
        return E_INVALIDARG;
    }
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    StorageMedium medium;
    if (FAILED(data->GetData(&format, medium.Receive())) || medium.Get().tymed != TYMED_HGLOBAL) {
        return E_INVALIDARG;
    }
    const platform::GlobalLockScope lock(medium.Get().hGlobal);
    if (!lock.Data()) {
        return E_INVALIDARG;
    }
    const auto drop = static_cast<HDROP>(medium.Get().hGlobal);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0) {
        return E_INVALIDARG;
    }
    std::vector<std::u16string> read;
    read.reserve(count);
    for (UINT index = 0; index < count; ++index) {
        // Ask for the length first, so that no path is cut to a fixed buffer.
        const UINT length = DragQueryFileW(drop, index, nullptr, 0);
        if (length == 0) {
            continue;
        }
        std::wstring path(length + 1, L'\0');
        if (DragQueryFileW(drop, index, path.data(), length + 1) != length) {
            continue;
        }
        read.emplace_back(reinterpret_cast<const char16_t*>(path.data()), length);
    }
    // A list none of whose names could be fetched is as empty as one with no names (Wine counts the
    // empty list "\0\0" as one empty name).
    if (read.empty()) {
        return E_INVALIDARG;
    }
    paths = std::move(read);
    return S_OK;
}

}  // namespace quillet::shellext
