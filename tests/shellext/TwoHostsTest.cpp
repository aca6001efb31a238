// One table of command files and selections run against both of the module's menu hosts, through COM
// under Wine: the classic handler on a file list, and the first-menu command tree on a shell item
// array. Both must show the same commands, and the same clicks must leave the same clipboard text and
// the same files.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "DropDataObject.h"
#include "HostWatchers.h"
#include "ScrivelShExt_h.h"
#include "SharedIds.h"
#include "ShellTestFiles.h"
#include "platform/win32/Handles.h"

namespace quillet::test {
namespace {

using shellext::ComPtr;

// A click on a command named by its titles ("Sub-menu/Item"), and what the clipboard and the folder
// of the selection hold afterwards (the folder's path reads "<dir>"; its names sorted, a space between).
struct Click {
    const char* command;
    const char* clipboard;
    const char* folder;
    bool shift = false;
};

struct Row {
    const char* what;
    const char* commands;  // the per-user command file; null: none, the default list
    // Names in a folder of their own, a folder's ending in "\\"; null: an item with no file-system path.
    std::vector<const wchar_t*> selection;
    const wchar_t* clipboard;  // null: no text
    const char* menu;          // a line per shown command, "Title >" over a sub-menu's indented items
    std::vector<Click> clicks;
};

const char kSubMenus[] =
    "Copy Name(s):%QUILLET\nNothing:%SUBFOLDER\nFile(s):%SUBFOLDER\nRename:%PASTEFILENAME\n"
    "Keeping Ext:%PASTEFILENAME_NOEXT\nCopy and Delete:%QUILLET_AND_DELETE\n";
const char kSubMenusShown[] = "Copy Name\nFile(s) >\n    Rename\n    Keeping Ext\n    Copy and Delete\n";
const char kSubMenusNoPaste[] = "Copy Name\nFile(s) >\n    Copy and Delete\n";
const char kDefaultOne[] =
    "Copy Name\nCopy Name and &Delete\nCopy &Options...\nConfigure Quillet...\nCopy &As >\n"
    "    Full &Path\n    Path with &Forward Slashes\n    &Quoted Path on One Line\n"
    "    Path with &Doubled Backslashes\n    &Name Without Extension\n    Names, &Comma-Separated\n"
    "    Name, Size and Date &Table\n    &Bulleted List\n";
const char kDefaultSeveral[] =
    "Copy Names\nCopy &Options...\nConfigure Quillet...\nCopy &As >\n"
    "    Full &Paths\n    Paths with &Forward Slashes\n    &Quoted Paths on One Line\n"
    "    Paths with &Doubled Backslashes\n    &Names Without Extension\n    Names, &Comma-Separated\n"
    "    Name, Size and Date &Table\n    &Bulleted List\n";

// A row to a few lines reads as a table.
// clang-format off
const Row kRows[] = {
    {"the default list, one file, no text on the clipboard", nullptr, {L"a.txt"}, nullptr, kDefaultOne,
     {{"Copy Name", "a.txt", "a.txt"}, {"Copy Name", "<dir>\\a.txt", "a.txt", true},
      {"Copy Name and &Delete", "a.txt", ""},
      {"Copy &As/&Quoted Path on One Line", "\"<dir>\\a.txt\"", "a.txt"}}},
    {"the default list, a file and a folder: no paste, no delete", nullptr,
     {L"a.txt", L"my.dir\\"}, L"b.txt", kDefaultSeveral,
     {{"Copy Names", "a.txt\r\nmy.dir\r\n", "a.txt my.dir"},
      {"Copy &As/&Bulleted List", "- a.txt\r\n- my.dir", "a.txt my.dir"}}},
    {"sub-menus, one file, a valid new name: the empty sub-menu dropped", kSubMenus, {L"a.txt"},
     L"Report 2024", kSubMenusShown,
     {{"File(s)/Rename", "Report 2024", "Report 2024"},
      {"File(s)/Keeping Ext", "Report 2024", "Report 2024.txt"}, {"File(s)/Copy and Delete", "a.txt", ""}}},
    {"sub-menus, two files: a sub-menu of hidden commands only is dropped", kSubMenus,
     {L"a.txt", L"b.txt"}, L"Report 2024", "Copy Names\n",
     {{"Copy Names", "a.txt\r\nb.txt\r\n", "a.txt b.txt"}}},
    {"sub-menus, one file, text that is no valid name", kSubMenus, {L"a.txt"}, L"..\\x", kSubMenusNoPaste,
     {}},
    {"sub-menus, one folder, no text", kSubMenus, {L"my.dir\\"}, nullptr, kSubMenusNoPaste,
     {{"File(s)/Copy and Delete", "my.dir", ""}}},
    {"sub-menus, one folder, a valid new name", kSubMenus, {L"my.dir\\"}, L"archive", kSubMenusShown,
     {{"File(s)/Keeping Ext", "archive", "archive.dir"}}},
    {"a file and an item with no file-system path: two items, the file's name copied (the classic menu "
     "never gets such items)", kSubMenus, {L"a.txt", nullptr}, L"Report 2024", "Copy Names\n",
     {{"Copy Names", "a.txt", "a.txt"}}},
    {"only items with no file-system path: nothing", kSubMenus, {nullptr}, L"Report 2024", "", {}},
    {"a user-defined format", "Sized(s):$name=$size:b[; ]<|>\n", {L"a.txt", L"b.txt"}, nullptr,
     "Sizeds\n", {{"Sizeds", "<a.txt=7; b.txt=7>", "a.txt b.txt"}}},
    {"the path forms", "Forms:$name:url $path:unc $repopath:backslash\n", {L"a b#.txt"}, nullptr, "Forms\n",
     {{"Forms", "a%20b%23.txt <dir>\\a b#.txt <dir>\\a b#.txt", "a b#.txt"}}},
};
// clang-format on

enum Host { kClassic, kFirstMenu };
const char* const kHostNames[] = {"classic menu", "first menu"};

// A host's menu as the user sees it, and its commands by title.
struct ShownMenu {
    std::string tree;
    ComPtr<IContextMenu> handler;         // the classic menu's
    std::map<std::string, UINT> offsets;  // of its commands
    ComPtr<IShellItemArray> items;        // the first menu's selection
    std::map<std::string, ComPtr<IExplorerCommand>> commands;
};

constexpr UINT kFirstId = 100;

std::string Line(const std::string& title, bool separator, bool subMenu, bool disabled) {
    return separator ? "----\n" : title + (subMenu ? " >" : "") + (disabled ? " (disabled)" : "") + "\n";
}

void WalkClassic(HMENU menu, const std::string& indent, const std::string& path, ShownMenu& shown) {
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        wchar_t title[512] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
        item.dwTypeData = title;
        item.cch = static_cast<UINT>(std::size(title));
        EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item));
        const std::string name = Narrow(title);
        shown.tree +=
            indent + Line(name, item.fType & MFT_SEPARATOR, item.hSubMenu, item.fState & MFS_DISABLED);
        if (item.hSubMenu) {
            WalkClassic(item.hSubMenu, indent + "    ", path + name + "/", shown);
        } else {
            shown.offsets[path + name] = item.wID - kFirstId;
        }
    }
}

