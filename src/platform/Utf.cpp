#include "platform/Utf.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quillet {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kEscapeBase = 0xDC00;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kNotAscii16 = 0xFF80FF80FF80FF80ULL;

// Copies the ASCII bytes at in to out, eight at a time while all eight are ASCII; returns how many
// were copied. Command files and paths are mostly ASCII, and this is where their conversion goes.
std::size_t CopyAsciiRun(const unsigned char* in, std::size_t count, char16_t* out) {
    std::size_t done = 0;
    while (count - done >= 8) {
        std::uint64_t word;
        std::memcpy(&word, in + done, sizeof word);
        if ((word & kHighBits) != 0) {
            break;
        }
        for (std::size_t k = 0; k < 8; ++k) {
            out[done + k] = in[done + k];
        }
        done += 8;
    }
    while (done < count && in[done] < 0x80) {
        out[done] = in[done];
        ++done;
    }
    return done;
}

// Writes each byte of text to out as a character and returns whether text is all ASCII, that is,
// whether out now holds its UTF-16 form: one pass that the compiler turns into vector code, for
// command files and paths, which mostly are ASCII.
bool WidenAscii(std::string_view text, char16_t* out) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        bits |= byte;
        out[i] = byte;
    }
    return bits < 0x80;
}

}  // namespace

bool NarrowAscii(std::u16string_view text, char* out) {
    // One pass that the compiler turns into vector code: copy every character's low byte, and
    // collect all the bits to see afterwards whether any character was beyond ASCII.
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bits |= text[i];
        out[i] = static_cast<char>(text[i]);
    }
    return bits < 0x80;
}

namespace {

// Escape: each byte of a bad sequence becomes U+DC00 plus the byte, rather than one U+FFFD for the
// sequence.
template <bool kEscape>
void Decode(std::string_view utf8, std::u16string& out) {
    // Every sequence, good or bad, takes at least one byte per UTF-16 unit it gives (a four-byte
    // sequence gives two), so the text never needs more units than it has bytes.
    out.resize(utf8.size());
    if (WidenAscii(utf8, out.data())) {
        return;
    }
    char16_t* const start = out.data();
    char16_t* o = start;
    const auto* const bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t i = 0;
    const std::size_t n = utf8.size();
    while (i < n) {
        const std::size_t ascii = CopyAsciiRun(bytes + i, n - i, o);
        i += ascii;
        o += ascii;
        if (i >= n) {
            break;
        }
        const std::uint8_t lead = bytes[i];
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, cp = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, cp = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, cp = lead & 0x07, minimum = 0x10000;
        } else {
            *o++ = kEscape ? static_cast<char16_t>(kEscapeBase + lead) : kReplacement;
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            if (j >= n || (bytes[j] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (bytes[j] & 0x3F);
        }
        if (!ok || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            if (kEscape) {
                *o++ = static_cast<char16_t>(kEscapeBase + lead);
                ++i;
                continue;
            }
            // Replace the maximal bad prefix by one replacement character and resynchronise.
            *o++ = kReplacement;
            i = std::max(j, i + 1);
            continue;
        }
        if (cp < 0x10000) {
            *o++ = static_cast<char16_t>(cp);
        } else {
            cp -= 0x10000;
            *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        }
        i = j;
    }
    out.resize(static_cast<std::size_t>(o - start));
}

}  // namespace

void AssignUtf16(std::string_view utf8, std::u16string& out) {
    Decode<false>(utf8, out);
}

void AssignUtf16EscapingBytes(std::string_view bytes, std::u16string& out) {
    Decode<true>(bytes, out);
}

std::u16string Utf8ToUtf16EscapingBytes(std::string_view bytes) {
    std::u16string out;
    Decode<true>(bytes, out);
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    const auto* const in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time while there are eight.
        if (n - i >= 8) {
            std::uint64_t word;
            std::memcpy(&word, in + i, sizeof word);
            if ((word & kHighBits) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char lead = in[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The second byte's range depends on the lead byte: no overlong forms, surrogates or values
        // past U+10FFFF.
        std::size_t extra = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (n - i <= extra || in[i + 1] < low || in[i + 1] > high) {
            return false;
        }
        for (std::size_t k = 2; k <= extra; ++k) {
            if ((in[i + k] & 0xC0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    AssignUtf16(utf8, out);
    return out;
}

namespace {

// Escape: a lone surrogate U+DC80 to U+DCFF becomes the byte it stands for.
template <bool kEscape>
void Encode(std::u16string_view utf16, std::string& out) {
    // Room for the text if it is all ASCII; each other character makes room for itself.
    std::size_t used = out.size();
    out.resize(used + utf16.size());
    if (NarrowAscii(utf16, out.data() + used)) {
        return;
    }
    const std::size_t n = utf16.size();
    for (std::size_t i = 0; i < n; ++i) {
        // Four ASCII characters at a time while there are four.
        while (n - i >= 4) {
            std::uint64_t word;
            std::memcpy(&word, utf16.data() + i, sizeof word);
            if ((word & kNotAscii16) != 0) {
                break;
            }
            char* o = out.data() + used;
            o[0] = static_cast<char>(word);
            o[1] = static_cast<char>(word >> 16);
            o[2] = static_cast<char>(word >> 32);
            o[3] = static_cast<char>(word >> 48);
            used += 4;
            i += 4;
        }
        if (i >= n) {
            break;
        }
        char32_t cp = utf16[i];
        if (cp < 0x80) {
            out[used++] = static_cast<char>(cp);
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (kEscape && cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
            out[used++] = static_cast<char>(cp - kEscapeBase);
            continue;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;  // an unpaired surrogate has no UTF-8 form
        }
        // At most four bytes for this character, and one for each character still to come.
        const std::size_t needed = used + 4 + (n - i - 1);
        if (needed > out.size()) {
            out.resize(std::max(needed, out.size() + out.size() / 2));
        }
        char* o = out.data() + used;
        if (cp < 0x800) {
            *o++ = static_cast<char>(0xC0 | (cp >> 6));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *o++ = static_cast<char>(0xE0 | (cp >> 12));
            *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *o++ = static_cast<char>(0xF0 | (cp >> 18));
            *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
        used = static_cast<std::size_t>(o - out.data());
    }
    out.resize(used);
}

}  // namespace

void AppendUtf8(std::u16string_view utf16, std::string& out) {
    Encode<false>(utf16, out);
}

std::string Utf16ToUtf8EscapedBytes(std::u16string_view utf16) {
    std::string out;
    Encode<true>(utf16, out);
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    AppendUtf8(utf16, out);
    return out;
}

}  // namespace quillet
