// The command line's output: buffered, every failed write remembered with its reason, and on
// Windows a console written in UTF-16 rather than in bytes that it would read in its code page.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "Cli.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include "platform/win32/WideString.h"
#endif

namespace quillet::cli {
namespace {

constexpr std::size_t kFlushAt = 64 * 1024;

std::u16string ErrnoText(int error) {
    return Utf8ToUtf16(std::strerror(error));
}

#ifdef _WIN32
HANDLE ConsoleOf(std::FILE* stream) {
    const HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) ? handle
                                                                                                : nullptr;
}
#endif

}  // namespace

UsageError::UsageError(const std::u16string& text) : std::runtime_error("usage"), message(text) {}
ReadFailure::ReadFailure(const std::u16string& text) : std::runtime_error("read"), message(text) {}

Output::Output(std::FILE* stream) : stream_(stream) {
#ifdef _WIN32
    console_ = ConsoleOf(stream) != nullptr;
    _setmode(_fileno(stream), _O_BINARY);  // the text's own line breaks, not the runtime's
#endif
}

Output::~Output() {
    Flush();
}

void Output::Write(std::u16string_view text) {
    if (keepCrLf_) {
        // Every line ends in CR LF: a line feed alone (the help, messages) gets its carriage return.
        std::size_t done = 0;
        for (std::size_t at = text.find(u'\n'); at != std::u16string_view::npos;
             at = text.find(u'\n', at + 1)) {
            if ((at > 0 ? text[at - 1] : last_) != u'\r') {
                pending_.append(text.substr(done, at - done));
                pending_ += u'\r';
                done = at;
            }
        }
        pending_.append(text.substr(done));
        last_ = text.empty() ? last_ : text.back();
        if (pending_.size() >= kFlushAt) {
            Flush();
        }
        return;
    }
    // From the last character already buffered: a CR there may end a line whose LF comes now.
    const std::size_t from = pending_.empty() ? 0 : pending_.size() - 1;
    pending_ += text;
    std::size_t kept = from;
    for (std::size_t at = from; at < pending_.size(); ++at) {
        if (pending_[at] != u'\r' || at + 1 == pending_.size() || pending_[at + 1] != u'\n') {
            pending_[kept++] = pending_[at];
        }
    }
    pending_.resize(kept);
    // A CR at the end waits for what follows it.
    if (pending_.size() >= kFlushAt && pending_.back() != u'\r') {
        Flush();
    }
}

void Output::WriteBytes(std::string_view bytes) {
    if (!failure_.empty() || bytes.empty()) {
        return;
    }
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size() || std::fflush(stream_) != 0) {
        failure_ = ErrnoText(errno != 0 ? errno : EIO);
    }
}

bool Output::Flush() {
    if (pending_.empty()) {
        return failure_.empty();
    }
#ifdef _WIN32
    if (console_) {
        const HANDLE console = ConsoleOf(stream_);
        std::size_t done = 0;
        while (done < pending_.size() && failure_.empty()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(pending_.size() - done, 16384));
            if (!WriteConsoleW(console, pending_.data() + done, chunk, &written, nullptr) || written == 0) {
                failure_ = platform::LastErrorText();
            }
            done += written;
        }
        pending_.clear();
        return failure_.empty();
    }
    if (encoding_ == OutputEncoding::ConsoleCodePage) {
        const UINT codePage = GetConsoleOutputCP() != 0 ? GetConsoleOutputCP() : GetOEMCP();
        const auto* wide = platform::AsWide(pending_.data());
        const int count = static_cast<int>(pending_.size());
        const int size = WideCharToMultiByte(codePage, 0, wide, count, nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
        WideCharToMultiByte(codePage, 0, wide, count, bytes.data(), size, nullptr, nullptr);
        WriteBytes(bytes);
        pending_.clear();
        return failure_.empty();
    }
    WriteBytes(Utf16ToUtf8(pending_));
#else
    WriteBytes(Utf16ToUtf8EscapedBytes(pending_));
#endif
    pending_.clear();
    return failure_.empty();
}

Output& Out() {
    static Output out(stdout);
    return out;
}

Output& Err() {
    static Output err(stderr);
    return err;
}

void Report(std::u16string_view text) {
    Output& err = Err();
    err.Write(u"quillet: ");
    err.Write(text);
    err.Write(u"\n");
    err.Flush();
}

std::u16string FromNative(std::string_view bytes) {
    return Utf8ToUtf16EscapingBytes(bytes);
}

}  // namespace quillet::cli
