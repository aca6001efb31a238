#include "core/format/TextBuffer.h"

#include <algorithm>
#include <cstring>

namespace quillet {

TextBuffer::TextBuffer(std::size_t initialCapacity) {
    if (initialCapacity > 0) {
        chars_ = std::make_unique<char16_t[]>(initialCapacity);
        capacity_ = initialCapacity;
    }
}

void TextBuffer::Grow(std::size_t extra) {
    // Room for the text, the extra characters and the terminating zero.
    if (chars_ && count_ + extra + 1 <= capacity_) {
        return;
    }
    const std::size_t newCapacity = std::max({capacity_ * 2, std::size_t{256}, count_ + extra + 1});
    // Not zeroed: everything up to the count is copied or written, and the end is terminated below.
    auto grown = std::make_unique_for_overwrite<char16_t[]>(newCapacity);
    if (count_ > 0) {
        std::memcpy(grown.get(), chars_.get(), count_ * sizeof(char16_t));
    }
    grown[count_] = 0;
    chars_ = std::move(grown);
    capacity_ = newCapacity;
}

void TextBuffer::Reserve(std::size_t count) {
    Grow(count);
}

void TextBuffer::AppendRaw(std::u16string_view text) {
    Grow(text.size());
    if (!text.empty()) {
        std::memcpy(chars_.get() + count_, text.data(), text.size() * sizeof(char16_t));
    }
    count_ += text.size();
    chars_[count_] = 0;
}

void TextBuffer::AppendChar(char16_t c) {
    Grow(1);
    chars_[count_++] = c;
    chars_[count_] = 0;
}

void TextBuffer::AppendText(std::u16string_view text) {
    const std::size_t lineFeeds = static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n'));
    Grow(text.size() + lineFeeds);
    char16_t* out = chars_.get() + count_;
    for (const char16_t c : text) {
        if (c == u'\n') {
            *out++ = u'\r';
        }
        *out++ = c;
    }
    count_ += text.size() + lineFeeds;
    chars_[count_] = 0;
}

void TextBuffer::Clear() {
    count_ = 0;
    if (chars_) {
        chars_[0] = 0;
    }
}

}  // namespace quillet
