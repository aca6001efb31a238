// Text with given characters taken off its ends: the one trimming rule, each caller naming the
// characters it means (the command file's blanks, the profile's, a system message's line end).
#pragma once

#include <string_view>

namespace quillet {

// Text without the trailing characters that occur in chars.
constexpr std::u16string_view TrimmedEnd(std::u16string_view text, std::u16string_view chars) {
    const std::size_t last = text.find_last_not_of(chars);
    return last == std::u16string_view::npos ? std::u16string_view() : text.substr(0, last + 1);
}

// Text without the leading and trailing characters that occur in chars.
constexpr std::u16string_view Trimmed(std::u16string_view text, std::u16string_view chars) {
    const std::size_t first = text.find_first_not_of(chars);
    return first == std::u16string_view::npos ? std::u16string_view() : TrimmedEnd(text.substr(first), chars);
}

}  // namespace quillet
