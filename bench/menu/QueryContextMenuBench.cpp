// What the context menu costs Explorer: IContextMenu::QueryContextMenu of the real handler against a
// stand-in that inserts the very same items (texts, sub-menu, bitmaps) with no logic at all, besides
// the clipboard check that any handler must make for one selected item, timed in alternating rounds
// of one run and given as a ratio; once more against a stand-in that also reads the attributes of
// the per-user command file, as the handler must on every call to notice an edit (under Wine that
// query is costly when the file is not there); the first call of the first handler, which reads the
// command file and makes the bitmaps; and what Explorer pays for each right-click, a new handler from
// the class factory, Initialize and its first QueryContextMenu, against the stand-in's one call (goal:
// at most 2x).
//
// usage: menubench DLL [--empty-clipboard] [--first-only] [PATH...]   (default selection: this program's
// own file; --first-only: only the first calls of new handlers)
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "DropFilesDataObject.h"
#include "HostSupport.h"
#include "platform/Clipboard.h"
#include "platform/win32/WideString.h"

namespace {

template <typename T>
using ComRef = menuhost::ComPtr<T>;
using menuhost::kFirstId;
using menuhost::kLastId;
using menuhost::kQuilletHandler;
using menuhost::PopupMenu;

bool SetClipboardText(const wchar_t* text) {
    return quillet::platform::ReplaceClipboardText(quillet::platform::AsUtf16(text));
}

// One item of the recorded menu, in insertion order: what the stand-in inserts.
struct RecordedItem {
    std::wstring text;
    UINT id;
    bool hasBitmap;
    std::vector<RecordedItem> children;  // a sub-menu's items
};

std::vector<RecordedItem> Record(HMENU menu) {
    std::vector<RecordedItem> items;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t text[512] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS;
        info.dwTypeData = text;
        info.cch = 511;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
            continue;
        }
        RecordedItem item{text, info.wID, info.hbmpUnchecked != nullptr, {}};
        if (info.hSubMenu) {
            item.children = Record(info.hSubMenu);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::size_t CountItems(const std::vector<RecordedItem>& items) {
    std::size_t count = items.size();
    for (const RecordedItem& item : items) {
        count += CountItems(item.children);
    }
    return count;
}

// The stand-in: the same insertions as the handler's, from the recording, with one bitmap.
void InsertRecorded(HMENU menu, const std::vector<RecordedItem>& items, HBITMAP bitmap) {
    UINT position = 0;
    for (const RecordedItem& item : items) {
        if (item.children.empty()) {
            InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING, item.id, item.text.c_str());
        } else {
            HMENU sub = CreatePopupMenu();
            InsertRecorded(sub, item.children, bitmap);
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
            info.wID = item.id;
            info.hSubMenu = sub;
            info.dwTypeData = const_cast<wchar_t*>(item.text.c_str());
            InsertMenuItemW(menu, position, TRUE, &info);
        }
        if (item.hasBitmap) {
            SetMenuItemBitmaps(menu, position, MF_BYPOSITION, bitmap, nullptr);
        }
        ++position;
    }
}

// The clipboard check that the handler must make for a single selection, done the same way: is
// there Unicode text, open the clipboard, lock the text and scan it, at most 260 characters, for a
// valid new name. Its result does not change what the stand-in inserts.
bool ClipboardHoldsName() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        return false;
    }
    const quillet::platform::OpenClipboardScope clipboard;
    if (!clipboard.IsOpen()) {
        return false;
    }
    bool valid = false;
    if (HGLOBAL memory = GetClipboardData(CF_UNICODETEXT)) {
        const quillet::platform::GlobalLockScope lock(memory);
        if (const auto* text = static_cast<const wchar_t*>(lock.Data())) {
            const std::size_t limit = std::min<std::size_t>(GlobalSize(memory) / sizeof(wchar_t), MAX_PATH);
            std::size_t length = 0;
            while (length < limit && text[length] != 0 && text[length] >= 0x20 &&
                   std::wcschr(L"\"*/:<>?\\|", text[length]) == nullptr) {
                ++length;
            }
            valid = length > 0 && length < MAX_PATH && (length == limit || text[length] == 0);
        }
    }
    return valid;
}

