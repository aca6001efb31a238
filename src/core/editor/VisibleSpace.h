// The visible-whitespace form of the item format, item separator, start and end texts: the fields
// show every space as a middle dot. A dot in a field is a space only where the field made it one (a
// stored space shown, a space typed, a dot pasted); a real "·" read from the file or typed as itself
// stays a "·", so that the display never changes a character the user did not edit.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr char16_t kVisibleSpace = u'\u00B7';

// The text as its field shows it: each space a middle dot.
std::u16string ToDisplayForm(std::u16string_view stored);

// The character a visible-whitespace field inserts for a typed one: a space becomes the dot.
constexpr char16_t VisibleTypedCharacter(char16_t typed) {
    return typed == u' ' ? kVisibleSpace : typed;
}

// One field's text as shown, with the stored character behind each shown one.
class VisibleSpaceText {
  public:
    VisibleSpaceText() = default;
    explicit VisibleSpaceText(std::u16string_view stored)
        : shown_(ToDisplayForm(stored)), stored_(stored), filled_(stored) {}

    const std::u16string& Shown() const { return shown_; }
    const std::u16string& Stored() const { return stored_; }

    // The field now shows `shown`. The characters before and after the changed part keep what they
    // stood for; in the new part a dot is a space, unless realDots (the user typed "·" itself). The
    // caret, when known, ends the new part: it tells which of two equal neighbours was edited. A field
    // brought back to what it showed when filled (edits undone) holds the text it was filled with.
    void Edit(std::u16string_view shown, std::optional<std::size_t> caret = std::nullopt,
              bool realDots = false);

  private:
    std::u16string shown_;
    std::u16string stored_;  // as long as shown_, character for character
    std::u16string filled_;  // the stored text the field was filled with
};

}  // namespace quillet
