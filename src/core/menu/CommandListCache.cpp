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
    // The stamp is taken before the bytes are read: a change made while they are read changes the
    // stamp, or falls within the recent time, and is read at the next request either way.
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
    auto list = std::make_shared<CommandList>();
    std::u16string errorLog;  // the menu shows no errors; the configuration program does
    ParseCommandFileBytes(*contents.bytes, EscapeMode::FullEscapes, *list, errorLog);

    const std::int64_t recentSince =
        platform::FileClockNow() - kRecentSeconds * platform::FileClockTicksPerSecond();
    Entry fresh{path, *stamp, std::max(stamp->lastWrite, stamp->changed) > recentSince, std::move(list)};
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
