// Win32 side of the failure record's system facts.
#include <windows.h>

#include <string>

#include "platform/Diagnostics.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {

void WriteDebuggerOutput(std::u16string_view line) {
    const std::u16string text(line);
    OutputDebugStringW(AsWide(text));
}

std::uint32_t CurrentProcessId() {
    return GetCurrentProcessId();
}

std::uint32_t CurrentThreadId() {
    return GetCurrentThreadId();
}

std::uint32_t LastSystemError() {
    return GetLastError();
}

}  // namespace quillet::platform
