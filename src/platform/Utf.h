// Conversions between the core's UTF-16 text and UTF-8, shared by both platform layers and the
// command file. Malformed input never fails: each bad sequence becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// Replaces out by the UTF-16 form of utf8, and appends the UTF-8 form of utf16 to out: so that a
// caller can reuse one string's memory.
void AssignUtf16(std::string_view utf8, std::u16string& out);
void AppendUtf8(std::u16string_view utf16, std::string& out);
// The lossless forms for names that need not be UTF-8 (POSIX file names, arguments, output): each
// byte that is not part of a valid UTF-8 sequence becomes the lone surrogate U+DC00 + byte, and such
// a surrogate (U+DC80 to U+DCFF) turns back into its byte, so any bytes survive the round trip.
std::u16string Utf8ToUtf16EscapingBytes(std::string_view bytes);
void AssignUtf16EscapingBytes(std::string_view bytes, std::u16string& out);
std::string Utf16ToUtf8EscapedBytes(std::u16string_view utf16);
// Writes the low byte of each character of text to out (room for text.size() bytes) and returns
// whether text is all ASCII, that is, whether out now holds its UTF-8 form.
bool NarrowAscii(std::u16string_view text, char* out);
// Whether bytes are UTF-8 throughout: no sequence that Utf8ToUtf16 would replace by U+FFFD.
bool IsValidUtf8(std::string_view bytes);

}  // namespace quillet
