// What Windows 11's first menu costs Explorer for each right-click: a new object of the first-menu
// command class, its GetState, the enumeration of its sub-commands and each sub-command's GetTitle
// and GetState, on a shell item array of the selection, as Explorer asks before the menu shows. Goal:
// under 1 ms in all. The module's command list is whatever lies beside it (scripts/bench-menu writes
// one of 20 commands).
//
// usage: firstmenubench DLL PATH...
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "HostSupport.h"
#include "SharedIds.h"

namespace {

template <typename T>
using ComRef = menuhost::ComPtr<T>;
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

struct Round {
    double seconds = 0;
    int subCommands = 0;
};

// One right-click: a new object, its state, and its sub-commands' titles and states. Empty seconds
// (negative) when a call fails.
Round RightClick(IClassFactory* factory, IShellItemArray* items) {
    Round round;
    const double start = menuhost::SecondsNow();
    ComRef<IExplorerCommand> root;
    EXPCMDSTATE state = ECS_HIDDEN;
    ComRef<IEnumExplorerCommand> commands;
    if (FAILED(factory->CreateInstance(nullptr, IID_IExplorerCommand, root.ReceiveAny())) ||
        FAILED(root->GetState(items, FALSE, &state)) || FAILED(root->EnumSubCommands(commands.Receive()))) {
        round.seconds = -1;
        return round;
    }
    for (;;) {
        ComRef<IExplorerCommand> command;
        ULONG fetched = 0;
        if (commands->Next(1, command.Receive(), &fetched) != S_OK || fetched != 1) {
            break;
        }
        quillet::platform::CoTaskMemory<wchar_t> title;
        command->GetTitle(items, title.Receive());
        command->GetState(items, FALSE, &state);
        ++round.subCommands;
    }
    round.seconds = menuhost::SecondsNow() - start;
    return round;
}

int Run(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: firstmenubench DLL PATH...\n");
        return 2;
    }
    CLSID firstMenu{};
    CLSIDFromString(L"{" QUILLET_FIRST_MENU_CLSID L"}", &firstMenu);
    HMODULE module = LoadLibraryW(argv[1]);
    const auto getClassObject = module ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
                                             GetProcAddress(module, "DllGetClassObject")))
                                       : nullptr;
    if (!getClassObject) {
        std::fwprintf(stderr, L"cannot load %ls\n", argv[1]);
        return 1;
    }
    ComRef<IClassFactory> factory;
    const HRESULT served = getClassObject(firstMenu, IID_IClassFactory, factory.ReceiveAny());
    if (FAILED(served)) {
        std::wprintf(L"first-menu command: class not served by this module (DllGetClassObject: 0x%08lx)\n",
                     static_cast<unsigned long>(served));
        return 0;
    }
    std::vector<quillet::platform::CoTaskMemory<ITEMIDLIST>> owners;
    std::vector<PIDLIST_ABSOLUTE> pidls;
    for (int i = 2; i < argc; ++i) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (SUCCEEDED(SHParseDisplayName(argv[i], nullptr, &pidl, 0, nullptr))) {
            owners.emplace_back(pidl);
            pidls.push_back(pidl);
        }
    }
    ComRef<IShellItemArray> items;
    const HRESULT made = pidls.empty() ? E_INVALIDARG
                                       : SHCreateShellItemArrayFromIDLists(
                                             static_cast<UINT>(pidls.size()),
                                             const_cast<LPCITEMIDLIST*>(pidls.data()), items.Receive());
    owners.clear();
    if (FAILED(made)) {
        std::fwprintf(stderr, L"no shell item array for the selection\n");
        return 1;
    }

    std::vector<double> times;
    int subCommands = 0;
    for (int i = 0; i < 200; ++i) {
        const Round round = RightClick(factory.Get(), items.Get());
        if (round.seconds < 0) {
            std::wprintf(L"first-menu command: the class is served but its calls fail\n");
            return 1;
        }
        times.push_back(round.seconds);
        subCommands = round.subCommands;
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::wprintf(L"selection: %d item(s); sub-commands: %d\n", argc - 2, subCommands);
    std::wprintf(
        L"first-menu object: new object + GetState + sub-commands' GetTitle and GetState: "
        L"median %.1f us of %zu (goal: under 1000 us)\n",
        median * 1e6, times.size());
    std::wprintf(L"first-menu right-click (ms): %.3f\n", median * 1e3);
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
