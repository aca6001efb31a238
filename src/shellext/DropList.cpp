#include "shellext/DropList.h"

#include <climits>

#include "core/menu/DropFiles.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace quillet::shellext {
namespace {

// A narrow name in the system's ANSI code page; a byte sequence that the code page does not define
// fails rather than turning into another name.
std::optional<std::u16string> AnsiToUtf16(std::string_view name) {
    if (name.size() > INT_MAX) {
        return std::nullopt;
    }
    const int size = static_cast<int>(name.size());
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::u16string converted(static_cast<std::size_t>(length), u'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(), size,
                            platform::AsWide(converted.data()), length) != length) {
        return std::nullopt;
    }
    return converted;
}

}  // namespace

HRESULT ReadDropList(IDataObject* data, std::vector<std::u16string>& paths) {
    if (!data) {
        return E_INVALIDARG;
    }
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    platform::StorageMedium medium;
    if (FAILED(data->GetData(&format, medium.Receive())) || medium.Get().tymed != TYMED_HGLOBAL) {
        return E_INVALIDARG;
    }
    const platform::GlobalLockScope lock(medium.Get().hGlobal);
    if (!lock.Data()) {
        return E_INVALIDARG;
    }
    // Read straight from the block, bounded by its size: DragQueryFileW, asked name by name, walks the
    // list again for each index (minutes for a hundred thousand names) and trusts its terminators.
    const std::span<const std::byte> block(static_cast<const std::byte*>(lock.Data()),
                                           lock.Count<std::byte>());
    std::vector<std::u16string> read = ReadDropFiles(block, AnsiToUtf16);
    if (read.empty()) {
        return E_INVALIDARG;
    }
    paths = std::move(read);
    return S_OK;
}

}  // namespace quillet::shellext
