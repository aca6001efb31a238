#include "core/format/PathForms.h"

#include <algorithm>

#include "platform/AsciiCase.h"
#include "platform/Files.h"

namespace quillet {
namespace {

bool IsAsciiLetter(char16_t c) {
    return static_cast<unsigned>(LowerAscii(c) - u'a') < 26u;
}

// "C:" alone or followed by a backslash.
bool IsDrivePath(std::u16string_view path) {
    return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == u':' &&
           (path.size() == 2 || path[2] == u'\\');
}

enum class RootKind { Drive, Network, Other };

// A Windows path after its literal prefix ("\\?\", "\\.\"): from the drive letter ("C:\x"), or from the
// server of a network path ("server\share\x" of "\\server\share\x" or "\\?\UNC\server\share\x").
struct WindowsRoot {
    RootKind kind;
    std::u16string_view rest;
};

WindowsRoot SplitWindowsRoot(std::u16string_view path) {
    std::u16string_view p = path;
    if (p.size() >= 4 && p[0] == u'\\' && p[1] == u'\\' && (p[2] == u'?' || p[2] == u'.') && p[3] == u'\\') {
        p.remove_prefix(4);
        if (EqualsIgnoringAsciiCase(p.substr(0, 4), u"UNC\\")) {
            return {RootKind::Network, p.substr(4)};
        }
    } else if (p.size() >= 2 && p[0] == u'\\' && p[1] == u'\\') {
        return {RootKind::Network, p.substr(2)};
    }
    if (IsDrivePath(p)) {
        return {RootKind::Drive, p};
    }
    return {RootKind::Other, path};
}

std::u16string_view WithoutTrailingBackslashes(std::u16string_view path) {
    while (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    return path;
}

// Whether path is folder or lies inside it, ASCII letters matched ignoring case as the file system
// does.
bool IsInsideFolder(std::u16string_view path, std::u16string_view folder) {
    return path.size() >= folder.size() && EqualsIgnoringAsciiCase(path.substr(0, folder.size()), folder) &&
           (path.size() == folder.size() || path[folder.size()] == u'\\');
}

void AppendWithSlashes(std::u16string_view text, std::u16string& out) {
    const std::size_t start = out.size();
    out.append(text);
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), u'\\', u'/');
}

// The length of the shortest folder above a path: its drive ("C:"), its share ("\\server\share"),
// either after a literal prefix; 0 for a POSIX path, whose root folder is the empty text before "/".
std::size_t TopFolderLength(std::u16string_view path, PathStyle style) {
    if (style == PathStyle::Posix) {
        return 0;
    }
    const WindowsRoot root = SplitWindowsRoot(path);
    const std::size_t restStart = path.size() - root.rest.size();
    switch (root.kind) {
        case RootKind::Drive:
            return restStart + 2;
        case RootKind::Network: {
            const std::size_t server = root.rest.find(u'\\');
            const std::size_t share =
                server == std::u16string_view::npos ? server : root.rest.find(u'\\', server + 1);
            return share == std::u16string_view::npos ? path.size() : restStart + share;
        }
        case RootKind::Other:
            break;
    }
    return 0;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendPercentByte(unsigned byte, std::u16string& out) {
    out.push_back(u'%');
    out.push_back(static_cast<char16_t>(kHexDigits[byte >> 4]));
    out.push_back(static_cast<char16_t>(kHexDigits[byte & 15]));
}

// The unreserved ASCII characters, which a URL keeps as they are.
constexpr std::array<bool, 128> kUnreserved = [] {
    std::array<bool, 128> table{};
    for (char c = 'A'; c <= 'Z'; ++c) {
        table[static_cast<std::size_t>(c)] = table[static_cast<std::size_t>(c - 'A' + 'a')] = true;
    }
    for (char c = '0'; c <= '9'; ++c) {
        table[static_cast<std::size_t>(c)] = true;
    }
    for (const char c : {'-', '.', '_', '~'}) {
        table[static_cast<std::size_t>(c)] = true;
    }
    return table;
}();

}  // namespace

std::optional<std::u16string> MPathQueries::SubstitutedFolder(char16_t driveLetter) const {
    return platform::SubstitutedFolder(driveLetter);
}

std::optional<std::u16string> MPathQueries::MappedDrivePath(char16_t driveLetter) const {
    return platform::MappedDrivePath(driveLetter);
}

std::vector<platform::LocalShare> MPathQueries::LocalShares() const {
    return platform::LocalShares();
}

std::u16string MPathQueries::ComputerName() const {
    return platform::ComputerName();
}

std::optional<std::u16string> MPathQueries::ShortPathName(const std::u16string& path) const {
    return platform::ShortPathName(path);
}

bool MPathQueries::HoldsGitEntry(std::u16string_view folder, char16_t separator) const {
    std::u16string entryPath(folder);
    entryPath += separator;
    entryPath += u".git";
    platform::FolderEntry entry;
    return platform::QueryFileEntry(entryPath, entry);
}

const MPathQueries& SystemPathQueries() {
    static const MPathQueries system;
    return system;
}

PathLookups::PathLookups(PathStyle style, const MPathQueries& queries) : style_(style), queries_(queries) {}

const std::optional<std::u16string>& PathLookups::DriveAnswer(char16_t letter, bool mapped) {
    auto& answer = (mapped ? mapped_ : substituted_)[static_cast<std::size_t>(LowerAscii(letter) - u'a')];
    if (!answer) {
        const char16_t upper = static_cast<char16_t>(LowerAscii(letter) - u'a' + u'A');
        answer = mapped ? queries_.MappedDrivePath(upper) : queries_.SubstitutedFolder(upper);
    }
    return *answer;
}

const std::vector<platform::LocalShare>& PathLookups::Shares() {
    if (!shares_) {
        computerName_ = queries_.ComputerName();
        shares_.emplace();
        if (!computerName_.empty()) {
            for (platform::LocalShare& share : queries_.LocalShares()) {
                share.path = std::u16string(WithoutTrailingBackslashes(share.path));
                if (IsDrivePath(share.path) || SplitWindowsRoot(share.path).kind == RootKind::Network) {
                    shares_->push_back(std::move(share));
                }
            }
        }
    }
    return *shares_;
}

std::u16string_view PathLookups::NetworkPath(std::u16string_view path, bool withShares) {
    const WindowsRoot root = SplitWindowsRoot(path);
    if (style_ != PathStyle::Windows || root.kind != RootKind::Drive) {
        return path;
    }
    // Most paths are on a local drive that nothing is shared from: nothing to copy.
    const char16_t drive = root.rest[0];
    if (!DriveAnswer(drive, false) && !DriveAnswer(drive, true) && (!withShares || Shares().empty())) {
        return path;
    }
    std::u16string resolved(root.rest);
    bool changed = false;
    // A subst drive may stand for a folder on another subst drive; there are only 26 letters.
    for (int step = 0; step < 26 && IsDrivePath(resolved); ++step) {
        const auto& folder = DriveAnswer(resolved[0], false);
        if (!folder) {
            break;
        }
        resolved.replace(0, 2, WithoutTrailingBackslashes(*folder));
        changed = true;
    }
    if (IsDrivePath(resolved)) {
        if (const auto& network = DriveAnswer(resolved[0], true)) {
            resolved.replace(0, 2, WithoutTrailingBackslashes(*network));
            changed = true;
        } else if (withShares) {
            const platform::LocalShare* closest = nullptr;
            for (const platform::LocalShare& share : Shares()) {
                if (IsInsideFolder(resolved, share.path) &&
                    (!closest || share.path.size() > closest->path.size())) {
                    closest = &share;
                }
            }
            if (closest) {
                resolved.replace(0, closest->path.size(), u"\\\\" + computerName_ + u"\\" + closest->name);
                changed = true;
            }
        }
    }
    if (!changed) {
        return path;
    }
    scratch_ = std::move(resolved);
    return scratch_;
}

std::u16string_view PathLookups::ShellPath(std::u16string_view path, PathForm form) {
    const WindowsRoot root = SplitWindowsRoot(path);
    if (style_ != PathStyle::Windows || root.kind == RootKind::Other) {
        return path;
    }
    scratch_.clear();
    if (root.kind == RootKind::Drive) {
        scratch_ = form == PathForm::Wsl ? u"/mnt/" : form == PathForm::Cygwin ? u"/cygdrive/" : u"/";
        scratch_ += LowerAscii(root.rest[0]);
        AppendWithSlashes(root.rest.substr(2), scratch_);
        return scratch_;
    }
    if (form != PathForm::Wsl) {
        // MSYS2 and Cygwin reach any network path as //server/share.
        scratch_ = u"//";
        AppendWithSlashes(root.rest, scratch_);
        return scratch_;
    }
    // WSL reaches its own distributions' files (\\wsl$\Ubuntu\home or \\wsl.localhost\Ubuntu\home) at
    // their own paths, and no other network path.
    const std::size_t serverEnd = std::min(root.rest.find(u'\\'), root.rest.size());
    const std::u16string_view server = root.rest.substr(0, serverEnd);
    if (serverEnd == root.rest.size() ||
        !(EqualsIgnoringAsciiCase(server, u"wsl$") || EqualsIgnoringAsciiCase(server, u"wsl.localhost"))) {
        return path;
    }
    const std::size_t distributionEnd = root.rest.find(u'\\', serverEnd + 1);
    if (distributionEnd == std::u16string_view::npos) {
        scratch_ = u"/";
    } else {
        AppendWithSlashes(root.rest.substr(distributionEnd), scratch_);
    }
    return scratch_;
}

std::u16string PathLookups::ShortPath(std::u16string_view path) const {
    std::u16string full(path);
    if (style_ == PathStyle::Windows) {
        if (auto shortPath = queries_.ShortPathName(full); shortPath && !shortPath->empty()) {
            return std::move(*shortPath);
        }
    }
    return full;
}

void PathLookups::AppendUrl(std::u16string_view text, bool fullPath, TextBuffer& buffer) {
    encoded_.clear();
    if (fullPath) {
        AppendFileUrl(text, style_, encoded_);
    } else {
        AppendUrlEncoded(text, style_, encoded_);
    }
    buffer.AppendRaw(encoded_);
}

std::size_t PathLookups::RepositoryRootLength(std::u16string_view folder) {
    if (hasLastFolder_ && folder == lastFolder_) {
        return lastRoot_;
    }
    const char16_t separator = Separator();
    const std::size_t top = TopFolderLength(folder, style_);
    std::vector<std::size_t> unknown;  // the lengths of the folders walked through, not yet known
    std::size_t root = std::u16string_view::npos;
    std::size_t length = folder.size();
    for (;;) {
        const std::u16string_view current = folder.substr(0, length);
        if (const auto known = repositoryRoots_.find(std::u16string(current));
            known != repositoryRoots_.end()) {
            root = known->second;
            break;
        }
        unknown.push_back(length);
        if (queries_.HoldsGitEntry(current, separator)) {
            root = length;
            break;
        }
        const std::size_t cut = current.find_last_of(separator);
        if (length <= top || cut == std::u16string_view::npos || cut < top) {
            break;
        }
        length = cut;
    }
    for (const std::size_t walked : unknown) {
        repositoryRoots_.emplace(folder.substr(0, walked), root);
    }
    lastFolder_ = folder;
    lastRoot_ = root;
    hasLastFolder_ = true;
    return root;
}

void AppendUrlEncoded(std::u16string_view text, PathStyle style, std::u16string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 128) {
            if (kUnreserved[c]) {
                out.push_back(c);
            } else if (c == u'/' || (c == u'\\' && style == PathStyle::Windows)) {
                out.push_back(u'/');
            } else {
                AppendPercentByte(c, out);
            }
            continue;
        }
        char32_t code = c;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (style == PathStyle::Posix && c >= 0xDC80 && c <= 0xDCFF) {
                AppendPercentByte(c & 0xFF, out);
                continue;
            }
            code = 0xFFFD;
        }
        if (code < 0x800) {
            AppendPercentByte(0xC0 | (code >> 6), out);
        } else if (code < 0x10000) {
            AppendPercentByte(0xE0 | (code >> 12), out);
            AppendPercentByte(0x80 | ((code >> 6) & 0x3F), out);
        } else {
            AppendPercentByte(0xF0 | (code >> 18), out);
            AppendPercentByte(0x80 | ((code >> 12) & 0x3F), out);
            AppendPercentByte(0x80 | ((code >> 6) & 0x3F), out);
        }
        AppendPercentByte(0x80 | (code & 0x3F), out);
    }
}

void AppendFileUrl(std::u16string_view path, PathStyle style, std::u16string& out) {
    if (style == PathStyle::Posix) {
        if (path.starts_with(u'/')) {
            out += u"file://";
        }
        AppendUrlEncoded(path, style, out);
        return;
    }
    const WindowsRoot root = SplitWindowsRoot(path);
    switch (root.kind) {
        case RootKind::Drive:
            out += u"file:///";
            out.append(root.rest.substr(0, 2));
            AppendUrlEncoded(root.rest.substr(2), style, out);
            return;
        case RootKind::Network:
            out += u"file://";
            AppendUrlEncoded(root.rest, style, out);
            // A share itself is the folder at its root: "file://server/share/".
            if (std::count(root.rest.begin(), root.rest.end(), u'\\') == 1) {
                out.push_back(u'/');
            }
            return;
        case RootKind::Other:
            break;
    }
    AppendUrlEncoded(path, style, out);
}

}  // namespace quillet
