#include "winui/ModuleInfo.h"

// after windows.h
#include <htmlhelp.h>

#include <vector>

#include "SharedIds.h"
#include "core/failure/Failure.h"
#include "platform/Paths.h"
#include "platform/win32/WideString.h"

namespace quillet::winui {

std::optional<FileVersion> ModuleFileVersion() {
    const std::u16string path = platform::RunningModulePath();
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

ProductInfo ModuleProduct() {
    const std::u16string path = platform::RunningModulePath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(platform::AsWide(path), &handle);
    std::vector<unsigned char> data(size);
    if (size == 0 || !GetFileVersionInfoW(platform::AsWide(path), 0, size, data.data())) {
        return {};
    }
    const auto value = [&](const wchar_t* key) {
        wchar_t* text = nullptr;
        UINT length = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text) {
            return std::u16string();
        }
        // The length counts the terminating zero when there is one.
        std::u16string result = platform::FromWide(text, length);
        while (!result.empty() && result.back() == u'\0') {
            result.pop_back();
        }
        return result;
    };
    return {value(L"ProductName"), value(L"ProductVersion"), value(L"LegalCopyright")};
}

std::u16string ModuleHelpFile() {
    return platform::RunningModuleFolder() + u"" QUILLET_HELP_FILE;
}

HWND SystemHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data) {
    using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    // Loaded once per process, thread-safely, and deliberately never freed (see the header).
    static const HtmlHelpFunction htmlHelp = []() -> HtmlHelpFunction {
        const HMODULE viewer = LoadLibraryW(L"hhctrl.ocx");
        return viewer ? reinterpret_cast<HtmlHelpFunction>(
                            reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")))
                      : nullptr;
    }();
    return htmlHelp ? htmlHelp(caller, file, command, data) : nullptr;
}

void CHtmlHelp::OpenDialogTopic(const std::u16string& helpFile, int dialogTemplate) const {
    if (viewer_ && !viewer_(nullptr, platform::AsWide(helpFile), HH_HELP_CONTEXT,
                            kHelpContextBase + static_cast<DWORD>(dialogTemplate))) {
        QUILLET_LOG_FAILURE_IN(kFail, "opening the help", helpFile, -1);
    }
}

}  // namespace quillet::winui
