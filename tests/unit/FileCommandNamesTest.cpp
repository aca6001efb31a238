#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/menu/FileCommandNames.h"

namespace quillet {
namespace {

using test::Native;
using test::Printable;

std::u16string Repeated(char16_t c, std::size_t count) {
    return std::u16string(count, c);
}

TEST(FileCommandNames, NewNameInTextScansAtMostOneNameAndItsTerminator) {
    struct Row {
        const char* what;
        std::u16string memory;  // what the clipboard's memory holds, terminators included
        std::size_t capacity;
        std::optional<std::u16string> name;
    };
    std::u16string longest = Repeated(u'a', 259);
    std::u16string tooLong = Repeated(u'a', 260);
    const Row rows[] = {
        {"plain", std::u16string(u"b.txt\0", 6), 6, u"b.txt"},
        {"longest", longest + u'\0', 260, longest},
        {"one too many", tooLong + u'\0', 261, std::nullopt},
        {"no terminator within the memory", u"b.txt", 5, std::nullopt},
        {"empty", std::u16string(1, u'\0'), 1, std::nullopt},
        {"line break at the end", std::u16string(u"b.txt\r\n\0", 8), 8, std::nullopt},
        {"backslash", std::u16string(u"..\\x\0", 5), 5, std::nullopt},
        {"text after the terminator is not read", std::u16string(u"b\0\\\\", 4), 4, u"b"},
        {"no memory", u"", 0, std::nullopt},
    };
    for (const Row& row : rows) {
        const auto name = NewNameInText(row.memory.data(), row.capacity);
        ASSERT_EQ(name.has_value(), row.name.has_value()) << row.what;
        if (name) {
            EXPECT_TRUE(*name == *row.name) << row.what;
        }
    }
    EXPECT_FALSE(NewNameInText(nullptr, 10));
}

TEST(FileCommandNames, PasteDestination) {
    const std::u16string folder = Native(u"C:\\Docs\\");
    const std::u16string longFolder = Native(u"C:\\") + Repeated(u'f', 240) + Native(u"\\");
    const std::u16string fits = Repeated(u'n', 259 - longFolder.size());
    constexpr PasteName plain = PasteName::AsItStands;
    constexpr PasteName keep = PasteName::KeepingExtension;
    struct Row {
        const char* what;
        std::u16string oldPath;
        std::u16string clipboard;
        PasteName how;
        std::optional<std::u16string> destination;
    };
    const Row rows[] = {
        {"plain", folder + u"a.doc", u"b.txt", plain, folder + u"b.txt"},
        {"keep", folder + u"a.txt", u"Report.final.docx", keep, folder + u"Report.final.txt"},
        {"keep: a folder with a dot", folder + u"my.dir", u"projects", keep, folder + u"projects.dir"},
        {"keep: only an extension", folder + u"a.txt", u".md", keep, folder + u".txt"},
        {"a name the shell would read without its dot", folder + u"a.doc", u"b.", plain, std::nullopt},
        {"a name the shell would read without its space", folder + u"a.doc", u"b ", plain, std::nullopt},
        {"keep: an item the shell would read without its dot", folder + u"\U0001D11E.", u"x", keep,
         std::nullopt},
        {"non-BMP names", folder + u"\U0001D11E.txt", u"\U0001D120.md", keep, folder + u"\U0001D120.txt"},
        {"fits exactly", longFolder + u"a", fits, plain, longFolder + fits},
        {"one past the buffer", longFolder + u"a", fits + u"n", plain, std::nullopt},
        {"keep: the extension does not fit", longFolder + u"a.txt", fits, keep, std::nullopt},
        {"into another folder", folder + u"a.doc", u"..\\x", plain, std::nullopt},
        {"keep: into another folder", folder + u"a.doc", u"..\\x", keep, std::nullopt},
        {"line break", folder + u"a.doc", u"b.txt\n", plain, std::nullopt},
        {"the folder itself", folder + u"a.doc", u".", plain, std::nullopt},
        {"the folder above", folder + u"a.doc", u"..", plain, std::nullopt},
        {"only dots", folder + u"a.doc", u"...", plain, std::nullopt},
        {"only dots and spaces", folder + u"a.doc", u" . ", plain, std::nullopt},
        {"keep: becomes empty", folder + u"README", u".md", keep, std::nullopt},
        {"keep: becomes the folder itself", folder + u"README", u"..md", keep, std::nullopt},
        {"keep: dots before the extension", folder + u"a.doc", u"...", keep, folder + u"...doc"},
        {"text after a terminator", folder + u"a.doc", std::u16string(u"b\0..", 4), plain, std::nullopt},
    };
    for (const Row& row : rows) {
        const auto destination = PasteDestination(row.oldPath, row.clipboard, row.how);
        EXPECT_EQ(destination.has_value(), row.destination.has_value()) << row.what;
        if (destination && row.destination) {
            EXPECT_EQ(Printable(*destination), Printable(*row.destination)) << row.what;
        }
    }
}

TEST(FileCommandNames, ThePasteMovesOnlyOntoNothingOrTheItemItself) {
    const std::u16string item = Native(u"C:\\Docs\\report.txt");
    struct Row {
        const char* what;
        std::u16string destination;
        bool exists;
        bool isSource;
        bool moves;
    };
    const Row rows[] = {
        {"a free name", Native(u"C:\\Docs\\b.txt"), false, false, true},
        {"another item", Native(u"C:\\Docs\\b.txt"), true, false, false},
        {"another item with the name in another case", Native(u"C:\\Docs\\REPORT.txt"), true, false, false},
        {"the item in another case", Native(u"C:\\Docs\\Report.TXT"), true, true, true},
        {"the same name", item, true, true, false},
        {"another name of the same file (a link)", Native(u"C:\\Docs\\b.txt"), true, true, false},
        {"another case, beyond A-Z", Native(u"C:\\Docs\\report.txt\u00C9"), true, true, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MayMoveTo(item, row.destination, row.exists, row.isSource), row.moves) << row.what;
    }
}

TEST(FileCommandNames, HowTheShellAddressesAPath) {
    constexpr ShellAddress normal = ShellAddress::Normal;
    constexpr ShellAddress literal = ShellAddress::Literal;
    constexpr ShellAddress none = ShellAddress::None;
    struct Row {
        const char* what;
        std::u16string path;
        ShellAddress address;
    };
    const Row rows[] = {
        {"a plain path", Native(u"C:\\Docs\\a.doc"), normal},
        {"a drive root", Native(u"C:\\"), normal},
        {"a server share", Native(u"\\\\server\\share\\a b.doc"), normal},
        {"non-BMP names", Native(u"C:\\\U0001D11E\\\U0001D120.txt"), normal},
        {"the longest", Native(u"C:\\") + Repeated(u'a', 256), normal},
        {"one too long", Native(u"C:\\") + Repeated(u'a', 257), none},
        {"a name ending in a dot", Native(u"C:\\Docs\\report."), literal},
        {"a name ending in a space", Native(u"C:\\Docs\\notes "), literal},
        {"a folder ending in a dot", Native(u"C:\\Docs.\\a.doc"), literal},
        {"a non-BMP name ending in dots", Native(u"C:\\\U0001D11E.."), literal},
        {"the longest ending in a dot", Native(u"C:\\") + Repeated(u'a', 255) + u".", literal},
        {"a folder part that names the folder above", Native(u"C:\\Docs\\..\\report."), none},
        {"the literal form", u"\\\\?\\C:\\Docs\\a.doc", none},
        {"empty", u"", none},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ShellAddressOf(row.path), row.address) << row.what;
    }
}

TEST(FileCommandNames, ProgramBesideModule) {
    const std::u16string longFolder =
        Native(u"C:\\") + Repeated(u'f', 259 - 4 - kConfigureProgramName.size());
    struct Row {
        const char* what;
        std::u16string modulePath;
        std::optional<std::u16string> program;
    };
    const Row rows[] = {
        {"module folder", Native(u"C:\\Program Files\\Quillet\\ScrivelShExt.dll"),
         Native(u"C:\\Program Files\\Quillet\\ScrivelPrefs.exe")},
        {"no separator", u"ScrivelShExt.dll", std::nullopt},
        {"fits exactly", longFolder + Native(u"\\x.dll"), longFolder + Native(u"\\ScrivelPrefs.exe")},
        {"one past the limit", longFolder + Native(u"f\\x.dll"), std::nullopt},
    };
    for (const Row& row : rows) {
        const auto program = ProgramBesideModule(row.modulePath, kConfigureProgramName);
        ASSERT_EQ(program.has_value(), row.program.has_value()) << row.what;
        if (program) {
            EXPECT_TRUE(*program == *row.program) << row.what << ": " << Printable(*program);
        }
    }
}

}  // namespace
}  // namespace quillet
