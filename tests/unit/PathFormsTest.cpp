#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "core/format/ItemFormat.h"
#include "platform/Utf.h"

namespace quillet {
namespace {

// The system as a test wants it: Z: mapped to \\fileserver\teams, Y: substituted for C:\Work and W: for
// a folder on Z:, V: for a shared folder; two shares, one inside the other; short names for one file;
// two working trees, one a submodule of the other. Counts the questions asked.
class FakeQueries : public MPathQueries {
  public:
    std::optional<std::u16string> SubstitutedFolder(char16_t letter) const override {
        ++driveQuestions;
        switch (letter) {
            case u'Y':
                return u"C:\\Work\\";
            case u'W':
                return u"Z:\\Projects";
            case u'V':
                return u"C:\\Data\\Reports";
            default:
                return std::nullopt;
        }
    }
    std::optional<std::u16string> MappedDrivePath(char16_t letter) const override {
        ++driveQuestions;
        return letter == u'Z' ? std::optional<std::u16string>(u"\\\\fileserver\\teams") : std::nullopt;
    }
    std::vector<platform::LocalShare> LocalShares() const override {
        return {{u"Data", u"C:\\Data"}, {u"Reports", u"C:\\Data\\Reports\\"}};
    }
    std::u16string ComputerName() const override { return u"ANA-PC"; }
    std::optional<std::u16string> ShortPathName(const std::u16string& path) const override {
        if (path == u"C:\\Program Files\\Long Name.text") {
            return u"C:\\PROGRA~1\\LONGNA~1.TEX";
        }
        return std::nullopt;
    }
    bool HoldsGitEntry(std::u16string_view folder, char16_t separator) const override {
        ++gitQuestions;
        std::u16string windowsFolder(folder);
        std::replace(windowsFolder.begin(), windowsFolder.end(), separator, u'\\');
        return windowsFolder == u"C:\\src\\quillet" || windowsFolder == u"C:\\src\\quillet\\third\\lib" ||
               windowsFolder == u"\\home\\ana\\quillet";
    }

