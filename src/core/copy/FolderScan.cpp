#include "core/copy/FolderScan.h"

#include <algorithm>

#include "core/copy/CopyOptions.h"
#include "platform/AsciiCase.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace quillet {

// What one expansion shares across its folders: the reader (one folder open at a time), the stamp
// conversion and the folders on the path being read, for the guard against link cycles.
struct ScanContext {
    struct PathFolder {
        PathFolder(FolderScanNode* folder, int limit, bool linked)
            : node(folder), depthLimit(limit), throughLink(linked) {}
        FolderScanNode* node;
        int depthLimit;    // the limit that applies to the folders found in node
        bool throughLink;  // node is a link or lies below one: what is found in it may lead back up
        std::size_t nextSubfolder = 0;
        std::optional<platform::FileIdentity> identity;
        bool identityKnown = false;
    };

    platform::FolderReader reader;
    platform::FolderEntry entry;
    StampConverter stamps;
    std::u16string loweredName;
    std::vector<PathFolder> path;

    const std::optional<platform::FileIdentity>& IdentityOf(PathFolder& folder) {
        if (!folder.identityKnown) {
            folder.identity = platform::QueryFileIdentity(folder.node->FolderPath());
            folder.identityKnown = true;
        }
        return folder.identity;
    }

    // A folder reached through a link is entered only when it is not a folder on the current path.
    bool LeadsBackUp(FolderScanNode& node) {
        const auto identity = platform::QueryFileIdentity(node.FolderPath());
        if (!identity) {
            return false;
        }
        for (PathFolder& folder : path) {
            if (IdentityOf(folder) == identity) {
                return true;
            }
        }
        return false;
    }
};

std::u16string LowerAsciiLetters(std::u16string_view text) {
    std::u16string lowered(text);
    for (char16_t& c : lowered) {
        c = LowerAscii(c);
    }
    return lowered;
}

namespace {

// The pattern matcher. A star tries the rest of the pattern at every later position of the name, so
// patterns with several stars would take exponential time on long names; the memo of (pattern
// position, name position) results keeps every pair to one evaluation.
class PatternMatcher {
  public:
    PatternMatcher(std::u16string_view pattern, std::u16string_view name) : pattern_(pattern), name_(name) {
        if (std::count(pattern.begin(), pattern.end(), u'*') > 1) {
            memo_.assign((pattern.size() + 1) * (name.size() + 1), kUnknown);
        }
    }

    bool Match(std::size_t p, std::size_t n) {
        if (memo_.empty()) {
            return Evaluate(p, n);
        }
        signed char& known = memo_[p * (name_.size() + 1) + n];
        if (known == kUnknown) {
            known = Evaluate(p, n) ? 1 : 0;
        }
        return known == 1;
    }

  private:
    static constexpr signed char kUnknown = -1;

    bool Evaluate(std::size_t p, std::size_t n) {
        while (n < name_.size()) {
            if (p >= pattern_.size()) {
                return false;
            }
            const char16_t c = pattern_[p];
            if (c == u'*') {
                if (p + 1 == pattern_.size()) {
                    return true;
                }
                // The rest of the pattern against each non-empty rest of the name.
                for (std::size_t start = n; start < name_.size(); ++start) {
                    if (Match(p + 1, start)) {
                        return true;
                    }
                }
                return false;
            }
            if (c == u'/') {
                ++p;
                continue;
            }
            if (c == u'\\') {
                if (p + 1 >= pattern_.size() || pattern_[p + 1] != name_[n]) {
                    return false;
                }
                p += 2;
                ++n;
                continue;
            }
            if (c != u'?' && c != name_[n]) {
                return false;
            }
            ++p;
            ++n;
        }
        while (p < pattern_.size() && (pattern_[p] == u'*' || pattern_[p] == u'/')) {
            ++p;
        }
        return p == pattern_.size();
    }

    std::u16string_view pattern_;
    std::u16string_view name_;
    std::vector<signed char> memo_;
};

}  // namespace

bool MatchPattern(std::u16string_view pattern, std::u16string_view name) {
    return PatternMatcher(pattern, name).Match(0, 0);
}

FolderScanNode::FolderScanNode(const std::u16string& root, std::u16string relativePath, bool isLink)
    : root_(root), relativePath_(std::move(relativePath)), isLink_(isLink) {}

FolderScanNode::~FolderScanNode() {
    // Taken apart one node at a time: a deep tree must not recurse through the destructors.
    std::vector<std::unique_ptr<FolderScanNode>> pending = std::move(subfolders_);
    while (!pending.empty()) {
        std::unique_ptr<FolderScanNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->subfolders_) {
            pending.push_back(std::move(child));
        }
        node->subfolders_.clear();
    }
}

