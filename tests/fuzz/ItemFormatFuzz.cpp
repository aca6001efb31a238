// Feeds arbitrary text to the item format parser in each escape mode, as part of a command line and as
// the editor's check of a lone format, and renders what it compiles for a few fixed items. The first
// byte picks the mode (its value modulo 3) and whether the format stands in a command line (bit 2); the rest
// is the format as UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "core/format/ItemFormat.h"
#include "core/format/Items.h"
#include "core/format/TextBuffer.h"
#include "platform/Paths.h"
#include "platform/Utf.h"

namespace {

using namespace quillet;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::u16string NativePath(std::u16string_view windowsPath) {
    std::u16string path(windowsPath);
    for (char16_t& c : path) {
        if (c == u'\\') {
            c = platform::kPathSeparator;
        }
    }
    return path;
}

// A plain file, a folder, a name without extension and one with extreme sizes and times.
struct FixedItems {
    FileCFItem file{NativePath(u"C:\\Users\\Ann\\Reports\\Q1 results.final.txt"),
                    ItemStamps{1700000000, 1600000000, 1710000000}, 1234};
    FolderCFItem folder{NativePath(u"C:\\Users\\Ann\\Reports"), ItemStamps{1700000000, 0, -1}, 0};
    FileCFItem bare{u"Makefile", ItemStamps{}, 1};
    FileCFItem extreme{NativePath(u"\\\\server\\share\\.hidden"),
                       ItemStamps{std::numeric_limits<std::int64_t>::max(),
                                  std::numeric_limits<std::int64_t>::min(), -62135596800},
                       std::numeric_limits<std::uint64_t>::max()};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const FixedItems items;
    const auto mode = static_cast<EscapeMode>(data[0] % 3);
    const bool inCommandLine = (data[0] & 4) != 0;
    // Zero characters and line feeds are kept: the parser must treat both as the end.
    const std::u16string text =
        Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));

    const FormatPlacement placement = inCommandLine ? FormatPlacement::InCommandLine : FormatPlacement::Alone;
    ParsedItemFormat parsed = ParseItemFormat(FormatCursor(text), mode, placement);
    Check(parsed.end >= 0 && static_cast<std::size_t>(parsed.end) <= text.size());
    const char16_t stop = FormatCursor(text, parsed.end).Peek();
    Check(stop == u'\0' || stop == u'\n' ||
          (inCommandLine && (stop == u'[' || (stop == u']' && !parsed.Valid()))));

    // Without brackets in the text, a command line's format and the editor's check stop alike.
    if (text.find_first_of(u"[]") == std::u16string::npos) {
        const FormatPlacement otherPlacement =
            inCommandLine ? FormatPlacement::Alone : FormatPlacement::InCommandLine;
        const ParsedItemFormat other = ParseItemFormat(FormatCursor(text), mode, otherPlacement);
        Check(other.error == parsed.error && other.end == parsed.end &&
              other.parts.size() == parsed.parts.size());
    }

    if (parsed.Valid()) {
        CopyFormat format;
        format.parts = std::move(parsed.parts);
        TextBuffer buffer;
        PathLookups lookups;
        for (const CFItem* item :
             {static_cast<const CFItem*>(&items.file), static_cast<const CFItem*>(&items.folder),
              static_cast<const CFItem*>(&items.bare), static_cast<const CFItem*>(&items.extreme)}) {
            format.RenderItem(*item, buffer, lookups);
        }
    }
    return 0;
}