// As Explorer asks: each command's flags, title and state with the selection, then a flyout's own.
void WalkFirstMenu(IEnumExplorerCommand* list, const std::string& indent, const std::string& path,
                   ShownMenu& shown) {
    ComPtr<IExplorerCommand> command;
    while (list->Next(1, command.Receive(), nullptr) == S_OK) {
        EXPCMDFLAGS flags = 0;
        EXPCMDSTATE state = 0;
        platform::CoTaskMemory<wchar_t> title;
        EXPECT_EQ(command->GetFlags(&flags), S_OK);
        const bool separator = flags & ECF_ISSEPARATOR;
        EXPECT_TRUE(SUCCEEDED(command->GetTitle(shown.items.Get(), title.Receive())) || separator);
        EXPECT_EQ(command->GetState(shown.items.Get(), FALSE, &state), S_OK);
        const std::string name = title ? Narrow(title.Get()) : "";
        if (state & ECS_HIDDEN) {
            continue;
        }
        shown.tree += indent + Line(name, separator, flags & ECF_HASSUBCOMMANDS, state & ECS_DISABLED);
        if (flags & ECF_HASSUBCOMMANDS) {
            ComPtr<IEnumExplorerCommand> subCommands;
            ASSERT_EQ(command->EnumSubCommands(subCommands.Receive()), S_OK);
            WalkFirstMenu(subCommands.Get(), indent + "    ", path + name + "/", shown);
        } else if (!separator) {
            shown.commands[path + name] = std::move(command);
        }
    }
}

