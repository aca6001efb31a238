#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "TestSupport.h"
#include "core/copy/CopyOptions.h"
#include "core/copy/CopyText.h"
#include "core/copy/FolderScan.h"
#include "core/messages/Messages.h"
#include "platform/Locale.h"
#include "platform/Profile.h"
#include "platform/WriteBudget.h"

namespace quillet {
namespace {

using test::Native;
using test::Printable;

// Three files a.txt (1234 bytes), b.txt and c.txt in C:\Dir, all modified at one moment.
class ThreeFiles {
  public:
    ThreeFiles() {
        const std::uint64_t sizes[] = {1234, 2048, 0};
        const char16_t* names[] = {u"C:\\Dir\\a.txt", u"C:\\Dir\\b.txt", u"C:\\Dir\\c.txt"};
        for (int i = 0; i < 3; ++i) {
            auto item = std::make_unique<FileCFItem>(Native(names[i]), ItemStamps{}, sizes[i]);
            item->modified = 1614834367;
            selection.Add(std::move(item));
        }
        selection.Flatten();
    }
    std::u16string Render(const CopyOptions& options) const {
        TextBuffer buffer;
        RenderSelection(selection, BuildOptionsCopyFormat(options), buffer);
        return std::u16string(buffer.View());
    }
    ItemSelection selection;
};

// An option's number as stored, read and set through its member.
struct StoredNumber {
    int (*get)(const CopyOptions&);
    void (*set)(CopyOptions&, int);
};
template <auto Member>
StoredNumber Number() {
    using Value = std::remove_reference_t<decltype(std::declval<CopyOptions&>().*Member)>;
    return {[](const CopyOptions& o) { return static_cast<int>(o.*Member); },
            [](CopyOptions& o, int value) { o.*Member = static_cast<Value>(value); }};
}

std::u16string DateText(DateStyle style) {
    TextBuffer buffer;
    FileCFItem dated(u"x", ItemStamps{}, 0);
    dated.modified = 1614834367;
    PathLookups lookups;
    ItemPartDate(DateStamp::Modified, style).Render(dated, buffer, lookups);
    return std::u16string(buffer.View());
}

TEST(CopyOptions, EveryValueOfEveryOptionShapesTheText) {
    const ThreeFiles files;
    const std::u16string a = Native(u"C:\\Dir\\a.txt");
    struct Row {
        const char* what;
        CopyOptions options;
        std::u16string expected;
    };
    using S = ItemSeparator;
    constexpr S kRunTogether = static_cast<S>(5);  // outside the list: no separator
    const Row rows[] = {
        {"one per line", {}, u"a.txt\r\nb.txt\r\nc.txt"},
        {"one per line + comma", {.filenamesSeparator = S::CommaLineBreak}, u"a.txt,\r\nb.txt,\r\nc.txt"},
        {"space", {.filenamesSeparator = S::Space}, u"a.txt b.txt c.txt"},
        {"tab", {.filenamesSeparator = S::Tab}, u"a.txt\tb.txt\tc.txt"},
        {"comma", {.filenamesSeparator = S::Comma}, u"a.txt,b.txt,c.txt"},
        {"separator out of range: nothing", {.filenamesSeparator = kRunTogether}, u"a.txtb.txtc.txt"},
        {"separator negative: nothing", {.filenamesSeparator = static_cast<S>(-1)}, u"a.txtb.txtc.txt"},
        {"double quotes",
         {.filenamesSeparator = S::Comma, .filenamesQuote = true},
         u"\"a.txt\",\"b.txt\",\"c.txt\""},
        {"single quotes",
         {.filenamesSeparator = S::Comma, .filenamesQuote = true, .filenamesQuoteChar = QuoteMark::Single},
         u"'a.txt','b.txt','c.txt'"},
        {"quote char 5: no quotes",
         {.filenamesSeparator = S::Comma,
          .filenamesQuote = true,
          .filenamesQuoteChar = static_cast<QuoteMark>(5)},
         u"a.txt,b.txt,c.txt"},
        {"quote char without quoting: no quotes",
         {.filenamesSeparator = S::Comma, .filenamesQuoteChar = QuoteMark::Single},
         u"a.txt,b.txt,c.txt"},
        {"full path",
         {.filenamesSeparator = S::Space, .fullPath = true},
         Native(u"C:\\Dir\\a.txt C:\\Dir\\b.txt C:\\Dir\\c.txt")},
        {"full path doubled",
         {.filenamesSeparator = kRunTogether,
          .fullPath = true,
          .pathSeparator = PathSeparator::DoubleBackslash},
         Native(u"C:\\\\Dir\\\\a.txtC:\\\\Dir\\\\b.txtC:\\\\Dir\\\\c.txt")},
        {"full path forward",
         {.filenamesSeparator = kRunTogether, .fullPath = true, .pathSeparator = PathSeparator::ForwardSlash},
         u"C:/Dir/a.txtC:/Dir/b.txtC:/Dir/c.txt"},
        {"path separator 3: unchanged",
         {.filenamesSeparator = kRunTogether,
          .fullPath = true,
          .pathSeparator = static_cast<PathSeparator>(3)},
         Native(u"C:\\Dir\\a.txtC:\\Dir\\b.txtC:\\Dir\\c.txt")},
        {"size in bytes",
         {.filenamesSeparator = S::Space, .addSize = true},
         u"a.txt\t1234 b.txt\t2048 c.txt\t0"},
        {"size in KB",
         {.filenamesSeparator = S::Space, .addSize = true, .sizeUnits = SizeUnit::Kilobytes},
         u"a.txt\t2 b.txt\t2 c.txt\t0"},
        {"size in MB",
         {.filenamesSeparator = S::Space, .addSize = true, .sizeUnits = SizeUnit::Megabytes},
         u"a.txt\t1 b.txt\t1 c.txt\t0"},
        {"size in GB",
         {.filenamesSeparator = S::Space, .addSize = true, .sizeUnits = SizeUnit::Gigabytes},
         u"a.txt\t1 b.txt\t1 c.txt\t0"},
        {"size auto",
         {.filenamesSeparator = S::Space, .addSize = true, .sizeUnits = SizeUnit::Auto},
         u"a.txt\t2K b.txt\t2K c.txt\t0B"},
        {"size unit 9: bytes",
         {.filenamesSeparator = S::Space, .addSize = true, .sizeUnits = static_cast<SizeUnit>(9)},
         u"a.txt\t1234 b.txt\t2048 c.txt\t0"},
        {"size unit without add size: nothing",
         {.filenamesSeparator = S::Space, .sizeUnits = SizeUnit::Auto},
         u"a.txt b.txt c.txt"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Printable(files.Render(row.options)), Printable(row.expected)) << row.what;
    }

    // Dates: the date part of the chosen style after a tab; the quote closes before size and date.
    const std::pair<int, DateStyle> dates[] = {{0, DateStyle::ShortDateTime}, {1, DateStyle::LongDateTime},
                                               {2, DateStyle::ShortDate},     {3, DateStyle::LongDate},
                                               {4, DateStyle::ShortDate},     {-2, DateStyle::ShortDate}};
    for (const auto& [value, style] : dates) {
        const CopyOptions options{.filenamesSeparator = kRunTogether,
                                  .filenamesQuote = true,
                                  .addSize = true,
                                  .addDate = true,
                                  .dateFormat = static_cast<DateStyle>(value)};
        ItemSelection one;
        auto item = std::make_unique<FileCFItem>(Native(u"C:\\Dir\\a.txt"), ItemStamps{}, 1234);
        item->modified = 1614834367;
        one.Add(std::move(item));
        one.Flatten();
        TextBuffer buffer;
        RenderSelection(one, BuildOptionsCopyFormat(options), buffer);
        EXPECT_EQ(Printable(buffer.View()), Printable(u"\"a.txt\"\t1234\t" + DateText(style))) << value;
    }
}

TEST(CopyOptions, FolderLinesAndExpandedNames) {
    ItemSelection selection;
    auto folder = std::make_unique<FolderCFItem>(Native(u"C:\\Data\\Proj"), ItemStamps{}, 0);
    folder->ExpandedFiles().push_back(std::make_unique<ExpandedFileCFItem>(
        Native(u"C:\\Data\\Proj\\sub\\f.txt"), Native(u"C:\\Data\\").size(), ItemStamps{}, 5));
    selection.Add(std::move(folder));
    CopyOptions options;
    options.addSize = true;
    selection.Flatten();
    TextBuffer buffer;
    RenderSelection(selection, BuildOptionsCopyFormat(options), buffer);
    EXPECT_EQ(Printable(buffer.View()), "Proj\t");  // a folder's line ends with the tab, no number

    options.pathSeparator = PathSeparator::ForwardSlash;
    options.addSize = false;
    selection.expand = true;
    selection.Flatten();
    RenderSelection(selection, BuildOptionsCopyFormat(options), buffer);
    EXPECT_EQ(Printable(buffer.View()), "Proj/sub/f.txt");
}

TEST(CopyOptions, EmptySelectionGivesEmptyTextAndCountZero) {
    ItemSelection selection;
    selection.Flatten();
    TextBuffer buffer;
    RenderSelection(selection, BuildOptionsCopyFormat(CopyOptions{}), buffer);
    EXPECT_EQ(buffer.Count(), 0u);
    EXPECT_EQ(Printable(SummaryText(selection)), "Files: 0;  Total Files Size: 0 bytes");
}

TEST(CopyOptions, ProfileKeepsTheTenValuesAndReadsEditedOnes) {
    test::TempFolder temp;
    const std::u16string file = temp.PathOf(u"sub\\ScrivelShExt.INI");
    CopyOptions saved;
    for (const CopyOptionField& field : CopyOptionFields()) {
        field.store(saved,
                    field.kind == CopyOptionKind::Boolean ? 1 : static_cast<int>(field.entries.size()) - 1);
    }
    SaveCopyOptions(saved, file);  // creates the missing folder
    CopyOptions loaded;
    LoadCopyOptions(loaded, file);
    for (const CopyOptionField& field : CopyOptionFields()) {
        EXPECT_EQ(field.stored(loaded), field.stored(saved)) << Printable(field.profileName);
    }

    // An edited file: values missing, empty, not numbers, booleans other than 1.
    {
        std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::trunc);
        out << "[Other]\r\nFull Path=1\r\n[options]\r\nfilenames quote=7\r\nAdd Size=0\r\nAdd Date=-2\r\n"
               "Filenames Quote Char=1\r\nSize Units=abc\r\nDate Format=\r\n  Sort Option = 5x \r\n";
    }
    CopyOptions edited;
    edited.fullPath = true;
    edited.addSize = true;
    edited.dateFormat = DateStyle::ShortDate;
    edited.pathSeparator = PathSeparator::DoubleBackslash;
    LoadCopyOptions(edited, file);
    EXPECT_TRUE(edited.filenamesQuote);                               // non-zero boolean
    EXPECT_FALSE(edited.addSize);                                     // read
    EXPECT_TRUE(edited.addDate);                                      // -2 is true
    EXPECT_EQ(edited.filenamesQuoteChar, QuoteMark::Single);          // read
    EXPECT_EQ(edited.sizeUnits, SizeUnit::Bytes);                     // not a number reads as 0
    EXPECT_EQ(edited.dateFormat, DateStyle::ShortDate);               // empty value keeps the value in memory
    EXPECT_EQ(edited.sortOption, SortOrder::ModifiedAscending);       // leading digits
    EXPECT_TRUE(edited.fullPath);                                     // other section ignored: missing, kept
    EXPECT_EQ(edited.pathSeparator, PathSeparator::DoubleBackslash);  // missing: kept
    EXPECT_EQ(edited.filenamesSeparator, ItemSeparator::LineBreak);

