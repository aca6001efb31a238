#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Paths.h"

namespace quillet::platform {
namespace {

// Rows are written with POSIX paths; on Windows the root "/" reads "C:\" and each "/" a backslash.
std::u16string Native(std::u16string_view posix) {
    std::u16string path(posix);
#ifdef _WIN32
    for (char16_t& c : path) {
        c = c == u'/' ? u'\\' : c;
    }
    if (path.starts_with(u'\\')) {
        path.insert(0, u"C:");
    }
#endif
    return path;
}

TEST(AbsolutePath, RelativeNamesAreTakenFromTheFolderAsTyped) {
    struct Row {
        std::u16string_view base;
        std::u16string_view relative;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {u"/home/u", u"a.txt", u"/home/u/a.txt"},
        {u"/home/u/", u"sub//deep/", u"/home/u/sub/deep"},
        {u"/home/u", u"./sub/../b", u"/home/u/b"},
        {u"/home/u", u"../../../../x", u"/x"},
        {u"/", u".", u"/"},
        // Names that Win32's own full-path call would change name other items: kept as typed.
        {u"/home/u", u"report.", u"/home/u/report."},
        {u"/home/u", u"notes ", u"/home/u/notes "},
        {u"/home/u", u"...", u"/home/u/..."},
        {u"/home/u", u"d\U0001F600r/\U0001F4C4.txt", u"/home/u/d\U0001F600r/\U0001F4C4.txt"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(test::Printable(ResolveAgainst(Native(row.base), Native(row.relative))),
                  test::Printable(Native(row.expected)))
            << test::Printable(row.relative);
    }
}

#ifdef _WIN32
TEST(AbsolutePath, WindowsRootsAreNeverClimbedAndSlashesSeparate) {
    EXPECT_EQ(ResolveAgainst(u"\\\\server\\share\\dir", u"..\\..\\x"), u"\\\\server\\share\\x");
    EXPECT_EQ(ResolveAgainst(u"\\\\?\\C:\\dir", u"..\\..\\x"), u"\\\\?\\C:\\x");
    EXPECT_EQ(ResolveAgainst(u"C:/dir", u"sub/f.txt"), u"C:\\dir\\sub\\f.txt");
    // Absolute paths as Explorer passes them: steps taken, separators its own, none at the end.
    EXPECT_EQ(AbsolutePath(u"D:\\x\\..\\y"), u"D:\\y");
    EXPECT_EQ(AbsolutePath(u"C:/Users/Public/x.txt"), u"C:\\Users\\Public\\x.txt");
    EXPECT_EQ(AbsolutePath(u"\\\\server\\share\\photos\\"), u"\\\\server\\share\\photos");
    EXPECT_EQ(AbsolutePath(u"\\\\?\\C:\\x\\..\\y."), u"\\\\?\\C:\\x\\..\\y.");
}
#endif

TEST(AbsolutePath, TakesTheCurrentFolder) {
    const std::u16string here = AbsolutePath(u".");
    ASSERT_GT(PathRootLength(here), 0u);
    EXPECT_EQ(AbsolutePath(u"x."),
              here + (here.back() == kPathSeparator ? u"" : std::u16string(1, kPathSeparator)) + u"x.");
    EXPECT_EQ(AbsolutePath(here), here);
}

}  // namespace
}  // namespace quillet::platform
