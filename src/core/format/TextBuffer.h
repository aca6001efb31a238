// The growable UTF-16 output of a copy. Appended line feeds become CR LF, the copy text's line break.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace quillet {

class TextBuffer {
  public:
    TextBuffer() = default;
    explicit TextBuffer(std::size_t initialCapacity);

    TextBuffer(TextBuffer&&) noexcept = default;
    TextBuffer& operator=(TextBuffer&&) noexcept = default;

    // Appends text with every line feed written as carriage return plus line feed.
    void AppendText(std::u16string_view text);
    // Appends text exactly as it is.
    void AppendRaw(std::u16string_view text);
    void AppendChar(char16_t c);
    // Makes room for count more characters.
    void Reserve(std::size_t count);
    // Empties the text; the array stays allocated.
    void Clear();

    // False until the first growth: a buffer that never received text holds no array at all.
    bool HasArray() const { return chars_ != nullptr; }
    std::size_t Count() const { return count_; }
    // The text, always zero-terminated once an array exists.
    const char16_t* Data() const { return chars_ ? chars_.get() : u""; }
    std::u16string_view View() const { return {Data(), count_}; }

  private:
    void Grow(std::size_t extra);

    std::unique_ptr<char16_t[]> chars_;
    std::size_t capacity_ = 0;
    std::size_t count_ = 0;
};

}  // namespace quillet
