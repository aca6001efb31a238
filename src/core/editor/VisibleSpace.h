// The visible-whitespace form of the item format, item separator, start and end texts: the fields
// show every space as a middle dot, and every middle dot of a field is stored as a space.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

inline constexpr char16_t kVisibleSpace = u'\u00B7';

// The text as its field shows it: each space a middle dot.
std::u16string ToDisplayForm(std::u16string_view stored);

// The field's text as the command keeps it: each middle dot a space.
std::u16string ToStoredForm(std::u16string_view shown);

// The character a visible-whitespace field inserts for a typed one: a space becomes the dot.
constexpr char16_t VisibleTypedCharacter(char16_t typed) {
    return typed == u' ' ? kVisibleSpace : typed;
}

}  // namespace quillet
