// What both systems' file functions share: the whole-file reading as bytes alone, and the write
// budget of the test seam.
#include "platform/Files.h"

#include <algorithm>
#include <optional>

#include "platform/WriteBudget.h"

namespace quillet::platform {
namespace {

std::optional<std::uint64_t> g_writeBudget;

}  // namespace

std::optional<std::string> ReadWholeFile(const std::u16string& path, std::uint64_t sizeLimit) {
    return ReadFileContents(path, sizeLimit).bytes;
}

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
