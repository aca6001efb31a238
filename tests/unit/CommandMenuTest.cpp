#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/Handles.h"
#endif

#include "TestSupport.h"
#include "core/menu/CommandListCache.h"
#include "core/menu/CommandMenu.h"
#include "platform/Files.h"
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

// Command files whose last-write times the test sets, for the cache's rules.
class CommandFiles {
  public:
    using Time = std::filesystem::file_time_type;

    CommandFiles() : user_(folder_.PathOf(u"user.txt")), default_(folder_.PathOf(u"default.txt")) {}

    static void Write(const std::u16string& path, const std::string& text, Time time) {
        const std::filesystem::path file(path);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        std::filesystem::last_write_time(file, time);
    }
    static Time Ago(int seconds) { return Time::clock::now() - std::chrono::seconds(seconds); }
    // The names of the commands, one after another.
    static std::string Names(const CommandList& list) {
        std::string names;
        for (const Command& command : list) {
            names += Utf16ToUtf8(command.name) + ";";
        }
        return names;
    }
    std::string Read(CommandListCache& cache) const { return Names(*cache.MenuList({user_, default_})); }

    TempFolder folder_;
    std::u16string user_;
    std::u16string default_;
};

// Stamps that stand still between two writes, as a file system's do within its time resolution: the
// first one read, whatever the file does afterwards.
std::optional<platform::FileStamp> g_frozenStamp;
std::optional<platform::FileStamp> FrozenStamp(const std::u16string& path) {
    if (!g_frozenStamp) {
        g_frozenStamp = platform::QueryFileStamp(path);
    }
    return g_frozenStamp;
}

// Each row starts from a per-user file "Old" written at `written` and the default list, read once.
TEST(CommandListCache, NeverServesAStaleList) {
    struct Row {
        const char* what;
        CommandFiles::Time written;
        std::function<void(CommandFiles&, CommandListCache&)> change;
        std::string expected;
        bool frozenStamps = false;
    };
    const CommandFiles::Time old = CommandFiles::Ago(100);
    const CommandFiles::Time now = CommandFiles::Ago(0);
    const Row rows[] = {
        {"edited, the same size and write time", old,
         [&](CommandFiles& f, CommandListCache&) { f.Write(f.user_, "New:%QUILLET\n", old); }, "New;"},
        {"edited within the time resolution of a recent reading", now,
         [&](CommandFiles& f, CommandListCache&) { f.Write(f.user_, "Newer:%QUILLET\n", now); }, "Newer;",
         true},
        {"replaced by an older file", old,
         [](CommandFiles& f, CommandListCache&) {
             const std::u16string other = f.folder_.PathOf(u"other.txt");
             f.Write(other, "Older:%QUILLET\n", CommandFiles::Ago(200));
             std::filesystem::rename(std::filesystem::path(other), std::filesystem::path(f.user_));
         },
         "Older;"},
        {"rewritten with an older time", old,
         [](CommandFiles& f, CommandListCache&) {
             f.Write(f.user_, "Older:%QUILLET\n", CommandFiles::Ago(200));
         },
         "Older;"},
        {"the per-user file removed, then written again", old,
         [](CommandFiles& f, CommandListCache& cache) {
             std::filesystem::remove(std::filesystem::path(f.user_));
             EXPECT_EQ(f.Read(cache), "Default;") << "no per-user file: the default list";
             f.Write(f.user_, "Again:%QUILLET\n", CommandFiles::Ago(100));
         },
         "Again;"},
        {"no file at all", old,
         [](CommandFiles& f, CommandListCache&) {
             std::filesystem::remove(std::filesystem::path(f.user_));
             std::filesystem::remove(std::filesystem::path(f.default_));
         },
         ""},
    };
    for (const Row& row : rows) {
        CommandFiles files;
        CommandListCache cache(row.frozenStamps ? FrozenStamp : platform::QueryFileStamp);
        g_frozenStamp.reset();
        files.Write(files.default_, "Default:%QUILLET\n", CommandFiles::Ago(1000));
        files.Write(files.user_, "Old:%QUILLET\n", row.written);
        EXPECT_EQ(files.Read(cache), "Old;") << row.what;
        row.change(files, cache);
        EXPECT_EQ(files.Read(cache), row.expected) << row.what;
    }
}