void FolderScanNode::ReadEntries(ScanContext& context, MAbortBase& abort, const ExpansionSettings& settings,
                                 int depthLimit) {
    const std::u16string folderPath = FolderPath();
    abort.SetCurrentFolder(folderPath);
    platform::FolderReader& reader = context.reader;
    if (!reader.Open(folderPath)) {
        abort.FolderUnreadable(folderPath, platform::LastErrorText());
        return;  // a folder that cannot be read contributes nothing else
    }
    const bool filtered = settings.includePattern || settings.excludePattern;
    platform::FolderEntry& entry = context.entry;
    while (reader.Next(entry)) {
        const bool dots = entry.name == u"." || entry.name == u"..";
        if (!dots && !entry.isHidden) {
            if (entry.isDirectory) {
                if (depthLimit != 1) {
                    std::u16string relative;
                    relative.reserve(relativePath_.size() + 1 + entry.name.size());
                    relative = relativePath_;
                    if (!relative.empty()) {
                        relative += platform::kPathSeparator;
                    }
                    relative += entry.name;
                    subfolders_.push_back(
                        std::make_unique<FolderScanNode>(root_, std::move(relative), entry.isLink));
                }
            } else {
                bool keep = true;
                if (filtered) {
                    context.loweredName = LowerAsciiLetters(entry.name);
                    keep = (!settings.includePattern ||
                            MatchPattern(*settings.includePattern, context.loweredName)) &&
                           (!settings.excludePattern ||
                            !MatchPattern(*settings.excludePattern, context.loweredName));
                }
                if (keep) {
                    std::u16string fullPath;
                    fullPath.reserve(root_.size() + relativePath_.size() + 1 + entry.name.size());
                    fullPath = root_;
                    fullPath += relativePath_;
                    if (!relativePath_.empty()) {
                        fullPath += platform::kPathSeparator;
                    }
                    fullPath += entry.name;
                    const ItemStamps stamps{context.stamps.StampOf(entry.modified),
                                            context.stamps.StampOf(entry.created),
                                            context.stamps.StampOf(entry.accessed)};
                    files_.push_back(std::make_unique<ExpandedFileCFItem>(std::move(fullPath), root_.size(),
                                                                          stamps, entry.size));
                }
            }
        }
        if (abort.CheckAbort()) {
            break;
        }
    }
    reader.Close();
}

void FolderScanNode::ScanFolder(MAbortBase& abort, const ExpansionSettings& settings) {
    // Depth-first over an explicit path rather than by recursion, so that a deep tree cannot exhaust
    // the stack of the thread it runs on.
    ScanContext context;
    const auto limitBelow = [](int limit) { return limit <= 1 ? limit : limit - 1; };
    ReadEntries(context, abort, settings, settings.depthLimit);
    context.path.emplace_back(this, limitBelow(settings.depthLimit), false);
    while (!context.path.empty()) {
        ScanContext::PathFolder& current = context.path.back();
        if (current.nextSubfolder == current.node->subfolders_.size()) {
            context.path.pop_back();
            continue;
        }
        FolderScanNode& child = *current.node->subfolders_[current.nextSubfolder++];
        const int childLimit = current.depthLimit;
        // Only links make cycles: folders that no link leads to are entered without a check.
        const bool throughLink = child.isLink_ || current.throughLink;
        if (throughLink && context.LeadsBackUp(child)) {
            continue;  // a folder being read again would loop forever
        }
        child.ReadEntries(context, abort, settings, childLimit);
        context.path.emplace_back(&child, limitBelow(childLimit), throughLink);
    }
}

void FolderScanNode::CollectFiles(std::vector<std::unique_ptr<CFItem>>& destination) {
    struct Step {
        FolderScanNode* node;
        std::size_t nextSubfolder;
    };
    // Room for every file at once, counted in a first walk: growing by doubling would hold both
    // arrays at the peak.
    std::size_t files = 0;
    std::vector<const FolderScanNode*> pending{this};
    while (!pending.empty()) {
        const FolderScanNode* node = pending.back();
        pending.pop_back();
        files += node->files_.size();
        for (const auto& child : node->subfolders_) {
            pending.push_back(child.get());
        }
    }
    destination.reserve(destination.size() + files);
    std::vector<Step> path{{this, 0}};
    for (auto& file : files_) {
        destination.push_back(std::move(file));
    }
    files_.clear();
    while (!path.empty()) {
        Step& step = path.back();
        if (step.nextSubfolder == step.node->subfolders_.size()) {
            path.pop_back();
            continue;
        }
        FolderScanNode* child = step.node->subfolders_[step.nextSubfolder++].get();
        for (auto& file : child->files_) {
            destination.push_back(std::move(file));
        }
        child->files_.clear();
        path.push_back({child, 0});
    }
}

void CollapseFolder(FolderCFItem& folder) {
    folder.ExpandedFiles().clear();
}

void ExpandFolder(FolderCFItem& folder, MAbortBase& abort, const ExpansionSettings& settings) {
    CollapseFolder(folder);
    const std::u16string_view path = folder.Path();
    const std::size_t separator = path.find_last_of(platform::kPathSeparator);
    const std::u16string root = separator == std::u16string_view::npos
                                    ? std::u16string(path) + platform::kPathSeparator
                                    : std::u16string(path.substr(0, separator + 1));
    FolderScanNode top(root, std::u16string(folder.Name()));
    top.ScanFolder(abort, settings);
    top.CollectFiles(folder.ExpandedFiles());
}

bool ExpandSelection(ItemSelection& selection, const ExpansionSettings& settings, MAbortBase& abort) {
    selection.expand = true;
    bool cancelled = false;
    for (const auto& item : selection.Items()) {
        if (item->IsFolder()) {
            ExpandFolder(static_cast<FolderCFItem&>(*item), abort, settings);
        }
        if (abort.CheckAbort()) {
            cancelled = true;
            break;
        }
    }
    // Sorting a large expansion takes a while too: it answers messages and Cancel as the reading does.
    cancelled = cancelled || !ArrangeSelection(selection, &abort);
    if (cancelled) {
        selection.expand = false;
        for (const auto& folder : selection.Items()) {
            if (folder->IsFolder()) {
                CollapseFolder(static_cast<FolderCFItem&>(*folder));
            }
        }
        ArrangeSelection(selection);
    }
    return cancelled;
}

}  // namespace quillet
