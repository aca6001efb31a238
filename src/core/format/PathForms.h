// The forms of a path that people paste elsewhere: the network path of a file on a mapped or shared
// drive, a file URL, the path as the Linux shells of Windows see it (WSL, MSYS2 and Git Bash, Cygwin),
// the short (8.3) form, and the path inside a Git working tree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/format/TextBuffer.h"
#include "platform/Drives.h"
#include "platform/Paths.h"

namespace quillet {

// The form a path attribute writes, chosen by its tag; the separator tags keep AsIs.
enum class PathForm : std::int32_t { AsIs = 0, Unc = 1, Url = 2, Wsl = 3, Msys = 4, Cygwin = 5, Short = 6 };

// How the paths are spelled: with drive letters and backslashes, or as POSIX paths (the command line on
// Linux), where only the URL is a form of its own and the other forms leave a path as it is.
enum class PathStyle { Windows, Posix };
inline constexpr PathStyle kPlatformPathStyle =
    platform::kPathSeparator == u'\\' ? PathStyle::Windows : PathStyle::Posix;

// What the forms ask of the system: the platform's answers (src/platform/Drives.h), unless a test
// answers some of them itself.
class MPathQueries {
  public:
    virtual ~MPathQueries() = default;
    virtual std::optional<std::u16string> SubstitutedFolder(char16_t driveLetter) const;
    virtual std::optional<std::u16string> MappedDrivePath(char16_t driveLetter) const;
    virtual std::vector<platform::LocalShare> LocalShares() const;
    virtual std::u16string ComputerName() const;
    virtual std::optional<std::u16string> ShortPathName(const std::u16string& path) const;
    // Whether folder holds an entry named ".git": the folder of a working tree, or the file that a
    // linked worktree or a submodule has in its place.
    virtual bool HoldsGitEntry(std::u16string_view folder, char16_t separator) const;
};

// The platform's answers.
const MPathQueries& SystemPathQueries();

// What the path forms of one copy look up, each asked of the system once however many items are
// written: every drive's substitution and mapping, this computer's shares and name, and the working
// tree of every folder. A copy makes one and drops it, so that a drive mapped meanwhile counts the
// next time.
class PathLookups {
  public:
    explicit PathLookups(PathStyle style = kPlatformPathStyle,
                         const MPathQueries& queries = SystemPathQueries());
    PathLookups(const PathLookups&) = delete;
    PathLookups& operator=(const PathLookups&) = delete;

    char16_t Separator() const { return style_ == PathStyle::Windows ? u'\\' : u'/'; }

    // The path in a network form: a subst drive replaced by its folder, then a mapped drive by its
    // network path, or (withShares) a path inside a folder this computer shares by
    // \\COMPUTER\share\rest, the share that holds it most closely. Any other path as it is. The view
    // is valid until the next call.
    std::u16string_view NetworkPath(std::u16string_view path, bool withShares);
    // The path as a Linux shell on Windows writes it (form Wsl, Msys or Cygwin); paths it cannot reach
    // as they are. The view is valid until the next call.
    std::u16string_view ShellPath(std::u16string_view path, PathForm form);
    // The short form of an existing path, else the path itself.
    std::u16string ShortPath(std::u16string_view path) const;
    // Appends the file URL of a full path, or the URL-encoded text of a relative one (AppendFileUrl,
    // AppendUrlEncoded).
    void AppendUrl(std::u16string_view text, bool fullPath, TextBuffer& buffer);
    // The length of the root folder of the working tree that holds folder (the folder itself or the
    // nearest one above it with a ".git" entry), or npos outside any working tree.
    std::size_t RepositoryRootLength(std::u16string_view folder);

  private:
    // The folder a drive was substituted for, or (mapped) the network path it is mapped to.
    const std::optional<std::u16string>& DriveAnswer(char16_t letter, bool mapped);
    const std::vector<platform::LocalShare>& Shares();

    PathStyle style_;
    const MPathQueries& queries_;
    std::array<std::optional<std::optional<std::u16string>>, 26> substituted_;
    std::array<std::optional<std::optional<std::u16string>>, 26> mapped_;
    std::optional<std::vector<platform::LocalShare>> shares_;  // paths without a trailing separator
    std::u16string computerName_;
    std::unordered_map<std::u16string, std::size_t> repositoryRoots_;
    std::u16string lastFolder_;  // most items of a copy share their folder with the one before
    std::size_t lastRoot_ = 0;
    bool hasLastFolder_ = false;
    std::u16string scratch_;
    std::u16string encoded_;
};

// Appends text percent-encoded as a URL path: UTF-8, every byte outside the unreserved characters
// (letters, digits, "-", ".", "_", "~") as "%XX", the separators as "/". In the POSIX style a lone
// surrogate from U+DC80 to U+DCFF stands for a byte of a file name that was not UTF-8 and is written
// as that byte; other lone surrogates are written as U+FFFD.
void AppendUrlEncoded(std::u16string_view text, PathStyle style, std::u16string& out);

// Appends the file URL of a full path: "file:///C:/a%20b/c.txt", "file://server/share/c.txt",
// "file:///home/ana/c.txt". A path without a root is only encoded.
void AppendFileUrl(std::u16string_view path, PathStyle style, std::u16string& out);

}  // namespace quillet
