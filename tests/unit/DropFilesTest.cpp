#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "TestSupport.h"
#include "core/menu/DropFiles.h"

namespace quillet::test {
namespace {

using namespace std::string_view_literals;

struct Block {
    std::uint32_t offset = kDropFilesHeaderSize;
    std::uint32_t wideFlag = 1;
    // The names with their terminators: UTF-16 little-endian when wide, else one byte per unit.
    std::u16string_view list;
    std::size_t cutAt = SIZE_MAX;  // the block's size, when it ends early

    // Copied to memory of exactly the block's size, so that the sanitizers see any read beyond it.
    std::vector<std::byte> Bytes() const {
        std::vector<std::byte> bytes(std::max<std::size_t>(kDropFilesHeaderSize, std::min(offset, 4096u)));
        for (std::size_t i = 0; i < 4; ++i) {
            bytes[i] = static_cast<std::byte>(offset >> (8 * i));
            bytes[16 + i] = static_cast<std::byte>(wideFlag >> (8 * i));
        }
        for (const char16_t unit : list) {
            bytes.push_back(static_cast<std::byte>(unit & 0xFF));
            if (wideFlag != 0) {
                bytes.push_back(static_cast<std::byte>(unit >> 8));
            }
        }
        bytes.resize(std::min(bytes.size(), cutAt));
        return bytes;
    }
};

// A stand-in code page: bytes are Latin-1, and 0x81 cannot be converted.
std::optional<std::u16string> Latin1(std::string_view name) {
    std::u16string converted;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) == 0x81) {
            return std::nullopt;
        }
        converted.push_back(static_cast<unsigned char>(c));
    }
    return converted;
}

TEST(DropFiles, ReadsEveryWholeNameAndNothingOutsideTheBlock) {
    const std::u16string longPath = u"C:\\" + std::u16string(40000, u'x');
    const std::u16string nonBmp = u"C:\\\U0001F600 \u00e9t\u00e9.txt";
    const std::u16string longList = longPath + u'\0' + nonBmp + u'\0' + u'\0';
    struct Row {
        const char* what;
        Block block;
        std::vector<std::u16string> names;
    };
    const Row rows[] = {
        {"wide names in order", {.list = u"C:\\a.txt\0C:\\sub\0\0"sv}, {u"C:\\a.txt", u"C:\\sub"}},
        {"any non-zero fWide is wide", {.wideFlag = 0x100, .list = u"C:\\a\0\0"sv}, {u"C:\\a"}},
        {"a name of any length, and one beyond the BMP", {.list = longList}, {longPath, nonBmp}},
        {"names at an odd offset", {.offset = 21, .list = u"C:\\a\0\0"sv}, {u"C:\\a"}},
        {"narrow names through the code page",
         {.wideFlag = 0, .list = u"C:\\a.txt\0C:\\\u00e9t\u00e9\0\0"sv},
         {u"C:\\a.txt", u"C:\\\u00e9t\u00e9"}},
        {"a narrow name that cannot be converted is left out",
         {.wideFlag = 0, .list = u"C:\\a\0C:\\\x81\0C:\\b\0\0"sv},
         {u"C:\\a", u"C:\\b"}},
        {"the list ends at the first empty name", {.list = u"C:\\a\0\0C:\\hidden\0\0"sv}, {u"C:\\a"}},
        {"an empty list", {.list = u"\0"sv}, {}},
        {"an odd byte after the list", {.list = u"C:\\a\0\0\0"sv, .cutAt = 20 + 13}, {u"C:\\a"}},
        {"a block that ends before the list's end keeps its whole names",
         {.list = u"C:\\a\0C:\\b\0"sv},
         {u"C:\\a", u"C:\\b"}},
        {"a wide name without its terminator is left out",
         {.list = u"C:\\a\0C:\\b\0"sv, .cutAt = 20 + 10 + 6},
         {u"C:\\a"}},
        {"half a terminator is none", {.list = u"C:\\a\0C:\\b\0"sv, .cutAt = 20 + 10 + 9}, {u"C:\\a"}},
        {"a narrow name without its terminator is left out",
         {.wideFlag = 0, .list = u"C:\\a\0C:\\b\0"sv, .cutAt = 20 + 5 + 3},
         {u"C:\\a"}},
        {"a header cut short", {.list = u"C:\\a\0\0"sv, .cutAt = 19}, {}},
        {"names inside the header", {.offset = 4, .list = u"C:\\a\0\0"sv}, {}},
        {"names at the block's end", {.offset = 26, .list = u""sv, .cutAt = 26}, {}},
        {"names past the block's end", {.offset = 0xFFFFFFFF, .list = u"C:\\a\0\0"sv}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<std::byte> bytes = row.block.Bytes();
        const auto exact = std::make_unique<std::byte[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), exact.get());
        const std::vector<std::u16string> names = ReadDropFiles({exact.get(), bytes.size()}, Latin1);
        ASSERT_EQ(names.size(), row.names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(Printable(names[i]), Printable(row.names[i])) << "name " << i;
        }
    }
}

}  // namespace
}  // namespace quillet::test
