// Win32 side of paths: typed paths made absolute from the current folders, and the running module's
// folder.
#include <windows.h>

#include <algorithm>

#include "platform/Paths.h"
#include "platform/win32/System.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {
namespace {

// A Win32 call that fills a buffer and returns the length it wrote, or when the buffer is too small
// the length it needs (GetCurrentDirectoryW) or the buffer's own size (GetModuleFileNameW).
template <typename Call>
std::u16string GrowingBuffer(Call call) {
    constexpr std::size_t kLongestPath = 32768;
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = call(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return FromWide(buffer.c_str(), length);
        }
        if (buffer.size() > kLongestPath) {
            return {};
        }
        buffer.resize(std::max<std::size_t>(length + 1, buffer.size() * 2));
    }
}

}  // namespace

std::u16string AbsolutePath(const std::u16string& path) {
    const std::size_t rootLength = PathRootLength(path);
    if (path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\")) {
        return path;  // the literal and device forms: no step in them is to be taken
    }
    if (rootLength > 1) {
        const std::u16string_view whole = path;
        return ResolveAgainst(whole.substr(0, rootLength), whole.substr(rootLength));
    }
    std::u16string base;
    std::u16string_view relative = path;
    if (rootLength == 0 && path.size() >= 2 && path[1] == u':') {
        // "D:dir" goes on from drive D's own current folder, which only the full-path call knows.
        const std::u16string drive = path.substr(0, 2);
        base = GrowingBuffer([&drive](DWORD size, wchar_t* buffer) {
            return GetFullPathNameW(AsWide(drive), size, buffer, nullptr);
        });
        relative.remove_prefix(2);
    } else {
        base = GrowingBuffer([](DWORD size, wchar_t* buffer) { return GetCurrentDirectoryW(size, buffer); });
        if (rootLength == 1) {
            base.resize(PathRootLength(base));  // "\dir" starts at the current drive's root
        }
    }
    return base.empty() ? std::u16string() : ResolveAgainst(base, relative);
}

std::u16string RunningModulePath() {
    // The module that holds this function: the DLL when linked into one, not the host program.
    const HMODULE module = ModuleInstance();
    return GrowingBuffer(
        [module](DWORD size, wchar_t* buffer) { return GetModuleFileNameW(module, buffer, size); });
}

}  // namespace quillet::platform
