#include "platform/WriteBudget.h"

#include <algorithm>
#include <optional>

#include "platform/Files.h"

namespace quillet::platform {
namespace {

std::optional<std::uint64_t> g_writeBudget;

}  // namespace

void SetWriteBudgetForTesting(std::optional<std::uint64_t> bytes) {
    g_writeBudget = bytes;
}

std::uint64_t AllowedByWriteBudget(std::uint64_t written, std::uint64_t chunk) {
    if (!g_writeBudget) {
        return chunk;
    }
    return std::min(chunk, *g_writeBudget > written ? *g_writeBudget - written : 0);
}

}  // namespace quillet::platform
