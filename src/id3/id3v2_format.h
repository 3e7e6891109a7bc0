#pragma once

#include <cstdint>
#include <vector>

namespace kalvex {

// The fixed parts of an ID3 v2 tag, read and written alike.
inline constexpr std::int64_t kTagHeaderLength = 10;    // "ID3", version, flags, size
inline constexpr std::int64_t kTagFooterLength = 10;    // version 2.4's "3DI" copy
inline constexpr std::int64_t kFrameHeaderLength = 10;  // versions 2.3 and 2.4
inline constexpr std::int64_t kV22FrameHeaderLength = 6;

// Tag header flags.
inline constexpr std::uint8_t kUnsyncFlag = 0x80;
inline constexpr std::uint8_t kExtendedFlag = 0x40;
inline constexpr std::uint8_t kFooterFlag = 0x10;

using ByteBuffer = std::vector<std::uint8_t>;

// A 4-byte size: sync-safe (7 bits a byte, most significant first) when asked
// and possible, else plain big-endian. A sync-safe read whose bytes cannot be
// sync-safe (one has its top bit set) falls back to the plain reading.
std::uint32_t ReadSize32(const std::uint8_t* bytes, bool sync_safe);

// Appends a 4-byte size, sync-safe or plain big-endian.
void WriteSize32(std::uint32_t value, bool sync_safe, ByteBuffer& out);

}  // namespace kalvex
