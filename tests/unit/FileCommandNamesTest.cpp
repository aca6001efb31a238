#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/FileCommandNames.h"

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

TEST(FileCommandNames, KeepExtensionName) {
    struct Row {
        std::u16string_view oldPath;
        std::u16string_view clipboard;
        std::u16string_view name;
    };
    const Row rows[] = {
        {u"C:\\Docs\\a.txt", u"Report 2024", u"Report 2024.txt"},
        {u"C:\\Docs\\a.txt", u"Report.final.docx", u"Report.final.txt"},
        {u"C:\\Docs\\README", u"notes.md", u"notes"},
        {u"C:\\Docs\\a.txt", u".md", u".txt"},
        {u"C:\\Docs\\my.dir", u"projects", u"projects.dir"},
        {u"C:\\Docs.old\\README", u"notes", u"notes"},
        {u"C:\\Docs\\archive.tar.gz", u"backup", u"backup.gz"},
        {u"C:\\Docs\\.profile", u"settings", u"settings.profile"},
        {u"a.txt", u"b.doc", u"b"},
    };
    for (const Row& row : rows) {
        const std::u16string oldPath = Native(row.oldPath);
        EXPECT_TRUE(KeepExtensionName(oldPath, row.clipboard) == row.name)
            << Printable(row.oldPath) << " + " << Printable(row.clipboard) << " gave "
            << Printable(KeepExtensionName(oldPath, row.clipboard));
    }
}

TEST(FileCommandNames, RenameDestination) {
    const std::u16string folder = Native(u"C:\\Docs\\");
    const std::u16string longFolder = Native(u"C:\\") + Repeated(u'f', 240) + Native(u"\\");
    struct Row {
        const char* what;
        std::u16string oldPath;
        std::u16string newName;
        std::optional<std::u16string> destination;
    };
    const Row rows[] = {
        {"same folder", folder + u"a.doc", u"b.txt", folder + u"b.txt"},
        {"no separator", u"a.doc", u"b.txt", u"b.txt"},
        {"fits exactly", longFolder + u"a", Repeated(u'n', 259 - longFolder.size()),
         longFolder + Repeated(u'n', 259 - longFolder.size())},
        {"one past the buffer", longFolder + u"a", Repeated(u'n', 260 - longFolder.size()), std::nullopt},
        {"source past the buffer", longFolder + Repeated(u's', 20), u"b", std::nullopt},
        {"empty name", folder + u"README", u"", std::nullopt},
        {"the folder itself", folder + u"a.doc", u".", std::nullopt},
        {"the folder above", folder + u"a.doc", u"..", std::nullopt},
        {"only dots", folder + u"a.doc", u"...", std::nullopt},
        {"only dots and spaces", folder + u"a.doc", u" . ", std::nullopt},
        {"a name ending in a dot", folder + u"a.doc", u"b.", folder + u"b."},
        {"text after a terminator", folder + u"a.doc", std::u16string(u"b\0..", 4), std::nullopt},
        {"into another folder", folder + u"a.doc", Native(u"..\\x"), std::nullopt},
    };
    for (const Row& row : rows) {
        const auto destination = RenameDestination(row.oldPath, row.newName);
        ASSERT_EQ(destination.has_value(), row.destination.has_value()) << row.what;
        if (destination) {
            EXPECT_TRUE(*destination == *row.destination) << row.what << ": " << Printable(*destination);
        }
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
