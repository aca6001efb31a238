#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>
#include <set>

#include "TestSupport.h"
#include "core/copy/CopyOptions.h"
#include "core/copy/FolderScan.h"
#include "platform/Paths.h"

namespace quillet {
namespace {

using test::Native;
using test::Printable;

// Records the folders a scan reads and the abort checks made while reading each, and stops after a
// given number of checks or once the scan has entered a given folder.
class RecordingAbort : public MAbortBase {
  public:
    explicit RecordingAbort(std::size_t stopAfterChecks = SIZE_MAX) : stopAfter_(stopAfterChecks) {}
    void SetCurrentFolder(const std::u16string& folderPath) override {
        folders.push_back(folderPath);
        cancelled_ = cancelled_ || folderPath == stopIn;
    }
    bool CheckAbort() override {
        ++checksIn[folders.empty() ? std::u16string() : folders.back()];
        return ++checks >= stopAfter_ || cancelled_;
    }

    std::vector<std::u16string> folders;
    std::map<std::u16string, std::size_t> checksIn;
    std::size_t checks = 0;
    std::u16string stopIn;

  private:
    std::size_t stopAfter_;
    bool cancelled_ = false;
};

TEST(FolderScan, MatchPattern) {
    struct Row {
        std::u16string_view pattern;
        std::u16string_view name;
        bool matches;
    };
    const Row rows[] = {
        {u"*.txt", u"readme.txt", true},
        {u"*.txt", u"readme.txt.bak", false},
        {u"*.*", u"noext", false},
        {u"*.*", u"a.b", true},
        {u"a*", u"a", true},
        {u"a*b", u"ab", true},
        {u"a*b", u"axxb", true},
        {u"a*b", u"a", false},
        {u"ab/c", u"abc", true},
        {u"/", u"", true},
        {u"?", u"x", true},
        {u"?", u"", false},
        {u"??", u"x", false},
        {u"\\*", u"*", true},
        {u"\\*", u"x", false},
        {u"a\\?", u"a?", true},
        {u"a\\", u"a", false},
        {u"a\\", u"a\\", false},  // a backslash at the end never matches
        {u"", u"x", false},
        {u"", u"", true},
        {u"*", u"", true},
        {u"*", u"anything", true},
        {u"*.txt;*.doc", u"a.txt", false},
        {u"*.txt;*.doc", u"a.txt;x.doc", true},
        {u"x*/", u"xy", false},  // the rest after a star is never tried against nothing
        {u"x*/", u"x", true},
        {u"*a*a*a*a*a*a*a*a*a*b",
         std::u16string_view(
             u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"),
         false},
        {u"*a*a*b*", u"xxaxxaxxbxx", true},
        {u"\u00e4", u"\u00c4", false},  // only A-Z are folded, and by the caller
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MatchPattern(row.pattern, row.name), row.matches)
            << "'" << Printable(row.pattern) << "' on '" << Printable(row.name) << "'";
    }
    EXPECT_TRUE(LowerAsciiLetters(u"README.TXT\u00c4") == u"readme.txt\u00c4");
}

// A tree of files under a temporary folder, selected as one folder.
class ScanTree : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char16_t* file : {u"Top\\a.txt", u"Top\\README.TXT", u"Top\\X.\u00c4", u"Top\\noext",
                                     u"Top\\b.tmp", u"Top\\sub\\c.txt", u"Top\\sub\\deep\\d.txt",
                                     u"Top\\sub2\\e.txt", u"Top\\.hiddenfile", u"Top\\.hiddendir\\h.txt"}) {
            temp.WriteFile(file, 1);
        }
        temp.MakeFolder(u"Top\\empty");
        ASSERT_TRUE(test::MarkHidden(temp.PathOf(u"Top\\.hiddenfile")));
        ASSERT_TRUE(test::MarkHidden(temp.PathOf(u"Top\\.hiddendir")));
    }

    // The names (relative to the selected folder's parent) of the files an expansion finds.
    std::vector<std::u16string> Expand(const ExpansionSettings& settings, RecordingAbort* abort = nullptr) {
        ItemSelection selection;
        EXPECT_EQ(selection.AddPath(temp.PathOf(u"Top")), 1u);
        RecordingAbort never;
        FolderCFItem& folder = static_cast<FolderCFItem&>(*selection.Items()[0]);
        ExpandFolder(folder, abort ? *abort : never, settings);
        std::vector<std::u16string> names;
        for (const auto& file : folder.ExpandedFiles()) {
            EXPECT_TRUE(file->Path() ==
                        temp.PathOf(u"") + platform::kPathSeparator + std::u16string(file->Name()));
            names.push_back(std::u16string(file->Name()));
        }
        return names;
    }

    static std::set<std::u16string> Set(const std::vector<std::u16string>& names) {
        return {names.begin(), names.end()};
    }
    static std::set<std::u16string> NativeSet(std::initializer_list<std::u16string_view> names) {
        std::set<std::u16string> set;
        for (const auto name : names) {
            set.insert(Native(name));
        }
        return set;
    }

    test::TempFolder temp;
};

