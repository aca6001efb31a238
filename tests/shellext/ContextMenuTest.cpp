// The handler's menu as Explorer asks for it, through the real DLL under Wine: the command file in
// the prefix's application data folder, a real pop-up menu and the real clipboard.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "DropDataObject.h"
#include "HostWatchers.h"
#include "ScrivelShExt_h.h"
#include "ShellTestFiles.h"
#include "core/package/FirstMenu.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "shellext/FirstMenuMark.h"

namespace quillet::test {
namespace {

using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

// "id text" per item, "id > title" for a sub-menu with its items indented below.
std::string MenuText(HMENU menu, const std::string& indent = "") {
    std::string text;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t title[512] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
        item.dwTypeData = title;
        item.cch = static_cast<UINT>(std::size(title));
        EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item));
        text += indent + std::to_string(item.wID) + (item.hSubMenu ? " > " : " ") + Narrow(title) + "\n";
        if (item.hSubMenu) {
            text += MenuText(item.hSubMenu, indent + "    ");
        }
    }
    return text;
}

// A handler made through the DLL's class factory and initialised with a selection, and the menu it
// fills (with Explorer's own "Open" and "Delete" already in it).
class ContextMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        com_ = platform::EnterComApartment();
        ASSERT_TRUE(com_);
        module_.Reset(LoadLibraryW((ModuleFolder() + L"ScrivelShExt.dll").c_str()));
        ASSERT_TRUE(module_);
        menu_.Reset(CreatePopupMenu());
        AppendMenuW(menu_.Get(), MF_STRING, 1, L"Open");
        AppendMenuW(menu_.Get(), MF_STRING, 2, L"Delete");
    }
    void TearDown() override {
        menu_.Reset();
        handler_.Reset();
        module_.Reset();
        com_.Reset();
    }

    void MakeHandler(const std::vector<std::wstring>& selection) {
        auto getClassObject = reinterpret_cast<GetClassObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_.Get(), "DllGetClassObject")));
        platform::ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(CLSID_Scrivel, IID_IClassFactory, factory.ReceiveAny()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, handler_.ReceiveAny()), S_OK);
        factory.Reset();
        platform::ComPtr<IShellExtInit> init;
        ASSERT_EQ(handler_->QueryInterface(IID_IShellExtInit, init.ReceiveAny()), S_OK);
        EXPECT_EQ(init->Initialize(nullptr, MakeDropData(selection).Get(), nullptr), S_OK);
    }

    HRESULT Query(UINT flags = CMF_NORMAL) {
        return handler_->QueryContextMenu(menu_.Get(), 1, 100, 0x7FFF, flags);
    }

    platform::ComApartment com_;
    platform::UniqueModule module_;
    platform::UniqueMenu menu_;
    platform::ComPtr<IContextMenu> handler_;
};

const char kWorkedExample[] =
    "A:%QUILLET\nM:%SUBFOLDER\nB:%QUILLET_AND_DELETE\nC:%PASTEFILENAME\nD:%CONFIGURE\n";
const char kRenames[] =
    "Copy Name(s):%QUILLET\nCopy and Delete:%QUILLET_AND_DELETE\nRename:%PASTEFILENAME\n"
    "Rename Keeping Ext:%PASTEFILENAME_NOEXT\n";

TEST_F(ContextMenu, TwoItemsGiveTheWorkedExample) {
    const UserCommandFile commands(kWorkedExample);
    MakeHandler({L"C:\\a.txt", L"C:\\b.txt"});
    EXPECT_EQ(Query(), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 3));
    EXPECT_EQ(MenuText(menu_.Get()), "1 Open\n100 A\n102 > M\n    101 D\n2 Delete\n");
}

