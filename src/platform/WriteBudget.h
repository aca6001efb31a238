// The test seam of ReplaceFileContents (SetWriteBudgetForTesting), shared by both implementations
// (Files.cpp).
#pragma once

#include <cstdint>

namespace quillet::platform {

// How many bytes of a write of `chunk` bytes, after `written` bytes of the same file, the budget lets
// through: all of them while no budget is set.
std::uint64_t AllowedByWriteBudget(std::uint64_t written, std::uint64_t chunk);

}  // namespace quillet::platform
