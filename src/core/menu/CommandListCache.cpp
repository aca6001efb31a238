#include "core/menu/CommandListCache.h"

#include <algorithm>

#include "core/commands/CommandFile.h"

namespace quillet {
namespace {

const std::shared_ptr<const CommandList>& EmptyList() {
    static const auto empty = std::make_shared<const CommandList>();
    return empty;
}

}  // namespace

const CommandFilePaths& ModuleCommandFiles() {
    static const CommandFilePaths paths{userCommandFile(), defaultCommandFile()};
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

std::shared_ptr<const CommandList> CommandListCache::MenuList(const std::u16string& userFile,
                                                              const std::u16string& defaultFile) {
    return Load(ReadsUserCommandFile(userFile) ? userFile : defaultFile);
}

std::shared_ptr<const CommandList> CommandListCache::Load(const std::u16string& path) {
    // The stamp is taken before the bytes are read and again after: a list is kept only when the file
    // stood still meanwhile, so a file rewritten in place (truncated, then written) is never kept torn.
    const std::optional<platform::FileStamp> stamp = readStamp_(path);
    std::shared_ptr<const CommandList> lastRead;
    {
        const std::lock_guard lock(mutex_);
        if (const Entry* entry = Find(path)) {
            if (stamp && entry->stamp == *stamp && !entry->recent) {
                return entry->list;
            }
            lastRead = entry->list;
        }
    }
    const platform::FileContents contents = platform::ReadFileContents(path, kMaxCommandFileSize);
    if (!contents.bytes || !stamp) {
        if (contents.missing) {
            const std::lock_guard lock(mutex_);
            std::erase_if(entries_, [&](const Entry& entry) { return entry.path == path; });
        }
        return !contents.missing && lastRead ? lastRead : EmptyList();
    }
    const std::int64_t recentSince =
        platform::FileClockNow() - kRecentSeconds * platform::FileClockTicksPerSecond();
    const bool recent = std::max(stamp->lastWrite, stamp->changed) > recentSince;
    // Changed while it was read, or emptied a moment ago (an editor's save truncates before it writes;
    // the configuration program never writes an empty file): a file being written. The last list read
    // serves until it stands still.
    const bool beingWritten = readStamp_(path) != stamp || (recent && contents.bytes->empty());
    if (beingWritten && lastRead) {
        return lastRead;
    }
    auto list = std::make_shared<CommandList>();
    std::u16string errorLog;  // the menu shows no errors; the configuration program does
    ParseCommandFileBytes(*contents.bytes, EscapeMode::FullEscapes, *list, errorLog);
    if (beingWritten) {
        return list;  // nothing better to show, and nothing to keep
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
    return result;
}

}  // namespace quillet