TEST_F(ContextMenu, DefaultOnlyInsertsNothing) {
    const UserCommandFile commands(kWorkedExample);
    MakeHandler({L"C:\\a.txt"});
    EXPECT_EQ(Query(CMF_DEFAULTONLY), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
    EXPECT_EQ(MenuText(menu_.Get()), "1 Open\n2 Delete\n");
}

TEST_F(ContextMenu, DefaultOnlyForgetsThePreviousMenu) {
    const UserCommandFile commands(kWorkedExample);
    MakeHandler({L"C:\\a.txt", L"C:\\b.txt"});
    ASSERT_EQ(Query(), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 3));
    EXPECT_EQ(Query(CMF_DEFAULTONLY), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
    wchar_t help[64] = {};
    EXPECT_EQ(handler_->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<CHAR*>(help), 64),
              E_INVALIDARG);
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(1);  // Configure in the menu before
    EXPECT_EQ(handler_->InvokeCommand(&info), E_INVALIDARG);
}

TEST_F(ContextMenu, RenamesShowOnlyForAValidClipboardName) {
    const UserCommandFile commands(kRenames);
    struct Row {
        const char* what;
        std::wstring clipboard;  // empty: no text on the clipboard
        bool renames;
    };
    const Row rows[] = {
        {"a plain name", L"report.txt", true},
        {"259 valid characters", std::wstring(259, L'x'), true},
        {"260 characters", std::wstring(260, L'x'), false},
        {"a backslash", L"..\\x", false},
        {"a line break at the end", L"report.txt\r\n", false},
        {"no text", L"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.clipboard.empty()) {
            ClearClipboard();
        } else {
            SetClipboardText(row.clipboard);
        }
        while (GetMenuItemCount(menu_.Get()) > 0) {
            DeleteMenu(menu_.Get(), 0, MF_BYPOSITION);
        }
        handler_.Reset();
        MakeHandler({L"C:\\a.txt"});
        if (row.renames) {
            EXPECT_EQ(Query(), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 4));
            EXPECT_EQ(MenuText(menu_.Get()),
                      "100 Copy Name\n101 Copy and Delete\n102 Rename\n103 Rename Keeping Ext\n");
        } else {
            EXPECT_EQ(Query(), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2));
            EXPECT_EQ(MenuText(menu_.Get()), "100 Copy Name\n101 Copy and Delete\n");
        }
    }
    ClearClipboard();
}

TEST_F(ContextMenu, HelpTextsAreCutToTheCallersBuffer) {
    const UserCommandFile commands(kWorkedExample);
    MakeHandler({L"C:\\a.txt", L"C:\\b.txt"});
    ASSERT_EQ(Query(), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 3));

    wchar_t wide[200];
    EXPECT_EQ(handler_->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<CHAR*>(wide), 200),
              S_OK);
    EXPECT_EQ(Narrow(wide), "Copies the selected filenames to the clipboard - hold CTRL for more options");
    EXPECT_EQ(handler_->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<CHAR*>(wide), 10), S_OK);
    EXPECT_EQ(Narrow(wide), "Brings up");
    char narrow[200];
    EXPECT_EQ(handler_->GetCommandString(0, GCS_HELPTEXTA, nullptr, narrow, 12), S_OK);
    EXPECT_STREQ(narrow, "Copies the ");
    EXPECT_EQ(handler_->GetCommandString(1, GCS_HELPTEXTA, nullptr, narrow, 200), S_OK);
    EXPECT_EQ(std::string(narrow).rfind("Brings up the Configure", 0), 0u);

    EXPECT_EQ(handler_->GetCommandString(0, GCS_VERBW, nullptr, reinterpret_cast<CHAR*>(wide), 200),
              E_INVALIDARG);
    EXPECT_EQ(handler_->GetCommandString(2, GCS_HELPTEXTW, nullptr, reinterpret_cast<CHAR*>(wide), 200),
              E_INVALIDARG)
        << "the sub-menu item has no command";
    EXPECT_EQ(handler_->GetCommandString(3, GCS_HELPTEXTW, nullptr, reinterpret_cast<CHAR*>(wide), 200),
              E_INVALIDARG);
}

// The unchecked bitmap of the item at a position of a menu.
HBITMAP ItemBitmap(HMENU menu, UINT position) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_CHECKMARKS;
    EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &item));
    return item.hbmpUnchecked;
}

