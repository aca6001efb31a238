// menuhost: an Explorer stand-in for context-menu handlers. It builds the CF_HDROP data object that
// Explorer builds for a selection, creates the handler through COM by its class id (so the
// registration is exercised), and drives IShellExtInit and IContextMenu as Explorer does: prints the
// menu, its help texts, invokes an item with the SHIFT/CTRL flags of a click, and prints the
// clipboard. With --window, a small window lists the files and a right-click pops up the real menu.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DropFilesDataObject.h"
#include "HostSupport.h"
#include "platform/win32/System.h"

namespace {

using menuhost::ComPtr;
using menuhost::kFirstId;
using menuhost::kLastId;
using menuhost::kQuilletHandler;
using menuhost::PopupMenu;

struct Options {
    CLSID clsid = kQuilletHandler;
    UINT flags = CMF_NORMAL;
    UINT first = kFirstId;
    UINT last = kLastId;
    bool helpTexts = false;
    UINT cchMax = 260;
    std::optional<std::wstring> setClipboard;
    bool clearClipboard = false;
    std::optional<std::wstring> invoke;
    std::optional<std::string> verb;
    bool shift = false;
    bool ctrl = false;
    bool printClipboard = false;
    bool window = false;
    bool printMenu = true;
    // After the click: wait until this file's last-write time moves, then show a new handler's menu
    // in this same process, as Explorer would on the next right-click.
    std::optional<std::wstring> menuAfterChange;
    std::vector<std::wstring> paths;
};

void PrintUtf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                        nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

// The text in double quotes, with line breaks, tabs, quotes and backslashes made visible.
std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (const wchar_t c : text) {
        switch (c) {
            case L'\r':
                out += L"\\r";
                break;
            case L'\n':
                out += L"\\n";
                break;
            case L'\t':
                out += L"\\t";
                break;
            case L'"':
                out += L"\\\"";
                break;
            case L'\\':
                out += L"\\\\";
                break;
            default:
                if (c < 0x20) {
                    wchar_t escaped[8];
                    std::swprintf(escaped, 8, L"\\x%02x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out.push_back(c);
                }
        }
    }
    return out + L"\"";
}

std::wstring Unescape(const std::wstring& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size()) {
            const wchar_t next = text[i + 1];
            if (next == L'n' || next == L'r' || next == L't' || next == L'\\') {
                out.push_back(next == L'n' ? L'\n' : next == L'r' ? L'\r' : next == L't' ? L'\t' : L'\\');
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

bool SetClipboardText(const std::optional<std::wstring>& text) {
    // Another program may hold the clipboard for a moment.
    const quillet::platform::OpenClipboardScope clipboard(20);
    if (!clipboard.IsOpen() || !EmptyClipboard()) {
        return false;
    }
    if (!text) {
        return true;
    }
    const std::size_t bytes = (text->size() + 1) * sizeof(wchar_t);
    quillet::platform::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    {
        const quillet::platform::GlobalLockScope lock(memory.Get());
        if (!lock.Data()) {
            return false;
        }
        std::memcpy(lock.Data(), text->c_str(), bytes);
    }
    if (!SetClipboardData(CF_UNICODETEXT, memory.Get())) {
        return false;
    }
    memory.Release();  // the clipboard owns the memory now
    return true;
}

void PrintClipboard() {
    // Another program may hold the clipboard for a moment.
    const quillet::platform::OpenClipboardScope clipboard(20);
    if (!clipboard.IsOpen()) {
        PrintUtf8(L"clipboard: (cannot be opened)\n");
        return;
    }
    const quillet::platform::GlobalLockScope lock(GetClipboardData(CF_UNICODETEXT));
    const auto* text = static_cast<const wchar_t*>(lock.Data());
    if (!text) {
        PrintUtf8(L"clipboard: (no text)\n");
        return;
    }
    PrintUtf8(L"clipboard: " + Quoted(text) + L"\n");
}

struct MenuEntry {
    std::wstring text;
    UINT id;
    int depth;
    bool submenu;
};

// The item's whole text, however long: its length is asked for first.
std::wstring ItemText(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) || info.cch == 0) {
        return {};
    }
    std::wstring text(info.cch + 1, L'\0');
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
        return {};
    }
    text.resize(info.cch);
    return text;
}

