#include "core/messages/Messages.h"

#include <algorithm>
#include <vector>

namespace quillet {
namespace {

constexpr MessageEntry kMessages[] = {
#define QUILLET_MESSAGE(id, name, text) {id, text},
#include "core/messages/MessageTable.inc"
#undef QUILLET_MESSAGE
};

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// A printf conversion of one number: flags, width and the conversion letter.
std::u16string FormatNumber(std::int64_t number, std::u16string_view conversion) {
    bool zeroPad = false;
    bool leftAlign = false;
    std::size_t i = 0;
    for (; i < conversion.size() && (conversion[i] == u'0' || conversion[i] == u'-'); ++i) {
        (conversion[i] == u'0' ? zeroPad : leftAlign) = true;
    }
    std::size_t width = 0;
    for (; i < conversion.size() && IsDigit(conversion[i]); ++i) {
        width = std::min<std::size_t>(width * 10 + (conversion[i] - u'0'), 256);
    }
    const char16_t letter = i < conversion.size() ? conversion.back() : u'd';

    std::u16string digits;
    bool negative = false;
    if (letter == u'x' || letter == u'X') {
        // Hexadecimal shows the 32-bit pattern of a negative number, as the C library does.
        std::uint64_t value = static_cast<std::uint64_t>(number);
        if (number < 0 && number >= INT32_MIN) {
            value &= 0xFFFFFFFFu;
        }
        const char16_t* hex = letter == u'x' ? u"0123456789abcdef" : u"0123456789ABCDEF";
        do {
            digits.insert(digits.begin(), hex[value & 0xF]);
            value >>= 4;
        } while (value != 0);
    } else {
        negative = number < 0 && letter != u'u';
        std::uint64_t value =
            negative ? 0 - static_cast<std::uint64_t>(number) : static_cast<std::uint64_t>(number);
        do {
            digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
            value /= 10;
        } while (value != 0);
    }

    const std::size_t length = digits.size() + (negative ? 1 : 0);
    const std::size_t padding = width > length ? width - length : 0;
    std::u16string out;
    out.reserve(length + padding);
    if (!leftAlign && !zeroPad) {
        out.append(padding, u' ');
    }
    if (negative) {
        out.push_back(u'-');
    }
    if (!leftAlign && zeroPad) {
        out.append(padding, u'0');
    }
    out.append(digits);
    if (leftAlign) {
        out.append(padding, u' ');
    }
    return out;
}

}  // namespace

std::span<const MessageEntry> AllMessages() {
    return kMessages;
}

std::u16string_view MessageText(MessageId id) {
    for (const MessageEntry& entry : kMessages) {
        if (entry.id == static_cast<int>(id)) {
            return entry.text;
        }
    }
    return {};
}

std::u16string FormatInserts(std::u16string_view pattern, std::initializer_list<MessageArg> args) {
    const std::vector<MessageArg> arguments(args);
    std::u16string out;
    out.reserve(pattern.size() + 32);
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char16_t c = pattern[i];
        if (c != u'%' || i + 1 >= pattern.size()) {
            out.push_back(c);
            ++i;
            continue;
        }
        if (pattern[i + 1] == u'%') {
            out.push_back(u'%');
            i += 2;
            continue;
        }
        std::size_t j = i + 1;
        std::size_t index = 0;
        while (j < pattern.size() && IsDigit(pattern[j]) && j < i + 3) {
            index = index * 10 + (pattern[j] - u'0');
            ++j;
        }
        if (j == i + 1 || index == 0) {
            out.push_back(c);
            ++i;
            continue;
        }
        std::u16string_view conversion;
        if (j < pattern.size() && pattern[j] == u'!') {
            const std::size_t close = pattern.find(u'!', j + 1);
            if (close != std::u16string_view::npos) {
                conversion = pattern.substr(j + 1, close - j - 1);
                j = close + 1;
            }
        }
        if (index > arguments.size()) {
            out.append(pattern.substr(i, j - i));
        } else if (const auto* text = std::get_if<std::u16string_view>(&arguments[index - 1].Value())) {
            out.append(*text);
        } else {
            out.append(FormatNumber(std::get<std::int64_t>(arguments[index - 1].Value()), conversion));
        }
        i = j;
    }
    return out;
}

std::u16string FormatMessageText(MessageId id, std::initializer_list<MessageArg> args) {
    return FormatInserts(MessageText(id), args);
}

}  // namespace quillet
