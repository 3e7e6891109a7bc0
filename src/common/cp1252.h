#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalvex {

// Windows-1252 is the single-byte code page of every byte boundary the program
// has: ID3 v1 fields, encoding-0 ID3 v2 frames, URL encoding and CDDB replies.
// Inside the program all text is UTF-8.

// Every byte maps to one character. The five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same
// value, as Windows does, so any byte string survives a round trip.
std::string Cp1252ToUtf8(std::string_view bytes);

// One byte per character. A character the code page cannot hold, and every
// byte of malformed UTF-8, becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// The single byte for one Unicode code point, or -1 when the code page has
// none.
int CodePointToCp1252(char32_t code_point);

// Decodes UTF-8 into code points; malformed sequences yield U+FFFD per byte.
std::u32string Utf8ToCodePoints(std::string_view utf8);

// The same for text that must be UTF-8 throughout: nullopt at the first
// malformed byte, so the caller can read the bytes another way.
std::optional<std::u32string> StrictUtf8ToCodePoints(std::string_view utf8);

// Appends the UTF-8 form of one code point (surrogates and values beyond
// U+10FFFF become U+FFFD).
void AppendUtf8(std::string& out, char32_t code_point);

}  // namespace kalvex
