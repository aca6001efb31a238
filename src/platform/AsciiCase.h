// Case folding of the ASCII letters only, as every case-insensitive match of the system works:
// attribute tags, registration script words, profile names, name sorting and wildcard patterns.
// Other letters (such as accented ones) keep their case.
#pragma once

#include <string_view>

namespace quillet {

constexpr char16_t LowerAscii(char16_t c) {
    return static_cast<unsigned>(c - u'A') < 26u ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

constexpr bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace quillet