// Offsets are ids minus first, the idCmdFirst that QueryContextMenu was given.
void CollectMenu(HMENU menu, UINT first, int depth, std::vector<MenuEntry>& entries, bool print) {
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_BITMAP | MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
            continue;
        }
        const std::wstring text = ItemText(menu, position);
        entries.push_back({text, info.wID, depth, info.hSubMenu != nullptr});
        if (print) {
            std::wstring line(static_cast<std::size_t>(depth) * 4 + 2, L' ');
            if (info.fType & MFT_SEPARATOR) {
                line += L"---- separator";
            } else {
                line += std::to_wstring(position) + L" " + Quoted(text) + L" id=" +
                        std::to_wstring(info.wID) + L" offset=" +
                        std::to_wstring(static_cast<int>(info.wID - first));
            }
            if (info.hSubMenu) {
                line += L" submenu";
            }
            if (info.hbmpUnchecked || info.hbmpItem) {
                line += L" bitmap";
            }
            PrintUtf8(line + L"\n");
        }
        if (info.hSubMenu) {
            CollectMenu(info.hSubMenu, first, depth + 1, entries, print);
        }
    }
}

std::wstring HelpText(IContextMenu* menu, UINT offset, UINT cchMax, bool wide, HRESULT& hr) {
    if (wide) {
        std::vector<wchar_t> buffer(cchMax + 1, L'#');
        hr = menu->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(buffer.data()),
                                    cchMax);
        return SUCCEEDED(hr) ? std::wstring(buffer.data()) : std::wstring();
    }
    std::vector<char> buffer(cchMax + 1, '#');
    hr = menu->GetCommandString(offset, GCS_HELPTEXTA, nullptr, buffer.data(), cchMax);
    if (FAILED(hr)) {
        return {};
    }
    const int size = MultiByteToWideChar(CP_ACP, 0, buffer.data(), -1, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, buffer.data(), -1, text.data(), size);
    return text;
}

// owner: the window that owns what the command shows, as Explorer passes its own.
HRESULT Invoke(IContextMenu* menu, UINT offset, const std::optional<std::string>& verb, bool shift, bool ctrl,
               HWND owner = nullptr) {
    CMINVOKECOMMANDINFOEX info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.fMask = CMIC_MASK_UNICODE | (shift ? CMIC_MASK_SHIFT_DOWN : 0) | (ctrl ? CMIC_MASK_CONTROL_DOWN : 0);
    std::wstring wideVerb;
    if (verb) {
        info.lpVerb = verb->c_str();
        wideVerb.assign(verb->begin(), verb->end());
        info.lpVerbW = wideVerb.c_str();
    } else {
        info.lpVerb = MAKEINTRESOURCEA(offset);
        info.lpVerbW = MAKEINTRESOURCEW(offset);
    }
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
}

std::wstring FromUtf8(std::string_view text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// --paths-from: one UTF-8 path per line (LF or CR LF, empty lines skipped), for selections larger than
// a command line can hold (32,767 characters in all). False when the file cannot be read.
bool ReadPathList(const std::wstring& file, std::vector<std::wstring>& paths) {
    const quillet::platform::UniqueStdioFile stream(_wfopen(file.c_str(), L"rb"));
    if (!stream) {
        return false;
    }
    std::string bytes;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream.Get())) > 0) {
        bytes.append(chunk, got);
    }
    if (std::ferror(stream.Get()) != 0) {
        return false;
    }
    std::string_view rest(bytes);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
        rest.remove_prefix(3);
    }
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            paths.push_back(FromUtf8(line));
        }
    }
    return true;
}