#ifdef _WIN32
TEST(CommandListCache, AFileHeldByAnotherProgramIsReadAgainAtTheNextRequest) {
    CommandFiles files;
    CommandListCache cache;
    files.Write(files.user_, "Old:%QUILLET\n", CommandFiles::Ago(100));
    const auto hold = [&] {
        return CreateFileW(reinterpret_cast<const wchar_t*>(files.user_.c_str()), GENERIC_READ, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    };
    platform::FileHandle held(hold());
    ASSERT_TRUE(held);
    EXPECT_EQ(files.Read(cache), "") << "nothing read yet";
    held.Reset();
    EXPECT_EQ(files.Read(cache), "Old;") << "the failed reading was not kept";

    files.Write(files.user_, "New:%QUILLET\n", CommandFiles::Ago(100));
    held.Reset(hold());
    EXPECT_EQ(files.Read(cache), "Old;") << "the last list read while the file is held";
    held.Reset();
    EXPECT_EQ(files.Read(cache), "New;");
}
#endif

// Threads that build menus while others replace the file: each menu's ids stay valid (the sanitizers
// see a list freed under a menu) and every list read is one the file held.
TEST(CommandListCache, SeveralThreadsReadAndReplace) {
    CommandFiles files;
    files.Write(files.user_, "A:%QUILLET\n", CommandFiles::Ago(100));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&files, t] {
            CommandMenu menu(files.user_, files.default_);
            for (int i = 0; i < 50; ++i) {
                RecordingMenu sink;
                menu.Build({false, false, 0, 1, 100}, sink);
                platform::ReplaceFileContents(files.user_, (t + i) % 2 ? "A:%QUILLET\n" : "B:%QUILLET\n");
                const Command* command = menu.CommandAt(0);
                EXPECT_TRUE(command && (command->name == u"A" || command->name == u"B"));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

// A plain editor saves in place: the file is truncated, then written. A reader meanwhile gets one of the
// whole lists, never a torn or empty one.
TEST(CommandListCache, AFileRewrittenInPlaceIsNeverReadTorn) {
    CommandFiles files;
    const std::string lists[] = {"A:%QUILLET\nB:%QUILLET\n", "C:%QUILLET\n"};
    files.Write(files.user_, lists[0], CommandFiles::Ago(100));
    CommandListCache cache;
    ASSERT_EQ(files.Read(cache), "A;B;");
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            const std::string names = files.Read(cache);
            ASSERT_TRUE(names == "A;B;" || names == "C;") << names;
        }
    });
    for (int i = 1; i <= 2000; ++i) {
        std::ofstream(std::filesystem::path(files.user_), std::ios::binary | std::ios::trunc) << lists[i % 2];
    }
    done = true;
    reader.join();
}

TEST(CommandMenu, TheIdMapFollowsTheLastMenuBuilt) {
    CommandFiles files;
    files.Write(files.user_, "Copy:%QUILLET\nMore:%SUBFOLDER\nOptions:%OPTIONS\n", CommandFiles::Ago(100));
    CommandMenu menu(files.user_, files.default_);
    EXPECT_EQ(menu.CommandAt(0), nullptr) << "no menu built yet";

    RecordingMenu first;
    EXPECT_EQ(menu.Build({false, false, 0, 1, 100}, first), 3u);
    ASSERT_NE(menu.CommandAt(0), nullptr);
    EXPECT_EQ(Utf16ToUtf8(menu.CommandAt(0)->name), "Copy");
    EXPECT_EQ(Utf16ToUtf8(menu.CommandAt(1)->name), "Options");
    EXPECT_EQ(menu.CommandAt(2), nullptr) << "a sub-menu item runs nothing";

    files.Write(files.user_, "Configure:%CONFIGURE\n", CommandFiles::Ago(50));
    RecordingMenu second;
    EXPECT_EQ(menu.Build({false, false, 0, 1, 100}, second), 1u);
    EXPECT_EQ(second.Text(), "1 Configure #6\n");
    ASSERT_NE(menu.CommandAt(0), nullptr);
    EXPECT_EQ(Utf16ToUtf8(menu.CommandAt(0)->name), "Configure");
    EXPECT_EQ(menu.CommandAt(1), nullptr);
}

}  // namespace
}  // namespace quillet::test