TEST_F(ContextMenu, ItemBitmapsAreMadeOncePerModule) {
    const UserCommandFile commands("A:%QUILLET\nU:$name\nO:%OPTIONS\nM:%SUBFOLDER\nC:%CONFIGURE\n");
    MakeHandler({L"C:\\a.txt", L"C:\\b.txt"});
    ASSERT_EQ(Query(), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 5));
    // After Explorer's "Open" at 0: A, U, O, the sub-menu M holding C, then "Delete".
    HMENU subMenu = GetSubMenu(menu_.Get(), 4);
    ASSERT_NE(subMenu, nullptr);
    const HBITMAP copy = ItemBitmap(menu_.Get(), 1);
    const HBITMAP userDefined = ItemBitmap(menu_.Get(), 2);
    const HBITMAP options = ItemBitmap(menu_.Get(), 3);
    const HBITMAP subMenuItem = ItemBitmap(menu_.Get(), 4);
    const HBITMAP configure = ItemBitmap(subMenu, 0);
    for (HBITMAP bitmap : {copy, options, subMenuItem, configure}) {
        BITMAP info{};
        ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
        EXPECT_EQ(info.bmWidth, GetSystemMetrics(SM_CXMENUCHECK));
        EXPECT_EQ(info.bmHeight, GetSystemMetrics(SM_CYMENUCHECK));
        EXPECT_EQ(info.bmBitsPixel, 32);
    }
    EXPECT_EQ(copy, userDefined) << "the built-in and the user-defined copies share their picture";
    EXPECT_NE(copy, options);
    EXPECT_NE(subMenuItem, configure);
    EXPECT_EQ(ItemBitmap(menu_.Get(), 0), nullptr) << "Explorer's own item is left alone";

    // A second menu, of another object, shows the same bitmaps, not new ones; they outlive the objects,
    // whose menus may still show them.
    handler_.Reset();
    MakeHandler({L"C:\\a.txt", L"C:\\b.txt"});
    platform::UniqueMenu second(CreatePopupMenu());
    ASSERT_EQ(handler_->QueryContextMenu(second.Get(), 0, 100, 0x7FFF, CMF_NORMAL),
              MAKE_HRESULT(SEVERITY_SUCCESS, 0, 5));
    EXPECT_EQ(ItemBitmap(second.Get(), 0), copy);
    EXPECT_EQ(ItemBitmap(second.Get(), 3), subMenuItem);
    second.Reset();

    handler_.Reset();
    BITMAP kept{};
    EXPECT_EQ(GetObjectW(copy, sizeof kept, &kept), static_cast<int>(sizeof kept));
}

HRESULT Invoke(IContextMenu* handler, UINT offset) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    return handler->InvokeCommand(&info);
}

// A name of valid length that makes the folder plus the name exceed the shell's 259 characters.
std::size_t kTooLongPadding(const std::wstring& folder) {
    return 259 - folder.size();
}

constexpr UINT kRename = 2;
constexpr UINT kRenameKeepingExt = 3;

TEST_F(ContextMenu, PasteCommandsRenameTheItemInItsFolder) {
    const UserCommandFile commands(kRenames);
    struct Row {
        const wchar_t* item;
        bool isFolder;
        const wchar_t* clipboard;
        UINT command;
        const wchar_t* renamed;
    };
    const Row rows[] = {
        {L"a.doc", false, L"b.txt", kRename, L"b.txt"},
        {L"a.txt", false, L"Report 2024", kRenameKeepingExt, L"Report 2024.txt"},
        {L"a.txt", false, L"Report.final.docx", kRenameKeepingExt, L"Report.final.txt"},
        {L"README", false, L"notes.md", kRenameKeepingExt, L"notes"},
        {L"a.txt", false, L".hidden", kRenameKeepingExt, L".txt"},
        {L"my.dir", true, L"archive", kRenameKeepingExt, L"archive.dir"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.clipboard));
        const TempFolder folder;
        const std::wstring item = row.isFolder ? folder.PathOf(row.item) : folder.MakeFile(row.item);
        if (row.isFolder) {
            std::filesystem::create_directory(std::filesystem::path(item));
        }
        SetClipboardText(row.clipboard);
        handler_.Reset();
        MakeHandler({item});
        ASSERT_EQ(Query(), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 4));
        EXPECT_EQ(Invoke(handler_.Get(), row.command), S_OK);
        EXPECT_TRUE(TempFolder::Exists(folder.PathOf(row.renamed)));
        EXPECT_FALSE(TempFolder::Exists(item));
    }
    ClearClipboard();
}

