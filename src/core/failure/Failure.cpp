#include "core/failure/Failure.h"

#include <atomic>

#include "core/failure/TroubleshootingLog.h"

namespace quillet {
namespace {

std::atomic<FailureHook> currentHook{nullptr};

}  // namespace

FailureHook SetFailureHook(FailureHook hook) {
    return currentHook.exchange(hook);
}

HResult LogFailure(const FailureRecord& failure) {
    const FailureHook hook = currentHook.load();
    (hook ? hook : WriteFailureRecord)(failure);
    return failure.code;
}

}  // namespace quillet
