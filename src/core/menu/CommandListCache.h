// The parsed command lists of the menus, one cache for the whole module: Explorer makes a new handler
// object for every right-click, and reading and parsing the command file each time cost most of a menu.
// Shared by the classic handler and the first-menu command, which may run on different threads.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/commands/CommandFile.h"
#include "platform/Files.h"

namespace quillet {

// The lists read from command files, each kept with the stamp its file had while it was read
// (platform::FileStamp) and handed out as shared, never-changing lists, so that a menu's
// command ids stay valid while another thread replaces the entry. A list is kept only when the stamp
// was the same before and after the reading, and not from a file emptied a moment ago: a file that an
// editor rewrites in place (truncated, then written) is never kept torn or empty, and the last list read
// serves meanwhile. An entry serves only while its file's
// stamp is unchanged, in either direction: a file replaced by one with an older time is read again. A
// file whose time was within kRecentSeconds of its reading may change again without its stamp showing it
// (the file system's time resolution), so it is read again at each request until it is older.
class CommandListCache {
  public:
    static constexpr int kRecentSeconds = 3;  // FAT keeps write times in steps of 2 seconds
    using StampReader = std::optional<platform::FileStamp> (*)(const std::u16string& path);

    // Tests give a reader of stamps that stand still, as a file system's do within its time resolution.
    explicit CommandListCache(StampReader readStamp = platform::QueryFileStamp) : readStamp_(readStamp) {}

    // The menu's list: the command file in use (ReadFileInUse).
    std::shared_ptr<const CommandList> MenuList(const CommandFilePaths& files);

    // The list of one command file, read with the shell extension's escapes; its rejected lines are not
    // reported. A missing file gives an empty list. A file that exists but cannot be read (held without
    // sharing by another program, or being saved) gives the last list read from it, or an empty list when
    // there is none; a failed reading is never kept, so the next request reads the file again.
    struct Loaded {
        std::shared_ptr<const CommandList> list;
        CommandFileStatus status = CommandFileStatus::Read;  // Missing and Unreadable: not read now
    };
    Loaded Load(const std::u16string& path);

    // The module's cache.
    static CommandListCache& Shared();

  private:
    struct Entry {
        std::u16string path;
        platform::FileStamp stamp;
        bool recent = false;  // read within kRecentSeconds of its file's time: read it again
        std::shared_ptr<const CommandList> list;
    };
    static constexpr std::size_t kMaxEntries = 8;  // the module reads two files; tests more

    Entry* Find(const std::u16string& path);

    StampReader readStamp_;
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

// The module's two command files (CommandFiles), found at the first call: the shell's answer for the
// application data folder costs more than a whole menu under Wine, and neither path moves while the
// module is loaded.
const CommandFilePaths& ModuleCommandFiles();

}  // namespace quillet
