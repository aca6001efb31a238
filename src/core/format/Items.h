// The selected items of one copy: what a copy captures of each selected file or folder, once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/format/StampConverter.h"
#include "platform/Files.h"
#include "platform/Time.h"

namespace quillet {

// The three time stamps of an item, seconds since 1970 UTC, from 1601 on (0 when not representable).
struct ItemStamps {
    std::int64_t modified = 0;
    std::int64_t created = 0;
    std::int64_t accessed = 0;
};

// The earliest stamp: 1 January 1601 UTC, where Windows file times begin. Stamps before 1970 are
// negative, so that such dates show and sort as they are.
inline constexpr std::int64_t kEarliestStamp = -11644473600;

// Seconds since 1970 UTC of a local wall-clock time, through the platform's conversion of local times
// (FileTimeOfLocalTime); 0 for a time that cannot be represented: no time at all, a field out of
// range, a failed conversion, or a time before kEarliestStamp.
std::int64_t StampFromLocalTime(const std::optional<platform::LocalDateTime>& local);

// Where the name of a path begins: just after its last separator, or 0 when it has none.
std::size_t NameOffsetOf(std::u16string_view path);

// A path that an item refers to without copying it: the caller's string, which must outlive the item.
struct BorrowedPath {
    const std::u16string& text;
};

class CFItem {
  public:
    virtual ~CFItem() = default;
    virtual bool IsFolder() const = 0;

    CFItem(const CFItem&) = delete;
    CFItem& operator=(const CFItem&) = delete;

    std::u16string_view Path() const { return borrowedPath_ != nullptr ? *borrowedPath_ : ownedPath_; }
    // The item's name: the text after the last separator of the path, or for a file found inside an
    // expanded folder its path relative to the parent of that folder.
    std::u16string_view Name() const { return Path().substr(nameOffset_); }
    std::size_t NameOffset() const { return nameOffset_; }

    std::int64_t modified = 0;
    std::int64_t created = 0;
    std::int64_t accessed = 0;
    std::uint64_t size = 0;

  protected:
    // Passed as the name offset: the name begins after the path's last separator.
    static constexpr std::size_t kNameAfterLastSeparator = static_cast<std::size_t>(-1);

    CFItem(std::u16string path, std::size_t nameOffset, const ItemStamps& stamps, std::uint64_t bytes);
    CFItem(BorrowedPath path, const ItemStamps& stamps, std::uint64_t bytes);

  private:
    std::u16string ownedPath_;                      // the path, unless it is borrowed
    const std::u16string* borrowedPath_ = nullptr;  // a pointer rather than a view: an item stays small
    std::size_t nameOffset_;
};

class FileCFItem final : public CFItem {
  public:
    FileCFItem(std::u16string path, const ItemStamps& stamps, std::uint64_t bytes);
    FileCFItem(BorrowedPath path, const ItemStamps& stamps, std::uint64_t bytes);
    bool IsFolder() const override { return false; }
};

class FolderCFItem final : public CFItem {
  public:
    FolderCFItem(std::u16string path, const ItemStamps& stamps, std::uint64_t bytes);
    FolderCFItem(BorrowedPath path, const ItemStamps& stamps, std::uint64_t bytes);
    bool IsFolder() const override { return true; }

    // The files found by the last expansion, in the order found; empty while collapsed.
    std::vector<std::unique_ptr<CFItem>>& ExpandedFiles() { return expandedFiles_; }
    const std::vector<std::unique_ptr<CFItem>>& ExpandedFiles() const { return expandedFiles_; }

  private:
    std::vector<std::unique_ptr<CFItem>> expandedFiles_;
};

// A file found inside an expanded folder. Its full path is the expanded folder's parent (with its
// trailing separator) followed by the relative path; its name is that relative path.
class ExpandedFileCFItem final : public CFItem {
  public:
    ExpandedFileCFItem(std::u16string fullPath, std::size_t nameOffset, const ItemStamps& stamps,
                       std::uint64_t bytes);
    bool IsFolder() const override { return false; }
};

// The item a path's entry calls for (a folder item for a folder, a file item otherwise), its file
// times turned into stamps by converter.
std::unique_ptr<CFItem> MakeSelectedItem(std::u16string path, const platform::FolderEntry& entry,
                                         StampConverter& converter);
std::unique_ptr<CFItem> MakeSelectedItem(BorrowedPath path, const platform::FolderEntry& entry,
                                         StampConverter& converter);

class ItemSelection {
  public:
    ItemSelection() = default;
    ItemSelection(const ItemSelection&) = delete;
    ItemSelection& operator=(const ItemSelection&) = delete;

    // Adds the item for path. Returns the new item count, or 0 when the path's attributes cannot be
    // read (gone, no access) and nothing was added.
    std::size_t AddPath(std::u16string path);
    // The same for a path that the item refers to without a copy: path must outlive the selection.
    std::size_t AddPath(BorrowedPath path);
    // Adds an item already made. Returns the new item count.
    std::size_t Add(std::unique_ptr<CFItem> item);

    // Rebuilds the flat array in the added order (each folder replaced by its expanded files while
    // expand is set) and the total size of its entries.
    void Flatten();

    const std::vector<std::unique_ptr<CFItem>>& Items() const { return items_; }
    std::vector<CFItem*>& Flat() { return flat_; }
    const std::vector<CFItem*>& Flat() const { return flat_; }

    std::uint32_t order = 0;  // the sort order of the flat array; 0 keeps the added order
    bool hasFolder = false;   // set when a folder is added, never cleared
    bool expand = false;      // put each folder's expanded files in its place when flattening
    std::uint64_t totalSize = 0;

  private:
    std::vector<std::unique_ptr<CFItem>> items_;
    std::vector<CFItem*> flat_;
    StampConverter stamps_;
};

}  // namespace quillet
