// The file list of a DROPFILES block, the CF_HDROP form in which Explorer hands a selection over: a
// header whose pFiles field (offset 0) gives where the names begin and whose fWide field (offset 16)
// tells UTF-16 names from names in the ANSI code page, then the names, each ending in a zero
// character, the list ending in an empty name.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The size of the DROPFILES header: pFiles, the drop point, fNC and fWide.
inline constexpr std::size_t kDropFilesHeaderSize = 20;

// Converts one name of a narrow list (without its terminator) from the ANSI code page; empty when it
// cannot be converted.
using NarrowToUtf16 = std::function<std::optional<std::u16string>(std::string_view)>;

// The names of the block in their order, in time linear in its size. Each name is taken whole or not at all,
// and nothing outside the block is read, whatever its header says (the block may come from another process).
// No names when the block is shorter than its header or the names would begin inside the header or past the
// block's end. A name that runs into the block's end without its terminator is left out (it may be cut short,
// and a cut path can name another item), and so is a narrow name that narrow cannot convert. The list ends at
// its first empty name; what follows is not read.
std::vector<std::u16string> ReadDropFiles(std::span<const std::byte> block, const NarrowToUtf16& narrow);

}  // namespace quillet