    // Saving over the edited file replaces the values and keeps the other section.
    SaveCopyOptions(CopyOptions{}, file);
    CopyOptions reread = edited;
    LoadCopyOptions(reread, file);
    for (const CopyOptionField& field : CopyOptionFields()) {
        EXPECT_EQ(field.stored(reread), 0) << Printable(field.profileName);
    }
    EXPECT_EQ(platform::ReadProfileInt(file, u"Other", u"Full Path", 9), 1);
}

#ifndef _WIN32
// The POSIX profile is our own file: a write that fails (a full disk) keeps the old file whole.
TEST(CopyOptions, ProfileWriteThatFailsKeepsTheOldFile) {
    test::TempFolder temp;
    const std::u16string file = temp.PathOf(u"ScrivelShExt.INI");
    ASSERT_TRUE(platform::WriteProfileValue(file, u"Options", u"Add Size", u"1"));
    const auto bytes = [&file] { return platform::ReadFileContents(file, 4096).bytes.value_or("unread"); };
    const std::string before = bytes();
    for (const std::uint64_t budget : {0u, 10u}) {
        platform::SetWriteBudgetForTesting(budget);
        EXPECT_FALSE(platform::WriteProfileValue(file, u"Options", u"Add Date", u"1")) << budget;
        platform::SetWriteBudgetForTesting(std::nullopt);
        EXPECT_EQ(bytes(), before) << budget;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Root()), {}),
              1);  // no temporary file left
}
#endif

