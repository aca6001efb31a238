// The item format language: literal text mixed with attribute references such as "$name",
// "$path:forwardslash" or "$size:kb", and the parser that compiles it into item parts.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/format/ItemParts.h"

namespace quillet {

// Which backslash pairs a text run decodes.
enum class EscapeMode : std::int32_t {
    NameEscapes = 0,    // command names and keywords: "\:" and "\\"
    EditorEscapes = 1,  // fields as the configuration program edits them: "\[", "\]", "\|"
    FullEscapes = 2,    // fields as the shell extension uses them: also "\$", "\\", "\n", "\r", "\t"
};

// Runs and identifiers are collected up to this many characters.
inline constexpr std::size_t kMaxRunLength = 1024;

// A read position in a text. A position at or past the end, or on a zero character, reads as the end.
// The cursor does not own the text.
class FormatCursor {
  public:
    explicit FormatCursor(std::u16string_view text, std::int32_t position = 0)
        : text_(text), position_(position) {}
    template <std::size_t N>
    explicit FormatCursor(const char16_t (&literal)[N], std::int32_t position = 0)
        : FormatCursor(std::u16string_view(literal, N - 1), position) {}
    // The cursor would outlive a temporary string.
    explicit FormatCursor(std::u16string&&, std::int32_t = 0) = delete;

    char16_t Peek(std::int32_t ahead = 0) const {
        const std::int64_t at = static_cast<std::int64_t>(position_) + ahead;
        return at >= 0 && static_cast<std::size_t>(at) < text_.size() ? text_[static_cast<std::size_t>(at)]
                                                                      : u'\0';
    }
    void Advance(std::int32_t count = 1) { position_ += count; }
    std::int32_t Position() const { return position_; }
    std::u16string_view Text() const { return text_; }

  private:
    std::u16string_view text_;
    std::int32_t position_;
};

// The decoded character of a backslash pair in a mode, or 0 when the mode leaves the pair as it is.
char16_t DecodeEscape(char16_t second, EscapeMode mode);

// Reads literal text up to a stop character, a line feed or the end, decoding the mode's pairs; an
// escaped stop character is text. At most kMaxRunLength characters as the shell extension counts them
// (EditorEscapes keeps "\t" as two characters but counts it as one); what follows is left for the
// next call.
std::u16string ReadRun(FormatCursor& cursor, std::u16string_view stopCharacters, EscapeMode mode);

// Reads ASCII letters and digits, at most kMaxRunLength of them.
std::u16string ReadIdentifier(FormatCursor& cursor);

// One attribute reference: its part, or none with the message of its fault.
struct ParsedAttribute {
    std::unique_ptr<ItemPartBase> part;
    std::u16string error;
};

// Parses one attribute reference with the cursor on its "$", leaving the cursor after it.
ParsedAttribute ParseAttribute(FormatCursor& cursor);

// Where a format stands. In a command line "[" and "]" end it (the item separator follows); alone,
// as the editor checks it or the command line's format command takes it, they are text.
enum class FormatPlacement { InCommandLine, Alone };

// A compiled item format. The format is valid exactly when error is empty; error then holds the
// message of the last fault found, and the attribute parts after the first fault are left out. end is where
// the reading stopped: on the "[" or "]" that ends a format in a command line, on a line feed, or at the end
// of the text.
struct ParsedItemFormat {
    std::vector<std::unique_ptr<ItemPartBase>> parts;
    std::u16string error;
    std::int32_t end = 0;

    bool Valid() const { return error.empty(); }
};

// Compiles the format that starts at the cursor.
ParsedItemFormat ParseItemFormat(const FormatCursor& start, EscapeMode mode, FormatPlacement placement);

// The attribute keywords of the language, for the parser and for the configuration program's picker.
enum class AttributeKind { Path, Date, Size, Type };

struct AttributeTag {
    std::u16string_view tag;
    std::int32_t value;
    PathForm form = PathForm::AsIs;  // what a path tag writes beside its separator
};

struct AttributeKeyword {
    std::u16string_view name;
    AttributeKind kind;
    std::int32_t selector;  // PathComponent or DateStamp; unused for size and type
    std::span<const AttributeTag> tags;
    std::int32_t defaultValue;  // the PathSeparator, DateStyle or SizeUnit without a tag
};

std::span<const AttributeKeyword> AttributeKeywords();

// The keyword of an attribute name (matched exactly), or null.
const AttributeKeyword* FindAttributeKeyword(std::u16string_view name);

// The tag of a keyword with that name (matched ignoring case), or null.
const AttributeTag* FindAttributeTag(const AttributeKeyword& keyword, std::u16string_view tag);

}  // namespace quillet
