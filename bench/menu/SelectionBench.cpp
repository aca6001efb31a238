// What a huge selection costs before Explorer can open its menu: IShellExtInit::Initialize with a
// CF_HDROP list of N paths, then the first IContextMenu::QueryContextMenu of that new handler, as
// Explorer calls them for each right-click. The paths need not exist: neither call touches them.
// Initialize includes the data object's GetData, which copies the whole list into new memory for the
// handler, as Explorer's does; its own cost is shown apart.
//
// usage: selectionbench DLL [COUNT...]   (default counts: 1000 10000 100000)
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "DropFilesDataObject.h"
#include "HostSupport.h"

namespace {

template <typename T>
using ComRef = menuhost::ComPtr<T>;
using menuhost::kFirstId;
using menuhost::kLastId;
using menuhost::kQuilletHandler;
using menuhost::PopupMenu;

// Paths as a big selection spells them: a few folders deep, a hundred files per folder.
std::vector<std::wstring> MakePaths(std::size_t count) {
    std::vector<std::wstring> paths;
    paths.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH];
        std::swprintf(path, MAX_PATH, L"C:\\Users\\bench\\Pictures\\Import %04zu\\IMG_%06zu.jpg", i / 100, i);
        paths.emplace_back(path);
    }
    return paths;
}

struct Timing {
    double getData = 0;  // the data object's share of Initialize, measured on its own
    double initialize = 0;
    double query = 0;
    double Total() const { return initialize + query; }
};

// What GetData and ReleaseStgMedium cost the host, without a handler.
double MeasureGetData(IDataObject* selection) {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    const double start = menuhost::SecondsNow();
    {
        quillet::platform::StorageMedium medium;
        selection->GetData(&format, medium.Receive());
    }
    return menuhost::SecondsNow() - start;
}

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// One right-click: a new handler, Initialize, QueryContextMenu; false when a call failed.
bool Measure(IClassFactory* factory, IDataObject* selection, Timing& timing, UINT& ids) {
    ComRef<IShellExtInit> init;
    ComRef<IContextMenu> menu;
    if (FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, init.ReceiveAny())) ||
        FAILED(init->QueryInterface(IID_IContextMenu, menu.ReceiveAny()))) {
        return false;
    }
    PopupMenu popup(CreatePopupMenu());
    const double start = menuhost::SecondsNow();
    const HRESULT initialized = init->Initialize(nullptr, selection, nullptr);
    const double middle = menuhost::SecondsNow();
    const HRESULT queried = menu->QueryContextMenu(popup.Get(), 0, kFirstId, kLastId, CMF_NORMAL);
    const double end = menuhost::SecondsNow();
    timing = {MeasureGetData(selection), middle - start, end - middle};
    ids = HRESULT_CODE(queried);
    return SUCCEEDED(initialized) && SUCCEEDED(queried);
}

int Run(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: selectionbench DLL [COUNT...]\n");
        return 2;
    }
    HMODULE module = LoadLibraryW(argv[1]);
    const auto getClassObject = module ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
                                             GetProcAddress(module, "DllGetClassObject")))
                                       : nullptr;
    ComRef<IClassFactory> factory;
    if (!getClassObject || FAILED(getClassObject(kQuilletHandler, IID_IClassFactory, factory.ReceiveAny()))) {
        std::fwprintf(stderr, L"cannot load the handler from %ls\n", argv[1]);
        return 1;
    }
    std::vector<std::size_t> counts;
    for (int i = 2; i < argc; ++i) {
        counts.push_back(static_cast<std::size_t>(std::wcstoull(argv[i], nullptr, 10)));
    }
    if (counts.empty()) {
        counts = {1000, 10000, 100000};
    }

    // A few right-clicks per count, as many as fit in about two seconds; the median is reported.
    constexpr int kMaxRounds = 15;
    constexpr double kBudgetSeconds = 2.0;
    std::wprintf(L"%10ls %7ls %14ls %11ls %20ls %10ls %12ls %5ls\n", L"paths", L"rounds", L"Initialize ms",
                 L"(GetData)", L"QueryContextMenu ms", L"total ms", L"ns per path", L"ids");
    double previousPerPath = 0;
    for (const std::size_t count : counts) {
        ComRef<IDataObject> selection;
        if (count == 0 ||
            FAILED(menuhost::DropFilesDataObject::Create(MakePaths(count), selection.Receive()))) {
            std::fwprintf(stderr, L"cannot make a selection of %zu paths\n", count);
            return 1;
        }
        std::vector<Timing> timings;
        UINT ids = 0;
        double spent = 0;
        while (timings.size() < kMaxRounds && (timings.empty() || spent < kBudgetSeconds)) {
            Timing timing;
            if (!Measure(factory.Get(), selection.Get(), timing, ids)) {
                std::fwprintf(stderr, L"Initialize or QueryContextMenu failed for %zu paths\n", count);
                return 1;
            }
            timings.push_back(timing);
            spent += timing.Total();
        }
        std::sort(timings.begin(), timings.end(),
                  [](const Timing& a, const Timing& b) { return a.Total() < b.Total(); });
        const Timing& median = timings[timings.size() / 2];
        const double perPath = median.Total() / static_cast<double>(count) * 1e9;
        std::wprintf(L"%10zu %7zu %14.2f %11.2f %20.2f %10.2f %12.1f %5u", count, timings.size(),
                     median.initialize * 1e3, median.getData * 1e3, median.query * 1e3, median.Total() * 1e3,
                     perPath, ids);
        if (previousPerPath > 0) {
            std::wprintf(L"  (x%.2f per path)", perPath / previousPerPath);
        }
        std::wprintf(L"\n");
        std::fflush(stdout);
        previousPerPath = perPath;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const quillet::platform::OleApartment ole = quillet::platform::EnterOleApartment();
    if (!ole) {
        return 1;
    }
    return Run(argc, argv);
}
