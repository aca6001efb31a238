// POSIX side of the failure record's system facts.
#include <unistd.h>

#include <cerrno>

#include "platform/Diagnostics.h"

namespace quillet::platform {

void WriteDebuggerOutput(std::u16string_view) {}

std::uint32_t CurrentProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

std::uint32_t CurrentThreadId() {
    return static_cast<std::uint32_t>(::gettid());
}

std::uint32_t LastSystemError() {
    return static_cast<std::uint32_t>(errno);
}

}  // namespace quillet::platform
