#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/menu/RenameTarget.h"

namespace quillet::test {
namespace {

TEST(RenameTarget, NameKeepingTheOldExtension) {
    struct Row {
        const char16_t* oldPath;  // Windows spelling, made native
        const char16_t* clipboard;
        const char16_t* newName;
    };
    const Row rows[] = {
        {u"C:\\docs\\a.txt", u"Report 2024", u"Report 2024.txt"},
        {u"C:\\docs\\a.txt", u"Report.final.docx", u"Report.final.txt"},
        {u"C:\\docs\\README", u"notes.md", u"notes"},
        {u"C:\\docs\\a.txt", u".hidden", u".txt"},
        {u"C:\\docs\\my.dir", u"archive", u"archive.dir"},
        {u"C:\\docs.old\\README", u"notes", u"notes"},  // a dot in a folder is no extension
        {u"a.txt", u"b.md", u"b"},                      // no separator: no extension
        {u"C:\\docs\\a.tar.gz", u"b.zip", u"b.gz"},
        {u"C:\\docs\\trailing.", u"b", u"b."},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Printable(NameKeepingExtension(Native(row.oldPath), row.clipboard)), Printable(row.newName))
            << Printable(row.oldPath) << " + " << Printable(row.clipboard);
    }
}

TEST(RenameTarget, DestinationInTheSameFolderOnlyWhenItFits) {
    const std::u16string folder = Native(u"C:\\docs\\");
    const std::u16string longName(kMaxShellPathLength - folder.size(), u'n');
    struct Row {
        std::u16string oldPath;
        std::u16string newName;
        std::optional<std::u16string> destination;
    };
    const Row rows[] = {
        {folder + u"a.doc", u"b.txt", folder + u"b.txt"},
        {u"a.doc", u"b.txt", u"b.txt"},
        {folder + u"a.doc", longName, folder + longName},
        {folder + u"a.doc", longName + u"x", std::nullopt},  // would not fit the buffer: not cut short
        {folder + u"a.doc", u"", std::nullopt},              // would name the folder itself
        {folder + std::u16string(kMaxShellPathLength, u'o'), u"b", std::nullopt},
        {u"", u"b", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(RenameDestination(row.oldPath, row.newName), row.destination)
            << Printable(row.oldPath) << " -> " << Printable(row.newName);
    }
}

}  // namespace
}  // namespace quillet::test
