// One vocabulary for failures: an HRESULT code, on every system, and one hook through which each
// failure passes with the source file and line that saw it. The hook that the programs use writes the
// troubleshooting record (TroubleshootingLog.h); tests put their own in its place.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillet {

// An HRESULT: negative is a failure. The core spells the values it needs itself (no <windows.h>).
using HResult = std::int32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kFail = static_cast<HResult>(0x80004005);         // E_FAIL
inline constexpr HResult kInvalidData = static_cast<HResult>(0x8007000D);  // ERROR_INVALID_DATA

constexpr bool Failed(HResult result) {
    return result < 0;
}

// A system error code (GetLastError's; errno on POSIX) as HRESULT_FROM_WIN32 makes it: 0 is success,
// any other code a failure of the Win32 facility.
constexpr HResult HResultFromSystemError(std::uint32_t code) {
    return code == 0 ? kOk : static_cast<HResult>((code & 0xFFFFu) | 0x80070000u);
}

// The same for the error of a call known to have failed: never a success, even when the call left no
// error code.
constexpr HResult FailureFromSystemError(std::uint32_t code) {
    return code == 0 ? kFail : HResultFromSystemError(code);
}

// The system error code inside a code that HResultFromSystemError made; any other code as it is.
constexpr std::uint32_t SystemErrorOf(HResult result) {
    const auto bits = static_cast<std::uint32_t>(result);
    return (bits & 0xFFFF0000u) == 0x80070000u ? bits & 0xFFFFu : bits;
}

// One failure: its code, the source file and line that saw it, and what was being done, in our own
// words or the code's own text (never clipboard text or a file's contents). subject and subjectLine
// name, where there is one, the file of ours that the failure is about and its line (the command
// file's line that was left out, numbered from 0; -1 for none).
struct FailureRecord {
    HResult code = kFail;
    const char* file = "";
    int line = 0;
    std::string_view what;
    std::u16string_view subject;
    std::int64_t subjectLine = -1;
};

// Receives every failure; it must not throw.
using FailureHook = void (*)(const FailureRecord& failure);

// Puts hook in the place of the one every failure goes to (null: the troubleshooting record,
// WriteFailureRecord) and returns the one it replaces. For the whole process, from any thread.
FailureHook SetFailureHook(FailureHook hook);

// Hands the failure to the hook and returns its code.
HResult LogFailure(const FailureRecord& failure);

}  // namespace quillet

// The helpers that log a failure with the file and line where it is seen.
// QUILLET_LOG_FAILURE(code, what): logs code with what, and gives code.
#define QUILLET_LOG_FAILURE(code, what) ::quillet::LogFailureAt((code), __FILE__, __LINE__, (what))
// QUILLET_LOG_FAILURE_IN(code, what, subject, subjectLine): the same for a failure about a file of ours
// (FailureRecord::subject), or one of its lines.
#define QUILLET_LOG_FAILURE_IN(code, what, subject, subjectLine) \
    ::quillet::LogFailureAt((code), __FILE__, __LINE__, (what), (subject), (subjectLine))
// QUILLET_LOG_IF_FAILED(expression): gives the expression's HResult, logged with its own text when it
// is a failure.
#define QUILLET_LOG_IF_FAILED(expression) \
    ::quillet::LogIfFailed((expression), __FILE__, __LINE__, #expression)
// QUILLET_RETURN_IF_FAILED(expression): returns the expression's HResult from the calling function,
// logged with its own text, when it is a failure.
#define QUILLET_RETURN_IF_FAILED(expression)                                                 \
    do {                                                                                     \
        const ::quillet::HResult quilletResult_ = (expression);                              \
        if (::quillet::Failed(quilletResult_)) {                                             \
            return ::quillet::LogFailureAt(quilletResult_, __FILE__, __LINE__, #expression); \
        }                                                                                    \
    } while (false)

namespace quillet {

inline HResult LogFailureAt(HResult code, const char* file, int line, std::string_view what,
                            std::u16string_view subject = {}, std::int64_t subjectLine = -1) {
    FailureRecord failure;
    failure.code = code;
    failure.file = file;
    failure.line = line;
    failure.what = what;
    failure.subject = subject;
    failure.subjectLine = subjectLine;
    return LogFailure(failure);
}

inline HResult LogIfFailed(HResult result, const char* file, int line, std::string_view what) {
    return Failed(result) ? LogFailureAt(result, file, line, what) : result;
}

}  // namespace quillet