TEST_F(ContextMenu, PasteCommandsRefuseWhatNoLongerFits) {
    const UserCommandFile commands(kRenames);
    const TempFolder folder;
    const std::wstring item = folder.MakeFile(L"a.doc");
    const std::wstring tooLong(kTooLongPadding(folder.Path()), L'n');
    struct Row {
        const char* what;
        std::wstring clickTimeText;
    };
    const Row rows[] = {
        {"the clipboard now names another folder", L"..\\moved.doc"},
        {"the clipboard now holds no valid name", L"b.txt\r\n"},
        {"the destination would not fit the path buffer", tooLong},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetClipboardText(L"b.txt");
        handler_.Reset();
        MakeHandler({item});
        ASSERT_EQ(Query(), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 4));
        SetClipboardText(row.clickTimeText);
        EXPECT_EQ(Invoke(handler_.Get(), kRename), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
        EXPECT_TRUE(TempFolder::Exists(item));
        EXPECT_FALSE(TempFolder::Exists(folder.PathOf(L"b.txt")));
    }
    EXPECT_FALSE(TempFolder::Exists(folder.Path() + L"\\..\\moved.doc"));
    ClearClipboard();
}

TEST_F(ContextMenu, InvokeRunsCommandsByOffsetOnly) {
    const UserCommandFile commands(kWorkedExample);
    MakeHandler({L"C:\\a.txt", L"C:\\b.txt"});
    ASSERT_EQ(Query(), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 3));
    CMINVOKECOMMANDINFO byName{};
    byName.cbSize = sizeof byName;
    byName.lpVerb = "rename";
    EXPECT_EQ(handler_->InvokeCommand(&byName), E_INVALIDARG);
    EXPECT_EQ(Invoke(handler_.Get(), 2), E_INVALIDARG) << "the sub-menu item";
    EXPECT_EQ(Invoke(handler_.Get(), 3), E_INVALIDARG) << "an offset never handed out";
    // Configure, with no configuration program beside the module (the built one is set aside for the
    // moment): nothing happens, and that is fine.
    const std::wstring program = ModuleFolder() + L"ScrivelPrefs.exe";
    const std::wstring aside = program + L".aside";
    const bool moved = MoveFileExW(program.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    const bool absent = !TempFolder::Exists(program);
    if (absent) {
        EXPECT_EQ(Invoke(handler_.Get(), 1), S_OK);
    }
    if (moved) {
        MoveFileExW(aside.c_str(), program.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ASSERT_TRUE(absent);
}

// ---- Host calls by the contract ----

// What a host call gave back: its result, and a text it returned (a help text, the menu).
struct Answer {
    HRESULT result;
    std::string text;
};

Answer InvokeEx(IContextMenu* handler, DWORD mask, LPCSTR verb, LPCWSTR verbW, DWORD size = 0,
                HWND owner = nullptr) {
    CMINVOKECOMMANDINFOEX info{};
    info.cbSize = size ? size : sizeof info;
    info.fMask = mask;
    info.hwnd = owner;
    info.lpVerb = verb;
    info.lpVerbW = verbW;
    return {handler->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)), ""};
}

// The selection of the handler replaced: by two other items, or (none) by a data object without a file
// list, which fails.
HRESULT Reinitialize(IContextMenu* handler, const std::vector<std::wstring>& selection) {
    shellext::ComPtr<IShellExtInit> init;
    EXPECT_EQ(handler->QueryInterface(IID_IShellExtInit, init.ReceiveAny()), S_OK);
    return init->Initialize(nullptr, MakeDropData(selection, true, !selection.empty()).Get(), nullptr);
}

// Copy and Delete (offset 4) as the host asks for it, with a window of its own or none; the shell's
// question answered No.
Answer CopyAndDeleteAnsweredNo(IContextMenu* handler, DWORD mask, bool hostWindow = false) {
    platform::UniqueWindow window(hostWindow
                                      ? CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                                        100, nullptr, nullptr, nullptr, nullptr)
                                      : nullptr);
    const HWND owner = window.Get();
    const ConfirmationAnswerer user(IDNO);
    Answer answer = InvokeEx(handler, mask, MAKEINTRESOURCEA(4), nullptr, 0, owner);
    if (user.Answered() > 0) {
        answer.text = user.Owner() == owner ? "asked, owned by the host" : "asked, not owned by the host";
    }
    window.Reset();
    return answer;
}

