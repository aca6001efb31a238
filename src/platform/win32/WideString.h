// The Win32 layer's text boundary: on Windows wchar_t and char16_t are both UTF-16 code units, so the
// core's strings pass to the API and back without copying. Every view of the one as the other is
// taken here.
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

namespace quillet::platform {

inline const wchar_t* AsWide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

// For the calls that write into a buffer of the core's text.
inline wchar_t* AsWide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}

inline const wchar_t* AsWide(const std::u16string& text) {
    return AsWide(text.c_str());
}

inline const char16_t* AsUtf16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}

inline std::u16string FromWide(const wchar_t* text) {
    return text ? std::u16string(AsUtf16(text)) : std::u16string();
}

inline std::u16string FromWide(const wchar_t* text, std::size_t count) {
    return std::u16string(AsUtf16(text), count);
}

}  // namespace quillet::platform
