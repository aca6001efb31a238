#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/menu/CommandMenu.h"
#include "platform/Utf.h"

namespace quillet::test {
namespace {

// A menu kept as lines of text, so that a whole menu compares in one assertion: "id text" for an
// item (with "#type" for its bitmap), "id > title" for a sub-menu followed by its indented items.
class RecordingMenu final : public MMenuSink {
  public:
    explicit RecordingMenu(std::vector<std::string> existing = {}) {
        for (std::string& line : existing) {
            top_.push_back({std::move(line), {}});
        }
    }

    bool BeginSubMenu() override {
        if (failSubMenus) {
            return false;
        }
        EXPECT_FALSE(open_) << "sub-menus do not nest";
        open_ = true;
        sub_.clear();
        return true;
    }
    bool InsertItem(bool inSubMenu, std::uint32_t position, std::uint32_t id, const std::u16string& text,
                    CommandType type) override {
        if (Utf16ToUtf8(text) == failItem) {
            return false;
        }
        EXPECT_EQ(inSubMenu, open_);
        std::string line =
            std::to_string(id) + " " + Utf16ToUtf8(text) + " #" + std::to_string(static_cast<int>(type));
        if (inSubMenu) {
            EXPECT_LE(position, sub_.size());
            sub_.insert(sub_.begin() + position, std::move(line));
        } else {
            EXPECT_LE(position, top_.size());
            top_.insert(top_.begin() + position, {std::move(line), {}});
        }
        return true;
    }
    bool InsertSubMenu(std::uint32_t position, std::uint32_t id, const std::u16string& title) override {
        EXPECT_TRUE(open_);
        EXPECT_LE(position, top_.size());
        if (failSubMenus) {
            return false;
        }
        top_.insert(top_.begin() + position, {std::to_string(id) + " > " + Utf16ToUtf8(title), sub_});
        open_ = false;
        return true;
    }
    void DiscardSubMenu() override {
        EXPECT_TRUE(open_);
        open_ = false;
        ++discarded;
    }

    std::string Text() const {
        EXPECT_FALSE(open_) << "a sub-menu was left open";
        std::string text;
        for (const Entry& entry : top_) {
            text += entry.line + "\n";
            for (const std::string& item : entry.items) {
                text += "    " + item + "\n";
            }
        }
        return text;
    }

    bool failSubMenus = false;
    std::string failItem;  // the text of an item whose insertion fails
    int discarded = 0;