// The help text of offset 1, the ANSI one in code page 932 (the handler takes the thread's).
Answer Help(IContextMenu* handler, UINT type, UINT size) {
    const LCID saved = GetThreadLocale();
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT));
    wchar_t text[64] = {};
    const HRESULT hr = handler->GetCommandString(1, type, nullptr, reinterpret_cast<CHAR*>(text), size);
    SetThreadLocale(saved);
    wchar_t wide[64] = {};
    if (type == GCS_HELPTEXTA) {
        MultiByteToWideChar(932, 0, reinterpret_cast<const char*>(text), -1, wide, 64);
    }
    return {hr, Narrow(type == GCS_HELPTEXTA ? wide : text)};
}

Answer QueryInto(IContextMenu* handler, HMENU menu, UINT index) {
    const platform::UniqueMenu owner(menu);
    const HRESULT hr = handler->QueryContextMenu(menu, index, 100, 0x7FFF, CMF_NORMAL);
    const std::string text = IsMenu(menu) ? MenuText(menu) : "";
    return {hr, text};
}

// A menu asked for while the user's registry marks the Windows 11 package as registered, and Windows
// lists the package (or not).
Answer QueryWithFirstMenuMark(IContextMenu* handler, bool packageListed) {
    const std::u16string name = u"Brantwell.QuilletPro_1.0.0.0_x64__test";
    const std::u16string listing = firstmenu::ListedPackageKey(name);
    shellext::WriteFirstMenuMark(name);
    if (packageListed) {
        platform::UniqueRegistryKey key;
        RegCreateKeyExW(HKEY_CURRENT_USER, platform::AsWide(listing), 0, nullptr, 0, KEY_WRITE, nullptr,
                        key.Receive(), nullptr);
    }
    const Answer answer = QueryInto(handler, CreatePopupMenu(), 0);
    shellext::WriteFirstMenuMark(u"");
    RegDeleteKeyW(HKEY_CURRENT_USER, platform::AsWide(listing));
    return answer;
}

enum class Before { Nothing, ClipboardHeld, ClipboardHeldBriefly, ItemDeleted };

// One call as a host may make it on the menu of "a.txt", built while "before" was on the clipboard:
// offset 0 copies the name, 1 has a name that help texts cut; in the sub-menu (6), 2 copies the path
// (<dir>\a.txt), 3 renames, 4 copies the name and deletes, 5 opens the Options dialog.
struct HostCall {
    const char* what;
    Answer (*call)(IContextMenu* handler);
    Answer expected;
    const char* clipboard = "before";  // afterwards
    const wchar_t* message = L"";      // the message boxes the user saw, a line each
    Before before = Before::Nothing;
    const char* folder = "a.txt";  // what the folder of the item holds afterwards
};
const char kHostCallCommands[] =
    "Copy:$name\n\xE6\x97\xA5\xE6\x9C\xAC\xF0\x9F\x98\x80:$name\nM:%SUBFOLDER\nSub:$path\n"
    "Rename:%PASTEFILENAME\nCopy and Delete:%QUILLET_AND_DELETE\nOptions:%OPTIONS\n";
const char kHostCallMenu[] =
    "100 Copy\n101 \xE6\x97\xA5\xE6\x9C\xAC\xF0\x9F\x98\x80\n106 > M\n    102 Sub\n    103 Rename\n"
    "    104 Copy and Delete\n    105 Options\n";
const char kCutHelp[] = "Quillet Pro user defined command \"";
constexpr HRESULT kMenuOf7 = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 7);
constexpr HRESULT kNoMenu = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);