TEST(CopyOptions, StoredNamesAreTheOnesUsersFilesHold) {
    // Files written by earlier versions and by hand use these names: each must read into its option.
    struct Row {
        const char* name;
        StoredNumber option;
    };
    using O = CopyOptions;
    const Row rows[] = {
        {"Filenames Separator", Number<&O::filenamesSeparator>()},
        {"Filenames Quote", Number<&O::filenamesQuote>()},
        {"Filenames Quote Char", Number<&O::filenamesQuoteChar>()},
        {"Full Path", Number<&O::fullPath>()},
        {"Path Separator", Number<&O::pathSeparator>()},
        {"Add Size", Number<&O::addSize>()},
        {"Size Units", Number<&O::sizeUnits>()},
        {"Add Date", Number<&O::addDate>()},
        {"Date Format", Number<&O::dateFormat>()},
        {"Sort Option", Number<&O::sortOption>()},
    };
    test::TempFolder temp;
    const std::u16string file = temp.PathOf(u"ScrivelShExt.INI");
    for (const Row& row : rows) {
        {
            std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::trunc);
            out << "[Options]\r\n" << row.name << "=1\r\n";
        }
        CopyOptions options;
        LoadCopyOptions(options, file);
        EXPECT_EQ(row.option.get(options), 1) << row.name;
        EXPECT_EQ(row.option.get(CopyOptions{}), 0) << row.name;
    }
}