template <typename Interface>
ComPtr<Interface> Create(const CLSID& clsid, REFIID iid) {
    using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto getClassObject = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ScrivelShExt.dll"), "DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    ComPtr<Interface> object;
    if (getClassObject(clsid, IID_IClassFactory, factory.ReceiveAny()) == S_OK) {
        EXPECT_EQ(factory->CreateInstance(nullptr, iid, object.ReceiveAny()), S_OK);
    }
    EXPECT_TRUE(object) << "the module serves no such class";
    return object;
}

ShownMenu OpenClassic(const std::vector<std::wstring>& selection) {
    ShownMenu shown;
    std::vector<std::wstring> paths;
    std::copy_if(selection.begin(), selection.end(), std::back_inserter(paths),
                 [](const std::wstring& path) { return !path.empty(); });
    shown.handler = Create<IContextMenu>(CLSID_Scrivel, IID_IContextMenu);
    ComPtr<IShellExtInit> init;
    if (!shown.handler || shown.handler->QueryInterface(IID_IShellExtInit, init.ReceiveAny()) != S_OK) {
        return shown;
    }
    EXPECT_EQ(init->Initialize(nullptr, MakeDropData(paths).Get(), nullptr), S_OK);
    const platform::UniqueMenu menu(CreatePopupMenu());
    EXPECT_TRUE(SUCCEEDED(shown.handler->QueryContextMenu(menu.Get(), 0, kFirstId, 0x7FFF, CMF_NORMAL)));
    WalkClassic(menu.Get(), "", "", shown);
    return shown;
}

// A shell item array of the paths, as Explorer hands the first menu a selection (an empty path: My
// Computer, which has no file-system path).
ComPtr<IShellItemArray> ItemArray(const std::vector<std::wstring>& selection) {
    std::vector<PIDLIST_ABSOLUTE> ids;
    for (const std::wstring& path : selection) {
        PIDLIST_ABSOLUTE id = nullptr;
        if (path.empty()) {
            EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &id), S_OK);
        } else {
            id = ILCreateFromPathW(path.c_str());
        }
        ids.push_back(id);
    }
    ComPtr<IShellItemArray> items;
    EXPECT_EQ(
        SHCreateShellItemArrayFromIDLists(static_cast<UINT>(ids.size()),
                                          const_cast<PCIDLIST_ABSOLUTE_ARRAY>(ids.data()), items.Receive()),
        S_OK);
    std::for_each(ids.begin(), ids.end(), ILFree);
    return items;
}

ComPtr<IExplorerCommand> FirstMenuRoot() {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(L"{" QUILLET_FIRST_MENU_CLSID "}", &clsid), NOERROR);
    return Create<IExplorerCommand>(clsid, IID_IExplorerCommand);
}

