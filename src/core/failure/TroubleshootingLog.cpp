#include "core/failure/TroubleshootingLog.h"

#include <chrono>
#include <cstdio>
#include <mutex>

#include "core/copy/CopyOptions.h"
#include "core/format/Items.h"
#include "platform/Diagnostics.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Shell.h"
#include "platform/Utf.h"

namespace quillet {
namespace {

// The source file from the repository's top, as the build gives the top (QUILLET_SOURCE_ROOT).
std::string_view RepositoryPath(std::string_view file) {
    constexpr std::string_view kRoot = QUILLET_SOURCE_ROOT "/";
    return file.starts_with(kRoot) ? file.substr(kRoot.size()) : file;
}

RecordContext ContextNow(std::u16string_view program) {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    RecordContext context;
    context.time = platform::LocalTimeOfFileTime(sinceEpoch / 1000).value_or(platform::LocalDateTime{});
    context.milliseconds = static_cast<int>(sinceEpoch % 1000);
    context.program = program;
    context.process = platform::CurrentProcessId();
    context.thread = platform::CurrentThreadId();
    return context;
}

// The per-process facts of the record, found once: the shell's folders cost a while under Wine.
struct RecordPlaces {
    std::u16string program;
    std::u16string profile = CopyOptionsFile();
    std::u16string logFile = TroubleshootingLogFile();
    RecordPlaces() {
        const std::u16string module = platform::RunningModulePath();
        program = module.substr(NameOffsetOf(module));
    }
};

}  // namespace

std::string FailureRecordLine(const FailureRecord& failure, const RecordContext& context) {
    const platform::LocalDateTime& t = context.time;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, context.milliseconds);
    char ids[64];
    std::snprintf(ids, sizeof ids, " %u:%u ", static_cast<unsigned>(context.process),
                  static_cast<unsigned>(context.thread));
    char code[32];
    std::snprintf(code, sizeof code, ") 0x%08x ", static_cast<unsigned>(failure.code));
    std::string line = stamp;
    AppendUtf8(context.program, line);
    line.append(ids).append(RepositoryPath(failure.file)).append("(").append(std::to_string(failure.line));
    line.append(code).append(failure.what);
    if (!failure.subject.empty()) {
        line.append(" (");
        AppendUtf8(failure.subject, line);
        if (failure.subjectLine >= 0) {
            line.append(", line ").append(std::to_string(failure.subjectLine));
        }
        line.append(")");
    }
    return line.append("\r\n");
}

std::u16string OlderLogFile(const std::u16string& logFile) {
    const std::size_t dot = logFile.rfind(u'.');
    const bool extension = dot != std::u16string::npos && dot > NameOffsetOf(logFile);
    return extension ? logFile.substr(0, dot) + u".old" + logFile.substr(dot) : logFile + u".old";
}

bool AppendToLog(const std::u16string& logFile, std::string_view line, std::uint64_t maxBytes) {
    // One writer at a time in this process, so that two threads never both move the full file away.
    static std::mutex writing;
    const std::lock_guard lock(writing);
    platform::FolderEntry entry;
    if (platform::QueryFileEntry(logFile, entry) && entry.size + line.size() > maxBytes) {
        platform::MoveFileReplacing(logFile, OlderLogFile(logFile));
    }
    if (platform::AppendToFile(logFile, line)) {
        return true;
    }
    const std::size_t name = NameOffsetOf(logFile);
    return name > 1 && platform::CreateFolders(logFile.substr(0, name - 1)) &&
           platform::AppendToFile(logFile, line);
}

std::u16string TroubleshootingLogFile() {
    const std::u16string folder = platform::LocalApplicationDataFolder();
    if (folder.empty()) {
        return {};
    }
    constexpr char16_t s = platform::kPathSeparator;
    return folder + s + u"Brantwell" + s + u"Quillet" + s + u"Quillet.log";
}

bool KeepsTroubleshootingLog(const std::u16string& profile) {
    return !profile.empty() &&
           platform::ReadProfileInt(profile, kTroubleshootingSection, kKeepLogName, 0) != 0;
}

HResult SetKeepsTroubleshootingLog(const std::u16string& profile, bool keep) {
    const std::size_t name = NameOffsetOf(profile);
    if (profile.empty()) {
        return kFail;
    }
    // The error is taken at once: what runs next may set another.
    if ((name > 1 && !platform::CreateFolders(profile.substr(0, name - 1))) ||
        !platform::WriteProfileValue(profile, kTroubleshootingSection, kKeepLogName, keep ? u"1" : u"0")) {
        return FailureFromSystemError(platform::LastSystemError());
    }
    return kOk;
}

void WriteFailureRecord(const FailureRecord& failure) {
    // A failure met while recording one would only recur.
    thread_local bool recording = false;
    if (recording) {
        return;
    }
    recording = true;
    try {
        static const RecordPlaces places;
        const std::string line = FailureRecordLine(failure, ContextNow(places.program));
        platform::WriteDebuggerOutput(Utf8ToUtf16(line));
        if (!places.logFile.empty() && KeepsTroubleshootingLog(places.profile)) {
            AppendToLog(places.logFile, line);
        }
    } catch (...) {
        // Out of memory: the failure goes unrecorded rather than escaping a caller that cannot fail.
    }
    recording = false;
}

}  // namespace quillet
