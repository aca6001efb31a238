#include "core/menu/CommandListCache.h"

#include <algorithm>

#include "core/commands/CommandFile.h"
#include "core/failure/Failure.h"

namespace quillet {
namespace {

const std::shared_ptr<const CommandList>& EmptyList() {
    static const auto empty = std::make_shared<const CommandList>();
    return empty;
}

// The lines that the menu's reading left out, each logged by its number and its message's id (never
// its text, which holds the file's), the first kMaxLogged of them.
void LogRejectedLines(const CommandList& list, const std::u16string& path) {
    constexpr std::size_t kMaxLogged = 20;
    for (std::size_t i = 0; i < list.rejections.size(); ++i) {
        if (i == kMaxLogged) {
            QUILLET_LOG_FAILURE_IN(kInvalidData, "more command file lines not read", path, -1);
            return;
        }
        const LineRejection& rejection = list.rejections[i];
        const std::string what =
            "command file line not read (message " + std::to_string(static_cast<int>(rejection.reason)) + ")";
        QUILLET_LOG_FAILURE_IN(kInvalidData, what, path, rejection.line);
    }
}

}  // namespace

const CommandFilePaths& ModuleCommandFiles() {
    static const CommandFilePaths paths = CommandFiles();
    return paths;
}

CommandListCache& CommandListCache::Shared() {
    static CommandListCache cache;
    return cache;
}

CommandListCache::Entry* CommandListCache::Find(const std::u16string& path) {
    const auto found = std::ranges::find(entries_, path, &Entry::path);
    return found == entries_.end() ? nullptr : &*found;
}

std::shared_ptr<const CommandList> CommandListCache::MenuList(const CommandFilePaths& files) {
    return ReadFileInUse(files, [this](const std::u16string& path) { return Load(path); }).list;
}

CommandListCache::Loaded CommandListCache::Load(const std::u16string& path) {
    // The stamp is taken before the bytes are read and again after: a list is kept only when the file
    // stood still meanwhile, so a file rewritten in place (truncated, then written) is never kept torn.
    const std::optional<platform::FileStamp> stamp = readStamp_(path);
    std::shared_ptr<const CommandList> lastRead;
    {
        const std::lock_guard lock(mutex_);
        if (const Entry* entry = Find(path)) {
            if (stamp && entry->stamp == *stamp && !entry->recent) {
                return {entry->list};
            }
            lastRead = entry->list;
        }
    }
    // The menu shows no rejected lines; the configuration program and the command line do.
    CommandFileReading reading = ReadCommandFile(path, EscapeMode::FullEscapes);
    if (reading.status == CommandFileStatus::Missing) {
        const std::lock_guard lock(mutex_);
        std::erase_if(entries_, [&](const Entry& entry) { return entry.path == path; });
        return {EmptyList(), reading.status};
    }
    if (reading.status == CommandFileStatus::Unreadable || !stamp) {
        QUILLET_LOG_FAILURE_IN(FailureFromSystemError(reading.errorCode), "reading the command file", path,
                               -1);
        return {lastRead ? lastRead : EmptyList(), CommandFileStatus::Unreadable};
    }
    const std::int64_t recentSince =
        platform::FileClockNow() - kRecentSeconds * platform::FileClockTicksPerSecond();
    const bool recent = std::max(stamp->lastWrite, stamp->changed) > recentSince;
    // Changed while it was read, or emptied a moment ago (an editor's save truncates before it writes;
    // the configuration program never writes an empty file): a file being written. The last list read
    // serves until it stands still.
    const bool beingWritten = readStamp_(path) != stamp || (recent && reading.bytes.empty());
    if (beingWritten && lastRead) {
        return {lastRead};
    }
    LogRejectedLines(reading.list, path);
    auto list = std::make_shared<const CommandList>(std::move(reading.list));
    if (beingWritten) {
        return {list};  // nothing better to show, and nothing to keep
    }
    Entry fresh{path, *stamp, recent, std::move(list)};
    std::shared_ptr<const CommandList> result = fresh.list;
    const std::lock_guard lock(mutex_);
    if (Entry* entry = Find(path)) {
        *entry = std::move(fresh);
    } else {
        if (entries_.size() == kMaxEntries) {
            entries_.erase(entries_.begin());
        }
        entries_.push_back(std::move(fresh));
    }
    return {result};
}

}  // namespace quillet
