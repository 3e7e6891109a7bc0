#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "id3/id3v2_format.h"

namespace kalvex {

// Reverses unsynchronisation in place: every 0xFF 0x00 pair loses its 0x00.
// The result fills the first (size - removed) bytes; returns `removed`.
std::size_t RemoveUnsync(std::span<std::uint8_t> buffer);

// True when each of the 4 bytes is A-Z, 0-9 or 0 (zero fill after the last
// frame passes).
bool IsFrameIdValid(const std::uint8_t* id);

// The text a frame holds for the editor: the first string of a text frame
// ("T..."), the text of a comment after its language and description, the
// URL of a WXXX frame after its description, and the offset of a SEEK frame
// in decimal. Any other frame, and an empty one, gives "".
std::string DecodeFrameText(std::span<const std::uint8_t> data, std::string_view id);

// Genre text as the editor shows it: "(17)" and "(17)Rock" give "Rock",
// "(RX)" "Remix", "(CR)" "Cover", a number outside the list "". Text without
// both parentheses, or with other words inside them, is left as it is.
std::string NormaliseGenreText(std::string_view text);

}  // namespace kalvex
