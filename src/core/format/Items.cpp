#include "core/format/Items.h"

#include <algorithm>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Time.h"

namespace quillet {

std::int64_t StampFromLocalTime(const std::optional<platform::LocalDateTime>& local) {
    if (!local) {
        return 0;
    }
    const platform::LocalDateTime& t = *local;
    const bool inRange = t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 &&
                         t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
    if (t.year < 1601 || t.year > 30827 || !inRange) {
        return 0;
    }
    const std::optional<std::int64_t> seconds = platform::FileTimeOfLocalTime(t);
    return seconds && *seconds >= kEarliestStamp ? *seconds : 0;
}

std::size_t NameOffsetOf(std::u16string_view path) {
    // A plain loop from the end: only the name is looked at, and it is short.
    std::size_t at = path.size();
    while (at > 0 && path[at - 1] != platform::kPathSeparator) {
        --at;
    }
    return at;
}

CFItem::CFItem(std::u16string path, std::size_t nameOffset, const ItemStamps& stamps, std::uint64_t bytes)
    : modified(stamps.modified),
      created(stamps.created),
      accessed(stamps.accessed),
      size(bytes),
      ownedPath_(std::move(path)),
      nameOffset_(nameOffset == kNameAfterLastSeparator ? NameOffsetOf(ownedPath_)
                                                        : std::min(nameOffset, ownedPath_.size())) {}

CFItem::CFItem(BorrowedPath path, const ItemStamps& stamps, std::uint64_t bytes)
    : modified(stamps.modified),
      created(stamps.created),
      accessed(stamps.accessed),
      size(bytes),
      borrowedPath_(&path.text),
      nameOffset_(NameOffsetOf(path.text)) {}

FileCFItem::FileCFItem(std::u16string path, const ItemStamps& stamps, std::uint64_t bytes)
    : CFItem(std::move(path), kNameAfterLastSeparator, stamps, bytes) {}

FolderCFItem::FolderCFItem(std::u16string path, const ItemStamps& stamps, std::uint64_t bytes)
    : CFItem(std::move(path), kNameAfterLastSeparator, stamps, bytes) {}

FileCFItem::FileCFItem(BorrowedPath path, const ItemStamps& stamps, std::uint64_t bytes)
    : CFItem(path, stamps, bytes) {}

FolderCFItem::FolderCFItem(BorrowedPath path, const ItemStamps& stamps, std::uint64_t bytes)
    : CFItem(path, stamps, bytes) {}

ExpandedFileCFItem::ExpandedFileCFItem(std::u16string fullPath, std::size_t nameOffset,
                                       const ItemStamps& stamps, std::uint64_t bytes)
    : CFItem(std::move(fullPath), nameOffset, stamps, bytes) {}

namespace {

template <typename PathType>
std::unique_ptr<CFItem> MakeItemFromEntry(PathType path, const platform::FolderEntry& entry,
                                          StampConverter& converter) {
    const ItemStamps stamps{converter.StampOf(entry.modified), converter.StampOf(entry.created),
                            converter.StampOf(entry.accessed)};
    if (entry.isDirectory) {
        return std::make_unique<FolderCFItem>(std::move(path), stamps, entry.size);
    }
    return std::make_unique<FileCFItem>(std::move(path), stamps, entry.size);
}

}  // namespace

std::unique_ptr<CFItem> MakeSelectedItem(std::u16string path, const platform::FolderEntry& entry,
                                         StampConverter& converter) {
    return MakeItemFromEntry(std::move(path), entry, converter);
}

std::unique_ptr<CFItem> MakeSelectedItem(BorrowedPath path, const platform::FolderEntry& entry,
                                         StampConverter& converter) {
    return MakeItemFromEntry(path, entry, converter);
}

std::size_t ItemSelection::AddPath(std::u16string path) {
    platform::FolderEntry entry;
    if (!platform::QueryFileEntry(path, entry)) {
        return 0;
    }
    return Add(MakeSelectedItem(std::move(path), entry, stamps_));
}

std::size_t ItemSelection::AddPath(BorrowedPath path) {
    platform::FolderEntry entry;
    if (!platform::QueryFileEntry(path.text, entry)) {
        return 0;
    }
    return Add(MakeSelectedItem(path, entry, stamps_));
}

std::size_t ItemSelection::Add(std::unique_ptr<CFItem> item) {
    if (item->IsFolder()) {
        hasFolder = true;
    }
    items_.push_back(std::move(item));
    return items_.size();
}

void ItemSelection::Flatten() {
    flat_.clear();
    // Room for every entry at once: growing by doubling would hold both arrays at the peak.
    std::size_t entries = 0;
    for (const auto& item : items_) {
        entries +=
            expand && item->IsFolder() ? static_cast<const FolderCFItem&>(*item).ExpandedFiles().size() : 1;
    }
    flat_.reserve(entries);
    totalSize = 0;
    for (const auto& item : items_) {
        if (expand && item->IsFolder()) {
            for (const auto& file : static_cast<const FolderCFItem&>(*item).ExpandedFiles()) {
                flat_.push_back(file.get());
                totalSize += file->size;
            }
        } else {
            flat_.push_back(item.get());
            totalSize += item->size;
        }
    }
}

}  // namespace quillet