const HostCall kHostCalls[] = {
    {"CMIC_MASK_UNICODE with a string verb it does not have in lpVerbW and lpVerb NULL runs nothing",
     [](IContextMenu* h) { return InvokeEx(h, CMIC_MASK_UNICODE, nullptr, L"properties"); },
     {E_INVALIDARG, ""}},
    {"CMIC_MASK_UNICODE: an offset in lpVerb does not count beside a string in lpVerbW",
     [](IContextMenu* h) { return InvokeEx(h, CMIC_MASK_UNICODE, MAKEINTRESOURCEA(0), L"properties"); },
     {E_INVALIDARG, ""}},
    {"CMIC_MASK_UNICODE: an offset in lpVerbW does not make a string verb in lpVerb one",
     [](IContextMenu* h) { return InvokeEx(h, CMIC_MASK_UNICODE, "properties", MAKEINTRESOURCEW(0)); },
     {E_INVALIDARG, ""}},
    {"CMIC_MASK_UNICODE, lpVerbW NULL: a string verb in lpVerb runs nothing",
     [](IContextMenu* h) { return InvokeEx(h, CMIC_MASK_UNICODE, "properties", nullptr); },
     {E_INVALIDARG, ""}},
    {"CMIC_MASK_UNICODE, lpVerbW NULL: the offset in lpVerb runs",
     [](IContextMenu* h) { return InvokeEx(h, CMIC_MASK_UNICODE, MAKEINTRESOURCEA(2), nullptr); },
     {S_OK, ""},
     "<dir>\\a.txt"},
    {"a new selection after the menu: the old menu's offsets run nothing on it",
     [](IContextMenu* h) {
         EXPECT_EQ(Reinitialize(h, {L"C:\\x.txt", L"C:\\y.txt"}), S_OK);
         return CopyAndDeleteAnsweredNo(h, 0);
     },
     {E_INVALIDARG, ""}},
    {"a failed Initialize leaves no selection: no menu, and the old offsets run nothing",
     [](IContextMenu* h) {
         EXPECT_EQ(Reinitialize(h, {}), E_INVALIDARG);
         const Answer invoked = InvokeEx(h, 0, MAKEINTRESOURCEA(0), nullptr);
         const Answer menu = QueryInto(h, CreatePopupMenu(), 0);
         return Answer{invoked.result == E_INVALIDARG ? menu.result : invoked.result, menu.text};
     },
     {kNoMenu, ""}},
    {"CMIC_MASK_FLAG_NO_UI: Copy and Delete recycles the item without a question",
     [](IContextMenu* h) { return CopyAndDeleteAnsweredNo(h, CMIC_MASK_FLAG_NO_UI); },
     {S_OK, ""},
     "a.txt",
     L"",
     Before::Nothing,
     ""},
    {"the host's window owns the shell's question",
     [](IContextMenu* h) { return CopyAndDeleteAnsweredNo(h, 0, true); },
     {S_OK, "asked, owned by the host"},
     "a.txt"},
    {"CMIC_MASK_FLAG_NO_UI: the Options dialog, nothing but a window, does not open",
     [](IContextMenu* h) { return InvokeEx(h, CMIC_MASK_FLAG_NO_UI, MAKEINTRESOURCEA(5), nullptr); },
     {HRESULT_FROM_WIN32(ERROR_CANCELLED), ""}},
    {"the clipboard held for a moment: the rename waits for it",
     [](IContextMenu* h) { return InvokeEx(h, 0, MAKEINTRESOURCEA(3), nullptr); },
     {S_OK, ""},
     "before",
     L"",
     Before::ClipboardHeldBriefly,
     "before"},
    {"the clipboard held by another program: the rename fails and says so",
     [](IContextMenu* h) { return InvokeEx(h, 0, MAKEINTRESOURCEA(3), nullptr); },
     {CLIPBRD_E_CANT_OPEN, ""},
     "before",
     L"Nothing was renamed: the clipboard is in use by another program. Try again in a moment.\n",
     Before::ClipboardHeld},
    {"the clipboard held for a moment while the menu is built: the rename is offered",
     [](IContextMenu* h) { return QueryInto(h, CreatePopupMenu(), 0); },
     {kMenuOf7, kHostCallMenu},
     "before",
     L"",
     Before::ClipboardHeldBriefly},
    {"a structure smaller than its size runs nothing",
     [](IContextMenu* h) { return InvokeEx(h, 0, MAKEINTRESOURCEA(0), nullptr, 8); },
     {E_INVALIDARG, ""}},
    {"the clipboard held by another program: a failure and one message",
     [](IContextMenu* h) { return InvokeEx(h, 0, MAKEINTRESOURCEA(0), nullptr); },
     {CLIPBRD_E_CANT_OPEN, ""},
     "before",
     L"Nothing was copied: the clipboard is in use by another program. Try again in a moment.\n",
     Before::ClipboardHeld},
    {"the clipboard held for a moment: the copy waits for it",
     [](IContextMenu* h) { return InvokeEx(h, 0, MAKEINTRESOURCEA(0), nullptr); },
     {S_OK, ""},
     "a.txt",
     L"",
     Before::ClipboardHeldBriefly},
    {"every item gone since the menu opened: the clipboard stays as it was",
     [](IContextMenu* h) { return InvokeEx(h, 0, MAKEINTRESOURCEA(0), nullptr); },
     {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), ""},
     "before",
     L"Nothing was copied: the selected items no longer exist.\n",
     Before::ItemDeleted,
     ""},
    {"GCS_VALIDATEW of an item",
     [](IContextMenu* h) {
         return Answer{h->GetCommandString(2, GCS_VALIDATEW, nullptr, nullptr, 0), ""};
     },
     {S_OK, ""}},
    {"GCS_VALIDATEA of the sub-menu item",
     [](IContextMenu* h) {
         return Answer{h->GetCommandString(6, GCS_VALIDATEA, nullptr, nullptr, 0), ""};
     },
     {S_FALSE, ""}},
    {"a Unicode help text is not cut after a lone high surrogate",
     [](IContextMenu* h) { return Help(h, GCS_HELPTEXTW, 38); },
     {S_OK, std::string(kCutHelp) + "\xE6\x97\xA5\xE6\x9C\xAC"}},
    {"an ANSI help text is not cut inside a double-byte character",
     [](IContextMenu* h) { return Help(h, GCS_HELPTEXTA, 36); },
     {S_OK, kCutHelp}},
    {"indexMenu 0xFFFFFFFF appends every item in order",
     [](IContextMenu* h) {
         HMENU menu = CreatePopupMenu();
         AppendMenuW(menu, MF_STRING, 1, L"Open");
         return QueryInto(h, menu, 0xFFFFFFFF);
     },
     {kMenuOf7, std::string("1 Open\n") + kHostCallMenu}},
    {"the Windows 11 package registered: its command is in the menu already, the handler adds nothing",
     [](IContextMenu* h) { return QueryWithFirstMenuMark(h, true); },
     {kNoMenu, ""}},
    {"the mark of a package that Windows no longer lists hides nothing",
     [](IContextMenu* h) { return QueryWithFirstMenuMark(h, false); },
     {kMenuOf7, kHostCallMenu}},
    {"the mark's key deleted and written again while the module holds it open: the mark is read again",
     [](IContextMenu* h) {
         QueryInto(h, CreatePopupMenu(), 0);
         RegDeleteTreeW(HKEY_CURRENT_USER, platform::AsWide(firstmenu::kMarkKey.data()));
         return QueryWithFirstMenuMark(h, true);
     },
     {kNoMenu, ""}},
    {"an invalid HMENU: a failure and no ids",
     [](IContextMenu* h) { return QueryInto(h, reinterpret_cast<HMENU>(static_cast<INT_PTR>(0x4321)), 0); },
     {E_INVALIDARG, ""}},
};

