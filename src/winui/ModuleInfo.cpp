#include "winui/ModuleInfo.h"

#include <vector>

#include "platform/win32/WideString.h"

namespace quillet::winui {
namespace {

constexpr UINT kHelpContext = 0x000F;   // HH_HELP_CONTEXT
constexpr UINT kHelpCloseAll = 0x0012;  // HH_CLOSE_ALL

std::u16string ModuleFileName() {
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(ModuleInstance(), name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return {};
        }
        if (length < name.size()) {
            return platform::FromWide(name.data(), length);
        }
        name.resize(name.size() * 2);
    }
}

}  // namespace

std::u16string ModuleFolder() {
    std::u16string path = ModuleFileName();
    const std::size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string::npos ? std::u16string() : path.substr(0, separator + 1);
}

std::optional<FileVersion> ModuleFileVersion() {
    const std::u16string path = ModuleFileName();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(platform::AsWide(path), &handle);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(platform::AsWide(path), 0, size, data.data())) {
        return std::nullopt;
    }
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || !info ||
        infoSize < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                       HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

CHtmlHelp::~CHtmlHelp() {
    if (htmlHelp_) {
        // The viewer's windows run code of the library: close them before it is unloaded.
        htmlHelp_(nullptr, nullptr, kHelpCloseAll, 0);
    }
}

void CHtmlHelp::OpenTopic(HWND owner, const std::u16string& helpFile, DWORD contextId) {
    if (!viewer_) {
        viewer_.reset(LoadLibraryW(L"hhctrl.ocx"));
        if (!viewer_) {
            return;
        }
        htmlHelp_ = reinterpret_cast<HtmlHelpFunction>(
            reinterpret_cast<void*>(GetProcAddress(viewer_.get(), "HtmlHelpW")));
    }
    if (htmlHelp_) {
        htmlHelp_(owner, platform::AsWide(helpFile), kHelpContext, contextId);
    }
}

}  // namespace quillet::winui
