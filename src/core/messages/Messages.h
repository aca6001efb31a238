// Message ids and texts, and the formatter for their positional inserts ("%1", "%2!d!", "%2!08x!").
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace quillet {

enum class MessageId : int {
#define QUILLET_MESSAGE(id, name, text) name = id,
#include "core/messages/MessageTable.inc"
#undef QUILLET_MESSAGE
};

struct MessageEntry {
    int id;
    std::u16string_view text;
};

// Every message, in table order.
std::span<const MessageEntry> AllMessages();

// The message's text with its inserts unfilled; empty for an id that is not in the table.
std::u16string_view MessageText(MessageId id);

// One insert: a string for "%n" and "%n!s!", a number for "%n!d!", "%n!x!" and the like.
class MessageArg {
  public:
    MessageArg(std::u16string_view text) : value_(text) {}
    MessageArg(const char16_t* text) : value_(std::u16string_view(text)) {}
    MessageArg(const std::u16string& text) : value_(std::u16string_view(text)) {}
    MessageArg(std::int64_t number) : value_(number) {}
    MessageArg(int number) : value_(static_cast<std::int64_t>(number)) {}
    MessageArg(unsigned number) : value_(static_cast<std::int64_t>(number)) {}

    const std::variant<std::u16string_view, std::int64_t>& Value() const { return value_; }

  private:
    std::variant<std::u16string_view, std::int64_t> value_;
};

// Fills the positional inserts of pattern the way Windows' FormatMessage does: "%1" to "%99" name the
// arguments from 1, an optional "!conversion!" after the number gives a printf conversion (flags "0" and
// "-", a width, and one of d, i, u, x, X, s), and "%%" is a percent sign. An insert whose argument is
// missing stays as written.
std::u16string FormatInserts(std::u16string_view pattern, std::initializer_list<MessageArg> args);

// MessageText(id) with its inserts filled.
std::u16string FormatMessageText(MessageId id, std::initializer_list<MessageArg> args = {});

}  // namespace quillet
