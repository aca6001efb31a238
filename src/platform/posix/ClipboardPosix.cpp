// POSIX side of the clipboard: the text goes through wl-copy and wl-paste, or xclip.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/Utf.h"
#include "platform/posix/Handles.h"

extern char** environ;

namespace quillet::platform {
namespace {

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

}  // namespace

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

ClipboardText ReadClipboardText(std::size_t reach) {
    ClipboardText read;
    const ClipboardTool tool = FindClipboardTool();
    std::string utf8;
    if (tool == ClipboardTool::None ||
        !(tool == ClipboardTool::WlClipboard
              ? RunProgram({"wl-paste", "--no-newline", "--type", "text/plain;charset=utf-8"}, {}, &utf8)
              : RunProgram({"xclip", "-selection", "clipboard", "-out"}, {}, &utf8))) {
        return read;
    }
    read.memory = Utf8ToUtf16(utf8);
    read.memory.push_back(u'\0');  // as the Windows clipboard holds its text
    read.memory.resize(std::min(read.memory.size(), reach));
    read.status = ClipboardStatus::Text;
    return read;
}

}  // namespace quillet::platform
