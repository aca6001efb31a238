// POSIX side of the copy engine's platform needs: folder reading, file identities, the clipboard
// through wl-copy or xclip, the profile file, the per-user folder and number grouping.
#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/AsciiCase.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

extern char** environ;

namespace quillet::platform {
namespace {

// The UTF-8 form of a path for one system call. An ASCII path of ordinary length, by far the most
// common, is narrowed into a buffer of its own; reading a path's status or opening a folder then
// allocates nothing.
class NarrowPath {
  public:
    explicit NarrowPath(std::u16string_view path) {
        if (path.size() < sizeof short_ && NarrowAscii(path, short_)) {
            short_[path.size()] = 0;
            text_ = short_;
        } else {
            long_ = Utf16ToUtf8EscapedBytes(path);
            text_ = long_.c_str();
        }
    }
    NarrowPath(const NarrowPath&) = delete;
    NarrowPath& operator=(const NarrowPath&) = delete;
    const char* c_str() const { return text_; }

  private:
    char short_[1024];
    std::string long_;
    const char* text_;
};

void FillTimes(const struct stat& st, FolderEntry& entry) {
    entry.size = st.st_size < 0 ? 0 : static_cast<std::uint64_t>(st.st_size);
    entry.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    entry.accessed = static_cast<std::int64_t>(st.st_atim.tv_sec);
    // POSIX keeps no creation time; the status change time is the closest it has.
    entry.created = static_cast<std::int64_t>(st.st_ctim.tv_sec);
}

// ---- Running the clipboard programs ----

bool IsExecutableOnPath(const char* program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return false;
    }
    std::stringstream folders(path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

bool HasEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0;
}

// Blocks SIGPIPE on this thread while it lives, so that writing to a program that exited early
// fails with EPIPE instead of ending the process; a SIGPIPE raised meanwhile is consumed.
class SigPipeBlock {
  public:
    SigPipeBlock() {
        sigemptyset(&pipeSet_);
        sigaddset(&pipeSet_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipeSet_, &previous_);
    }
    ~SigPipeBlock() {
        if (!wasPending_) {
            const timespec noWait{0, 0};
            while (sigtimedwait(&pipeSet_, nullptr, &noWait) > 0) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigPipeBlock(const SigPipeBlock&) = delete;
    SigPipeBlock& operator=(const SigPipeBlock&) = delete;

  private:
    sigset_t pipeSet_;
    sigset_t previous_;
    bool wasPending_ = false;
};

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_;
};

// Runs a program with input on its standard input; its standard output is captured into output
// when given, else discarded. True when the program ran and exited with status 0.
bool RunProgram(const std::vector<std::string>& argv, std::string_view input, std::string* output) {
    int inPipe[2];
    int outPipe[2];
    if (::pipe2(inPipe, O_CLOEXEC) != 0) {
        return false;
    }
    FileDescriptor inRead(inPipe[0]);
    FileDescriptor inWrite(inPipe[1]);
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        return false;
    }
    FileDescriptor outRead(outPipe[0]);
    FileDescriptor outWrite(outPipe[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inRead.Get(), 0);
    if (output != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, outWrite.Get(), 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    inRead.Reset();
    outWrite.Reset();
    if (spawned != 0) {
        return false;
    }

    bool written = true;
    {
        SigPipeBlock noSigPipe;
        std::size_t done = 0;
        while (done < input.size()) {
            const ssize_t n = ::write(inWrite.Get(), input.data() + done, input.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                written = false;
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        inWrite.Reset();
    }
    if (output != nullptr) {
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::read(outRead.Get(), chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            output->append(chunk, static_cast<std::size_t>(n));
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return written && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

enum class ClipboardTool { None, WlClipboard, XClip };

ClipboardTool FindClipboardTool() {
    if (HasEnvironment("WAYLAND_DISPLAY") && IsExecutableOnPath("wl-copy") &&
        IsExecutableOnPath("wl-paste")) {
        return ClipboardTool::WlClipboard;
    }
    if (HasEnvironment("DISPLAY") && IsExecutableOnPath("xclip")) {
        return ClipboardTool::XClip;
    }
    return ClipboardTool::None;
}

// ---- The profile file ----

std::u16string_view Trim(std::u16string_view text) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::u16string> ReadProfileLines(const std::u16string& file) {
    std::vector<std::u16string> lines;
    std::ifstream in(Utf16ToUtf8EscapedBytes(file), std::ios::binary);
    if (!in) {
        return lines;
    }
    std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (contents.starts_with("\xEF\xBB\xBF")) {
        contents.erase(0, 3);
    }
    std::u16string text = Utf8ToUtf16(contents);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) {
            end = text.size();
        }
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// The section a line opens, or empty when it opens none.
std::optional<std::u16string_view> SectionOf(std::u16string_view line) {
    line = Trim(line);
    if (line.size() >= 2 && line.front() == u'[') {
        const std::size_t close = line.find(u']');
        if (close != std::u16string_view::npos) {
            return Trim(line.substr(1, close - 1));
        }
    }
    return std::nullopt;
}

// The value of a "name=value" line whose name is the given one.
std::optional<std::u16string_view> ValueIfNamed(std::u16string_view line, std::u16string_view name) {
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos || !EqualsIgnoringAsciiCase(Trim(line.substr(0, equals)), name)) {
        return std::nullopt;
    }
    return Trim(line.substr(equals + 1));
}

}  // namespace

// ---- File times and identities ----

std::optional<FileIdentity> QueryFileIdentity(const std::u16string& path) {
    struct stat st {};
    if (::stat(NarrowPath(path).c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// ---- Folder reading ----

struct FolderReader::State {
    DIR* dir = nullptr;
    std::u16string name;
};

FolderReader::FolderReader() : state_(std::make_unique<State>()) {}

FolderReader::~FolderReader() {
    Close();
}

bool FolderReader::Open(const std::u16string& folderPath) {
    Close();
    state_->dir = ::opendir(NarrowPath(folderPath).c_str());
    return state_->dir != nullptr;
}

void FolderReader::Close() {
    if (state_->dir != nullptr) {
        ::closedir(state_->dir);
        state_->dir = nullptr;
    }
}

bool FolderReader::Next(FolderEntry& entry) {
    if (state_->dir == nullptr) {
        return false;
    }
    const dirent* found = ::readdir(state_->dir);
    if (found == nullptr) {
        return false;
    }
    entry = FolderEntry{};
    const char* name = found->d_name;
    AssignUtf16EscapingBytes(name, state_->name);
    entry.name = state_->name;
    entry.isHidden = name[0] == '.';
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
        entry.isDirectory = true;
        return true;
    }
    const int dirFd = ::dirfd(state_->dir);
    unsigned char type = found->d_type;
    struct stat st {};
    if (type == DT_UNKNOWN) {
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            return true;  // vanished meanwhile: an empty file entry
        }
        type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
    } else if (type != DT_DIR && type != DT_LNK && ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return true;
    }
    if (type == DT_DIR) {
        entry.isDirectory = true;  // a folder's own size and times are not needed to read it
        return true;
    }
    if (type == DT_LNK) {
        entry.isLink = true;
        // A link reads as what it leads to; a dangling link as the link itself.
        if (::fstatat(dirFd, name, &st, 0) != 0 && ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            return true;
        }
    }
    entry.isDirectory = S_ISDIR(st.st_mode);
    FillTimes(st, entry);
    return true;
}

// ---- Clipboard ----

bool ReplaceClipboardText(std::optional<std::u16string_view> text) {
    // The tool is looked for first: without one there is nothing to convert the text for.
    const ClipboardTool tool = FindClipboardTool();
    if (tool == ClipboardTool::None) {
        return false;
    }
    const std::string utf8 = text ? Utf16ToUtf8(*text) : std::string();
    if (tool == ClipboardTool::WlClipboard) {
        return text ? RunProgram({"wl-copy", "--type", "text/plain;charset=utf-8"}, utf8, nullptr)
                    : RunProgram({"wl-copy", "--clear"}, {}, nullptr);
    }
    return RunProgram({"xclip", "-selection", "clipboard", "-in"}, utf8, nullptr);
}

std::optional<std::u16string> ReadClipboardText() {
    std::string out;
    bool read = false;
    switch (FindClipboardTool()) {
        case ClipboardTool::WlClipboard:
            read = RunProgram({"wl-paste", "--no-newline"}, {}, &out);
            break;
        case ClipboardTool::XClip:
            read = RunProgram({"xclip", "-selection", "clipboard", "-out"}, {}, &out);
            break;
        case ClipboardTool::None:
            break;
    }
    if (!read) {
        return std::nullopt;
    }
    return Utf8ToUtf16(out);
}

// ---- Profile ----

int ReadProfileInt(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                   int defaultValue) {
    bool inSection = false;
    for (const std::u16string& line : ReadProfileLines(file)) {
        if (const auto opened = SectionOf(line)) {
            inSection = EqualsIgnoringAsciiCase(*opened, section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        const auto value = ValueIfNamed(line, name);
        if (!value) {
            continue;
        }
        if (value->empty()) {
            return defaultValue;
        }
        // The leading integer, as Windows reads it: sign, digits, anything after them ignored.
        std::size_t at = 0;
        const bool negative = (*value)[0] == u'-';
        if ((*value)[0] == u'-' || (*value)[0] == u'+') {
            at = 1;
        }
        std::uint32_t result = 0;
        for (; at < value->size() && (*value)[at] >= u'0' && (*value)[at] <= u'9'; ++at) {
            result = result * 10 + static_cast<std::uint32_t>((*value)[at] - u'0');
        }
        return static_cast<int>(negative ? 0u - result : result);
    }
    return defaultValue;
}

bool WriteProfileValue(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                       std::u16string_view value) {
    std::vector<std::u16string> lines = ReadProfileLines(file);
    while (!lines.empty() && Trim(lines.back()).empty()) {
        lines.pop_back();
    }
    const std::u16string newLine = std::u16string(name) + u"=" + std::u16string(value);
    bool inSection = false;
    std::optional<std::size_t> sectionEnd;  // where a new value of the section goes
    bool replaced = false;
    for (std::size_t i = 0; i < lines.size() && !replaced; ++i) {
        if (const auto opened = SectionOf(lines[i])) {
            inSection = EqualsIgnoringAsciiCase(*opened, section);
            if (inSection) {
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (ValueIfNamed(lines[i], name)) {
            lines[i] = newLine;
            replaced = true;
        } else if (!Trim(lines[i]).empty()) {
            sectionEnd = i + 1;
        }
    }
    if (!replaced) {
        if (sectionEnd) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), newLine);
        } else {
            lines.push_back(u"[" + std::u16string(section) + u"]");
            lines.push_back(newLine);
        }
    }
    std::u16string text;
    for (const std::u16string& line : lines) {
        text += line;
        text += u"\r\n";
    }
    // Written beside the file and renamed over it, so that a failed write never loses the old file.
    const std::string target = Utf16ToUtf8EscapedBytes(file);
    const std::string temporary = target + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        const std::string utf8 = Utf16ToUtf8(text);
        out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
        out.close();
        if (!out) {
            ::unlink(temporary.c_str());
            return false;
        }
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// ---- Folders and numbers ----

bool CreateFolders(const std::u16string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(Utf16ToUtf8EscapedBytes(path)), error);
    return std::filesystem::is_directory(std::filesystem::path(Utf16ToUtf8EscapedBytes(path)), error);
}

std::optional<std::u16string> FormatNumberForLocale(const std::u16string& digits) {
    static const locale_t numeric = [] {
        locale_t fromEnvironment = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
        return fromEnvironment != static_cast<locale_t>(0)
                   ? fromEnvironment
                   : ::newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    }();
    if (numeric == static_cast<locale_t>(0)) {
        return std::nullopt;
    }
    const char* separator = ::nl_langinfo_l(THOUSEP, numeric);
    const char* grouping = ::nl_langinfo_l(GROUPING, numeric);
    return GroupDigits(digits, grouping ? grouping : "", Utf8ToUtf16(separator ? separator : ""));
}

}  // namespace quillet::platform

namespace quillet::platform {

bool QueryFileEntry(const std::u16string& path, FolderEntry& entry) {
    struct stat st {};
    if (::stat(NarrowPath(path).c_str(), &st) != 0) {
        return false;
    }
    entry = FolderEntry{};
    std::size_t nameStart = path.size();
    while (nameStart > 0 && path[nameStart - 1] != kPathSeparator) {
        --nameStart;
    }
    entry.isHidden = nameStart < path.size() && path[nameStart] == u'.';
    entry.isDirectory = S_ISDIR(st.st_mode);
    FillTimes(st, entry);
    return true;
}

}  // namespace quillet::platform
