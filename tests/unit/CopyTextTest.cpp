#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/copy/CopyText.h"
#include "core/format/ItemFormat.h"

namespace quillet {
namespace {

using test::Native;
using test::Printable;

// A command's copy format as the shell extension reads it: an item format in the full escape mode
// and the joining texts.
struct FormatRow {
    std::u16string_view itemFormat;
    std::u16string_view separator;
    std::u16string_view start;
    std::u16string_view end;
    bool newlineAtEnd;
};

CopyFormat MakeFormat(const FormatRow& row) {
    ParsedItemFormat parsed = ParseItemFormat(FormatCursor(row.itemFormat), EscapeMode::FullEscapes,
                                              FormatPlacement::InCommandLine);
    EXPECT_TRUE(parsed.Valid()) << Printable(parsed.error);
    CopyFormat format;
    format.parts = std::move(parsed.parts);
    // Separators, start and end texts are read with the same escapes.
    const auto decode = [](std::u16string_view text) {
        FormatCursor at(text);
        return ReadRun(at, u"", EscapeMode::FullEscapes);
    };
    format.itemSeparator = decode(row.separator);
    format.startText = decode(row.start);
    format.endText = decode(row.end);
    format.newlineAtEnd = row.newlineAtEnd;
    return format;
}

TEST(CopyText, ExactTextOfBuiltInAndUserDefinedCopies) {
    test::TempFolder temp;
    const std::u16string a = temp.WriteFile(u"a.txt", 3);
    const std::u16string b = temp.WriteFile(u"b.txt", 1500);
    const std::u16string c = temp.WriteFile(u"c.txt", 0);
    const std::u16string data = temp.MakeFolder(u"Data");
    const std::u16string gone = temp.PathOf(u"gone.txt");

    struct Row {
        const char* what;
        std::vector<std::u16string> paths;
        CopyFormat format;
        std::u16string expected;
    };
    Row rows[] = {
        {"built-in, one file: no line break", {a}, MakeDefaultCopyFormat(PathComponent::Name), u"a.txt"},
        {"built-in, two files: CR LF after each",
         {a, b},
         MakeDefaultCopyFormat(PathComponent::Name),
         u"a.txt\r\nb.txt\r\n"},
        {"built-in with SHIFT: full paths as they are",
         {a, b},
         MakeDefaultCopyFormat(PathComponent::Path),
         a + u"\r\n" + b + u"\r\n"},
        {"quoted paths joined",
         {a, b},
         MakeFormat({u"'$path'", u", ", u"", u"", false}),
         u"'" + a + u"', '" + b + u"'"},
        {"wrapped, one file", {a}, MakeFormat({u"$name", u", ", u"(", u")", false}), u"(a.txt)"},
        {"wrapped, three files",
         {a, b, c},
         MakeFormat({u"$name", u", ", u"(", u")", false}),
         u"(a.txt, b.txt, c.txt)"},
        {"wrapped, three files, newline flag",
         {a, b, c},
         MakeFormat({u"$name", u", ", u"(", u")", true}),
         u"(a.txt, b.txt, c.txt\r\n)"},
        {"wrapped, one file, newline flag: no line break",
         {a},
         MakeFormat({u"$name", u", ", u"(", u")", true}),
         u"(a.txt)"},
        {"separator \\r\\n gives CR CR LF",
         {a, b},
         MakeFormat({u"$name", u"\\r\\n", u"", u"", false}),
         u"a.txt\r\r\nb.txt"},
        {"separator \\n gives CR LF",
         {a, b},
         MakeFormat({u"$name", u"\\n", u"", u"", false}),
         u"a.txt\r\nb.txt"},
        {"a folder is one item without a size",
         {data, a},
         MakeFormat({u"$name=$size", u";", u"", u"", false}),
         u"Data=;a.txt=3"},
        {"paths gone: start and end texts only",
         {gone},
         MakeFormat({u"$name", u", ", u"<", u">", true}),
         u"<>"},
        {"paths gone, no texts: empty", {gone}, MakeDefaultCopyFormat(PathComponent::Name), u""},
        {"a gone path is left out",
         {a, gone, b},
         MakeFormat({u"$name", u"|", u"", u"", false}),
         u"a.txt|b.txt"},
        {"literal line feed in the item format",
         {a, c},
         MakeFormat({u"$name\\n", u"", u"", u"", false}),
         u"a.txt\r\nc.txt\r\n"},
    };
    for (const Row& row : rows) {
        TextBuffer buffer;
        RenderPaths(row.paths, row.format, buffer);
        EXPECT_EQ(Printable(buffer.View()), Printable(row.expected)) << row.what;
    }
}

TEST(CopyText, RenderSelectionReplacesTheBufferAndFollowsTheFlatOrder) {
    ItemSelection selection;
    selection.Add(std::make_unique<FileCFItem>(Native(u"C:\\x\\b.txt"), ItemStamps{}, 1));
    selection.Add(std::make_unique<FileCFItem>(Native(u"C:\\x\\a.txt"), ItemStamps{}, 2));
    selection.Flatten();
    std::swap(selection.Flat()[0], selection.Flat()[1]);
    TextBuffer buffer;
    buffer.AppendText(u"old text");
    RenderSelection(selection, MakeDefaultCopyFormat(PathComponent::Name), buffer);
    EXPECT_EQ(Printable(buffer.View()), "a.txt\r\nb.txt\r\n");
}

}  // namespace
}  // namespace quillet
