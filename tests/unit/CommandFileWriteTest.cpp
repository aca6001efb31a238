// The command file on disk: reading files of any content, saving without ever losing the old file,
// the round trip between the writer and both readings, and the file's locations.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>
#endif

#include "TestSupport.h"
#include "core/commands/CommandFile.h"
#include "core/messages/Messages.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Utf.h"
#include "platform/WriteBudget.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
constexpr EscapeMode kShell = EscapeMode::FullEscapes;
constexpr EscapeMode kEditor = EscapeMode::EditorEscapes;

std::string ReadBytes(const std::u16string& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::u16string& path, std::string_view bytes) {
    std::ofstream out(fs::path(path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::size_t EntriesIn(const fs::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

CommandList Load(const std::u16string& path, EscapeMode mode, std::u16string* log = nullptr) {
    CommandFileReading reading = ReadCommandFile(path, mode);
    if (log) {
        *log += reading.errorLog;
    }
    return std::move(reading.list);
}

// The fields that the configuration program edits.
std::string Fields(const Command& command) {
    const CopyFormat& f = command.format;
    return test::Printable(command.name) + "|" + std::to_string(static_cast<int>(command.type)) + "|" +
           test::Printable(f.formatText) + "|" + test::Printable(f.itemSeparator) + "|" +
           test::Printable(f.startText) + "|" + test::Printable(f.endText) + "|" +
           (f.newlineAtEnd ? "1" : "0") + "|" + test::Printable(f.errorText);
}

// What a command does for the shell extension: its name, type and texts, and its format rendered for
// a fixed item.
std::string Meaning(const Command& command) {
    const FileCFItem item(test::Native(u"C:\\Dir\\Report v2.txt"), ItemStamps{}, 2048);
    TextBuffer rendered;
    PathLookups lookups;
    command.format.RenderItem(item, rendered, lookups);
    return Fields(command) + "|" + test::Printable(rendered.View());
}

template <typename Describe>
std::vector<std::string> DescribeAll(const CommandList& list, Describe describe) {
    std::vector<std::string> out;
    for (const Command& command : list) {
        out.push_back(describe(command));
    }
    return out;
}

// Command files as other programs leave them: what the shell extension reads, the encoding that
// quillet check reports, and what the configuration program writes when saved without an edit (the
// same bytes unless given).
TEST(CommandFileRead, ReadsEveryEncodingAndKeepsEveryLine) {
    using namespace std::string_literals;
    struct Row {
        const char* what;
        std::string bytes;
        std::vector<std::string> shell;  // Fields() of the shell extension's commands
        std::u16string_view encoding;
        std::optional<std::string> saved;
    };
    const std::string bom = "\xEF\xBB\xBF";
    const std::string longLine = "Long:$name[]" + std::string(9000, 'x') + "\r\n";
    const Row rows[] = {
        {"empty file", "", {}, u"UTF-8", std::nullopt},
        {"byte order mark alone", bom, {}, u"UTF-8 with byte order mark", std::nullopt},
        {"byte order mark, CR LF lines",
         bom + "A:%QUILLET\r\nB:%OPTIONS\r\n",
         {"A|0|||||0|", "B|4|||||0|"},
         u"UTF-8 with byte order mark",
         std::nullopt},
        {"no byte order mark, no last line end",
         "A:%QUILLET\nB:%OPTIONS",
         {"A|0|||||0|", "B|4|||||0|"},
         u"UTF-8",
         std::nullopt},
        {"comments, empty and rejected lines in place",
         "; mine\r\n\r\nno colon\r\nA:%QUILLET\r\n  ;x\r\nL:%quillet\r\nF:$nope[]\r\n; end\r\n\r\n",
         {"A|0|||||0|"},
         u"UTF-8",
         std::nullopt},
        {"a line of 9,000 characters", longLine + "A:%QUILLET\r\n", {"A|0|||||0|"}, u"UTF-8", std::nullopt},
        {"fields that cannot be parsed stay as typed",
         "Unclosed:$name[\nEsc:$name\\x[\\q]\\\n",
         {"Unclosed|7|||||0|", "Esc|7||\\q|\\||0|"},
         u"UTF-8",
         std::nullopt},
        {"carriage returns alone end lines",
         "A:%QUILLET\rB:%OPTIONS\r",
         {"A|0|||||0|", "B|4|||||0|"},
         u"UTF-8",
         std::nullopt},
        {"a zero byte cuts no line",
         "A:%QUI\0LLET\r\nB:%OPTIONS\r\n\0\r\nC:%QUILLET"s,
         {"B|4|||||0|", "C|0|||||0|"},
         u"UTF-8",
         std::nullopt},
        {"malformed UTF-8 after the mark becomes U+FFFD",
         bom + "A\xFF\xC3:%QUILLET\nB\xE2\x82:%OPTIONS",
         {"A\xEF\xBF\xBD\xEF\xBF\xBD|0|||||0|", "B\xEF\xBF\xBD|4|||||0|"},
         u"UTF-8 with byte order mark, with bytes that are not valid in it (read as the replacement "
         u"character "
         u"\uFFFD)",
         bom + "A\xEF\xBF\xBD\xEF\xBF\xBD:%QUILLET\nB\xEF\xBF\xBD:%OPTIONS"},
        {"UTF-16 LE (Notepad's Unicode)",
         "\xFF\xFE"
         "A\0:\0%\0Q\0U\0I\0L\0L\0E\0T\0\r\0\n\0\xE9\0:\0%\0O\0P\0T\0I\0O\0N\0S\0"s,
         {"A|0|||||0|", "\xC3\xA9|4|||||0|"},
         u"UTF-16 LE",
         bom + "A:%QUILLET\r\n\xC3\xA9:%OPTIONS"},
        {"UTF-16 BE",
         "\xFE\xFF\0A\0:\0%\0Q\0U\0I\0L\0L\0E\0T\0\r"s,
         {"A|0|||||0|"},
         u"UTF-16 BE",
         bom + "A:%QUILLET\r"},
        {"UTF-16 with an odd byte and a lone surrogate",
         "\xFF\xFE"
         "A\0\x00\xD8:\0%\0O\0P\0T\0I\0O\0N\0S\0\n\0x"s,
         {"A\xEF\xBF\xBD|4|||||0|"},
         u"UTF-16 LE, with bytes that are not valid in it (read as the replacement character \uFFFD)",
         bom + "A\xEF\xBF\xBD:%OPTIONS\n\xEF\xBF\xBD"},
    };
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    for (const Row& row : rows) {
        WriteBytes(path, row.bytes);
        const CommandList shell = Load(path, kShell);
        EXPECT_EQ(DescribeAll(shell, Fields), row.shell) << row.what;
        EXPECT_EQ(test::Printable(EncodingName(shell.form)), test::Printable(row.encoding)) << row.what;
        std::u16string error;
        ASSERT_TRUE(SaveCommandFile(path, Load(path, kEditor), error)) << row.what;
        EXPECT_EQ(ReadBytes(path), row.saved.value_or(row.bytes)) << row.what;
        EXPECT_EQ(DescribeAll(Load(path, kShell), Meaning), DescribeAll(shell, Meaning)) << row.what;
    }
    // Nothing to read: a missing file, a folder, an empty path.
    EXPECT_TRUE(Load(folder.PathOf(u"missing.txt"), kShell).empty());
    EXPECT_TRUE(Load(folder.PathOf(u""), kShell).empty());
    EXPECT_TRUE(Load(u"", kShell).empty());
}

// Bytes that are not UTF-8 and have no byte order mark are in the system's ANSI code page.
TEST(CommandFileRead, ReadsTheAnsiCodePage) {
    if (platform::AnsiCodePage() != 1252) {
        GTEST_SKIP() << "the system's ANSI code page is " << platform::AnsiCodePage() << ", not 1252";
    }
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    WriteBytes(path, "Caf\xE9 Men\xFC \x80\x81:%QUILLET\r\n");
    const CommandList shell = Load(path, kShell);
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].name, u"Caf\u00E9 Men\u00FC \u20AC\u0081");
    EXPECT_EQ(EncodingName(shell.form), u"ANSI code page 1252");
    std::u16string error;
    ASSERT_TRUE(SaveCommandFile(path, Load(path, kEditor), error));
    EXPECT_EQ(ReadBytes(path),
              "\xEF\xBB\xBF"
              "Caf\xC3\xA9 Men\xC3\xBC \xE2\x82\xAC\xC2\x81:%QUILLET\r\n");
}

TEST(CommandFileRead, Ignores4GiBFileWithoutReadingIt) {
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    WriteBytes(path, "A:%QUILLET\r\n");
    // Sparse where the file system allows: no 4 GiB are written.
    fs::resize_file(fs::path(path), kMaxCommandFileSize);
    EXPECT_TRUE(Load(path, kShell).empty());
    fs::resize_file(fs::path(path), 12);
    EXPECT_EQ(Load(path, kShell).size(), 1u);
}

// Each row starts from a default list; the user's file, when there is one, is what the row writes.
TEST(CommandFileRead, SaysWhyThereIsNoListAndReadsTheUsersFileElseTheDefault) {
    struct Row {
        const char* what;
        std::function<void(const CommandFilePaths&)> prepare;
        CommandFileStatus status;
        bool fromUser;
        std::string names;  // and the rejected lines' count
    };
    const Row rows[] = {
        {"no user's file", [](const CommandFilePaths&) {}, CommandFileStatus::Read, false, "Default;0"},
        {"a user's file in UTF-16 with a rejected line",
         [](const CommandFilePaths& f) {
             std::string bytes = "\xFF\xFE";
             for (const char c : std::string_view("M:%QUILLET\nx")) {
                 bytes += {c, '\0'};
             }
             WriteBytes(f.user, bytes);
         },
         CommandFileStatus::Read, true, "M;1"},
        {"a user's file that cannot be read: not the default list",
         [](const CommandFilePaths& f) { fs::create_directory(fs::path(f.user)); },
         CommandFileStatus::Unreadable, true, ";0"},
        {"no file at all", [](const CommandFilePaths& f) { fs::remove(fs::path(f.defaults)); },
         CommandFileStatus::Missing, false, ";0"},
    };
    for (const Row& row : rows) {
        test::TempFolder folder;
        const CommandFilePaths files{folder.PathOf(u"user.txt"), folder.PathOf(u"default.txt")};
        WriteBytes(files.defaults, "Default:%QUILLET\r\n");
        row.prepare(files);
        const CommandFileReading reading = ReadCommandFileInUse(files, kShell);
        EXPECT_EQ(reading.status, row.status) << row.what;
        EXPECT_EQ(reading.path, row.fromUser ? files.user : files.defaults) << row.what;
        std::string names;
        for (const Command& command : reading.list) {
            names += Utf16ToUtf8(command.name);
        }
        names += ";" + std::to_string(std::count(reading.errorLog.begin(), reading.errorLog.end(), u'\n'));
        EXPECT_EQ(names, row.names) << row.what;
        EXPECT_EQ(reading.status == CommandFileStatus::Read, reading.errorCode == 0) << row.what;
    }
    EXPECT_EQ(ReadCommandFile(u"", kShell).status, CommandFileStatus::Missing) << "no folder for it";
}

// A line of the corpus: the configuration program reads it, saves it and reads it again.
struct RoundTripRow {
    std::u16string_view line;
    std::string normalised;  // the fields after the save where they differ from the first reading
};

// n copies of a piece of text.
std::u16string Repeat(std::u16string_view piece, std::size_t n) {
    std::u16string text;
    for (std::size_t i = 0; i < n; ++i) {
        text += piece;
    }
    return text;
}

TEST(CommandFileWrite, RoundTripKeepsFieldsAndMeaning) {
    // Fields near the 1024 characters of a run as the shell extension counts them: each "\t", "\n",
    // "\\", "\$" or "\]" is one character there but two in the configuration program's text.
    const std::u16string tabSeparator = u"Tabs:$name[" + Repeat(u"\\t", 600) + u"]S|E|1";
    const std::u16string breakStart = u"Breaks:$name[]" + Repeat(u"\\n", 1000) + u"|E|1";
    const std::u16string fullEnd = u"Full end:$name[]S|" + Repeat(u"\\$", 1024) + u"|1";
    const std::u16string fullStart = u"Full start:$name[]" + Repeat(u"\\\\", 1024) + u"|E|1";
    const std::u16string overSeparator = u"Over:$name[" + Repeat(u"\\]", 1025) + u"]S|E|1";
    const std::u16string overStart = u"Over start:$name[]" + Repeat(u"\\t", 1025) + u"|E|1";
    const std::u16string pairAtLimit = u"Pair:$name[]" + Repeat(u"s", 1023) + u"\\x|E|1";
    const RoundTripRow rows[] = {
        {tabSeparator, ""},
        {breakStart, ""},
        {fullEnd, ""},
        {fullStart, ""},
        {overSeparator, ""},
        {overStart, ""},
        {pairAtLimit, ""},
        {u"Copy &Names:%QUILLET", ""},
        {u"Opt:% OPTIONS ", ""},
        {u"A\\:B:$name[\\n]||1", ""},
        {u"Back\\\\slash\\x:$name[]", ""},
        {u"Dots \u00B7 and \u00E9\u4E2D\U0001F600:$name\u00B7$size[\u00B7]\u00B7|\u00B7", ""},
        {u"Escapes:$name\\t$size[\\n]Name\\tSize\\n|\\nEnd|1", ""},
        {u"Brackets:\\[$path\\]\\|[\\]\\[]\\[s|e\\|", ""},
        {u"Dollar:\\$$name[$][$]", ""},
        {u"Double:$name\\\\x[\\\\x]\\\\x", ""},
        // A backslash before a character that no reading decodes: the save doubles it, which the shell
        // extension reads as the same single backslash.
        {u"Other:$name\\x[\\x]\\q|\\z", "Other|7|$name\\\\x|\\\\x|\\\\q|\\\\z|0|"},
        {u"Flag one:$name[]S|E|1", ""},
        {u"Flag one space:$name[]S|E|1 ", ""},
        {u"Flag two:$name[]S|E|2", ""},
        {u"Empty end, flag:$name[]S||1", ""},
        {u"Lone:$name\\", "Lone|7|$name\\\\||||0|"},
        {u"Lone end:$name[]S|E\\", "Lone end|7|$name||S|E\\\\|0|"},
        {u"Percent later:$name%20[%]", ""},
        {u"Open:$name[, |end", ""},
        {u"Faulty:$nope[, ]", ""},
        {u"Colon name\\:x\\\\:$path:forwardslash;:[:]:", ""},
        {u"More:%SUBFOLDER", ""},
    };
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    for (const RoundTripRow& row : rows) {
        const std::string where = "line: " + test::Printable(row.line);
        CommandList editor;
        CommandList shell;
        std::u16string log;
        ParseCommandFileBytes(Utf16ToUtf8(row.line), kEditor, editor, log);
        ParseCommandFileBytes(Utf16ToUtf8(row.line), kShell, shell, log);
        ASSERT_EQ(editor.size(), 1u) << where;
        editor[0].readLine.clear();  // written from its fields, as after an edit

        std::u16string error;
        ASSERT_TRUE(SaveCommandFile(path, editor, error)) << test::Printable(error);
        const std::string expected = row.normalised.empty() ? Fields(editor[0]) : row.normalised;
        EXPECT_EQ(DescribeAll(Load(path, kEditor), Fields), std::vector<std::string>{expected}) << where;
        EXPECT_EQ(DescribeAll(Load(path, kShell), Meaning), DescribeAll(shell, Meaning)) << where;
    }
}

TEST(CommandFileRead, EditorKeepsTheLineAfterAnUnescapedBracket) {
    struct Row {
        std::u16string_view line;
        std::string fields;  // the configuration program's reading, without the error text
    };
    const Row rows[] = {
        {u"B:$name]x[, ]S|E|1", "B|7|$name]x|, |S|E|1"},
        {u"B:$name]\\[x\\]]y", "B|7|$name][x]]y||||0"},
        {u"B:]$name\\", "B|7|]$name\\||||0"},
        {u"B:$name][]|E", "B|7|$name]|||E|0"},
    };
    for (const Row& row : rows) {
        CommandList editor;
        std::u16string log;
        ParseCommandFileBytes(Utf16ToUtf8(row.line), kEditor, editor, log);
        ASSERT_EQ(editor.size(), 1u) << test::Printable(row.line);
        EXPECT_FALSE(editor[0].format.errorText.empty()) << test::Printable(row.line);
        const std::string fields = Fields(editor[0]);
        EXPECT_EQ(fields.substr(0, fields.rfind('|')), row.fields) << test::Printable(row.line);
    }
}

TEST(CommandFileWrite, WritesByteOrderMarkAndCrLfLines) {
    CommandList list;
    list.emplace_back(u"Copy").type = CommandType::Quillet;
    Command& user = list.emplace_back(u"Two\nLines");
    user.format.formatText = u"$name";
    user.format.itemSeparator = u"a\nb";  // a real line break must not split the line
    user.format.newlineAtEnd = true;
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    std::u16string error;
    ASSERT_TRUE(SaveCommandFile(path, list, error));
    EXPECT_EQ(ReadBytes(path),
              "\xEF\xBB\xBF"
              "Copy:%QUILLET\r\nTwoLines:$name[a\\nb]||1\r\n");

    ASSERT_TRUE(SaveCommandFile(path, CommandList{}, error));
    EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF");
    EXPECT_EQ(EntriesIn(folder.Root()), 1u);
}

// The start of a failure message: what failed, with the path, before the system's reason.
std::u16string FirstLine(std::u16string_view message) {
    return std::u16string(message.substr(0, message.find(u"': ")));
}

class WriteBudget {
  public:
    explicit WriteBudget(std::uint64_t bytes) { platform::SetWriteBudgetForTesting(bytes); }
    ~WriteBudget() { platform::SetWriteBudgetForTesting(std::nullopt); }
};

TEST(CommandFileWrite, FailedSaveLeavesOldFileUntouched) {
    struct Row {
        const char* what;
        std::u16string_view file;  // relative to the test folder
        std::optional<std::uint64_t> writeBudget;
        bool targetIsFolder;
        MessageId message;
    };
    const Row rows[] = {
        {"short write at the first byte", u"Cmds.txt", 0, false, MessageId::FailedToWriteFile},
        {"short write halfway", u"Cmds.txt", 100, false, MessageId::FailedToWriteFile},
        {"a folder in the way of the file", u"Cmds.txt", std::nullopt, true, MessageId::FailedToWriteFile},
        {"missing folder", u"Missing\\Cmds.txt", std::nullopt, false, MessageId::FailedToCreateFile},
    };
    CommandList list;
    for (int i = 0; i < 100; ++i) {
        list.emplace_back(u"Command").type = CommandType::Options;
    }
    for (const Row& row : rows) {
        test::TempFolder folder;
        const std::u16string path = folder.PathOf(row.file);
        const std::string old =
            "\xEF\xBB\xBF"
            "Old:%QUILLET\r\n";
        if (row.targetIsFolder) {
            folder.MakeFolder(row.file);
        } else if (fs::exists(fs::path(path).parent_path())) {
            WriteBytes(path, old);
        }
        const std::size_t entries = EntriesIn(folder.Root());

        std::u16string error;
        bool saved = false;
        if (row.writeBudget) {
            const WriteBudget budget(*row.writeBudget);
            saved = SaveCommandFile(path, list, error);
        } else {
            saved = SaveCommandFile(path, list, error);
        }
        EXPECT_FALSE(saved) << row.what;
        EXPECT_EQ(FirstLine(error), FirstLine(FormatMessageText(row.message, {path, 0, u""}))) << row.what;
        if (row.targetIsFolder) {
            EXPECT_TRUE(fs::is_directory(fs::path(path))) << row.what;
        } else if (fs::exists(fs::path(path).parent_path())) {
            EXPECT_EQ(ReadBytes(path), old) << row.what;
        }
        EXPECT_EQ(EntriesIn(folder.Root()), entries) << row.what << ": the temporary file is left behind";
    }
}

TEST(CommandFileWrite, SavesThroughALinkAndRemovesWhatKilledSavesLeft) {
    test::TempFolder folder;
    const std::u16string target = folder.PathOf(u"Synced\\Cmds.txt");
    const std::u16string link = folder.PathOf(u"Cmds.txt");
    // The file, and beside it what a killed save left, one of a running save (this process's), another's.
    const std::string running = "Cmds.txt." + std::to_string(platform::CurrentProcessId()) + "-7.tmp";
    for (const std::string name :
         {"Cmds.txt", "Cmds.txt.4000000000-7.tmp", running.c_str(), "Other.txt.4000000000-7.tmp"}) {
        folder.WriteFile(u"Synced\\" + Utf8ToUtf16(name), 1);
    }
    std::error_code noLinks;
    fs::create_symlink(fs::path(target), fs::path(link), noLinks);
    std::u16string error;
    ASSERT_TRUE(SaveCommandFile(noLinks ? target : link, CommandList{}, error)) << test::Printable(error);
    EXPECT_EQ(ReadBytes(target), "\xEF\xBB\xBF");
    EXPECT_EQ(EntriesIn(fs::path(target).parent_path()), 3u);  // the killed save's file is gone
    EXPECT_TRUE(fs::exists(fs::path(target).parent_path() / running));
    EXPECT_TRUE(noLinks || fs::is_symlink(fs::path(link))) << "the link became a plain file";
}

TEST(CommandFileWrite, RefusesLinesTheReaderWouldDrop) {
    const std::u16string face = u"\U0001F600";
    struct Row {
        const char* what;
        Command command;
        std::optional<MessageId> refusal;  // none: written, and read back by both programs
    };
    const auto user = [](std::u16string name, std::u16string format) {
        Command command(std::move(name));
        command.format.formatText = std::move(format);
        return command;
    };
    const auto builtIn = [](std::u16string name) {
        Command command(std::move(name));
        command.type = CommandType::Options;
        return command;
    };
    const auto text = [](std::u16string CopyFormat::*field, std::u16string value) {
        Command command(u"N");
        command.format.formatText = u"$name";
        command.format.*field = std::move(value);
        return command;
    };
    // "N:" + format + "[]" is the whole line.
    const Row rows[] = {
        {"name at the limit", builtIn(Repeat(u"n", 1024)), std::nullopt},
        {"name one over", builtIn(Repeat(u"n", 1025)), MessageId::NameTooLong},
        {"non-BMP name at the limit", builtIn(Repeat(face, 512)), std::nullopt},
        {"non-BMP name one over", builtIn(Repeat(face, 512) + u"n"), MessageId::NameTooLong},
        {"escaped colons count once", builtIn(Repeat(u":\\", 512)), std::nullopt},
        {"line breaks are not written", builtIn(u"\r\n" + Repeat(u"n", 1024)), std::nullopt},
        {"name beginning with a semicolon", builtIn(u";x"), MessageId::NameStartsComment},
        {"semicolon after a space", builtIn(u" ;x"), std::nullopt},
        {"line of 8191 characters", user(u"N", Repeat(u"a", 8182) + u"$name"), std::nullopt},
        {"line of 8192 characters", user(u"N", Repeat(u"a", 8183) + u"$name"), MessageId::LineTooLong},
        {"escapes grow the line", user(u"N", Repeat(u"[", 4094) + u"$name"), MessageId::LineTooLong},
        {"empty name", builtIn(u""), MessageId::NameBlank},
        {"name of blanks", builtIn(u" \t "), MessageId::NameBlank},
        {"separator at the limit", text(&CopyFormat::itemSeparator, Repeat(u"s", 1024)), std::nullopt},
        {"separator one over", text(&CopyFormat::itemSeparator, Repeat(u"s", 1025)), MessageId::FieldTooLong},
        {"escapes count once", text(&CopyFormat::itemSeparator, Repeat(u"\\n", 1024)), std::nullopt},
        {"end text one over", text(&CopyFormat::endText, Repeat(u"]", 1025)), MessageId::FieldTooLong},
    };
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    const std::string old = "\xEF\xBB\xBFOld:%QUILLET\r\n";
    for (const Row& row : rows) {
        WriteBytes(path, old);
        CommandList list;
        list.emplace_back(u"First").type = CommandType::Quillet;
        list.push_back(Command(row.command.name));
        list.back().type = row.command.type;
        list.back().format.formatText = row.command.format.formatText;
        list.back().format.itemSeparator = row.command.format.itemSeparator;
        list.back().format.startText = row.command.format.startText;
        list.back().format.endText = row.command.format.endText;
        std::u16string error;
        const bool saved = SaveCommandFile(path, list, error);
        if (row.refusal) {
            EXPECT_FALSE(saved) << row.what;
            // The refusals differ in their last words.
            const std::u16string_view expected = MessageText(*row.refusal);
            EXPECT_EQ(error.substr(error.size() - 24), expected.substr(expected.size() - 24)) << row.what;
            const bool byName =
                row.refusal == MessageId::LineTooLong || row.refusal == MessageId::FieldTooLong;
            EXPECT_NE(error.find(byName ? u"\"N\"" : u" 2"), std::u16string::npos)
                << row.what << ": the message names the command";
            EXPECT_EQ(ReadBytes(path), old) << row.what;
            continue;
        }
        ASSERT_TRUE(saved) << row.what << ": " << test::Printable(error);
        for (const EscapeMode mode : {kShell, kEditor}) {
            const CommandList back = Load(path, mode);
            ASSERT_EQ(back.size(), 2u) << row.what;
            std::u16string name = row.command.name;
            std::erase_if(name, [](char16_t c) { return c == u'\r' || c == u'\n'; });
            EXPECT_EQ(back[1].name, name) << row.what;
        }
    }
}

#ifdef _WIN32
TEST(CommandFileWrite, ReadOnlyFileIsNotReplaced) {
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    WriteBytes(path,
               "\xEF\xBB\xBF"
               "Old:%QUILLET\r\n");
    fs::permissions(fs::path(path), fs::perms::owner_write, fs::perm_options::remove);
    std::u16string error;
    EXPECT_FALSE(SaveCommandFile(path, CommandList{}, error));
    // ERROR_ACCESS_DENIED, with the system's words for it.
    EXPECT_EQ(error,
              FormatMessageText(MessageId::FailedToCreateFile, {path, 5, platform::SystemErrorText(5)}));
    EXPECT_FALSE(platform::SystemErrorText(5).empty());
    EXPECT_EQ(ReadBytes(path),
              "\xEF\xBB\xBF"
              "Old:%QUILLET\r\n");
    EXPECT_EQ(EntriesIn(folder.Root()), 1u);
    fs::permissions(fs::path(path), fs::perms::owner_write, fs::perm_options::add);
}
#else
TEST(CommandFileWrite, FullDiskLeavesOldFileUntouched) {
    // A real full disk: a tiny tmpfs, which needs the right to mount.
    test::TempFolder folder;
    const std::u16string mountPoint = folder.MakeFolder(u"disk");
    if (::mount("tmpfs", Utf16ToUtf8(mountPoint).c_str(), "tmpfs", 0, "size=16k") != 0) {
        GTEST_SKIP()
            << "tmpfs cannot be mounted here (needs root); the write budget test covers short writes";
    }
    struct Unmount {
        std::string point;
        ~Unmount() { ::umount(point.c_str()); }
    } unmount{Utf16ToUtf8(mountPoint)};

    const std::u16string path = mountPoint + u"/Cmds.txt";
    const std::string old =
        "\xEF\xBB\xBF"
        "Old:%QUILLET\r\n";
    WriteBytes(path, old);
    // About 33 KB of commands for a 16 KB disk.
    CommandList list;
    for (int i = 0; i < 11; ++i) {
        Command& command = list.emplace_back(u"Copy");
        command.format.formatText = u"$name";
        command.format.itemSeparator = command.format.startText = command.format.endText =
            std::u16string(1000, u'x');
    }
    std::u16string error;
    EXPECT_FALSE(SaveCommandFile(path, list, error));
    EXPECT_EQ(error, FormatMessageText(MessageId::FailedToWriteFile,
                                       {path, ENOSPC, platform::SystemErrorText(ENOSPC)}));
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(EntriesIn(fs::path(mountPoint)), 1u);
}

TEST(CommandFileWrite, ReadOnlyFolderLeavesOldFileUntouched) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    WriteBytes(path, "old");
    fs::permissions(folder.Root(), fs::perms::owner_write, fs::perm_options::remove);
    std::u16string error;
    EXPECT_FALSE(SaveCommandFile(path, CommandList{}, error));
    EXPECT_EQ(error, FormatMessageText(MessageId::FailedToCreateFile,
                                       {path, EACCES, platform::SystemErrorText(EACCES)}));
    fs::permissions(folder.Root(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(ReadBytes(path), "old");
}
#endif

TEST(CommandFileWrite, ReaderMeanwhileSeesOldListOrNew) {
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    CommandList small;
    CommandList large;
    for (int i = 0; i < 2000; ++i) {
        (i < 3 ? small : large).emplace_back(u"Command").type = CommandType::Options;
    }
    large.emplace_back(u"More").type = CommandType::SubFolder;
    std::u16string error;
    ASSERT_TRUE(SaveCommandFile(path, small, error));

    std::atomic<bool> done{false};
    std::atomic<int> shortened{0};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        while (!done) {
            const std::size_t count = Load(path, kShell).size();
            if (count != small.size() && count != large.size()) {
                ++shortened;
            }
            ++reads;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));  // menus open one at a time
        }
    });
    int saves = 0;
    for (int i = 0; i < 40; ++i) {
        // On Windows a save may fail while the reader holds the file; it then changes nothing.
        saves += SaveCommandFile(path, i % 2 ? small : large, error) ? 1 : 0;
    }
    done = true;
    reader.join();
    EXPECT_EQ(shortened, 0) << "of " << reads << " reads";
    EXPECT_GT(saves, 0);
}

