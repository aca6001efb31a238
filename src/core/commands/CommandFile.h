// The command file: one command per line in UTF-8, read by both Windows modules and written by the
// configuration program. The reader takes any bytes without failing; the writer never leaves the
// user's file shortened.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/commands/Command.h"
#include "core/format/ItemFormat.h"

namespace quillet {

// Lines of this many characters or more (carriage returns not counted) are ignored, each with a message.
inline constexpr std::size_t kMaxCommandLineLength = 8192;
// The longest name the reader takes (a longer one drops the line): the Name field's limit.
inline constexpr std::size_t kMaxCommandNameLength = kMaxRunLength;
// Files of this many bytes or more are not read at all.
inline constexpr std::uint64_t kMaxCommandFileSize = std::uint64_t{1} << 32;

// Reads the command file at path with the escape mode of the reading program: FullEscapes in the
// shell extension, EditorEscapes in the configuration program. A missing, unreadable, oversized or
// unconvertible file gives an empty list. Each rejected line adds one message and a line feed to
// errorLog.
CommandList LoadCommandFile(const std::u16string& path, EscapeMode mode, std::u16string& errorLog);

// The text of a command file's bytes: the byte order mark skipped, cut at the first zero byte, and
// every malformed UTF-8 sequence replaced by U+FFFD.
std::u16string DecodeCommandFileBytes(std::string_view bytes);

// The commands of a command file's bytes, as ParseCommandText of DecodeCommandFileBytes gives them;
// LoadCommandFile reads the file with this.
void ParseCommandFileBytes(std::string_view bytes, EscapeMode mode, CommandList& list,
                           std::u16string& errorLog);

// Splits text into lines numbered from 0 and parses each one that is neither empty nor a comment.
void ParseCommandText(std::u16string_view text, EscapeMode mode, CommandList& list, std::u16string& errorLog);

// Parses one line (without its line end) and appends at most one command. With FullEscapes a
// user-defined command whose item format has an error is dropped with a message; otherwise it is
// kept with the message in its format's errorText, and formatText holds the format as typed.
void ParseCommandLine(std::u16string_view line, std::int32_t lineNumber, EscapeMode mode, CommandList& list,
                      std::u16string& errorLog);

// The command file's text for list, each line ending in CR LF.
std::u16string CommandFileText(const CommandList& list);

// True when the reader takes every line of the list's file whole; otherwise false with the message of
// the first command whose line it would drop or cut, or that would show as a blank item: a name longer
// than kMaxCommandNameLength, an empty or blank name, a name that makes its line a comment, an item
// separator, start or end text longer than the reader's run of kMaxRunLength, or a line of
// kMaxCommandLineLength characters or more.
bool CheckCommandList(const CommandList& list, std::u16string& error);

// The bytes written for a text: the UTF-8 byte order mark and the text in UTF-8.
std::string EncodeCommandFileText(std::u16string_view text);

// Writes the whole list to path, replacing the file in one step. The list is the configuration
// program's (read with EditorEscapes): a user-defined command is written from its formatText. False with the
// message (CheckCommandList's refusal, 220 when the file cannot be created, 221 when writing fails) in
// error; the old file is then untouched.
bool SaveCommandFile(const std::u16string& path, const CommandList& list, std::u16string& error);

// The per-user command file, "Brantwell/Quillet/Cmds.txt" in the application data folder; empty when
// that folder is unknown. With createFolders the two folders are created on the way (failures are
// ignored: the save that follows reports them).
std::u16string userCommandFile(bool createFolders = false);

// "Cmds.txt" in the folder of the running module, where the installation puts the default list.
std::u16string defaultCommandFile();

}  // namespace quillet