  private:
    struct Entry {
        std::string line;
        std::vector<std::string> items;
    };
    std::vector<Entry> top_;
    std::vector<std::string> sub_;
    bool open_ = false;
};

struct CommandRow {
    const char16_t* name;
    CommandType type;
};

CommandList ListOf(std::initializer_list<CommandRow> rows) {
    CommandList list;
    for (const CommandRow& row : rows) {
        list.emplace_back(row.name);
        list.back().type = row.type;
    }
    return list;
}

// "offset=name" for each entry of the id map.
std::string MapText(const CommandIdMap& map) {
    std::string text;
    for (const auto& [offset, command] : map) {
        text += std::to_string(offset) + "=" + Utf16ToUtf8(command->name) + " ";
    }
    return text;
}

using T = CommandType;

CommandList FullList() {
    return ListOf({
        {u"Copy Filename(s)", T::Quillet},
        {u"Copy and Delete", T::QuilletAndDelete},
        {u"Paste Filename", T::PasteFileName},
        {u"Paste Filename (keep ext)", T::PasteFileNameNoExt},
        {u"More (s)", T::SubFolder},
        {u"Options", T::Options},
        {u"Path(s) in quotes", T::UserDefined},
        {u"Configure", T::Configure},
    });
}

struct Row {
    const char* what;
    CommandList list;
    MenuRequest request;
    std::string menu;  // with Explorer's own "Open" and "Delete" around position 1
    std::uint32_t idsUsed;
    std::string map;
};

void RunRow(const Row& row) {
    SCOPED_TRACE(row.what);
    RecordingMenu menu({"Open", "Delete"});
    const MenuResult result = BuildCommandMenu(row.list, row.request, menu);
    EXPECT_EQ(menu.Text(), row.menu);
    EXPECT_EQ(result.idsUsed, row.idsUsed);
    EXPECT_EQ(MapText(result.commands), row.map);
}

TEST(CommandMenu, ShowsTheCommandsTheSelectionAllows) {
    const Row rows[] = {
        {"the worked example: two items",
         ListOf({{u"A", T::Quillet},
                 {u"M", T::SubFolder},
                 {u"B", T::QuilletAndDelete},
                 {u"C", T::PasteFileName},
                 {u"D", T::Configure}}),
         {false, true, 1, 100, 200},
         "Open\n100 A #0\n102 > M\n    101 D #6\nDelete\n",
         3,
         "0=A 1=D "},
        {"one item, paste allowed: everything, '(s)' reads ''",
         FullList(),
         {true, true, 1, 100, 200},
         "Open\n100 Copy Filename #0\n101 Copy and Delete #1\n102 Paste Filename #2\n"
         "103 Paste Filename (keep ext) #3\n107 > More (s)\n    104 Options #4\n    105 Path in quotes #7\n"
         "    106 Configure #6\nDelete\n",
         8,
         "0=Copy Filename(s) 1=Copy and Delete 2=Paste Filename 3=Paste Filename (keep ext) 4=Options "
         "5=Path(s) in quotes 6=Configure "},
        {"one item, no valid clipboard name: delete without the pastes",
         FullList(),
         {true, false, 0, 1, 200},
         "1 Copy Filename #0\n2 Copy and Delete #1\n6 > More (s)\n    3 Options #4\n    4 Path in quotes #7\n"
         "    5 Configure #6\nOpen\nDelete\n",
         6,
         "0=Copy Filename(s) 1=Copy and Delete 2=Options 3=Path(s) in quotes 4=Configure "},
        {"several items: no delete, no pastes even when paste is allowed, '(s)' reads 's'",
         FullList(),
         {false, true, 2, 100, 200},
         "Open\nDelete\n100 Copy Filenames #0\n104 > More (s)\n    101 Options #4\n    102 Paths in quotes "
         "#7\n"
         "    103 Configure #6\n",
         5,
         "0=Copy Filename(s) 1=Options 2=Path(s) in quotes 3=Configure "},
        {"a sub-menu whose commands are all hidden takes no id",
         ListOf({{u"A", T::Quillet},
                 {u"M", T::SubFolder},
                 {u"B", T::QuilletAndDelete},
                 {u"C", T::PasteFileName}}),
         {false, false, 1, 100, 200},
         "Open\n100 A #0\nDelete\n",
         1,
         "0=A "},
        {"two sub-menus in a row: the first is dropped, the second collects the rest",
         ListOf({{u"M1", T::SubFolder}, {u"M2", T::SubFolder}, {u"A", T::Quillet}, {u"B", T::Options}}),
         {false, false, 1, 100, 200},
         "Open\n102 > M2\n    100 A #0\n    101 B #4\nDelete\n",
         3,
         "0=A 1=B "},
        {"consecutive sub-menus each get their items",
         ListOf({{u"M1", T::SubFolder}, {u"A", T::Quillet}, {u"M2", T::SubFolder}, {u"B", T::Options}}),
         {false, false, 0, 0, 200},
         "1 > M1\n    0 A #0\n3 > M2\n    2 B #4\nOpen\nDelete\n",
         4,
         "0=A 2=B "},
        {"an empty list inserts nothing", {}, {true, true, 1, 100, 200}, "Open\nDelete\n", 0, ""},
        {"ids end at lastId: later commands are left out",
         ListOf({{u"A", T::Quillet}, {u"B", T::Options}, {u"C", T::Configure}}),
         {false, false, 1, 100, 101},
         "Open\n100 A #0\n101 B #4\nDelete\n",
         2,
         "0=A 1=B "},
        {"a sub-menu keeps what fits and room for its own id",
         ListOf({{u"A", T::Quillet}, {u"M", T::SubFolder}, {u"B", T::Options}, {u"C", T::Configure}}),
         {false, false, 1, 100, 102},
         "Open\n100 A #0\n102 > M\n    101 B #4\nDelete\n",
         3,
         "0=A 1=B "},
        {"a sub-menu with no room for an item and its own id is not made",
         ListOf({{u"A", T::Quillet}, {u"M", T::SubFolder}, {u"B", T::Options}}),
         {false, false, 1, 100, 101},
         "Open\n100 A #0\nDelete\n",
         1,
         "0=A "},
        {"a range that ends before it begins gives no id",
         ListOf({{u"A", T::Quillet}}),
         {false, false, 1, 100, 99},
         "Open\nDelete\n",
         0,
         ""},
        {"ids up to the largest id the menu API takes",
         ListOf({{u"A", T::Quillet}, {u"B", T::Options}}),
         {false, false, 1, 0xFFFFFFFF, 0xFFFFFFFF},
         "Open\n4294967295 A #0\nDelete\n",
         1,
         "0=A "},
    };
    for (const Row& row : rows) {
        RunRow(row);
    }
}

TEST(CommandMenu, TheModelFindsEachShownCommandAtItsDepth) {
    const CommandList list = FullList();
    const MenuModel several = BuildMenuModel(list, {false, true});
    EXPECT_EQ(FindMenuEntry(several, &list[2]), nullptr) << "no paste for several items";
    const MenuEntry* subMenu = FindMenuEntry(several, &list[4]);
    ASSERT_NE(subMenu, nullptr);
    EXPECT_TRUE(subMenu->IsSubMenu());
    EXPECT_EQ(subMenu->items.size(), 3u);
    ASSERT_EQ(FindMenuEntry(several, &list[6]), &subMenu->items[1]);
    EXPECT_EQ(Utf16ToUtf8(subMenu->items[1].text), "Paths in quotes");
}

TEST(CommandMenu, AHugeListGivesOnlyItsFirstCommandsToTheMenu) {
    // 20,000 commands with a sub-menu line at 150: the sub-menu collects the commands up to the bound.
    CommandList list;
    for (int i = 0; i < 20000; ++i) {
        list.emplace_back(i == 150 ? u"M" : u"C");
        list.back().type = i == 150 ? T::SubFolder : T::Quillet;
    }
    RecordingMenu menu;
    const MenuResult result = BuildCommandMenu(list, {false, false, 0, 1000, 0xFFFFFFFF}, menu);
    EXPECT_EQ(result.idsUsed, kMaxMenuCommands) << "150 items, 49 in the sub-menu and its own id";
    EXPECT_EQ(result.commands.size(), kMaxMenuCommands - 1);
    EXPECT_EQ(CommandsLeftOutOfMenu(list), 20000 - kMaxMenuCommands);
    list.erase(list.begin() + kMaxMenuCommands, list.end());
    EXPECT_EQ(CommandsLeftOutOfMenu(list), 0u);
    // The configuration program's lines that the menu never reads do not count.
    list.emplace_back(u"no colon").unreadable = u"why";
    list.emplace_back(u"Faulty").format.errorText = u"why";
    EXPECT_EQ(CommandsLeftOutOfMenu(list), 0u);
}

TEST(CommandMenu, MenuFailuresLeaveNoDanglingIds) {
    const CommandList list =
        ListOf({{u"A", T::Quillet}, {u"B", T::Options}, {u"M", T::SubFolder}, {u"C", T::Configure}});
    {
        SCOPED_TRACE("an item that cannot be inserted gives its id and place to the next");
        RecordingMenu menu;
        menu.failItem = "A";
        const MenuResult result = BuildCommandMenu(list, {false, false, 0, 10, 20}, menu);
        EXPECT_EQ(menu.Text(), "10 B #4\n12 > M\n    11 C #6\n");
        EXPECT_EQ(MapText(result.commands), "0=B 1=C ");
        EXPECT_EQ(result.idsUsed, 3u);
    }
    {
        SCOPED_TRACE("no pop-up menu can be made: the sub-menu's commands are left out");
        RecordingMenu menu;
        menu.failSubMenus = true;
        const MenuResult result = BuildCommandMenu(list, {false, false, 0, 10, 20}, menu);
        EXPECT_EQ(menu.Text(), "10 A #0\n11 B #4\n");
        EXPECT_EQ(MapText(result.commands), "0=A 1=B ");
        EXPECT_EQ(result.idsUsed, 2u);
    }
}

TEST(CommandMenu, PluralMarks) {
    struct TextRow {
        const char16_t* name;
        const char16_t* one;
        const char16_t* several;
    };
    const TextRow rows[] = {
        {u"Copy Filename(s)", u"Copy Filename", u"Copy Filenames"},
        {u"File(s) and Folder(s)", u"File and Folder", u"Files and Folders"},
        {u"((s))", u"()", u"(s)"},
        {u"(S) (s", u"(S) (s", u"(S) (s"},
        {u"", u"", u""},
    };
    for (const TextRow& row : rows) {
        EXPECT_EQ(Printable(MenuItemText(row.name, true)), Printable(row.one));
        EXPECT_EQ(Printable(MenuItemText(row.name, false)), Printable(row.several));
    }
}

TEST(CommandMenu, ValidNewNames) {
    const std::u16string longest(259, u'x');
    struct NameRow {
        std::u16string text;
        bool valid;
    };
    const NameRow rows[] = {
        {u"report.txt", true},
        {u"Report 2024 (final) – Überblick.docx", true},
        {u".txt", true},
        {longest, true},
        {longest + u'x', false},
        {u"", false},
        {std::u16string(u"\0abc", 4), false},
        {u"name.txt\r\n", false},
        {u"name.txt\n", false},
        {u"tab\there", false},
        {u"..\\x", false},
        {u"C:", false},
        {u"a/b", false},
        {u"say \"hi\"", false},
        {u"*.txt", false},
        {u"<b>", false},
        {u"why?", false},
        {u"a|b", false},
        {std::u16string(1, u'\x1f'), false},
        {std::u16string(1, u'\x7f'), true},
    };
    for (const NameRow& row : rows) {
        EXPECT_EQ(IsValidNewName(row.text), row.valid) << Printable(row.text);
    }
}

}  // namespace
}  // namespace quillet::test