TEST(CopyOptions, ChoicesOutsideTheirListsFallBackToTheDefaultAndAreSavedRepaired) {
    struct Row {
        const char* stored;
        StoredNumber option;
        int expected;
    };
    using O = CopyOptions;
    const Row rows[] = {
        {"Filenames Separator=99", Number<&O::filenamesSeparator>(), 0},
        {"Filenames Separator=4", Number<&O::filenamesSeparator>(), 4},
        {"Filenames Quote Char=2", Number<&O::filenamesQuoteChar>(), 0},
        {"Path Separator=3", Number<&O::pathSeparator>(), 0},
        {"Path Separator=-2", Number<&O::pathSeparator>(), 0},
        {"Size Units=42", Number<&O::sizeUnits>(), 0},
        {"Size Units=4", Number<&O::sizeUnits>(), 4},
        {"Date Format=9", Number<&O::dateFormat>(), 0},
        {"Date Format=-2147483648", Number<&O::dateFormat>(), 0},
        {"Sort Option=-1", Number<&O::sortOption>(), 0},
        {"Sort Option=9", Number<&O::sortOption>(), 0},
        {"Sort Option=8", Number<&O::sortOption>(), 8},
    };
    test::TempFolder temp;
    const std::u16string file = temp.PathOf(u"ScrivelShExt.INI");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored);
        {
            std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::trunc);
            out << "[Options]\r\n" << row.stored << "\r\n";
        }
        CopyOptions options;
        row.option.set(options, 1);  // the default is the table's, not what the process held
        LoadCopyOptions(options, file);
        EXPECT_EQ(row.option.get(options), row.expected);
        SaveCopyOptions(options, file);
        const std::string name(row.stored, std::string_view(row.stored).find('='));
        EXPECT_EQ(platform::ReadProfileInt(file, u"Options", std::u16string(name.begin(), name.end()), -5),
                  row.expected);
    }
}

