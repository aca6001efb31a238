// Feeds arbitrary bytes to the drop list reader as the DROPFILES block of a selection. libFuzzer's
// input is a block of exactly its size, so AddressSanitizer sees any read beyond it. The names read
// must fit in the block, and a well-formed block made of them must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/menu/DropFiles.h"

namespace {

using namespace quillet;

// A stand-in code page: Latin-1, with 0x80 to 0x9F undefined.
std::optional<std::u16string> Latin1(std::string_view name) {
    std::u16string converted;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte <= 0x9F) {
            return std::nullopt;
        }
        converted.push_back(byte);
    }
    return converted;
}

std::vector<std::byte> WellFormed(const std::vector<std::u16string>& names, bool wide) {
    std::vector<std::byte> block(kDropFilesHeaderSize);
    block[0] = static_cast<std::byte>(kDropFilesHeaderSize);
    block[16] = static_cast<std::byte>(wide ? 1 : 0);
    for (const std::u16string& name : names) {
        for (const char16_t unit : name + u'\0') {
            block.push_back(static_cast<std::byte>(unit & 0xFF));
            if (wide) {
                block.push_back(static_cast<std::byte>(unit >> 8));
            }
        }
    }
    block.resize(block.size() + (wide ? 2 : 1));
    return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> block(reinterpret_cast<const std::byte*>(data), size);
    const std::vector<std::u16string> names = ReadDropFiles(block, Latin1);
    if (names.empty()) {
        return 0;
    }
    const bool wide = data[16] != 0 || data[17] != 0 || data[18] != 0 || data[19] != 0;
    std::size_t used = 0;
    for (const std::u16string& name : names) {
        if (name.empty() || name.find(u'\0') != std::u16string::npos) {
            std::abort();
        }
        used += (name.size() + 1) * (wide ? 2 : 1);
    }
    if (used > size - kDropFilesHeaderSize) {
        std::abort();
    }
    if (ReadDropFiles(WellFormed(names, wide), Latin1) != names) {
        std::abort();
    }
    return 0;
}