namespace quillet::test {
namespace {

// A command file whose last-write time the test sets, for the refresh rules.
class CommandFiles {
  public:
    CommandFiles() : user_(folder_.PathOf(u"user.txt")), default_(folder_.PathOf(u"default.txt")) {}

    void Write(const std::u16string& path, const std::string& text, int secondsFromNow) {
        const std::filesystem::path file(path);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        std::filesystem::last_write_time(
            file, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(secondsFromNow));
    }
    // The names of the loaded commands, one after another.
    static std::string Names(const CommandMenu& menu) {
        std::string names;
        for (const Command& command : menu.Commands()) {
            names += Utf16ToUtf8(command.name) + ";";
        }
        return names;
    }

    TempFolder folder_;
    std::u16string user_;
    std::u16string default_;
};

TEST(CommandMenu, ReloadsTheCommandFileOnlyWhenItsTimeMovesForward) {
    CommandFiles files;
    CommandMenu menu(files.user_, files.default_);
    menu.Refresh();
    EXPECT_EQ(CommandFiles::Names(menu), "") << "neither file: an empty list";

    files.Write(files.default_, "Default:%QUILLET\n", 0);
    menu.Refresh();
    EXPECT_EQ(CommandFiles::Names(menu), "") << "a loaded list stays while there is no per-user file";

    CommandMenu fresh(files.user_, files.default_);
    fresh.Refresh();
    EXPECT_EQ(CommandFiles::Names(fresh), "Default;");

    files.Write(files.user_, "First:%QUILLET\n", -100);
    fresh.Refresh();
    EXPECT_EQ(CommandFiles::Names(fresh), "First;") << "a per-user file appears";

    files.Write(files.user_, "Second:%QUILLET\n", -50);
    fresh.Refresh();
    EXPECT_EQ(CommandFiles::Names(fresh), "Second;") << "its time moved forward";

    files.Write(files.user_, "Restored:%QUILLET\n", -70);
    fresh.Refresh();
    EXPECT_EQ(CommandFiles::Names(fresh), "Second;") << "an older time is not reloaded";

    std::filesystem::remove(std::filesystem::path(files.user_));
    fresh.Refresh();
    EXPECT_EQ(CommandFiles::Names(fresh), "Second;") << "the per-user file gone: the list stays";
}

TEST(CommandMenu, TheIdMapFollowsTheLastMenuBuilt) {
    CommandFiles files;
    files.Write(files.user_, "Copy:%QUILLET\nMore:%SUBFOLDER\nOptions:%OPTIONS\n", -100);
    CommandMenu menu(files.user_, files.default_);
    EXPECT_EQ(menu.CommandAt(0), nullptr) << "no menu built yet";

    RecordingMenu first;
    EXPECT_EQ(menu.Build({false, false, 0, 1, 100}, first), 3u);
    ASSERT_NE(menu.CommandAt(0), nullptr);
    EXPECT_EQ(Utf16ToUtf8(menu.CommandAt(0)->name), "Copy");
    EXPECT_EQ(Utf16ToUtf8(menu.CommandAt(1)->name), "Options");
    EXPECT_EQ(menu.CommandAt(2), nullptr) << "a sub-menu item runs nothing";

    files.Write(files.user_, "Configure:%CONFIGURE\n", -50);
    RecordingMenu second;
    EXPECT_EQ(menu.Build({false, false, 0, 1, 100}, second), 1u);
    EXPECT_EQ(second.Text(), "1 Configure #6\n");
    ASSERT_NE(menu.CommandAt(0), nullptr);
    EXPECT_EQ(Utf16ToUtf8(menu.CommandAt(0)->name), "Configure");
    EXPECT_EQ(menu.CommandAt(1), nullptr);
}

}  // namespace
}  // namespace quillet::test
