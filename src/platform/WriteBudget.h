// What both implementations of ReplaceFileContents share (Files.cpp): the test seam
// (SetWriteBudgetForTesting) and the clearing of temporary files that earlier replacements left.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Diagnostics.h"

namespace quillet::platform {

// How many bytes of a write of `chunk` bytes, after `written` bytes of the same file, the budget lets
// through: all of them while no budget is set.
std::uint64_t AllowedByWriteBudget(std::uint64_t written, std::uint64_t chunk);

// Removes the temporary files that replacements of target by processes no longer running left beside
// it ("<name>.<process id>-<n>.tmp", a save killed midway); those of running processes stay.
void RemoveLeftoverTemporaries(const std::u16string& target);

// Per system: whether a process with that id still runs (CurrentProcessId gives this one's), and
// removing a file.
bool ProcessRunning(std::uint32_t processId);
bool RemoveFile(const std::u16string& path);

}  // namespace quillet::platform