TEST(CopyOptions, ProfileThatCannotBeReadKeepsValues) {
    test::TempFolder temp;
    CopyOptions options;
    options.sizeUnits = SizeUnit::Gigabytes;
    LoadCopyOptions(options, temp.PathOf(u"missing.ini"));
    EXPECT_EQ(options.sizeUnits, SizeUnit::Gigabytes);
}

TEST(CopyOptions, OptionListsHaveTheirEntriesInStoredOrder) {
    std::vector<std::u16string_view> names;
    std::size_t choices = 0;
    for (const CopyOptionField& field : CopyOptionFields()) {
        names.push_back(field.profileName);
        EXPECT_EQ(field.kind == CopyOptionKind::Choice, !field.entries.empty())
            << Printable(field.profileName);
        choices += field.entries.size();
    }
    EXPECT_EQ(names.size(), 10u);
    EXPECT_TRUE(names.front() == u"Filenames Separator" && names.back() == u"Sort Option");
    EXPECT_EQ(choices, 5u + 2u + 3u + 5u + 4u + 9u);
    EXPECT_TRUE(CopyOptionFields().back().entries[static_cast<int>(SortOrder::SizeDescending)] ==
                u"By size (largest first)");
}

// Items for the sort rows: name, size, modified, folder.
struct SortItem {
    std::u16string_view name;
    std::uint64_t size;
    std::int64_t modified;
    bool folder;
};

std::vector<std::string> Sorted(std::span<const SortItem> items, std::uint32_t order) {
    ItemSelection selection;
    for (const SortItem& it : items) {
        const std::u16string path = Native(u"C:\\") + std::u16string(it.name);
        std::unique_ptr<CFItem> item;
        if (it.folder) {
            item = std::make_unique<FolderCFItem>(path, ItemStamps{}, it.size);
        } else {
            item = std::make_unique<FileCFItem>(path, ItemStamps{}, it.size);
        }
        item->modified = it.modified;
        selection.Add(std::move(item));
    }
    selection.Flatten();
    selection.order = order;
    SortSelection(selection);
    std::vector<std::string> names;
    for (const CFItem* item : selection.Flat()) {
        names.push_back(Printable(item->Name()));
    }
    return names;
}

