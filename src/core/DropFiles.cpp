#include "core/DropFiles.h"

#include <cstdint>

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

// Calls visit(first, end) with the unit range of each terminated name in order, up to the empty name
// that ends the list. A name that runs into the end of the units is not visited.
template <typename UnitAt, typename Visit>
void ForEachName(std::size_t units, const UnitAt& unitAt, const Visit& visit) {
    std::size_t at = 0;
    for (;;) {
        std::size_t end = at;
        while (end < units && unitAt(end) != 0) {
            ++end;
        }
        if (end == units || end == at) {
            return;
        }
        visit(at, end);
        at = end + 1;
    }
}

// The names are counted before they are read, so that the list is allocated once: with a hundred
// thousand names, a growing list would touch several times its final memory.
template <typename UnitAt>
std::size_t CountNames(std::size_t units, const UnitAt& unitAt) {
    std::size_t count = 0;
    ForEachName(units, unitAt, [&](std::size_t, std::size_t) { ++count; });
    return count;
}

void ReadWideNames(std::span<const std::byte> list, std::vector<std::u16string>& names) {
    // An odd last byte cannot belong to a UTF-16 unit.
    const std::size_t units = list.size() / 2;
    const auto unitAt = [&](std::size_t index) { return WideUnit(list, index); };
    names.reserve(CountNames(units, unitAt));
    ForEachName(units, unitAt, [&](std::size_t first, std::size_t end) {
        std::u16string& name = names.emplace_back(end - first, u'\0');
        for (std::size_t i = 0; i < name.size(); ++i) {
            name[i] = WideUnit(list, first + i);
        }
    });
}

void ReadNarrowNames(std::span<const std::byte> list, const NarrowToUtf16& narrow,
                     std::vector<std::u16string>& names) {
    const std::string_view bytes(reinterpret_cast<const char*>(list.data()), list.size());
    const auto unitAt = [&](std::size_t index) { return bytes[index]; };
    names.reserve(CountNames(bytes.size(), unitAt));
    ForEachName(bytes.size(), unitAt, [&](std::size_t first, std::size_t end) {
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
