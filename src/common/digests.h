#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kalvex {

// SHA-1 and SHA-256 of a byte string (FIPS 180-4): the MusicBrainz disc id
// is a SHA-1, and pictures are told apart by their SHA-256.
std::array<std::uint8_t, 20> Sha1(std::string_view bytes);
std::array<std::uint8_t, 32> Sha256(std::string_view bytes);

// Lower-case hexadecimal digits of the bytes.
template <std::size_t N>
std::string HexText(const std::array<std::uint8_t, N>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

}  // namespace kalvex
