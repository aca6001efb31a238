// The command file: one command per line, read by both Windows modules and written by the
// configuration program. The reader takes any bytes without failing (UTF-8 with or without byte order
// mark, UTF-16 with one, else the system's ANSI code page); the writer never leaves the user's file
// shortened, and writes what the configuration program did not change as it was read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/commands/Command.h"
#include "core/format/ItemFormat.h"

namespace quillet {

// Lines of this many characters or more are ignored by the shell extension, each with a message; the
// configuration program keeps them as lines it cannot read.
inline constexpr std::size_t kMaxCommandLineLength = 8192;
// The longest name the reader takes (a longer one drops the line): the Name field's limit.
inline constexpr std::size_t kMaxCommandNameLength = kMaxRunLength;
// Files of this many bytes or more are not read at all.
inline constexpr std::uint64_t kMaxCommandFileSize = std::uint64_t{1} << 32;

// What reading a command file found: its list, no such file (or no path for it), or a file that could
// not be read (held without sharing, a folder, kMaxCommandFileSize bytes or more, memory ran out).
enum class CommandFileStatus { Read, Missing, Unreadable };

// One reading of a command file: the list (its form tells the encoding) or why there is none.
struct CommandFileReading {
    std::u16string path;
    CommandFileStatus status = CommandFileStatus::Missing;
    std::uint32_t errorCode = 0;  // the system's code when not read; 0 when memory ran out
    std::string bytes;            // as read, to tell later whether the file still holds them
    CommandList list;             // empty when not read
    std::u16string errorLog;      // one message and a line feed per rejected line
};

// Reads the command file at path with the escape mode of the reading program: FullEscapes in the
// shell extension and the command line, EditorEscapes in the configuration program (see
// ParseCommandFileBytes). Every reader of a command file reads it here.
CommandFileReading ReadCommandFile(const std::u16string& path, EscapeMode mode);

// The programs' two command files: this user's (userCommandFile) and the default list beside the
// module (defaultCommandFile).
struct CommandFilePaths {
    std::u16string user;
    std::u16string defaults;
};
CommandFilePaths CommandFiles();

// The one rule of which command file the programs read: the user's while there is one, even one that
// cannot be read (the default list would offer commands the user removed), else the default list.
// read(path) reads one file and gives something with a `status` (a CommandFileReading, or the menu
// cache's entry, which reads only when the file changed).
template <class Read>
auto ReadFileInUse(const CommandFilePaths& files, Read&& read) {
    auto reading = read(files.user);
    if (reading.status == CommandFileStatus::Missing) {
        return read(files.defaults);
    }
    return reading;
}

// The command file in use (ReadFileInUse) read with ReadCommandFile.
CommandFileReading ReadCommandFileInUse(const CommandFilePaths& files, EscapeMode mode);

// The text of a command file's bytes, with how they held it in form (its encoding, byte order mark and
// whether bytes were replaced; linesAtEnd empty). A UTF-8 byte order mark gives UTF-8, each malformed
// sequence U+FFFD; a UTF-16 one UTF-16 in its byte order, an odd last byte and an unpaired surrogate
// U+FFFD. Without one, bytes that are valid UTF-8 are read as UTF-8, others in the system's ANSI code
// page. Zero bytes are characters like any other.
std::u16string DecodeCommandFileBytes(std::string_view bytes, CommandFileForm& form);

// The commands of a command file's bytes, the list's form set; ReadCommandFile reads the file with
// this. The text that DecodeCommandFileBytes gives is split into lines numbered from 0, each ended by a
// line feed, a carriage return or the two together, and each line that is neither empty nor a comment
// is parsed. With FullEscapes a user-defined command whose item format has an error is dropped with a
// message. With EditorEscapes every line is kept: each entry has its line as read, with the comment
// and empty lines above it; a line that is no command (no ":", an unknown keyword, 8192 characters or
// more) becomes an entry with its reason in `unreadable`; a command whose item format has an error
// keeps the message in its format's errorText, and formatText holds the format as typed; the lines
// after the last entry go to list.form.linesAtEnd.
void ParseCommandFileBytes(std::string_view bytes, EscapeMode mode, CommandList& list,
                           std::u16string& errorLog);

// The configuration program's entry for one line of text typed in place of a line it could not read:
// the command it now holds, or the line again with why it cannot be read (a comment or an empty line
// too). Its readLine is the text. The reasons name the line by lineNumber + 1.
Command ReadEditorLine(std::u16string_view line, std::int32_t lineNumber);

// The command file's text for list. An entry whose line as read still says what it holds is written
// as that line with its line end, and an unreadable entry as its text; any other entry is written from
// its fields, ending with CR LF when it is new. The lines kept above each entry and after the last
// one are written as they were read.
std::u16string CommandFileText(const CommandList& list);

// The fields of a command, as the save check names the one to change.
enum class CommandField { Name, ItemFormat, ItemSeparator, StartText, EndText };

// Where the reader would not take a list whole: the command (its index), the field to change, and the
// message to show.
struct CommandListFault {
    std::size_t index = 0;
    CommandField field = CommandField::Name;
    std::u16string message;
};

// Nothing when the reader takes every line of the list's file that is written from its fields (a line
// written as it was read is read as before) whole; otherwise the first command whose line it would drop
// or cut, or that would show as a blank item: a name longer than kMaxCommandNameLength (line breaks,
// which the writer drops, not counted), an empty or blank name, a name that makes its line a comment
// (the Name field at fault); an item separator, start or end text longer than the reader's run of
// kMaxRunLength (that field); a line of kMaxCommandLineLength characters or more (its longest field).
std::optional<CommandListFault> CheckCommandList(const CommandList& list);

// The bytes written for a text: the text in UTF-8, after the UTF-8 byte order mark unless the form is
// UTF-8 without one. A file read in another encoding is so written in UTF-8.
std::string EncodeCommandFileText(std::u16string_view text, const CommandFileForm& form = {});

// The name of the encoding a file was read in, for messages: "UTF-16 LE", "ANSI code page 1252"...
std::u16string EncodingName(const CommandFileForm& form);

// Writes the whole list to path, replacing the file in one step, in the list's form. The list is the
// configuration program's (read with EditorEscapes): a user-defined command is written from its
// formatText. False with the message (CheckCommandList's refusal, 220 when the file cannot be created,
// 221 when writing fails, which is also logged) in error; the old file is then untouched.
bool SaveCommandFile(const std::u16string& path, const CommandList& list, std::u16string& error);

// The per-user command file, "Brantwell/Quillet/Cmds.txt" in the application data folder; empty when
// that folder is unknown. With createFolders the two folders are created on the way (failures are
// ignored: the save that follows reports them).
std::u16string userCommandFile(bool createFolders = false);

// "Cmds.txt" in the folder of the running module, where the installation puts the default list.
std::u16string defaultCommandFile();

}  // namespace quillet