TEST(CommandFileLocations, UserFileInApplicationDataAndDefaultBesideModule) {
    test::TempFolder folder;
#ifndef _WIN32
    // Point the configuration folder at the test folder, and put it back afterwards.
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", Utf16ToUtf8(folder.PathOf(u"config")).c_str(), 1);
    EXPECT_EQ(userCommandFile(), folder.PathOf(u"config\\Brantwell\\Quillet\\Cmds.txt"));
#endif
    const std::u16string user = userCommandFile(true);
    const std::u16string ending = test::Native(u"\\Brantwell\\Quillet\\Cmds.txt");
    ASSERT_GT(user.size(), ending.size());
    EXPECT_EQ(user.substr(user.size() - ending.size()), ending);
    EXPECT_TRUE(fs::is_directory(fs::path(user).parent_path()));
#ifndef _WIN32
    saved ? ::setenv("XDG_CONFIG_HOME", previous.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
#endif

    // The build puts the default list next to every program, as the installation does.
    std::u16string log;
    const std::u16string defaults = defaultCommandFile();
    EXPECT_EQ(fs::path(defaults).filename().u16string(), u"Cmds.txt");
    for (const EscapeMode mode : {kShell, kEditor}) {
        const CommandList list = Load(defaults, mode, &log);
        EXPECT_GE(list.size(), 10u);
        for (const Command& command : list) {
            EXPECT_EQ(command.format.errorText, u"") << test::Printable(command.name);
        }
    }
    EXPECT_EQ(test::Printable(log), "");
}

TEST(CommandFileLocations, LastWriteTimeMovesForwardWithASave) {
    test::TempFolder folder;
    const std::u16string path = folder.PathOf(u"Cmds.txt");
    EXPECT_FALSE(platform::LastWriteTime(path).has_value());
    WriteBytes(path, "old");
    fs::last_write_time(fs::path(path), fs::file_time_type::clock::now() - std::chrono::hours(1));
    const std::optional<std::int64_t> before = platform::LastWriteTime(path);
    ASSERT_TRUE(before.has_value());
    std::u16string error;
    ASSERT_TRUE(SaveCommandFile(path, CommandList{}, error));
    const std::optional<std::int64_t> after = platform::LastWriteTime(path);
    ASSERT_TRUE(after.has_value());
    EXPECT_GT(*after, *before);
}

}  // namespace
}  // namespace quillet
