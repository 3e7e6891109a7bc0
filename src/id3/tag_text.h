#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kalvex {

// ID3 v2 text encodings (the first byte of a text frame).
enum TextEncoding : std::uint8_t {
    kLatin1 = 0,    // read as Windows-1252, like ID3 v1
    kUtf16Bom = 1,  // UTF-16 with byte-order mark
    kUtf16Be = 2,   // UTF-16 big-endian without one
    kUtf8 = 3,
};

// Text read from a tag, as UTF-8. Carriage returns are dropped and every line
// feed becomes CR LF, as the editor's text boxes want it. Encoding 0 is
// Windows-1252; 1 honours its byte-order mark (little-endian when there is
// none); 2 is UTF-16BE; 3 is UTF-8 (read as Windows-1252 when it is not valid
// UTF-8, as some writers mislabel Latin text). Any other encoding gives "".
// With `stop_at_nul` the text ends at the first zero character, else a zero
// adds a NUL character.
std::string BytesToText(std::span<const std::uint8_t> bytes, std::uint8_t encoding,
                        bool stop_at_nul);

// How many bytes a zero-terminated string of that encoding takes at the start
// of `bytes`, terminator included (UTF-16 terminators are a whole zero unit);
// all of them when there is no terminator.
std::size_t TerminatedLength(std::span<const std::uint8_t> bytes, std::uint8_t encoding);

// Stores the first n characters of `text` as Windows-1252 bytes, one each ('?'
// for characters it cannot hold): n is `max_length` when 1 <= max_length <=
// the text's length, else the text's length; never more than fits. With
// `add_nul` a zero byte follows. Returns the number of bytes stored; bytes
// after them are left as they were.
std::int32_t TextToBytes(std::string_view text, std::int32_t max_length,
                         std::span<std::uint8_t> destination, bool add_nul);

}  // namespace kalvex
