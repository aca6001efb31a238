// Folder expansion: selected folders replaced in a copy by the files found inside them, with a depth
// limit, include and exclude patterns, progress reports and a way to stop.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/format/Items.h"
#include "core/format/StampConverter.h"

namespace quillet {

// What a folder scan reports to, and asks whether to stop. The Options dialog's progress window is
// one; the command line has its own.
class MAbortBase {
  public:
    virtual ~MAbortBase() = default;
    // Receives the full path of the folder about to be read.
    virtual void SetCurrentFolder(const std::u16string& folderPath) = 0;
    // True once the user has asked to stop.
    virtual bool CheckAbort() = 0;
    // Receives a folder that could not be opened, with the system's reason; the scan goes on without
    // it. Only the command line reports these.
    virtual void FolderUnreadable(const std::u16string& /*folderPath*/, const std::u16string& /*reason*/) {}
};

// The expansion settings passed down a scan. The patterns come already lowered (LowerAsciiLetters);
// an absent pattern and an empty one differ: an empty include pattern keeps no file.
struct ExpansionSettings {
    int depthLimit = -1;  // 1 or more: that many folder levels, the selected folder being level 1; else all
    std::optional<std::u16string> includePattern;
    std::optional<std::u16string> excludePattern;
};

// Maps only the letters A-Z to a-z; every other character stays as it is.
std::u16string LowerAsciiLetters(std::u16string_view text);

// Whether a name matches a wildcard pattern: "*" any run of characters, "?" any one character, "/"
// nothing at all, "\" makes the next pattern character literal (a "\" at the end never matches);
// every other character must be equal, code unit by code unit.
bool MatchPattern(std::u16string_view pattern, std::u16string_view name);

struct ScanContext;

// One folder to be read during one expansion: its root (the selected folder's parent with its
// trailing separator, shared by every node), its path below the root, and what reading it found.
class FolderScanNode {
  public:
    FolderScanNode(const std::u16string& root, std::u16string relativePath, bool isLink = false);
    // The root is shared, not copied: it must outlive the node, so a temporary is refused.
    FolderScanNode(std::u16string&& root, std::u16string relativePath, bool isLink = false) = delete;
    ~FolderScanNode();
    FolderScanNode(const FolderScanNode&) = delete;
    FolderScanNode& operator=(const FolderScanNode&) = delete;

    // Reads this folder and then, one after another, the subfolders found in it (each subtree whole
    // before the next), at most one folder reading open at a time.
    void ScanFolder(MAbortBase& abort, const ExpansionSettings& settings);
    // Moves the files found into destination: this folder's own files first, then each subfolder's
    // files in the order found, depth-first.
    void CollectFiles(std::vector<std::unique_ptr<CFItem>>& destination);

    std::u16string FolderPath() const { return root_ + relativePath_; }

  private:
    friend struct ScanContext;
    // Reads this folder's own entries, stopping early when abort says so.
    void ReadEntries(ScanContext& context, MAbortBase& abort, const ExpansionSettings& settings,
                     int depthLimit);

    const std::u16string& root_;
    std::u16string relativePath_;
    bool isLink_;
    std::vector<std::unique_ptr<FolderScanNode>> subfolders_;
    std::vector<std::unique_ptr<CFItem>> files_;
};

// Replaces the folder's expanded files by the files found inside it now.
void ExpandFolder(FolderCFItem& folder, MAbortBase& abort, const ExpansionSettings& settings);

// Empties the folder's expanded-file list and destroys its items.
void CollapseFolder(FolderCFItem& folder);

// Expands every selected folder in selection order, asking abort after each item. On a cancel every
// folder is collapsed again and the expand flag cleared, so nothing of the scan remains. Afterwards
// the flat array is rebuilt and sorted by the selection's order, which abort can cancel too. Returns
// true when cancelled.
bool ExpandSelection(ItemSelection& selection, const ExpansionSettings& settings, MAbortBase& abort);

}  // namespace quillet