ShownMenu OpenFirstMenu(const std::vector<std::wstring>& selection) {
    ShownMenu shown;
    shown.items = ItemArray(selection);
    const ComPtr<IExplorerCommand> root = FirstMenuRoot();
    EXPCMDSTATE state = ECS_HIDDEN;
    EXPCMDFLAGS flags = 0;
    platform::CoTaskMemory<wchar_t> title;
    if (!root || root->GetState(shown.items.Get(), FALSE, &state) != S_OK || root->GetFlags(&flags) != S_OK ||
        root->GetTitle(shown.items.Get(), title.Receive()) != S_OK) {
        ADD_FAILURE() << "the root command does not answer";
        return shown;
    }
    EXPECT_EQ(Narrow(title.Get()), "Quillet");
    EXPECT_EQ(flags, ECF_HASSUBCOMMANDS);
    ComPtr<IEnumExplorerCommand> subCommands;
    if (!(state & ECS_HIDDEN) && root->EnumSubCommands(subCommands.Receive()) == S_OK) {
        WalkFirstMenu(subCommands.Get(), "", "", shown);
    }
    return shown;
}

// SHIFT down or up for this thread, as both hosts read it when a command runs.
void SetShift(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Runs a command as a click with the mouse does, SHIFT held or not.
HRESULT RunClick(ShownMenu& shown, const std::string& command, bool shift) {
    const auto offset = shown.offsets.find(command);
    const auto found = shown.commands.find(command);
    SetShift(shift);
    HRESULT hr = E_INVALIDARG;
    if (offset != shown.offsets.end()) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.fMask = shift ? CMIC_MASK_SHIFT_DOWN : 0;
        info.lpVerb = MAKEINTRESOURCEA(offset->second);
        hr = shown.handler->InvokeCommand(&info);
    } else if (found != shown.commands.end()) {
        hr = found->second->Invoke(shown.items.Get(), nullptr);
    }
    SetShift(false);
    return hr;
}

std::string ClipboardIn(const TempFolder& folder) {
    std::string text = Utf16ToUtf8(ClipboardText().value_or(u"<none>"));
    const std::string path = Narrow(folder.Path().c_str());
    for (std::size_t at; (at = text.find(path)) != std::string::npos;) {
        text.replace(at, path.size(), "<dir>");
    }
    return text;
}

std::string NamesIn(const TempFolder& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        names.insert(Narrow(entry.path().filename().c_str()));
    }
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : " ") + name;
    }
    return text;
}

// The row's items made in the folder, as full paths (empty for an item with no path), and its text
// on the clipboard.
std::vector<std::wstring> Prepare(const TempFolder& folder, const Row& row) {
    std::vector<std::wstring> selection;
    for (const wchar_t* name : row.selection) {
        std::wstring path = name ? folder.PathOf(name) : L"";
        if (path.ends_with(L'\\')) {
            path.pop_back();
            std::filesystem::create_directory(std::filesystem::path(path));
        } else if (name) {
            folder.MakeFile(name);
        }
        selection.push_back(path);
    }
    if (row.clipboard) {
        SetClipboardText(row.clipboard);
    } else {
        ClearClipboard();
    }
    return selection;
}

ShownMenu Open(Host host, const std::vector<std::wstring>& selection) {
    return host == kClassic ? OpenClassic(selection) : OpenFirstMenu(selection);
}

class TwoHosts : public ::testing::Test {
  protected:
    void SetUp() override {
        com_ = platform::EnterComApartment();
        ASSERT_TRUE(com_);
        module_.Reset(LoadLibraryW((ModuleFolder() + L"ScrivelShExt.dll").c_str()));
        ASSERT_TRUE(module_);
    }
    void TearDown() override {
        ClearClipboard();
        module_.Reset();
        com_.Reset();
    }
    platform::ComApartment com_;
    platform::UniqueModule module_;
};

