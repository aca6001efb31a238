// Waiting in tests and their helper programs: on the condition a wait stands for (a window, a
// message handled, a file, a clipboard owner), never on a fixed time, so that a busy machine only
// makes them slower.
#pragma once

#include <chrono>
#include <thread>

namespace quillet::test {

// Generous: reached only when the condition never comes, and then the test fails instead of hanging.
inline constexpr std::chrono::milliseconds kWaitBound{30000};

// Checks condition every few milliseconds until it holds or bound has passed; its last value.
template <typename Condition>
bool WaitFor(Condition&& condition, std::chrono::milliseconds bound = kWaitBound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace quillet::test