TEST_F(ContextMenu, HostCallsAreAnsweredByTheContract) {
    const UserCommandFile commands(kHostCallCommands);
    for (const HostCall& row : kHostCalls) {
        SCOPED_TRACE(row.what);
        const TempFolder folder;
        const std::wstring item = folder.MakeFile(L"a.txt");
        handler_.Reset();
        SetClipboardText(L"before");
        MakeHandler({item});
        ASSERT_EQ(Query(), kMenuOf7);
        if (row.before == Before::ItemDeleted) {
            std::filesystem::remove(std::filesystem::path(item));
        }
        std::optional<ClipboardHolder> holder;
        if (row.before == Before::ClipboardHeld) {
            holder.emplace();
        } else if (row.before == Before::ClipboardHeldBriefly) {
            holder.emplace(module_.Get());  // until the module's first try
        }
        const ConfirmationAnswerer user(IDOK);
        const Answer answer = row.call(handler_.Get());
        if (row.before == Before::ClipboardHeldBriefly) {
            EXPECT_EQ(holder->Refusals(), 1) << "the call met the clipboard held";
        }
        holder.reset();
        EXPECT_EQ(answer.result, row.expected.result);
        EXPECT_EQ(answer.text, row.expected.text);
        std::string clipboard = Utf16ToUtf8(test::ClipboardText().value_or(u"<none>"));
        if (const std::string dir = Narrow(folder.Path().c_str()); clipboard.starts_with(dir)) {
            clipboard.replace(0, dir.size(), "<dir>");
        }
        EXPECT_EQ(clipboard, row.clipboard);
        EXPECT_EQ(Narrow(user.Texts().c_str()), Narrow(row.message));
        std::string names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            names += Narrow(entry.path().filename().c_str());
        }
        EXPECT_EQ(names, row.folder);
    }
    ClearClipboard();
}

