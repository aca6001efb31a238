#include "core/menu/DropFiles.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace quillet {
namespace {

constexpr std::size_t kWideFlagOffset = 16;

// The header's fields are little-endian, as on every Windows machine; assembled byte by byte so that
// the reading is the same on any host and at any alignment.
std::uint32_t ReadUint32(std::span<const std::byte> bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= std::to_integer<std::uint32_t>(bytes[at + i]) << (8 * i);
    }
    return value;
}

char16_t WideUnit(std::span<const std::byte> bytes, std::size_t index) {
    return static_cast<char16_t>(std::to_integer<unsigned>(bytes[2 * index]) |
                                 std::to_integer<unsigned>(bytes[2 * index + 1]) << 8);
}

// The index of the first zero unit from at on, or units when there is none. Four units are tested
// at a time (a hundred thousand paths are megabytes of text): a 16-bit lane of the word is zero only
// when both its bytes are, whatever the host's byte order.
std::size_t FindWideZero(std::span<const std::byte> list, std::size_t units, std::size_t at) {
    constexpr std::uint64_t kLow = 0x0001000100010001;
    constexpr std::uint64_t kHigh = 0x8000800080008000;
    for (; at + 4 <= units; at += 4) {
        std::uint64_t word = 0;
        std::memcpy(&word, list.data() + 2 * at, sizeof word);
        if (((word - kLow) & ~word & kHigh) != 0) {
            break;
        }
    }
    while (at < units && WideUnit(list, at) != u'\0') {
        ++at;
    }
    return at;
}

// Calls visit(first, end) with the unit range of each terminated name in order, up to the empty name
// that ends the list; findEnd(at) gives the index of the zero unit that ends a name beginning at at,
// or units when there is none. A name that runs into the end of the units is not visited.
template <typename FindEnd, typename Visit>
void ForEachName(std::size_t units, const FindEnd& findEnd, const Visit& visit) {
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = findEnd(at);
        if (end == units || end == at) {
            return;
        }
        visit(at, end);
        at = end + 1;
    }
}

// The names are counted before they are read, so that the list is allocated once: with a hundred
// thousand names, a growing list would touch several times its final memory.
template <typename FindEnd>
std::size_t CountNames(std::size_t units, const FindEnd& findEnd) {
    std::size_t count = 0;
    ForEachName(units, findEnd, [&](std::size_t, std::size_t) { ++count; });
    return count;
}

void ReadWideNames(std::span<const std::byte> list, std::vector<std::u16string>& names) {
    // An odd last byte cannot belong to a UTF-16 unit.
    const std::size_t units = list.size() / 2;
    const auto findEnd = [&](std::size_t at) { return FindWideZero(list, units, at); };
    names.reserve(CountNames(units, findEnd));
    ForEachName(units, findEnd, [&](std::size_t first, std::size_t end) {
        std::u16string& name = names.emplace_back(end - first, u'\0');
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(name.data(), list.data() + 2 * first, 2 * name.size());
        } else {
            for (std::size_t i = 0; i < name.size(); ++i) {
                name[i] = WideUnit(list, first + i);
            }
        }
    });
}

void ReadNarrowNames(std::span<const std::byte> list, const NarrowToUtf16& narrow,
                     std::vector<std::u16string>& names) {
    const std::string_view bytes(reinterpret_cast<const char*>(list.data()), list.size());
    const auto findEnd = [&](std::size_t at) { return std::min(bytes.find('\0', at), bytes.size()); };
    names.reserve(CountNames(bytes.size(), findEnd));
    ForEachName(bytes.size(), findEnd, [&](std::size_t first, std::size_t end) {
        // A name the code page does not define is left out.
        std::optional<std::u16string> name = narrow(bytes.substr(first, end - first));
        if (name && !name->empty()) {
            names.push_back(std::move(*name));
        }
    });
}

}  // namespace

std::vector<std::u16string> ReadDropFiles(std::span<const std::byte> block, const NarrowToUtf16& narrow) {
    std::vector<std::u16string> names;
    if (block.size() < kDropFilesHeaderSize) {
        return names;
    }
    const std::uint32_t offset = ReadUint32(block, 0);
    if (offset < kDropFilesHeaderSize || offset >= block.size()) {
        return names;
    }
    const std::span<const std::byte> list = block.subspan(offset);
    if (ReadUint32(block, kWideFlagOffset) != 0) {
        ReadWideNames(list, names);
    } else {
        ReadNarrowNames(list, narrow, names);
    }
    return names;
}

}  // namespace quillet