int Usage() {
    PrintUtf8(
        L"usage: menuhost [options] PATH...\n"
        L"  --paths-from FILE     also select the paths in FILE, one UTF-8 path per line\n"
        L"  --clsid {GUID}        the handler's class id (default: Quillet's)\n"
        L"  --flags N|defaultonly QueryContextMenu flags (default CMF_NORMAL)\n"
        L"  --first N --last N    idCmdFirst and idCmdLast (default 1 and 32767); offsets are ids - N\n"
        L"  --help-texts          print the help texts (W and A) of every item\n"
        L"  --cch N               cchMax for the help texts (default 260)\n"
        L"  --set-clipboard TEXT  put TEXT (\\n, \\r, \\t, \\\\ decoded) on the clipboard first\n"
        L"  --clear-clipboard     empty the clipboard first\n"
        L"  --invoke OFFSET|TEXT  invoke the item with that offset or that menu text\n"
        L"  --verb VERB           invoke with a string verb instead\n"
        L"  --shift --ctrl        the modifier keys of the click\n"
        L"  --print-clipboard     print the clipboard text afterwards\n"
        L"  --no-menu             do not print the menu\n"
        L"  --menu-after-change FILE  after the click, wait (60 s at most) until FILE is written and\n"
        L"                        closed, then print a new handler's menu\n"
        L"  --window              show a window of the files; right-click opens the menu\n");
    return 2;
}

bool ParseArgs(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        auto value = [&]() -> std::optional<std::wstring> {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            return std::wstring(argv[++i]);
        };
        if (arg == L"--clsid") {
            auto text = value();
            if (!text || FAILED(CLSIDFromString(text->c_str(), &options.clsid))) {
                return false;
            }
        } else if (arg == L"--flags") {
            auto text = value();
            if (!text) {
                return false;
            }
            options.flags = *text == L"defaultonly"
                                ? CMF_DEFAULTONLY
                                : static_cast<UINT>(std::wcstoul(text->c_str(), nullptr, 0));
        } else if (arg == L"--first" || arg == L"--last" || arg == L"--cch") {
            auto text = value();
            if (!text) {
                return false;
            }
            const UINT number = static_cast<UINT>(std::wcstoul(text->c_str(), nullptr, 0));
            (arg == L"--first" ? options.first : arg == L"--last" ? options.last : options.cchMax) = number;
        } else if (arg == L"--help-texts") {
            options.helpTexts = true;
        } else if (arg == L"--set-clipboard") {
            auto text = value();
            if (!text) {
                return false;
            }
            options.setClipboard = Unescape(*text);
        } else if (arg == L"--clear-clipboard") {
            options.clearClipboard = true;
        } else if (arg == L"--invoke") {
            options.invoke = value();
            if (!options.invoke) {
                return false;
            }
        } else if (arg == L"--verb") {
            auto text = value();
            if (!text) {
                return false;
            }
            options.verb = std::string(text->begin(), text->end());
        } else if (arg == L"--shift") {
            options.shift = true;
        } else if (arg == L"--ctrl") {
            options.ctrl = true;
        } else if (arg == L"--print-clipboard") {
            options.printClipboard = true;
        } else if (arg == L"--menu-after-change") {
            auto file = value();
            if (!file) {
                return false;
            }
            options.menuAfterChange = *file;
        } else if (arg == L"--no-menu") {
            options.printMenu = false;
        } else if (arg == L"--window") {
            options.window = true;
        } else if (arg == L"--paths-from") {
            auto file = value();
            if (!file) {
                return false;
            }
            if (!ReadPathList(*file, options.paths)) {
                PrintUtf8(L"cannot read the path list " + *file + L"\n");
                return false;
            }
        } else if (arg.rfind(L"--", 0) == 0) {
            return false;
        } else {
            options.paths.push_back(arg);
        }
    }
    return !options.paths.empty();
}

