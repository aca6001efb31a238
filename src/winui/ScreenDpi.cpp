#include "winui/ScreenDpi.h"

#include <algorithm>
#include <cstdlib>

#include "core/layout/DialogLayout.h"
#include "core/layout/TextScale.h"

namespace quillet::winui {
namespace {

template <typename Function>
Function LookUp(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

}  // namespace

void ScreenDpi::LookUpFunctions() {
    initialised_ = true;
    user32_.Reset(LoadLibraryW(L"User32.dll"));
    getDpiForWindow_ = LookUp<GetDpiForWindowFunction>(user32_.Get(), "GetDpiForWindow");
    getSystemMetricsForDpi_ = LookUp<GetSystemMetricsForDpiFunction>(user32_.Get(), "GetSystemMetricsForDpi");
    if (!getDpiForWindow_ && !getSystemMetricsForDpi_) {
        user32_.Reset();
    }
}

void ScreenDpi::Update(HWND window) {
    if (!initialised_) {
        LookUpFunctions();
        if (!getDpiForWindow_) {
            const auto screen = WindowDC(nullptr);
            if (screen) {
                dpi_ = GetDeviceCaps(screen.Get().dc, LOGPIXELSY);
            }
            return;
        }
    }
    if (getDpiForWindow_) {
        Set(static_cast<int>(getDpiForWindow_(window)));
    }
}

void ScreenDpi::Set(int dpi) {
    if (dpi <= 0 || dpi == dpi_) {
        return;
    }
    const int oldDpi = dpi_;
    dpi_ = dpi;
    Notify(oldDpi);
}

void ScreenDpi::Notify(int oldDpi) {
    // A watcher may leave the list while being told; walk a copy.
    const std::vector<ScreenDpiWatcher*> watchers = watchers_;
    for (ScreenDpiWatcher* watcher : watchers) {
        watcher->OnDpiChanged(oldDpi, dpi_);
    }
}

int ScreenDpi::Scale(int value) const {
    return ScaleForDpi(value, dpi_);
}

int ScreenDpi::SystemMetric(int index) const {
    if (getSystemMetricsForDpi_) {
        return getSystemMetricsForDpi_(index, static_cast<UINT>(dpi_));
    }
    return GetSystemMetrics(index);
}

void ScreenDpi::AddWatcher(ScreenDpiWatcher& watcher) {
    if (std::find(watchers_.begin(), watchers_.end(), &watcher) == watchers_.end()) {
        watchers_.push_back(&watcher);
    }
}

void ScreenDpi::RemoveWatcher(ScreenDpiWatcher& watcher) {
    std::erase(watchers_, &watcher);
}

HICON ScaledIcon::Get() {
    if (dpi_->Current() != iconDpi_) {
        icon_.Reset();
        iconDpi_ = dpi_->Current();
    }
    if (!icon_) {
        const bool small = size_ == Size::Small;
        icon_.Reset(static_cast<HICON>(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(iconId_), IMAGE_ICON,
                                                  dpi_->SystemMetric(small ? SM_CXSMICON : SM_CXICON),
                                                  dpi_->SystemMetric(small ? SM_CYSMICON : SM_CYICON),
                                                  LR_DEFAULTCOLOR)));
    }
    return icon_.Get();
}

int UserTextScale() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    if (const auto forDpi = LookUp<SystemParametersInfoForDpiFunction>(GetModuleHandleW(L"User32.dll"),
                                                                       "SystemParametersInfoForDpi");
        forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, ScreenDpi::kDefaultDpi)) {
        return TextScaleFromMessageFont(std::abs(metrics.lfMessageFont.lfHeight));
    }
    // Older systems give the font at the system's DPI, which their windows never leave.
    const auto screen = WindowDC(nullptr);
    if (!screen || !SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        return 100;
    }
    return TextScaleFromMessageFont(
        UnscaleForDpi(std::abs(metrics.lfMessageFont.lfHeight), GetDeviceCaps(screen.Get().dc, LOGPIXELSY)));
}

void TakeOverDialogDpiScaling(HWND dialog) {
    using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
    constexpr int kDisableAll = DDC_DISABLE_ALL | DDC_DISABLE_RESIZE | DDC_DISABLE_CONTROL_RELAYOUT;
    // User32 stays loaded in every process with windows: no need to keep a reference.
    if (const auto set = LookUp<SetDialogDpiChangeBehaviorFunction>(GetModuleHandleW(L"User32.dll"),
                                                                    "SetDialogDpiChangeBehavior")) {
        set(dialog, kDisableAll, kDisableAll);
    }
}

}  // namespace quillet::winui
