// What both systems' file functions share: the whole-file reading as bytes alone, and the write
// budget of the test seam.
#include "platform/Files.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Paths.h"
#include "platform/WriteBudget.h"

namespace quillet::platform {
namespace {

std::optional<std::uint64_t> g_writeBudget;

// The digits at the start of text, taken off it; empty when there are none.
std::optional<std::uint64_t> TakeNumber(std::u16string_view& text) {
    std::size_t digits = 0;
    std::uint64_t value = 0;
    for (; digits < text.size() && digits < 10 && text[digits] >= u'0' && text[digits] <= u'9'; ++digits) {
        value = value * 10 + (text[digits] - u'0');
    }
    if (digits == 0) {
        return std::nullopt;
    }
    text.remove_prefix(digits);
    return value;
}

// The process whose replacement of the file named target left entry, or none when entry is no such
// temporary file.
std::optional<std::uint32_t> LeftoverOf(std::u16string_view entry, std::u16string_view target) {
    if (entry.size() <= target.size() + 1 || entry.substr(0, target.size()) != target ||
        entry[target.size()] != u'.') {
        return std::nullopt;
    }
    entry.remove_prefix(target.size() + 1);
    const std::optional<std::uint64_t> process = TakeNumber(entry);
    if (!process || *process > UINT32_MAX || entry.empty() || entry.front() != u'-') {
        return std::nullopt;
    }
    entry.remove_prefix(1);
    if (!TakeNumber(entry) || entry != u".tmp") {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*process);
}

}  // namespace

void RemoveLeftoverTemporaries(const std::u16string& target) {
    const std::size_t slash = target.find_last_of(kPathSeparator);
    if (slash == std::u16string::npos) {
        return;
    }
    const std::u16string folder = target.substr(0, slash == 0 ? 1 : slash);
    const std::u16string_view name = std::u16string_view(target).substr(slash + 1);
    std::vector<std::u16string> doomed;
    FolderReader reader;
    FolderEntry entry;
    if (!reader.Open(folder)) {
        return;
    }
    while (reader.Next(entry)) {
        const std::optional<std::uint32_t> process =
            entry.isDirectory ? std::nullopt : LeftoverOf(entry.name, name);
        if (process && *process != CurrentProcessId() && !ProcessRunning(*process)) {
            doomed.push_back(target.substr(0, slash + 1) + std::u16string(entry.name));
        }
    }
    reader.Close();
    for (const std::u16string& path : doomed) {
        RemoveFile(path);
    }
}

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
