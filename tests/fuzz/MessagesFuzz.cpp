// Feeds arbitrary format text and inserts to the message insert formatter. The input is split at the
// byte 0xFF (never part of UTF-8): the first piece is the format text (UTF-8), each further piece is
// an insert. Byte 0 gives the number of inserts passed (0 to 4) and byte 1 which of them are numbers
// (bit n for insert n; a number is the piece's first eight bytes, little-endian); bytes 2 and 3 pick a
// message of the table (or an id outside it) for FormatMessageText.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/messages/Messages.h"
#include "platform/Utf.h"

namespace {

using namespace quillet;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::int64_t NumberOf(std::string_view piece) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < piece.size() && i < 8; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(piece[i])) << (8 * i);
    }
    return static_cast<std::int64_t>(value);
}

std::u16string Format(std::u16string_view pattern, const std::vector<MessageArg>& a) {
    switch (a.size()) {
        case 0:
            return FormatInserts(pattern, {});
        case 1:
            return FormatInserts(pattern, {a[0]});
        case 2:
            return FormatInserts(pattern, {a[0], a[1]});
        case 3:
            return FormatInserts(pattern, {a[0], a[1], a[2]});
        default:
            return FormatInserts(pattern, {a[0], a[1], a[2], a[3]});
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::size_t count = data[0] % 5;
    const unsigned numbers = data[1];
    const int id = data[2] | (data[3] << 8);
    const std::string_view rest(reinterpret_cast<const char*>(data + 4), size - 4);

    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        const std::size_t end = rest.find('\xFF', start);
        pieces.push_back(
            rest.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    const std::u16string pattern = Utf8ToUtf16(pieces[0]);
    std::vector<std::u16string> texts;
    texts.reserve(count);
    std::vector<MessageArg> args;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view piece = i + 1 < pieces.size() ? pieces[i + 1] : std::string_view();
        if ((numbers >> i) & 1) {
            args.emplace_back(NumberOf(piece));
        } else {
            texts.push_back(Utf8ToUtf16(piece));
            args.emplace_back(texts.back());
        }
    }

    const std::u16string out = Format(pattern, args);
    // Text without a percent sign passes unchanged.
    if (pattern.find(u'%') == std::u16string::npos) {
        Check(out == pattern);
    }
    const auto table = AllMessages();
    const std::size_t pick = static_cast<std::size_t>(id) % (table.size() + 1);
    const auto message = static_cast<MessageId>(pick < table.size() ? table[pick].id : -1);
    const std::vector<MessageArg>& a = args;
    switch (a.size()) {
        case 0:
            FormatMessageText(message);
            break;
        case 1:
            FormatMessageText(message, {a[0]});
            break;
        default:
            FormatMessageText(message, {a[0], a[1]});
            break;
    }
    return 0;
}
