// What the Explorer stand-in and the menu benchmark share: the handler's class id, the id range they
// hand to QueryContextMenu, and the names they give the COM pointer and a pop-up menu.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "SharedIds.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Handles.h"

namespace menuhost {

// The Quillet handler's class id.
constexpr CLSID kQuilletHandler = QUILLET_HANDLER_CLSID_INIT;
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