TEST_F(ScanTree, DepthLimitsHiddenEntriesAndPatterns) {
    const auto all =
        NativeSet({u"Top\\a.txt", u"Top\\README.TXT", u"Top\\X.\u00c4", u"Top\\noext", u"Top\\b.tmp",
                   u"Top\\sub\\c.txt", u"Top\\sub\\deep\\d.txt", u"Top\\sub2\\e.txt"});
    const auto own =
        NativeSet({u"Top\\a.txt", u"Top\\README.TXT", u"Top\\X.\u00c4", u"Top\\noext", u"Top\\b.tmp"});
    const auto txt = NativeSet({u"Top\\a.txt", u"Top\\README.TXT", u"Top\\sub\\c.txt",
                                u"Top\\sub\\deep\\d.txt", u"Top\\sub2\\e.txt"});
    struct Row {
        const char* what;
        ExpansionSettings settings;
        std::set<std::u16string> expected;
    };
    const Row rows[] = {
        {"no limit", {-1, {}, {}}, all},
        {"limit 0 is no limit", {0, {}, {}}, all},
        {"limit 1: own files only", {1, {}, {}}, own},
        {"limit 2: and the subfolders' files",
         {2, {}, {}},
         NativeSet({u"Top\\a.txt", u"Top\\README.TXT", u"Top\\X.\u00c4", u"Top\\noext", u"Top\\b.tmp",
                    u"Top\\sub\\c.txt", u"Top\\sub2\\e.txt"})},
        {"include *.txt, folded A-Z", {-1, u"*.txt", {}}, txt},
        {"include *.\u00e4: \u00c4 is not folded", {-1, u"*.\u00e4", {}}, {}},
        {"include empty: nothing", {-1, u"", {}}, {}},
        {"exclude empty: everything", {-1, {}, u""}, all},
        {"include *.* exclude *.tmp",
         {1, u"*.*", u"*.tmp"},
         NativeSet({u"Top\\a.txt", u"Top\\README.TXT", u"Top\\X.\u00c4"})},
    };
    for (const Row& row : rows) {
        const auto names = Expand(row.settings);
        EXPECT_EQ(names.size(), Set(names).size()) << row.what;
        EXPECT_TRUE(Set(names) == row.expected) << row.what;
    }
}

TEST_F(ScanTree, OwnFilesFirstThenEachSubtreeWholeAndOneFolderOpenAtATime) {
    RecordingAbort abort;
    const auto names = Expand({-1, {}, {}}, &abort);
    // Depth first: the subtree of a subfolder is contiguous and follows the folder's own files.
    const auto depth = [](const std::u16string& name) {
        return std::count(name.begin(), name.end(), platform::kPathSeparator);
    };
    ASSERT_EQ(names.size(), 8u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(depth(names[i]), 1) << Printable(names[i]);
    }
    const auto sub = std::find(names.begin(), names.end(), Native(u"Top\\sub\\c.txt"));
    const auto deep = std::find(names.begin(), names.end(), Native(u"Top\\sub\\deep\\d.txt"));
    ASSERT_NE(sub, names.end());
    EXPECT_EQ(deep, sub + 1);
    // The hidden folder is never read; the empty one is, and leaves nothing.
    for (const auto& folder : abort.folders) {
        EXPECT_EQ(folder.find(u".hiddendir"), std::u16string::npos) << Printable(folder);
    }
    EXPECT_EQ(abort.folders.front(), temp.PathOf(u"Top"));
    EXPECT_EQ(abort.folders.size(), 5u);  // Top, sub, sub2, empty, deep in some order of discovery
}

