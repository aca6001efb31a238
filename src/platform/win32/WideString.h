// The Win32 layer's text boundary: on Windows wchar_t and char16_t are both UTF-16 code units, so the
// core's strings pass to the API without copying.
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

namespace quillet::platform {

inline const wchar_t* AsWide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string FromWide(const wchar_t* text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

inline std::u16string FromWide(const wchar_t* text, std::size_t count) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), count);
}

}  // namespace quillet::platform
