// What the Explorer stand-in and the menu benchmark share: the handler's class id, the id range they
// hand to QueryContextMenu, and the names they give the COM pointer and a pop-up menu.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "platform/win32/ComPtr.h"
#include "platform/win32/Handles.h"

namespace menuhost {

// The Quillet handler's class id.
constexpr CLSID kQuilletHandler = {
    0x5B1C7E2A, 0x93D4, 0x4F6B, {0xA8, 0xE0, 0x2C, 0x4D, 0x9F, 0x1B, 0x7A, 0x63}};
constexpr UINT kFirstId = 1;
constexpr UINT kLastId = 0x7FFF;

template <typename T>
using ComPtr = quillet::platform::ComPtr<T>;
using PopupMenu = quillet::platform::UniqueMenu;

// Seconds on the performance counter, for the benchmarks that drive the handler.
inline double SecondsNow() {
    static const double frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return static_cast<double>(value.QuadPart) / frequency;
}

}  // namespace menuhost