TEST_F(ScanTree, CancelDiscardsEverythingAndKeepsSelectedFiles) {
    ItemSelection selection;
    const std::u16string file = temp.WriteFile(u"loose.bin", 7);
    selection.AddPath(temp.PathOf(u"Top"));
    selection.AddPath(file);
    selection.order = static_cast<std::uint32_t>(SortOrder::NameDescending);

    RecordingAbort stopEarly(4);
    EXPECT_TRUE(ExpandSelection(selection, {-1, u"*.txt", {}}, stopEarly));
    EXPECT_FALSE(selection.expand);
    ASSERT_EQ(selection.Flat().size(), 2u);
    EXPECT_TRUE(selection.Flat()[0]->Name() == u"Top");  // sorted Z-A: "Top" before "loose.bin"
    EXPECT_TRUE(static_cast<FolderCFItem&>(*selection.Items()[0]).ExpandedFiles().empty());
    EXPECT_EQ(Printable(SummaryText(selection)).substr(0, 16), "Files & Folders:");

    RecordingAbort never;
    EXPECT_FALSE(ExpandSelection(selection, {-1, u"*.txt", {}}, never));
    EXPECT_TRUE(selection.expand);
    // The selected file stays whatever its extension; the folder's .txt files take its place.
    ASSERT_EQ(selection.Flat().size(), 6u);
    EXPECT_TRUE(selection.Flat()[0]->Name().starts_with(Native(u"Top\\sub")));
    EXPECT_TRUE(selection.Flat()[5]->Name() == u"loose.bin");
    EXPECT_EQ(Printable(SummaryText(selection)), "Files: 6;  Total Files Size: 12 bytes");
}

TEST(FolderScanCancel, StopsAfterTheCurrentEntryAndOpensEachFolderFoundOnce) {
    // The cancel comes while the first subfolder is read: the top folder was read whole, so all three
    // subfolders are known; each is still opened once and read no further than its first entry.
    test::TempFolder temp;
    for (const char16_t* file : {u"Top\\t1", u"Top\\t2", u"Top\\A\\a1", u"Top\\A\\a2", u"Top\\A\\a3",
                                 u"Top\\B\\b1", u"Top\\B\\b2", u"Top\\C\\c1", u"Top\\C\\c2"}) {
        temp.WriteFile(file, 1);
    }
    for (const char16_t* first : {u"Top\\A", u"Top\\B", u"Top\\C"}) {
        ItemSelection selection;
        ASSERT_EQ(selection.AddPath(temp.PathOf(u"Top")), 1u);
        RecordingAbort abort;
        abort.stopIn = temp.PathOf(first);
        ExpandFolder(static_cast<FolderCFItem&>(*selection.Items()[0]), abort, {});

        EXPECT_EQ(std::set<std::u16string>(abort.folders.begin(), abort.folders.end()),
                  std::set<std::u16string>({temp.PathOf(u"Top"), temp.PathOf(u"Top\\A"),
                                            temp.PathOf(u"Top\\B"), temp.PathOf(u"Top\\C")}));
        EXPECT_EQ(abort.folders.size(), 4u) << "a folder was opened twice";
        EXPECT_EQ(abort.folders.front(), temp.PathOf(u"Top"));
        EXPECT_GE(abort.checksIn[temp.PathOf(u"Top")], 4u);  // t1, t2, A, B, C (and . and .. where listed)
        const auto cancelledAt = std::find(abort.folders.begin(), abort.folders.end(), abort.stopIn);
        ASSERT_NE(cancelledAt, abort.folders.end());
        for (auto folder = cancelledAt; folder != abort.folders.end(); ++folder) {
            EXPECT_EQ(abort.checksIn[*folder], 1u) << Printable(*folder);
        }
    }
}

TEST_F(ScanTree, EmptyFolderContributesNothing) {
    ItemSelection selection;
    selection.AddPath(temp.PathOf(u"Top\\empty"));
    RecordingAbort never;
    EXPECT_FALSE(ExpandSelection(selection, {-1, {}, {}}, never));
    EXPECT_TRUE(selection.Flat().empty());
    EXPECT_EQ(Printable(SummaryText(selection)), "Files: 0;  Total Files Size: 0 bytes");
}