TEST(CopyOptions, SortOrdersWithTheirTieBreaks) {
    const SortItem items[] = {
        {u"B.txt", 10, 300, false}, {u"a.txt", 0, 100, false},  {u"_x.txt", 10, 100, false},
        {u"Dir", 0, 200, true},     {u"file10", 5, 300, false}, {u"file9", 5, 50, false},
    };
    struct Row {
        std::uint32_t order;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {0, {"B.txt", "a.txt", "_x.txt", "Dir", "file10", "file9"}},
        {9, {"B.txt", "a.txt", "_x.txt", "Dir", "file10", "file9"}},
        {1, {"_x.txt", "a.txt", "B.txt", "Dir", "file10", "file9"}},
        {2, {"file9", "file10", "Dir", "B.txt", "a.txt", "_x.txt"}},
        // size; a folder before a file of the same size; then name
        {3, {"Dir", "a.txt", "file10", "file9", "_x.txt", "B.txt"}},
        {4, {"B.txt", "_x.txt", "file9", "file10", "a.txt", "Dir"}},
        // modified; then name
        {5, {"file9", "_x.txt", "a.txt", "Dir", "B.txt", "file10"}},
        {6, {"file10", "B.txt", "Dir", "a.txt", "_x.txt", "file9"}},
        // names with numbers by value
        {7, {"_x.txt", "a.txt", "B.txt", "Dir", "file9", "file10"}},
        {8, {"file10", "file9", "Dir", "B.txt", "a.txt", "_x.txt"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Sorted(items, row.order), row.expected) << "order " << row.order;
    }
}

TEST(CopyOptions, ALongSortAsksBetweenStepsAndEndsInTheSameOrder) {
    // Asks are counted; a stop at the first one ends the sort unfinished.
    class Asks final : public MAbortBase {
      public:
        explicit Asks(bool stop) : stop_(stop) {}
        void SetCurrentFolder(const std::u16string&) override {}
        bool CheckAbort() override {
            ++count;
            return stop_;
        }
        int count = 0;

      private:
        bool stop_;
    };
    std::vector<std::u16string> names;
    std::vector<SortItem> items;
    constexpr int kCount = 30000;  // several slices and merge rounds
    names.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
        const std::string name = "f" + std::to_string(i * 7919 % kCount);
        names.emplace_back(name.begin(), name.end());
        items.push_back(
            {names.back(), static_cast<std::uint64_t>(i * 31 % 1000), i * 17 % 5000, i % 97 == 0});
    }
    for (std::uint32_t order = 1; order <= 8; ++order) {
        SCOPED_TRACE(order);
        std::vector<std::string> stepped;
        ItemSelection selection;
        for (const SortItem& it : items) {
            auto item = std::make_unique<FileCFItem>(Native(u"C:\\") + std::u16string(it.name), ItemStamps{},
                                                     it.size);
            item->modified = it.modified;
            selection.Add(std::move(item));
        }
        selection.Flatten();
        selection.order = order;
        Asks never(false);
        EXPECT_TRUE(SortSelection(selection, &never));
        EXPECT_GT(never.count, 3);
        for (const CFItem* item : selection.Flat()) {
            stepped.push_back(Printable(item->Name()));
        }
        std::vector<SortItem> files = items;
        for (SortItem& file : files) {
            file.folder = false;
        }
        EXPECT_TRUE(Sorted(files, order) == stepped);
        Asks stop(true);
        EXPECT_FALSE(SortSelection(selection, &stop));
        EXPECT_EQ(stop.count, 1);
    }
}

TEST(CopyOptions, NameComparisonFoldsOnlyAsciiLetters) {
    struct Row {
        std::u16string_view a;
        std::u16string_view b;
        int expected;
    };
    const Row rows[] = {
        {u"ABC", u"abc", 0},       {u"_", u"a", -1},           {u"Z", u"_", 1},  // Z compares as z, after '_'
        {u"ab", u"abc", -1},       {u"\u00C4", u"\u00E4", -1},                   // Ä and ä are not folded
        {u"file10", u"file9", -1}, {u"[", u"a", -1},           {u"", u"", 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CompareNames(row.a, row.b), row.expected) << Printable(row.a) << " vs " << Printable(row.b);
        EXPECT_EQ(CompareNames(row.b, row.a), -row.expected);
    }
}