    mutable int driveQuestions = 0;
    mutable int gitQuestions = 0;
};

struct FormRow {
    std::u16string_view format;  // one path attribute
    std::u16string_view path;
    std::u16string_view expected;
};

// What the format's attribute writes for the path, with its name after the last separator.
std::u16string Render(std::u16string_view format, std::u16string_view path, PathLookups& lookups) {
    ParsedItemFormat parsed =
        ParseItemFormat(FormatCursor(format), EscapeMode::FullEscapes, FormatPlacement::Alone);
    const auto* part =
        parsed.parts.size() == 1 ? dynamic_cast<const ItemPartPath*>(parsed.parts[0].get()) : nullptr;
    if (part == nullptr) {
        return u"(not one path attribute: " + parsed.error + u")";
    }
    TextBuffer buffer;
    const std::size_t name = path.find_last_of(lookups.Separator());
    AppendPathPart(path, name == std::u16string_view::npos ? 0 : name + 1, part->Component(),
                   part->Separator(), part->Form(), lookups, buffer);
    return std::u16string(buffer.View());
}

void ExpectRows(std::span<const FormRow> rows, PathStyle style) {
    const FakeQueries queries;
    PathLookups lookups(style, queries);
    for (const FormRow& row : rows) {
        EXPECT_EQ(test::Printable(Render(row.format, row.path, lookups)), test::Printable(row.expected))
            << test::Printable(row.format) << " of " << test::Printable(row.path);
    }
}

// Full paths whose file URL Python's pathlib makes too (see UrlsAgreeWithPython).
constexpr FormRow kUrlRows[] = {
    {u"$path:url", u"C:\\Users\\Ana\\My Report.pdf", u"file:///C:/Users/Ana/My%20Report.pdf"},
    {u"$path:url", u"c:\\x#y%z&w'v?.txt", u"file:///c:/x%23y%25z%26w%27v%3F.txt"},
    {u"$path:url", u"C:\\Donn\u00E9es\\na\u00EFve \u65E5\u672C.txt",
     u"file:///C:/Donn%C3%A9es/na%C3%AFve%20%E6%97%A5%E6%9C%AC.txt"},
    {u"$path:url", u"C:\\emoji\\\U0001F600.txt", u"file:///C:/emoji/%F0%9F%98%80.txt"},
    {u"$path:url", u"C:\\dir\\name.", u"file:///C:/dir/name."},
    {u"$path:url", u"C:\\a+b=c;d,e@f!(g)[h]{i}$j~-_.k",
     u"file:///C:/a%2Bb%3Dc%3Bd%2Ce%40f%21%28g%29%5Bh%5D%7Bi%7D%24j~-_.k"},
    {u"$path:url", u"C:\\", u"file:///C:/"},
    {u"$path:url", u"\\\\server\\share", u"file://server/share/"},
    {u"$path:url", u"\\\\server\\share\\a b\\c.txt", u"file://server/share/a%20b/c.txt"},
    {u"$path:url", u"\\\\wsl$\\Ubuntu\\home\\ana\\x", u"file://wsl%24/Ubuntu/home/ana/x"},
    {u"$path:URL", u"\\\\wsl.localhost\\Ubuntu\\home", u"file://wsl.localhost/Ubuntu/home"},
};

TEST(PathForms, WindowsPathsInEveryForm) {
    const FormRow rows[] = {
        // url beyond what Python knows: literal prefixes, mapped and subst drives, parts of a path.
        {u"$path:url", u"\\\\?\\C:\\long\\x y.txt", u"file:///C:/long/x%20y.txt"},
        {u"$path:url", u"\\\\?\\UNC\\server\\share\\x", u"file://server/share/x"},
        {u"$path:url", u"Z:\\Projects\\plan #2.docx", u"file://fileserver/teams/Projects/plan%20%232.docx"},
        {u"$path:url", u"W:\\a", u"file://fileserver/teams/Projects/a"},
        {u"$path:url", u"C:\\Data\\q1.xlsx", u"file:///C:/Data/q1.xlsx"},  // shares are for unc only
        {u"$folder:url", u"C:\\a b\\c.txt", u"file:///C:/a%20b/"},
        {u"$folder:url", u"\\\\server\\share\\c.txt", u"file://server/share/"},
        {u"$name:url", u"C:\\a\\My Report #1.pdf", u"My%20Report%20%231.pdf"},
        {u"$namenoext:url", u"C:\\a\\50% off.tar.gz", u"50%25%20off.tar"},
        {u"$ext:url", u"C:\\a\\x.d\u00E9j\u00E0", u"d%C3%A9j%C3%A0"},
        {u"$repopath:url", u"C:\\src\\quillet\\src\\a b\\#1.cpp", u"src/a%20b/%231.cpp"},
        {u"$repopath:url", u"C:\\elsewhere\\a b.txt", u"file:///C:/elsewhere/a%20b.txt"},
        // unc: mapped drives, subst drives (also of mapped and shared folders), local shares.
        {u"$path:unc", u"Z:\\Projects\\plan.docx", u"\\\\fileserver\\teams\\Projects\\plan.docx"},
        {u"$path:unc", u"z:\\x", u"\\\\fileserver\\teams\\x"},
        {u"$path:unc", u"Z:\\", u"\\\\fileserver\\teams\\"},
        {u"$path:Unc", u"\\\\?\\Z:\\x", u"\\\\fileserver\\teams\\x"},
        {u"$folder:unc", u"Z:\\Projects\\plan.docx", u"\\\\fileserver\\teams\\Projects\\"},
        {u"$path:unc", u"Y:\\notes.txt", u"C:\\Work\\notes.txt"},
        {u"$path:unc", u"W:\\a\\b", u"\\\\fileserver\\teams\\Projects\\a\\b"},
        {u"$path:unc", u"V:\\q1.xlsx", u"\\\\ANA-PC\\Reports\\q1.xlsx"},
        {u"$path:unc", u"C:\\Data\\Reports\\q1.xlsx", u"\\\\ANA-PC\\Reports\\q1.xlsx"},
        {u"$path:unc", u"c:\\data\\other.txt", u"\\\\ANA-PC\\Data\\other.txt"},
        {u"$path:unc", u"C:\\Data", u"\\\\ANA-PC\\Data"},
        {u"$path:unc", u"C:\\DataX\\y", u"C:\\DataX\\y"},
        {u"$path:unc", u"D:\\local\\file.txt", u"D:\\local\\file.txt"},
        {u"$path:unc", u"\\\\?\\D:\\x.", u"\\\\?\\D:\\x."},
        {u"$path:unc", u"\\\\server\\share\\x", u"\\\\server\\share\\x"},
        // The Linux shells.
        {u"$path:wsl", u"C:\\src\\app.py", u"/mnt/c/src/app.py"},
        {u"$path:WSL", u"c:\\x y\\#z'\u00E9", u"/mnt/c/x y/#z'\u00E9"},
        {u"$path:wsl", u"D:\\", u"/mnt/d/"},
        {u"$path:wsl", u"\\\\wsl$\\Ubuntu\\home\\ana\\x", u"/home/ana/x"},
        {u"$path:wsl", u"\\\\WSL.LOCALHOST\\Ubuntu\\home\\ana\\x", u"/home/ana/x"},
        {u"$path:wsl", u"\\\\wsl$\\Ubuntu", u"/"},
        {u"$path:wsl", u"\\\\server\\share\\x", u"\\\\server\\share\\x"},
        {u"$path:wsl", u"\\\\?\\C:\\long\\x", u"/mnt/c/long/x"},
        {u"$folder:wsl", u"C:\\src\\app.py", u"/mnt/c/src/"},
        {u"$folder:wsl", u"\\\\server\\share\\x", u"\\\\server\\share\\"},
        {u"$path:msys", u"C:\\src\\app.py", u"/c/src/app.py"},
        {u"$path:msys", u"\\\\server\\share\\x", u"//server/share/x"},
        {u"$path:msys", u"\\\\wsl$\\Ubuntu\\home", u"//wsl$/Ubuntu/home"},
        {u"$path:msys", u"\\\\?\\UNC\\srv\\sh\\x", u"//srv/sh/x"},
        {u"$path:cygwin", u"C:\\src\\app.py", u"/cygdrive/c/src/app.py"},
        {u"$folder:cygwin", u"E:\\x", u"/cygdrive/e/"},
        {u"$path:cygwin", u"\\\\server\\share\\x", u"//server/share/x"},
        // Short names where the volume keeps them.
        {u"$path:short", u"C:\\Program Files\\Long Name.text", u"C:\\PROGRA~1\\LONGNA~1.TEX"},
        {u"$folder:short", u"C:\\Program Files\\Long Name.text", u"C:\\PROGRA~1\\"},
        {u"$name:short", u"C:\\Program Files\\Long Name.text", u"LONGNA~1.TEX"},
        {u"$ext:short", u"C:\\Program Files\\Long Name.text", u"TEX"},
        {u"$path:short", u"C:\\no short\\name.txt", u"C:\\no short\\name.txt"},
        // The path inside the working tree: forward slashes unless a separator tag says otherwise.
        {u"$repopath", u"C:\\src\\quillet\\src\\core\\menu\\CommandMenu.cpp",
         u"src/core/menu/CommandMenu.cpp"},
        {u"$repopath:backslash", u"C:\\src\\quillet\\src\\core\\x.h", u"src\\core\\x.h"},
        {u"$repopath:doublebackslash", u"C:\\src\\quillet\\src\\x.h", u"src\\\\x.h"},
        {u"$repopath", u"C:\\src\\quillet\\third\\lib\\x.c", u"x.c"},
        {u"$repopath", u"C:\\src\\quillet\\third\\lib", u"third/lib"},
        {u"$repopath", u"C:\\src\\quillet", u"C:/src/quillet"},
        {u"$repopath", u"C:\\elsewhere\\x.txt", u"C:/elsewhere/x.txt"},
    };
    ExpectRows(kUrlRows, PathStyle::Windows);
    ExpectRows(rows, PathStyle::Windows);
}

TEST(PathForms, PosixPathsOnlyBecomeUrls) {
    const FormRow rows[] = {
        {u"$path:url", u"/home/ana/a b#1.txt", u"file:///home/ana/a%20b%231.txt"},
        {u"$path:url", u"/home/ana/back\\slash", u"file:///home/ana/back%5Cslash"},
        {u"$path:url", u"/home/ana/raw\xDCFF", u"file:///home/ana/raw%FF"},
        {u"$folder:url", u"/home/ana/a b", u"file:///home/ana/"},
        {u"$name:url", u"/home/ana/a b", u"a%20b"},
        {u"$path:unc", u"/home/ana/x", u"/home/ana/x"},
        {u"$path:wsl", u"/home/ana/x", u"/home/ana/x"},
        {u"$folder:cygwin", u"/home/ana/x", u"/home/ana/"},
        {u"$path:short", u"/home/ana/Long Name.text", u"/home/ana/Long Name.text"},
        {u"$repopath", u"/home/ana/quillet/src/a.cpp", u"src/a.cpp"},
        {u"$repopath:url", u"/home/ana/quillet/a b", u"a%20b"},
        {u"$repopath", u"/tmp/x", u"/tmp/x"},
    };
    ExpectRows(rows, PathStyle::Posix);
}

TEST(PathForms, TagsOnlyWhereTheyMeanSomething) {
    for (const std::u16string_view format : {u"$name:unc", u"$ext:wsl", u"$namenoext:cygwin",
                                             u"$repopath:short", u"$repopath:msys", u"$size:url"}) {
        const auto parsed =
            ParseItemFormat(FormatCursor(format), EscapeMode::FullEscapes, FormatPlacement::Alone);
        EXPECT_FALSE(parsed.Valid()) << test::Printable(format);
    }
}

TEST(PathForms, OneCopyAsksEachDriveAndFolderOnce) {
    const FakeQueries queries;
    PathLookups lookups(PathStyle::Windows, queries);
    for (int i = 0; i < 500; ++i) {
        Render(u"$path:unc", u"Z:\\Projects\\plan.docx", lookups);
        Render(u"$path:url", u"D:\\x.txt", lookups);
        Render(u"$repopath", u"C:\\src\\quillet\\src\\core\\a.cpp", lookups);
        Render(u"$repopath", u"C:\\src\\quillet\\src\\b.cpp", lookups);
    }
    // Z: and D:, each asked for its substitution and its mapping.
    EXPECT_EQ(queries.driveQuestions, 4);
    // C:\src\quillet\src\core, C:\src\quillet\src, C:\src\quillet: then the second folder is known.
    EXPECT_EQ(queries.gitQuestions, 3);

    // The next copy asks again: a drive may have been mapped meanwhile.
    PathLookups nextCopy(PathStyle::Windows, queries);
    Render(u"$path:unc", u"Z:\\Projects\\plan.docx", nextCopy);
    EXPECT_EQ(queries.driveQuestions, 6);
}

// Python's pathlib, written independently of ours, agrees on the file URL of every full path of
// kUrlRows. Runs where Python is installed (the native build).
TEST(PathForms, UrlsAgreeWithPython) {
#ifndef QUILLET_PYTHON
    GTEST_SKIP() << "no Python in this build";
#else
    if (!std::filesystem::exists(QUILLET_PYTHON)) {
        GTEST_SKIP() << QUILLET_PYTHON << " is missing";
    }
    const test::TempFolder folder;
    const std::filesystem::path input = folder.Root() / "paths.txt";
    {
        std::ofstream out(input, std::ios::binary);
        for (const FormRow& row : kUrlRows) {
            out << Utf16ToUtf8(row.path) << '\n';
        }
    }
    const std::string command = std::string(QUILLET_PYTHON) +
                                " -c \"import sys, pathlib\n"
                                "for line in open(sys.argv[1], encoding='utf-8'):\n"
                                "    print(pathlib.PureWindowsPath(line.rstrip('\\n')).as_uri())\" '" +
                                input.string() + "'";
    std::FILE* python = popen(command.c_str(), "r");
    ASSERT_NE(python, nullptr);
    std::string output;
    char chunk[4096];
    while (const std::size_t read = std::fread(chunk, 1, sizeof chunk, python)) {
        output.append(chunk, read);
    }
    ASSERT_EQ(pclose(python), 0) << output;
    std::size_t start = 0;
    for (const FormRow& row : kUrlRows) {
        const std::size_t end = output.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "Python gave fewer lines than paths";
        EXPECT_EQ(output.substr(start, end - start), Utf16ToUtf8(row.expected)) << test::Printable(row.path);
        start = end + 1;
    }
#endif
}

#ifdef _WIN32
std::u16string Wide(const wchar_t* text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

// A drive letter that nothing uses, for a subst drive of the test's own.
std::u16string FreeDrive() {
    const DWORD used = GetLogicalDrives();
    for (int letter = 'Q'; letter <= 'Y'; ++letter) {
        if ((used & (1u << (letter - 'A'))) == 0) {
            return {static_cast<char16_t>(letter), u':'};
        }
    }
    return {};
}

// The real system's answers: mapped drives and shares are faked in front of them, as this system has
// none, while substitution and short names are the system's own.
class FakeNetwork : public MPathQueries {
  public:
    explicit FakeNetwork(std::u16string sharedFolder) : sharedFolder_(std::move(sharedFolder)) {}
    std::optional<std::u16string> MappedDrivePath(char16_t letter) const override {
        return letter == u'M' ? std::optional<std::u16string>(u"\\\\fileserver\\teams") : std::nullopt;
    }
    std::vector<platform::LocalShare> LocalShares() const override { return {{u"Work", sharedFolder_}}; }

  private:
    std::u16string sharedFolder_;
};

TEST(PathForms, Win32AnswersOfTheSystem) {
    const test::TempFolder folder;
    const std::u16string file = folder.WriteFile(u"Long Folder Name\\a file with spaces.text", 1);
    wchar_t shortName[1024] = {};
    ASSERT_NE(GetShortPathNameW(reinterpret_cast<const wchar_t*>(file.c_str()), shortName, 1024), 0u);
    PathLookups lookups;
    EXPECT_EQ(test::Printable(Render(u"$path:short", file, lookups)), test::Printable(Wide(shortName)));
    EXPECT_EQ(test::Printable(Render(u"$name:short", file, lookups)),
              test::Printable(Wide(shortName).substr(Wide(shortName).rfind(u'\\') + 1)));
    EXPECT_EQ(test::Printable(Render(u"$path:short", file + u"x", lookups)), test::Printable(file + u"x"));
    // A local drive that is neither substituted nor mapped, with nothing shared, stays as it is.
    EXPECT_EQ(test::Printable(Render(u"$path:unc", u"C:\\windows\\win.ini", lookups)),
              "C:\\windows\\win.ini");

    // A subst drive (what subst does) stands for its folder, here a shared one.
    const std::u16string drive = FreeDrive();
    ASSERT_FALSE(drive.empty());
    const std::u16string target = folder.PathOf(u"Long Folder Name");
    ASSERT_TRUE(DefineDosDeviceW(0, reinterpret_cast<const wchar_t*>(drive.c_str()),
                                 reinterpret_cast<const wchar_t*>(target.c_str())));
    const std::unique_ptr<const char16_t, void (*)(const char16_t*)> substituted(
        drive.c_str(), [](const char16_t* d) {
            DefineDosDeviceW(DDD_REMOVE_DEFINITION, reinterpret_cast<const wchar_t*>(d), nullptr);
        });
    PathLookups afterSubst;
    EXPECT_EQ(test::Printable(Render(u"$path:unc", drive + u"\\x y.txt", afterSubst)),
              test::Printable(target + u"\\x y.txt"));
    const FakeNetwork network(folder.PathOf(u""));
    PathLookups shared(PathStyle::Windows, network);
    ASSERT_FALSE(platform::ComputerName().empty());
    const std::u16string expected = u"\\\\" + platform::ComputerName() + u"\\Work\\Long Folder Name\\x y.txt";
    EXPECT_EQ(test::Printable(Render(u"$path:unc", drive + u"\\x y.txt", shared)), test::Printable(expected));
    EXPECT_EQ(test::Printable(Render(u"$path:url", u"M:\\plan #2.docx", shared)),
              "file://fileserver/teams/plan%20%232.docx");
}
#endif

}  // namespace
}  // namespace quillet
