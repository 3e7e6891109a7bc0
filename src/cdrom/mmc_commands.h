#pragma once

#include <array>
#include <cstdint>

namespace kalvex {

inline constexpr int kDriveCommandTimeoutSeconds = 5;

// TEST UNIT READY: six zero bytes, no data.
std::array<std::uint8_t, 6> TestUnitReadyCdb();

// READ TOC/PMA/ATIP, format 0, all tracks from track 0, allocation length
// 804 (a whole DiscToc). `msf` asks for minute/second/frame addresses.
std::array<std::uint8_t, 10> ReadTocCdb(bool msf);

}  // namespace kalvex
