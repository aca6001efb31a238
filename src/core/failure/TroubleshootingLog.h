// The troubleshooting record: every failure goes to the debugger's output and, while the user keeps a
// troubleshooting log (the configuration program's "Keep a troubleshooting log"), to a log file in
// their local application data folder that they can send: "Brantwell/Quillet/Quillet.log", which at
// kMaxLogBytes becomes "Quillet.old.log" (replacing the older one) while a new one starts. A record
// holds the time, the program, the process and thread, the source file and line, the code and what was
// being done, and the file of ours it is about; never clipboard text or a file's contents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/failure/Failure.h"
#include "platform/Time.h"

namespace quillet {

inline constexpr std::uint64_t kMaxLogBytes = std::uint64_t{1} << 20;
inline constexpr std::u16string_view kTroubleshootingSection = u"Troubleshooting";
inline constexpr std::u16string_view kKeepLogName = u"Keep Log";

// When and where a record is written.
struct RecordContext {
    platform::LocalDateTime time;
    int milliseconds = 0;
    std::u16string_view program;  // the module's file name
    std::uint32_t process = 0;
    std::uint32_t thread = 0;
};

// One record as a line of UTF-8 text ending in CR LF: "2026-12-09 18:03:04.125 ScrivelShExt.dll
// 4242:17 src/shellext/CommandRun.cpp(31) 0x800401d0 what", and " (C:\...\Cmds.txt, line 4)" for a
// failure about a line of a file of ours. The source file is named from the repository's top.
std::string FailureRecordLine(const FailureRecord& failure, const RecordContext& context);

// The file that a full log file becomes: "Quillet.old.log" beside "Quillet.log".
std::u16string OlderLogFile(const std::u16string& logFile);

// Appends line to the log file, creating its folders; when the line would take the file past
// maxBytes, the file first replaces OlderLogFile, so that the two files never hold more than maxBytes
// each. False when the line could not be written.
bool AppendToLog(const std::u16string& logFile, std::string_view line, std::uint64_t maxBytes = kMaxLogBytes);

// "Brantwell/Quillet/Quillet.log" in the user's local application data folder; empty when the platform
// names none.
std::u16string TroubleshootingLogFile();

// Whether the user keeps a troubleshooting log: "Keep Log" in the section "Troubleshooting" of the
// per-user profile (CopyOptionsFile), off while it is missing. Setting it creates the profile's folder;
// the failure when it could not be stored.
bool KeepsTroubleshootingLog(const std::u16string& profile);
HResult SetKeepsTroubleshootingLog(const std::u16string& profile, bool keep);

// The hook that the programs use (SetFailureHook): the record to the debugger's output, and to the
// user's log file while they keep one. A failure while writing a record is not recorded.
void WriteFailureRecord(const FailureRecord& failure);

}  // namespace quillet
