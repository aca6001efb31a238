// POSIX implementation of the file functions of the platform seam.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"
#include "platform/Utf.h"

namespace quillet::platform {
namespace {

std::optional<std::uint64_t> g_writeBudget;

// Owns one file descriptor.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now; false when the close reports an error (a late write failure on some file systems).
    bool Close() {
        if (fd_ < 0) {
            return true;
        }
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

  private:
    int fd_;
};

// Writes all of bytes; false with errno set when a write fails or makes no progress.
bool WriteAll(int fd, std::string_view bytes) {
    std::uint64_t written = 0;
    while (written < bytes.size()) {
        std::size_t chunk = bytes.size() - written;
        if (g_writeBudget) {
            const std::uint64_t room = *g_writeBudget > written ? *g_writeBudget - written : 0;
            chunk = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, room));
        }
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

}  // namespace

std::optional<std::string> ReadWholeFile(const std::u16string& path, std::uint64_t sizeLimit) {
    return ReadFileContents(path, sizeLimit).bytes;
}

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

ReplaceResult ReplaceFileContents(const std::u16string& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string target = Utf16ToUtf8EscapedBytes(path);
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
    FileDescriptor folder(
        ::open(Utf16ToUtf8EscapedBytes(FolderOf(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) {
        ::fsync(folder.Get());
    }
    return {};
}

void SetWriteBudgetForTesting(std::optional<std::uint64_t> bytes) {
    g_writeBudget = bytes;
}

std::optional<std::int64_t> LastWriteTime(const std::u16string& path) {
    struct stat st {};
    if (::stat(Utf16ToUtf8EscapedBytes(path).c_str(), &st) != 0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::u16string ApplicationDataFolder() {
    // Relative values are invalid by the XDG rules and are ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
        return Utf8ToUtf16EscapingBytes(config);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') {
        return {};
    }
    std::u16string folder = Utf8ToUtf16EscapingBytes(home);
    if (folder.back() != kPathSeparator) {
        folder += kPathSeparator;
    }
    return folder + u".config";
}

std::u16string AbsolutePath(const std::u16string& path) {
    if (const std::size_t root = PathRootLength(path); root > 0) {
        return ResolveAgainst(std::u16string_view(path).substr(0, root),
                              std::u16string_view(path).substr(root));
    }
    std::string folder(PATH_MAX, '\0');
    if (::getcwd(folder.data(), folder.size()) == nullptr) {
        return {};
    }
    folder.resize(std::char_traits<char>::length(folder.c_str()));
    return ResolveAgainst(Utf8ToUtf16EscapingBytes(folder), path);
}

std::u16string RunningModuleFolder() {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return {};
    }
    buffer.resize(static_cast<std::size_t>(length));
    const std::size_t slash = buffer.find_last_of('/');
    return slash == std::string::npos ? std::u16string()
                                      : Utf8ToUtf16EscapingBytes(buffer.substr(0, slash + 1));
}

std::u16string LastErrorText() {
    return Utf8ToUtf16(std::strerror(errno));
}

bool CreateFolder(const std::u16string& path) {
    return ::mkdir(Utf16ToUtf8EscapedBytes(path).c_str(), 0777) == 0;
}

}  // namespace quillet::platform
