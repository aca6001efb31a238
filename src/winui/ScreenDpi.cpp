#include "winui/ScreenDpi.h"

#include <algorithm>

#include "core/DialogLayout.h"

namespace quillet::winui {

void ScreenDpi::Update(HWND window) {
    if (!initialised_) {
        initialised_ = true;
        user32_.reset(LoadLibraryW(L"User32.dll"));
        if (user32_) {
            getDpiForWindow_ = reinterpret_cast<GetDpiForWindowFunction>(
                reinterpret_cast<void*>(GetProcAddress(user32_.get(), "GetDpiForWindow")));
        }
        if (!getDpiForWindow_) {
            user32_.reset();
            const WindowDC screen(nullptr);
            if (screen.Get()) {
                dpi_ = GetDeviceCaps(screen.Get(), LOGPIXELSY);
            }
            return;
        }
    }
    if (!getDpiForWindow_) {
        return;
    }
    const int newDpi = static_cast<int>(getDpiForWindow_(window));
    if (newDpi <= 0 || newDpi == dpi_) {
        return;
    }
    const int oldDpi = dpi_;
    dpi_ = newDpi;
    // A watcher may leave the list while being told; walk a copy.
    const std::vector<ScreenDpiWatcher*> watchers = watchers_;
    for (ScreenDpiWatcher* watcher : watchers) {
        watcher->OnDpiChanged(oldDpi, newDpi);
    }
}

int ScreenDpi::Scale(int value) const {
    return ScaleForDpi(value, dpi_);
}

void ScreenDpi::AddWatcher(ScreenDpiWatcher& watcher) {
    if (std::find(watchers_.begin(), watchers_.end(), &watcher) == watchers_.end()) {
        watchers_.push_back(&watcher);
    }
}

void ScreenDpi::RemoveWatcher(ScreenDpiWatcher& watcher) {
    std::erase(watchers_, &watcher);
}

HICON ScaledSmallIcon::Get() {
    if (dpi_->Current() != iconDpi_) {
        icon_.reset();
        iconDpi_ = dpi_->Current();
    }
    if (!icon_) {
        icon_.reset(
            static_cast<HICON>(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(iconId_), IMAGE_ICON,
                                          dpi_->Scale(GetSystemMetrics(SM_CXSMICON)),
                                          dpi_->Scale(GetSystemMetrics(SM_CYSMICON)), LR_DEFAULTCOLOR)));
    }
    return icon_.get();
}

}  // namespace quillet::winui