HBITMAP MakeBitmap() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = 16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

bool MakeHandler(IClassFactory* factory, IDataObject* selection, ComRef<IContextMenu>& menu) {
    ComRef<IShellExtInit> init;
    if (FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, init.ReceiveAny())) ||
        FAILED(init->Initialize(nullptr, selection, nullptr))) {
        return false;
    }
    return SUCCEEDED(init->QueryInterface(IID_IContextMenu, menu.ReceiveAny()));
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int Run(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: menubench DLL [--empty-clipboard] [--first-only] [PATH...]\n");
        return 2;
    }
    HMODULE module = LoadLibraryW(argv[1]);
    const auto getClassObject = module ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
                                             GetProcAddress(module, "DllGetClassObject")))
                                       : nullptr;
    if (!getClassObject) {
        std::fwprintf(stderr, L"cannot load %ls\n", argv[1]);
        return 1;
    }
    ComRef<IClassFactory> factory;
    if (FAILED(getClassObject(kQuilletHandler, IID_IClassFactory, factory.ReceiveAny()))) {
        std::fwprintf(stderr, L"no class factory\n");
        return 1;
    }
    bool emptyClipboard = false;
    bool firstOnly = false;
    std::vector<std::wstring> paths;
    for (int i = 2; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--empty-clipboard") {
            emptyClipboard = true;
        } else if (std::wstring(argv[i]) == L"--first-only") {
            firstOnly = true;
        } else {
            paths.push_back(argv[i]);
        }
    }
    if (paths.empty()) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        paths.push_back(self);
    }
    ComRef<IDataObject> selection;
    if (FAILED(menuhost::DropFilesDataObject::Create(paths, selection.Receive()))) {
        return 1;
    }
    // A valid name on the clipboard: for one item the paste items show, after the clipboard scan.
    // Without text the handler only asks whether there is any.
    if (emptyClipboard) {
        quillet::platform::ReplaceClipboardText(std::nullopt);
    } else {
        SetClipboardText(L"report.txt");
    }

    // The first call of the first handler reads the command file and makes the bitmaps; the next
    // handlers take both from the module.
    std::vector<double> firstCalls;
    std::vector<RecordedItem> recorded;
    for (int round = 0; round < 15; ++round) {
        ComRef<IContextMenu> menu;
        if (!MakeHandler(factory.Get(), selection.Get(), menu)) {
            std::fwprintf(stderr, L"cannot create the handler\n");
            return 1;
        }
        PopupMenu popup(CreatePopupMenu());
        const double start = menuhost::SecondsNow();
        const HRESULT hr = menu->QueryContextMenu(popup.Get(), 0, kFirstId, kLastId, CMF_NORMAL);
        firstCalls.push_back(menuhost::SecondsNow() - start);
        if (FAILED(hr)) {
            std::fwprintf(stderr, L"QueryContextMenu failed: 0x%08lx\n", static_cast<unsigned long>(hr));
            return 1;
        }
        if (round == 0) {
            recorded = Record(popup.Get());
        }
    }
    if (recorded.empty()) {
        std::fwprintf(stderr, L"the handler inserted no items: no command file?\n");
        return 1;
    }
    if (firstOnly) {
        std::wprintf(
            L"menu: %zu items; first QueryContextMenu of the first handler (reads the command file): "
            L"%.1f ms; of the next new handlers: median %.1f ms of %zu\n",
            CountItems(recorded), firstCalls[0] * 1e3,
            Median(std::vector<double>(firstCalls.begin() + 1, firstCalls.end())) * 1e3,
            firstCalls.size() - 1);
        return 0;
    }

    // Later calls of one handler against the stand-in, in alternating rounds so that both see the
    // same machine.
    ComRef<IContextMenu> menu;
    MakeHandler(factory.Get(), selection.Get(), menu);
    const quillet::platform::UniqueBitmap bitmapOwner(MakeBitmap());
    const HBITMAP bitmap = bitmapOwner.Get();
    // The per-user command file, whose attributes the handler reads on every call to notice an edit.
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    const std::wstring userCommandFile =
        std::wstring(appData) + L"\\Brantwell\\Quillet\\" QUILLET_COMMAND_FILE;
    constexpr int kRounds = 40;
    constexpr int kCallsPerRound = 100;
    double handlerTime = 0;
    std::vector<double> newHandlerCalls;  // factory + Initialize + first QueryContextMenu
    double standInTime = 0;
    double standInQueryTime = 0;
    int clipboardNames = 0;
    // The stand-in's calls, with or without the attribute query of the per-user command file.
    const auto standIn = [&](bool queryCommandFile) {
        const double start = menuhost::SecondsNow();
        for (int call = 0; call < kCallsPerRound; ++call) {
            PopupMenu popup(CreatePopupMenu());
            if (paths.size() == 1) {
                clipboardNames += ClipboardHoldsName() ? 1 : 0;
            }
            if (queryCommandFile) {
                WIN32_FILE_ATTRIBUTE_DATA data;
                GetFileAttributesExW(userCommandFile.c_str(), GetFileExInfoStandard, &data);
            }
            InsertRecorded(popup.Get(), recorded, bitmap);
        }
        return menuhost::SecondsNow() - start;
    };
    for (int round = 0; round < kRounds; ++round) {
        const double start = menuhost::SecondsNow();
        for (int call = 0; call < kCallsPerRound; ++call) {
            PopupMenu popup(CreatePopupMenu());
            menu->QueryContextMenu(popup.Get(), 0, kFirstId, kLastId, CMF_NORMAL);
        }
        handlerTime += menuhost::SecondsNow() - start;
        // As for a right-click: a new handler, its menu, the menu destroyed and the handler released.
        for (int call = 0; call < 5; ++call) {
            const double newStart = menuhost::SecondsNow();
            {
                ComRef<IContextMenu> fresh;
                PopupMenu popup(CreatePopupMenu());
                if (MakeHandler(factory.Get(), selection.Get(), fresh)) {
                    fresh->QueryContextMenu(popup.Get(), 0, kFirstId, kLastId, CMF_NORMAL);
                }
            }
            newHandlerCalls.push_back(menuhost::SecondsNow() - newStart);
        }
        standInTime += standIn(false);
        standInQueryTime += standIn(true);
    }
    const double calls = kRounds * kCallsPerRound;
    std::wprintf(L"selection: %zu item(s); clipboard: %ls; menu: %zu items\n", paths.size(),
                 emptyClipboard ? L"empty" : L"a valid name", CountItems(recorded));
    std::wprintf(L"first QueryContextMenu of the first handler (reads the command file): %.1f us\n",
                 firstCalls[0] * 1e6);
    std::wprintf(L"QueryContextMenu, later calls:        %.2f us per call\n", handlerTime / calls * 1e6);
    std::wprintf(L"stand-in inserting the same items:    %.2f us per call (%ls)\n", standInTime / calls * 1e6,
                 paths.size() != 1     ? L"no clipboard check for several items"
                 : clipboardNames == 0 ? L"with the clipboard check, no valid name"
                                       : L"with the clipboard check, a valid name");
    std::wprintf(
        L"stand-in, also reading the attributes of the per-user command file (%ls): %.2f us per call\n",
        GetFileAttributesW(userCommandFile.c_str()) == INVALID_FILE_ATTRIBUTES ? L"none there" : L"present",
        standInQueryTime / calls * 1e6);
    std::wprintf(L"ratio handler / stand-in:             %.2f (%d calls each, alternating rounds)\n",
                 handlerTime / standInTime, static_cast<int>(calls));
    std::wprintf(L"ratio handler / stand-in with the command file's attributes: %.2f\n",
                 handlerTime / standInQueryTime);
    const double newHandler = Median(newHandlerCalls);
    std::wprintf(
        L"new handler: factory + Initialize + first QueryContextMenu, menu destroyed, Release: median %.2f "
        L"us of %zu\n",
        newHandler * 1e6, newHandlerCalls.size());
    std::wprintf(L"ratio new handler / stand-in:         %.2f (goal: at most 2)\n",
                 newHandler / (standInTime / calls));
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