TEST_F(TwoHosts, ShowTheSameCommandsAndDoTheSameForTheSameClicks) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        const UserCommandFile commands(row.commands);
        const bool allPaths = std::all_of(row.selection.begin(), row.selection.end(),
                                          [](const wchar_t* name) { return name != nullptr; });
        std::string trees[2] = {row.menu, row.menu};
        for (const Host host : {kClassic, kFirstMenu}) {
            SCOPED_TRACE(kHostNames[host]);
            const TempFolder folder;
            const std::vector<std::wstring> selection = Prepare(folder, row);
            if (host == kFirstMenu || allPaths) {
                trees[host] = Open(host, selection).tree;
                EXPECT_EQ(trees[host], row.menu);
            }
        }
        EXPECT_EQ(trees[kClassic], trees[kFirstMenu]) << "the hosts show different commands";
        for (const Click& click : row.clicks) {
            for (const Host host : {kClassic, kFirstMenu}) {
                if (host == kClassic && !allPaths) {
                    continue;
                }
                SCOPED_TRACE(std::string(kHostNames[host]) + ": " + click.command +
                             (click.shift ? " with SHIFT" : ""));
                const TempFolder folder;
                const std::vector<std::wstring> selection = Prepare(folder, row);
                const ConfirmationAnswerer confirm(IDYES);
                const ConfirmationAnswerer messages(IDOK);
                {
                    ShownMenu shown = Open(host, selection);
                    EXPECT_EQ(RunClick(shown, click.command, click.shift), S_OK);
                }
                EXPECT_EQ(ClipboardIn(folder), click.clipboard);
                EXPECT_EQ(NamesIn(folder), click.folder);
                EXPECT_EQ(Narrow(messages.Texts().c_str()), "") << "message boxes";
            }
        }
    }
}

// Explorer's calls on the first menu that the table above does not make.
TEST_F(TwoHosts, FirstMenuAnswersExplorersOtherCalls) {
    const UserCommandFile commands(kSubMenus);
    const TempFolder folder;
    std::vector<std::wstring> paths;
    for (int i = 0; i < 17; ++i) {
        paths.push_back(folder.MakeFile(std::to_wstring(i) + L".txt"));
    }
    SetClipboardText(L"Report 2024");
    EXPCMDSTATE state = ECS_DISABLED;
    ComPtr<IExplorerCommand> root = FirstMenuRoot();
    const ComPtr<IShellItemArray> many = ItemArray(paths);
    EXPECT_EQ(root->GetState(many.Get(), FALSE, &state), E_PENDING) << "17 items on Explorer's own thread";
    EXPECT_EQ(root->GetState(many.Get(), TRUE, &state), S_OK);
    EXPECT_EQ(state, ECS_ENABLED);

    // The sub-commands of the items GetTitle was given, listed before any GetState.
    ShownMenu shown;
    shown.items = ItemArray({paths[0]});
    root = FirstMenuRoot();
    platform::CoTaskMemory<wchar_t> title;
    ASSERT_EQ(root->GetTitle(shown.items.Get(), title.Receive()), S_OK);
    ComPtr<IEnumExplorerCommand> list;
    ASSERT_EQ(root->EnumSubCommands(list.Receive()), S_OK);
    WalkFirstMenu(list.Get(), "", "", shown);
    EXPECT_EQ(shown.tree, kSubMenusShown);
    IExplorerCommand* rename = shown.commands["File(s)/Rename"].Get();
    ASSERT_NE(rename, nullptr);
    {
        // Another array object of the same items: the menu is not made again, so the clipboard, held
        // by another program meanwhile, is not asked again.
        const ClipboardHolder otherProgram;
        EXPECT_EQ(rename->GetState(ItemArray({paths[0]}).Get(), FALSE, &state), S_OK);
        EXPECT_EQ(state, ECS_ENABLED);
    }
    // Each command has a site of its own.
    ComPtr<IObjectWithSite> copy;
    ComPtr<IObjectWithSite> other;
    ComPtr<IUnknown> site;
    ASSERT_EQ(shown.commands["Copy Name"]->QueryInterface(IID_IObjectWithSite, copy.ReceiveAny()), S_OK);
    ASSERT_EQ(rename->QueryInterface(IID_IObjectWithSite, other.ReceiveAny()), S_OK);
    EXPECT_EQ(copy->SetSite(shown.items.Get()), S_OK);
    EXPECT_EQ(copy->GetSite(IID_IUnknown, site.ReceiveAny()), S_OK);
    EXPECT_EQ(other->GetSite(IID_IUnknown, site.ReceiveAny()), E_FAIL);
}

}  // namespace
}  // namespace quillet::test
