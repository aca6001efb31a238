// Facts of the running module and system, each found in one place: the module's handle and the
// Windows build.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace quillet::platform {

// The module (program or DLL) whose code and resources this is. The linker's image base symbol makes
// it right in both, without any global state or a call that could fail.
inline HINSTANCE ModuleInstance() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

// The build number of the running Windows; 0 when it cannot be told. GetVersionEx answers what the
// program's manifest declares; ntdll tells the truth.
inline std::uint32_t WindowsBuild() {
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion = reinterpret_cast<GetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    return rtlGetVersion && rtlGetVersion(&info) == 0 ? info.dwBuildNumber : 0;
}

}  // namespace quillet::platform
