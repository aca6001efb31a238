#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "TestSupport.h"
#include "core/format/Items.h"
#include "platform/Paths.h"
#include "platform/Time.h"

#ifdef _WIN32
#include "platform/win32/ExactPath.h"
#endif

namespace quillet {
namespace {

using test::Native;

TEST(Items, NameBeginsAfterTheLastSeparator) {
    struct Row {
        std::u16string_view path;
        std::u16string_view name;
    };
    const Row rows[] = {
        {u"C:\\Data\\a.txt", u"a.txt"},
        {u"C:\\Data", u"Data"},
        {u"C:\\", u""},
        {u"relative", u"relative"},
        {u"", u""},
    };
    for (const Row& row : rows) {
        const FileCFItem item(Native(row.path), ItemStamps{}, 0);
        EXPECT_TRUE(item.Name() == row.name) << test::Printable(row.path);
        EXPECT_TRUE(item.Path() == Native(row.path));
    }
}

TEST(Items, ExpandedFileIsNamedByItsRelativePath) {
    const std::u16string full = Native(u"C:\\Data\\Photos\\2021\\a.jpg");
    const ExpandedFileCFItem item(full, Native(u"C:\\Data\\").size(), ItemStamps{}, 3);
    EXPECT_TRUE(item.Name() == Native(u"Photos\\2021\\a.jpg"));
    EXPECT_FALSE(item.IsFolder());
    EXPECT_EQ(item.size, 3u);
}

TEST(Items, TimeStampRules) {
    using platform::LocalDateTime;
    struct Row {
        const char* what;
        std::optional<LocalDateTime> local;
        bool zero;
    };
    const Row rows[] = {
        {"no conversion", std::nullopt, true},
        {"before 1601", LocalDateTime{1600, 12, 0, 31, 23, 59, 59}, true},
        {"1601", LocalDateTime{1601, 1, 1, 1, 0, 0, 0}, false},
        {"1900 to 1969", LocalDateTime{1969, 12, 0, 31, 23, 59, 59}, false},
        {"month out of range", LocalDateTime{2020, 13, 0, 1, 0, 0, 0}, true},
        {"day out of range", LocalDateTime{2020, 1, 0, 0, 0, 0, 0}, true},
        {"hour out of range", LocalDateTime{2020, 1, 0, 1, 24, 0, 0}, true},
        {"leap second", LocalDateTime{2020, 1, 0, 1, 0, 0, 60}, true},
        {"ordinary", LocalDateTime{2021, 3, 0, 4, 5, 6, 7}, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(StampFromLocalTime(row.local) == 0, row.zero) << row.what;
    }
    // The tests run in UTC: the local time is the UTC time.
    EXPECT_EQ(StampFromLocalTime(LocalDateTime{1970, 1, 4, 1, 0, 0, 0}), 0);
    EXPECT_EQ(StampFromLocalTime(LocalDateTime{2021, 3, 0, 4, 5, 6, 7}), 1614834367);
    EXPECT_EQ(StampFromLocalTime(LocalDateTime{1969, 12, 3, 31, 23, 59, 59}), -1);
}

TEST(Items, AddPathCapturesFilesAndFoldersAndSkipsWhatIsGone) {
    test::TempFolder temp;
    const std::u16string file = temp.WriteFile(u"a.txt", 5);
    const std::u16string folder = temp.MakeFolder(u"Data");
    ItemSelection selection;
    EXPECT_EQ(selection.AddPath(file), 1u);
    EXPECT_FALSE(selection.hasFolder);
    EXPECT_EQ(selection.AddPath(temp.PathOf(u"gone.txt")), 0u);
    EXPECT_EQ(selection.AddPath(folder), 2u);
    EXPECT_TRUE(selection.hasFolder);

    const CFItem& fileItem = *selection.Items()[0];
    EXPECT_FALSE(fileItem.IsFolder());
    EXPECT_TRUE(fileItem.Name() == u"a.txt");
    EXPECT_EQ(fileItem.size, 5u);
    const auto now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    EXPECT_NEAR(static_cast<double>(fileItem.modified), static_cast<double>(now), 120.0);

    EXPECT_TRUE(selection.Items()[1]->IsFolder());
    EXPECT_TRUE(selection.Items()[1]->Name() == u"Data");
}

TEST(Items, AddPathReadsExactlyTheNamedItem) {
    test::TempFolder temp;
    const std::u16string deep = std::u16string(120, u'd') + u"\\" + std::u16string(120, u'e');
    struct Row {
        const char* what;
        std::u16string name;  // a trailing backslash makes it a folder
        std::u16string sibling;
        std::size_t size;
    };
    const Row rows[] = {
        {"a name ending in a dot", u"report.", u"report", 2},
        {"a name ending in a space", u"notes ", u"notes", 3},
        {"a non-BMP name ending in dots", u"\U0001D11E..", u"\U0001D11E", 4},
        {"a folder ending in a dot beside a file", u"album.\\", u"album", 0},
        {"beyond 259 characters", deep + u"\\long.txt", u"short.txt", 6},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.what);
        const std::u16string folder =
            temp.PathOf(u"row" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
        const std::u16string sibling = folder + Native(u"\\") + row.sibling;
        const bool isFolder = row.name.back() == u'\\';
        const std::u16string item =
            folder + Native(u"\\" + (isFolder ? row.name.substr(0, row.name.size() - 1) : row.name));
        ASSERT_TRUE(
            test::MakeFoldersLong(isFolder ? item : item.substr(0, item.rfind(platform::kPathSeparator))));
        ASSERT_TRUE(test::WriteFileLong(sibling, 1));
        if (!isFolder) {
            ASSERT_TRUE(test::WriteFileLong(item, row.size));
        }
        ItemSelection selection;
        ASSERT_EQ(selection.AddPath(item), 1u);
        const CFItem& added = *selection.Items()[0];
        EXPECT_EQ(added.IsFolder(), isFolder);
        if (!isFolder) {  // a folder's size is whatever the platform says
            EXPECT_EQ(added.size, row.size);
        }
        EXPECT_EQ(test::Printable(added.Path()), test::Printable(item));
    }
}

#ifdef _WIN32
TEST(Items, SelectedPathsReachTheFileSystemLiterally) {
    struct Row {
        std::u16string path;
        std::u16string literal;  // empty: the path as it is
    };
    const Row rows[] = {
        {u"C:\\Docs\\report.", u"\\\\?\\C:\\Docs\\report."},
        {u"c:\\", u"\\\\?\\c:\\"},
        {u"\\\\server\\share\\notes ", u"\\\\?\\UNC\\server\\share\\notes "},
        {u"\\\\?\\C:\\Docs\\x", u""},
        {u"\\\\.\\COM1", u""},
        {u"Docs\\report.", u""},
        {u"C:/Docs/a", u""},
        {u"C:\\Docs\\..\\a", u""},
    };
    for (const Row& row : rows) {
        const std::u16string expected = row.literal.empty() ? row.path : row.literal;
        EXPECT_EQ(test::Printable(platform::ExactPathForm(row.path)), test::Printable(expected))
            << test::Printable(row.path);
    }
}
#endif

TEST(Items, FlattenPutsExpandedFilesInPlaceOfTheirFolder) {
    ItemSelection selection;
    selection.Add(std::make_unique<FileCFItem>(Native(u"C:\\a.txt"), ItemStamps{}, 10));
    auto folder = std::make_unique<FolderCFItem>(Native(u"C:\\Data"), ItemStamps{}, 4096);
    folder->ExpandedFiles().push_back(std::make_unique<ExpandedFileCFItem>(
        Native(u"C:\\Data\\x"), Native(u"C:\\").size(), ItemStamps{}, 20));
    folder->ExpandedFiles().push_back(std::make_unique<ExpandedFileCFItem>(
        Native(u"C:\\Data\\y"), Native(u"C:\\").size(), ItemStamps{}, 30));
    CFItem* folderItem = folder.get();
    selection.Add(std::move(folder));
    EXPECT_TRUE(selection.hasFolder);

    selection.Flatten();
    ASSERT_EQ(selection.Flat().size(), 2u);
    EXPECT_EQ(selection.Flat()[1], folderItem);
    EXPECT_EQ(selection.totalSize, 10u + 4096u);

    selection.expand = true;
    selection.Flatten();
    ASSERT_EQ(selection.Flat().size(), 3u);
    EXPECT_TRUE(selection.Flat()[1]->Name() == Native(u"Data\\x"));
    EXPECT_TRUE(selection.Flat()[2]->Name() == Native(u"Data\\y"));
    EXPECT_EQ(selection.totalSize, 60u);

    // A sort rearranges flat; flattening again restores the added order.
    std::swap(selection.Flat()[0], selection.Flat()[2]);
    selection.Flatten();
    EXPECT_TRUE(selection.Flat()[0]->Name() == u"a.txt");
}

TEST(Items, ExpandedFolderWithoutFilesContributesNothing) {
    ItemSelection selection;
    selection.Add(std::make_unique<FolderCFItem>(Native(u"C:\\Empty"), ItemStamps{}, 0));
    selection.expand = true;
    selection.Flatten();
    EXPECT_TRUE(selection.Flat().empty());
    EXPECT_EQ(selection.totalSize, 0u);
}

}  // namespace
}  // namespace quillet