TEST_F(ScanTree, FolderThatCannotBeOpenedReadsAsEmpty) {
    const std::u16string root = temp.PathOf(u"") + platform::kPathSeparator;
    FolderScanNode node(root, u"does-not-exist");
    RecordingAbort abort;
    node.ScanFolder(abort, {-1, {}, {}});
    std::vector<std::unique_ptr<CFItem>> files;
    node.CollectFiles(files);
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(abort.folders.size(), 1u);
}

TEST_F(ScanTree, LinkBackToAnAncestorIsNotEntered) {
    std::error_code error;
    // loop leads to the folder above Top: Top is found in it again, as a plain folder.
    std::filesystem::create_directory_symlink(std::filesystem::path(temp.PathOf(u"")),
                                              std::filesystem::path(temp.PathOf(u"Top\\sub\\loop")), error);
    if (error) {
        GTEST_SKIP() << "this platform could not create a folder link: " << error.message();
    }
    std::filesystem::create_directory_symlink(std::filesystem::path(temp.PathOf(u"Top\\sub2")),
                                              std::filesystem::path(temp.PathOf(u"Top\\sub\\other")), error);
    ASSERT_FALSE(error);
    const auto names = Expand({-1, {}, {}});
    EXPECT_EQ(names.size(), 9u);  // the eight files and e.txt once more through the link to sub2
    EXPECT_EQ(std::count(names.begin(), names.end(), Native(u"Top\\sub\\other\\e.txt")), 1);
}

TEST(FolderScanLong, PathsBeyondTheClassicLimitAreRead) {
    test::TempFolder temp;
    std::u16string relative = u"Long";
    while (relative.size() < 300) {
        relative += u"\\" + std::u16string(40, u'd');
    }
    ASSERT_TRUE(test::MakeFoldersLong(temp.PathOf(relative)));
    ASSERT_TRUE(test::WriteFileLong(temp.PathOf(relative + u"\\f.txt"), 3));
    ASSERT_TRUE(test::WriteFileLong(temp.PathOf(u"Long\\top.txt"), 1));
    ItemSelection selection;
    ASSERT_EQ(selection.AddPath(temp.PathOf(u"Long")), 1u);
    RecordingAbort never;
    ExpandSelection(selection, {-1, {}, {}}, never);
    ASSERT_EQ(selection.Flat().size(), 2u);
    EXPECT_TRUE(selection.Flat()[1]->Name() == Native(relative + u"\\f.txt"));
    EXPECT_GT(selection.Flat()[1]->Path().size(), 300u);
    EXPECT_EQ(selection.Flat()[1]->size, 3u);
    EXPECT_NE(selection.Flat()[1]->modified, 0);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(temp.PathOf(u"Long")), ignored);
}

// Every 37 minutes over two years around clock changes, plus the edges of 1970 and far times.
void ExpectFastStampsEqualSlowOnes(const char* zone) {
    StampConverter converter;
    std::size_t differences = 0;
    for (std::int64_t t = 1616000000 - 400LL * 86400; t < 1616000000 + 400LL * 86400; t += 37 * 60 + 11) {
        differences += converter.StampOf(t) != SlowStampOf(t);
    }
    for (const std::int64_t t : {-100000LL, -1LL, 0LL, 1LL, 86399LL, 86400LL, 4102444800LL, -11644473600LL,
                                 (1LL << 40), -(1LL << 50)}) {
        EXPECT_EQ(converter.StampOf(t), SlowStampOf(t)) << t << " in " << zone;
    }
    EXPECT_EQ(converter.StampOf(std::nullopt), 0);
    EXPECT_EQ(differences, 0u) << zone;
}

TEST(FolderScanStamps, FastConversionEqualsTheSlowOne) {
    ExpectFastStampsEqualSlowOnes("the test zone");
#ifndef _WIN32
    // Zones with clock changes of an hour, of half an hour, and none with a half-hour offset.
    const char* previous = std::getenv("TZ");
    const std::string restore = previous ? previous : "";
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Asia/Kolkata"}) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        ExpectFastStampsEqualSlowOnes(zone);
    }
    if (previous) {
        ::setenv("TZ", restore.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
#endif
}

}  // namespace
}  // namespace quillet