TEST(CopyOptions, NumericNameComparison) {
    struct Row {
        std::u16string_view a;
        std::u16string_view b;
        int expected;
    };
    const Row rows[] = {
        {u"file9", u"File10", -1},
        {u"a2b3", u"a2b12", -1},
        {u"a12b", u"a1c", 1},  // 12 > 1 before b meets c
        // the value, then fewer leading zeros, which decide only between names otherwise equal
        {u"file1", u"file01", -1},
        {u"file01", u"file2", -1},
        {u"a01b", u"a1c", -1},
        {u"a01b2", u"a1b02", 1},
        {u"0", u"00", -1},
        {u"x00", u"x001", -1},
        // runs longer than any machine number
        {u"n99999999999999999999", u"n100000000000000000000", -1},
        {u"n18446744073709551617", u"n18446744073709551616", 1},
        // a run against another character compares as its first digit: after . - and space, before _
        {u"a.txt", u"a1.txt", -1},
        {u"a-2", u"a1", -1},
        {u"a_1", u"a10", 1},
        {u"a1", u"ab", -1},
        // otherwise as the name comparison; only 0-9 are digits
        {u"Z", u"_", 1},
        {u"file10", u"FILE10", 0},
        {u"", u"0", -1},
        {u"\u0661", u"2", 1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CompareNamesNumerically(row.a, row.b), row.expected)
            << Printable(row.a) << " vs " << Printable(row.b);
        EXPECT_EQ(CompareNamesNumerically(row.b, row.a), -row.expected);
    }
}

TEST(CopyOptions, GroupedNumbers) {
    struct Row {
        std::u16string_view digits;
        std::string_view grouping;
        std::u16string_view separator;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {u"1234567", "\3", u",", u"1,234,567"},
        {u"1234567", "\3", u".", u"1.234.567"},
        {u"123", "\3", u",", u"123"},
        {u"1234", "\3", u"\u202F", u"1\u202F234"},
        {u"123456789", "\3\2", u",", u"12,34,56,789"},  // the last size repeats
        {u"1234567", "\3\x7f", u",", u"1234,567"},      // CHAR_MAX: no further grouping
        {u"1234567", "", u",", u"1234567"},
        {u"0", "\3", u",", u"0"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Printable(platform::GroupDigits(row.digits, row.grouping, row.separator)),
                  Printable(row.expected));
    }
    // Whatever the locale's grouping, the digits stay and no fraction is added.
    std::u16string text = FormatGroupedNumber(1234567);
    std::erase_if(text, [](char16_t c) { return c < u'0' || c > u'9'; });
    EXPECT_EQ(Printable(text), "1234567");
    EXPECT_EQ(Printable(FormatGroupedNumber(0)), "0");
    std::u16string largest = FormatGroupedNumber(UINT64_MAX);
    std::erase_if(largest, [](char16_t c) { return c < u'0' || c > u'9'; });
    EXPECT_EQ(Printable(largest), "18446744073709551615");
}

TEST(CopyOptions, SummaryNamesFoldersOnlyWhileTheyAreNotExpanded) {
    ItemSelection selection;
    selection.Add(std::make_unique<FileCFItem>(Native(u"C:\\a"), ItemStamps{}, 100));
    auto folder = std::make_unique<FolderCFItem>(Native(u"C:\\D"), ItemStamps{}, 0);
    folder->ExpandedFiles().push_back(
        std::make_unique<ExpandedFileCFItem>(Native(u"C:\\D\\x"), Native(u"C:\\").size(), ItemStamps{}, 23));
    selection.Add(std::move(folder));
    selection.Flatten();
    EXPECT_EQ(Printable(SummaryText(selection)),
              Printable(FormatMessageText(MessageId::SummaryFilesAndFolders, {u"2", u"100"})));
    selection.expand = true;
    selection.Flatten();
    EXPECT_EQ(Printable(SummaryText(selection)),
              Printable(FormatMessageText(MessageId::SummaryFiles, {u"2", u"123"})));
    EXPECT_EQ(Printable(SummaryText(selection)), "Files: 2;  Total Files Size: 123 bytes");
}

}  // namespace
}  // namespace quillet