HRESULT CreateHandler(const Options& options, ComPtr<IContextMenu>& menu) {
    ComPtr<IShellExtInit> init;
    HRESULT hr =
        CoCreateInstance(options.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.ReceiveAny());
    if (FAILED(hr)) {
        PrintUtf8(L"CoCreateInstance: " + Hex(hr) + L"\n");
        return hr;
    }
    ComPtr<IDataObject> data;
    hr = menuhost::DropFilesDataObject::Create(options.paths, data.Receive());
    if (FAILED(hr)) {
        return hr;
    }
    hr = init->Initialize(nullptr, data.Get(), nullptr);
    PrintUtf8(L"Initialize: " + Hex(hr) + L"\n");
    if (FAILED(hr)) {
        return hr;
    }
    hr = init->QueryInterface(IID_IContextMenu, menu.ReceiveAny());
    if (FAILED(hr)) {
        PrintUtf8(L"QueryInterface(IContextMenu): " + Hex(hr) + L"\n");
    }
    return hr;
}

// --window: the files in a list box; a right-click pops up the handler's menu and runs the choice.
struct WindowState {
    const Options* options;
    HWND list;
};

// A new handler's menu as Explorer asks for it, the result printed and the items collected (and
// printed when asked); false when the handler could not be made.
bool QueryMenu(const Options& options, bool print, ComPtr<IContextMenu>& menu, PopupMenu& popup,
               std::vector<MenuEntry>& entries) {
    if (FAILED(CreateHandler(options, menu))) {
        return false;
    }
    const HRESULT hr = menu->QueryContextMenu(popup.Get(), 0, options.first, options.last, options.flags);
    PrintUtf8(L"QueryContextMenu: " + Hex(hr) + L" (" + std::to_wstring(HRESULT_CODE(hr)) + L" ids)\n");
    CollectMenu(popup.Get(), options.first, 0, entries, print);
    return true;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_SIZE:
            if (state) {
                MoveWindow(state->list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            }
            return 0;
        case WM_CONTEXTMENU: {
            if (!state) {
                break;
            }
            ComPtr<IContextMenu> menu;
            if (FAILED(CreateHandler(*state->options, menu))) {
                return 0;
            }
            PopupMenu popup(CreatePopupMenu());
            const HRESULT hr = menu->QueryContextMenu(popup.Get(), 0, kFirstId, kLastId, CMF_NORMAL);
            if (FAILED(hr) || HRESULT_CODE(hr) == 0) {
                return 0;
            }
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (at.x == -1 && at.y == -1) {
                GetCursorPos(&at);
            }
            const UINT chosen = static_cast<UINT>(
                TrackPopupMenu(popup.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr));
            if (chosen >= kFirstId) {
                const bool shift = GetKeyState(VK_SHIFT) < 0;
                const bool ctrl = GetKeyState(VK_CONTROL) < 0;
                const HRESULT invoked =
                    Invoke(menu.Get(), chosen - kFirstId, std::nullopt, shift, ctrl, window);
                PrintUtf8(L"InvokeCommand: " + Hex(invoked) + L"\n");
                PrintClipboard();
                std::fflush(stdout);
            }
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int RunWindow(const Options& options) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = quillet::platform::ModuleInstance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"QuilletMenuHost";
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"menuhost - right-click the files",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 640, 360,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    HWND list =
        CreateWindowExW(0, L"LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0,
                        0, 640, 360, window, nullptr, windowClass.hInstance, nullptr);
    for (const auto& path : options.paths) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    WindowState state{&options, list};
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    RECT client;
    GetClientRect(window, &client);
    MoveWindow(list, 0, 0, client.right, client.bottom, TRUE);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

std::optional<FILETIME> LastWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return data.ftLastWriteTime;
}

bool SameTime(const std::optional<FILETIME>& a, const std::optional<FILETIME>& b) {
    return a.has_value() == b.has_value() && (!a || CompareFileTime(&*a, &*b) == 0);
}

// Closed by every writer: a file still open for writing does not open unshared.
bool Closed(const std::wstring& path) {
    const quillet::platform::FileHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.Valid();
}

int MenuAfterChange(const Options& options, const std::optional<FILETIME>& before) {
    const std::wstring& path = *options.menuAfterChange;
    const DWORD start = GetTickCount();
    while (SameTime(LastWriteTime(path), before) || !Closed(path)) {
        if (GetTickCount() - start > 60000) {
            PrintUtf8(L"not written: " + path + L"\n");
            return 1;
        }
        Sleep(50);
    }
    PrintUtf8(L"written: " + *options.menuAfterChange + L"\n");
    ComPtr<IContextMenu> menu;
    PopupMenu popup(CreatePopupMenu());
    std::vector<MenuEntry> entries;
    return QueryMenu(options, true, menu, popup, entries) ? 0 : 1;
}

int Run(const Options& options) {
    if (options.clearClipboard || options.setClipboard) {
        if (!SetClipboardText(options.setClipboard)) {
            PrintUtf8(L"could not set the clipboard\n");
            return 1;
        }
    }
    if (options.window) {
        return RunWindow(options);
    }
    ComPtr<IContextMenu> menu;
    PopupMenu popup(CreatePopupMenu());
    std::vector<MenuEntry> entries;
    if (!QueryMenu(options, options.printMenu, menu, popup, entries)) {
        return 1;
    }

    if (options.helpTexts) {
        for (const MenuEntry& entry : entries) {
            HRESULT wideResult = S_OK;
            HRESULT ansiResult = S_OK;
            const UINT offset = entry.id - options.first;
            const std::wstring wide = HelpText(menu.Get(), offset, options.cchMax, true, wideResult);
            const std::wstring ansi = HelpText(menu.Get(), offset, options.cchMax, false, ansiResult);
            PrintUtf8(L"help " + std::to_wstring(offset) + L" W " + Hex(wideResult) + L" " + Quoted(wide) +
                      L"\n");
            PrintUtf8(L"help " + std::to_wstring(offset) + L" A " + Hex(ansiResult) + L" " + Quoted(ansi) +
                      L"\n");
        }
    }

    const std::optional<FILETIME> before =
        options.menuAfterChange ? LastWriteTime(*options.menuAfterChange) : std::nullopt;
    if (options.invoke || options.verb) {
        UINT offset = 0;
        if (options.invoke) {
            wchar_t* end = nullptr;
            offset = static_cast<UINT>(std::wcstoul(options.invoke->c_str(), &end, 10));
            if (end == options.invoke->c_str() || *end != L'\0') {
                bool found = false;
                for (const MenuEntry& entry : entries) {
                    if (entry.text == *options.invoke && !entry.submenu) {
                        offset = entry.id - options.first;
                        found = true;
                        break;
                    }
                }
                if (!found) {
                    PrintUtf8(L"no menu item " + Quoted(*options.invoke) + L"\n");
                    return 1;
                }
            }
        }
        const HRESULT invoked = Invoke(menu.Get(), offset, options.verb, options.shift, options.ctrl);
        PrintUtf8(L"InvokeCommand: " + Hex(invoked) + L"\n");
    }
    if (options.printClipboard) {
        PrintClipboard();
    }
    if (options.menuAfterChange) {
        std::fflush(stdout);
        return MenuAfterChange(options, before);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseArgs(argc, argv, options)) {
        return Usage();
    }
    const quillet::platform::OleApartment ole = quillet::platform::EnterOleApartment();
    if (!ole) {
        PrintUtf8(L"OleInitialize failed\n");
        return 1;
    }
    const int status = Run(options);
    std::fflush(stdout);
    return status;
}
