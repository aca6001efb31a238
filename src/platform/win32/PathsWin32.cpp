// Win32 side of paths: typed paths made absolute from the current folders, and the running module's
// folder.
#include <windows.h>

#include "platform/Paths.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {
namespace {

// A Win32 call that fills a buffer and returns the length it needs when the buffer is too small.
template <typename Call>
std::u16string GrowingBuffer(Call call) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = call(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return FromWide(buffer.c_str(), length);
        }
        buffer.resize(length + 1);
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

std::u16string RunningModuleFolder() {
    // The module that holds this function: the DLL when linked into one, not the host program.
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&RunningModuleFolder), &module)) {
        return {};
    }
    // Long paths exceed MAX_PATH: grow until the name fits.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return {};
        }
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        if (name.size() >= 32768) {
            return {};
        }
        name.resize(name.size() * 2);
    }
    const std::size_t backslash = name.find_last_of(L'\\');
    return backslash == std::wstring::npos ? std::u16string() : FromWide(name.c_str(), backslash + 1);
}

}  // namespace quillet::platform
