// POSIX side of files and folders.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "platform/WriteBudget.h"
#include "platform/posix/Handles.h"

namespace quillet::platform {
namespace {

// Writes all of bytes; false with errno set when a write fails or makes no progress.
bool WriteAll(int fd, std::string_view bytes) {
    std::uint64_t written = 0;
    while (written < bytes.size()) {
        const auto chunk = static_cast<std::size_t>(AllowedByWriteBudget(written, bytes.size() - written));
        const ssize_t result = chunk == 0 ? 0 : ::write(fd, bytes.data() + written, chunk);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (result == 0) {
            errno = ENOSPC;  // a write that stores nothing: the disk is full
            return false;
        }
        written += static_cast<std::uint64_t>(result);
    }
    return true;
}

std::u16string FolderOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(kPathSeparator);
    if (slash == std::u16string::npos) {
        return u".";
    }
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

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

// A path's status with its birth time where the file system keeps one.
struct Status {
    struct stat st {};
    std::optional<std::int64_t> born;
};

// fstatat, with the birth time through statx where the kernel has it.
int StatusAt(int dirFd, const char* name, int flags, Status& status) {
    struct statx found {};
    if (::statx(dirFd, name, flags, STATX_BASIC_STATS | STATX_BTIME, &found) != 0) {
        return errno == ENOSYS ? ::fstatat(dirFd, name, &status.st, flags) : -1;
    }
    const auto time = [](const statx_timestamp& stamp) {
        return timespec{static_cast<time_t>(stamp.tv_sec), static_cast<long>(stamp.tv_nsec)};
    };
    status.st.st_mode = found.stx_mode;
    status.st.st_size = static_cast<off_t>(found.stx_size);
    status.st.st_mtim = time(found.stx_mtime);
    status.st.st_atim = time(found.stx_atime);
    status.st.st_ctim = time(found.stx_ctime);
    status.born.reset();
    // A birth time of exactly 0 is one the file system never recorded (files made with the disk).
    if ((found.stx_mask & STATX_BTIME) != 0 &&
        (found.stx_btime.tv_sec != 0 || found.stx_btime.tv_nsec != 0)) {
        status.born = static_cast<std::int64_t>(found.stx_btime.tv_sec);
    }
    return 0;
}

void FillTimes(const Status& status, FolderEntry& entry) {
    const struct stat& st = status.st;
    // A folder has no size of its own, as on Windows, where it sorts as 0 bytes.
    entry.size = st.st_size < 0 || S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    entry.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    entry.accessed = static_cast<std::int64_t>(st.st_atim.tv_sec);
    // The birth time where the file system keeps one; else the status change, the closest there is.
    entry.created = status.born.value_or(static_cast<std::int64_t>(st.st_ctim.tv_sec));
}

}  // namespace

FileContents ReadFileContents(const std::u16string& path, std::uint64_t sizeLimit) {
    const auto failure = [](int code) {
        FileContents contents;
        contents.missing = code == ENOENT || code == ENOTDIR;
        contents.errorCode = static_cast<std::uint32_t>(code);
        return contents;
    };
    FileDescriptor file(::open(Utf16ToUtf8EscapedBytes(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid()) {
        return failure(errno);
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0) {
        return failure(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return failure(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) >= sizeLimit) {
        return failure(EFBIG);
    }
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t result = ::read(file.Get(), bytes.data() + got, bytes.size() - got);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0) {
            return failure(errno);
        }
        if (result == 0) {
            break;  // the file shrank meanwhile: what was there is what we have
        }
        got += static_cast<std::size_t>(result);
    }
    bytes.resize(got);
    FileContents contents;
    contents.bytes = std::move(bytes);
    return contents;
}

std::u16string SystemErrorText(std::uint32_t errorCode) {
    return Utf8ToUtf16(std::strerror(static_cast<int>(errorCode)));
}

bool ProcessRunning(std::uint32_t processId) {
    return processId <= INT32_MAX && (::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM);
}

bool RemoveFile(const std::u16string& path) {
    return ::unlink(Utf16ToUtf8EscapedBytes(path).c_str()) == 0;
}

ReplaceResult ReplaceFileContents(const std::u16string& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    // A link is saved through: the file it leads to is replaced, and the link stays a link.
    std::string target = Utf16ToUtf8EscapedBytes(path);
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(target.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    RemoveLeftoverTemporaries(Utf8ToUtf16EscapingBytes(target));
    std::string temporary;
    int fd = -1;
    // A unique name, so that two writers never share a temporary file.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = target + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    FileDescriptor file(fd);
    if (!file.Valid()) {
        return {ReplaceStep::Create, static_cast<std::uint32_t>(errno)};
    }
    // The new file keeps the permissions of the one it replaces.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        ::fchmod(file.Get(), old.st_mode & 07777);
    }
    if (!WriteAll(file.Get(), bytes) || ::fsync(file.Get()) != 0 || !file.Close() ||
        ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        file.Close();
        ::unlink(temporary.c_str());
        return {ReplaceStep::Write, static_cast<std::uint32_t>(error)};
    }
    // Make the rename itself durable; the new contents are already in place if this fails.
    FileDescriptor folder(::open(Utf16ToUtf8EscapedBytes(FolderOf(Utf8ToUtf16EscapingBytes(target))).c_str(),
                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) {
        ::fsync(folder.Get());
    }
    return {};
}

std::optional<std::int64_t> LastWriteTime(const std::u16string& path) {
    struct stat st {};
    if (::stat(Utf16ToUtf8EscapedBytes(path).c_str(), &st) != 0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::u16string LastErrorText() {
    return Utf8ToUtf16(std::strerror(errno));
}

bool AppendToFile(const std::u16string& path, std::string_view bytes) {
    FileDescriptor file(
        ::open(Utf16ToUtf8EscapedBytes(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    return file.Valid() && WriteAll(file.Get(), bytes);
}

bool MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
    return std::rename(Utf16ToUtf8EscapedBytes(from).c_str(), Utf16ToUtf8EscapedBytes(to).c_str()) == 0;
}

bool CreateFolder(const std::u16string& path) {
    return ::mkdir(Utf16ToUtf8EscapedBytes(path).c_str(), 0777) == 0;
}

bool CreateFolders(const std::u16string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(Utf16ToUtf8EscapedBytes(path)), error);
    return std::filesystem::is_directory(std::filesystem::path(Utf16ToUtf8EscapedBytes(path)), error);
}

bool QueryFileEntry(const std::u16string& path, FolderEntry& entry) {
    Status status;
    if (StatusAt(AT_FDCWD, NarrowPath(path).c_str(), 0, status) != 0) {
        return false;
    }
    const struct stat& st = status.st;
    entry = FolderEntry{};
    std::size_t nameStart = path.size();
    while (nameStart > 0 && path[nameStart - 1] != kPathSeparator) {
        --nameStart;
    }
    entry.isHidden = nameStart < path.size() && path[nameStart] == u'.';
    entry.isDirectory = S_ISDIR(st.st_mode);
    FillTimes(status, entry);
    return true;
}

std::optional<FileIdentity> QueryFileIdentity(const std::u16string& path) {
    struct stat st {};
    if (::stat(NarrowPath(path).c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<FileStamp> QueryFileStamp(const std::u16string& path) {
    struct stat st {};
    if (::stat(NarrowPath(path).c_str(), &st) != 0) {
        return std::nullopt;
    }
    const auto ticks = [](const timespec& time) {
        return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
    };
    return FileStamp{{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
                     static_cast<std::uint64_t>(st.st_size),
                     ticks(st.st_mtim),
                     ticks(st.st_ctim)};
}

std::int64_t FileClockNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::int64_t FileClockTicksPerSecond() {
    return 1000000000;
}

// ---- Folder reading ----

struct FolderReader::State {
    FolderStream dir;
    std::u16string name;
};

FolderReader::FolderReader() : state_(std::make_unique<State>()) {}

FolderReader::~FolderReader() = default;

bool FolderReader::Open(const std::u16string& folderPath) {
    Close();
    state_->dir.Reset(::opendir(NarrowPath(folderPath).c_str()));
    return state_->dir.Valid();
}

void FolderReader::Close() {
    state_->dir.Reset();
}

bool FolderReader::Next(FolderEntry& entry) {
    if (!state_->dir.Valid()) {
        return false;
    }
    const dirent* found = ::readdir(state_->dir.Get());
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
    const int dirFd = ::dirfd(state_->dir.Get());
    unsigned char type = found->d_type;
    Status status;
    struct stat& st = status.st;
    if (type == DT_UNKNOWN) {
        if (StatusAt(dirFd, name, AT_SYMLINK_NOFOLLOW, status) != 0) {
            return true;  // vanished meanwhile: an empty file entry
        }
        type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
    } else if (type != DT_DIR && type != DT_LNK && StatusAt(dirFd, name, AT_SYMLINK_NOFOLLOW, status) != 0) {
        return true;
    }
    if (type == DT_DIR) {
        entry.isDirectory = true;  // a folder's own size and times are not needed to read it
        return true;
    }
    if (type == DT_LNK) {
        entry.isLink = true;
        // A link reads as what it leads to; a dangling link as the link itself.
        if (StatusAt(dirFd, name, 0, status) != 0 &&
            StatusAt(dirFd, name, AT_SYMLINK_NOFOLLOW, status) != 0) {
            return true;
        }
    }
    entry.isDirectory = S_ISDIR(st.st_mode);
    FillTimes(status, entry);
    return true;
}

}  // namespace quillet::platform