// The user's troubleshooting log turned on in their profile for one test (the profile as it was
// afterwards), and their log file gone before and after it.
class KeptTroubleshootingLog {
  public:
    KeptTroubleshootingLog()
        : profile_(KnownFolder(CSIDL_APPDATA) / L"Brantwell\\Quillet\\ScrivelShExt.INI") {
        log_ = KnownFolder(CSIDL_LOCAL_APPDATA) / L"Brantwell\\Quillet\\Quillet.log";
        std::filesystem::remove(log_);
        std::filesystem::create_directories(profile_.parent_path());
        if (std::ifstream old(profile_, std::ios::binary); old) {
            previous_ = std::string(std::istreambuf_iterator<char>(old), {});
        }
        EXPECT_TRUE(WritePrivateProfileStringW(L"Troubleshooting", L"Keep Log", L"1", profile_.c_str()));
    }
    ~KeptTroubleshootingLog() {
        if (previous_) {
            std::ofstream(profile_, std::ios::binary | std::ios::trunc) << *previous_;
        } else {
            std::filesystem::remove(profile_);
        }
        std::filesystem::remove(log_);
    }
    std::string Text() const {
        std::ifstream in(log_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::filesystem::path KnownFolder(int folder) {
        wchar_t path[MAX_PATH] = {};
        EXPECT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)));
        return path;
    }

  private:
    std::filesystem::path profile_;
    std::optional<std::string> previous_;
    std::filesystem::path log_;
};

TEST_F(ContextMenu, FailuresGoToTheTroubleshootingLogWithTheirFileAndLine) {
    const KeptTroubleshootingLog log;
    const UserCommandFile commands("Copy:%QUILLET\nsecret line without a colon\n");
    const TempFolder folder;
    SetClipboardText(L"secret clipboard text");
    MakeHandler({folder.MakeFile(L"a.txt")});
    ASSERT_TRUE(SUCCEEDED(Query()));
    {
        const ClipboardHolder otherProgram;
        EXPECT_EQ(InvokeEx(handler_.Get(), CMIC_MASK_FLAG_NO_UI, MAKEINTRESOURCEA(0), nullptr).result,
                  CLIPBRD_E_CANT_OPEN);
    }
    const std::string text = log.Text();
    const std::string commandFile = Narrow(
        (KeptTroubleshootingLog::KnownFolder(CSIDL_APPDATA) / L"Brantwell\\Quillet\\Cmds.txt").c_str());
    EXPECT_NE(text.find(" ScrivelShExt.dll "), std::string::npos) << text;
    EXPECT_NE(
        text.find(") 0x8007000d command file line not read (message 2006) (" + commandFile + ", line 1)\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find(" src/core/menu/CommandListCache.cpp("), std::string::npos) << text;
    EXPECT_NE(text.find(" src/shellext/CommandRun.cpp("), std::string::npos) << text;
    EXPECT_NE(text.find(") 0x800401d0 copy: the clipboard is held\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("secret"), std::string::npos) << text;
    ClearClipboard();
}

}  // namespace
}  // namespace quillet::test
