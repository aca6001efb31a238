// What a failure's record needs from the system: the debugger's output, the ids of the process and
// the thread, and the error of the last failed call.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillet::platform {

// Hands a line to the debugger's output (Windows: OutputDebugStringW, which a debugger or DebugView
// shows; POSIX: nothing, programs there have no such channel).
void WriteDebuggerOutput(std::u16string_view line);

// The ids of the running process and of the calling thread, as the system's tools show them.
std::uint32_t CurrentProcessId();
std::uint32_t CurrentThreadId();

// The error code of the last failed call on this thread (Windows: GetLastError; POSIX: errno).
std::uint32_t LastSystemError();

}  // namespace quillet::platform
