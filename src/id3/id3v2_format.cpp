// The size codecs of ID3 v2 tags and frames.
#include "id3/id3v2_format.h"

namespace kalvex {

std::uint32_t ReadSize32(const std::uint8_t* b, bool sync_safe) {
    if (sync_safe && ((b[0] | b[1] | b[2] | b[3]) & 0x80) == 0) {
        return std::uint32_t{b[0]} << 21 | std::uint32_t{b[1]} << 14 | std::uint32_t{b[2]} << 7 |
               b[3];
    }
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

void WriteSize32(std::uint32_t value, bool sync_safe, ByteBuffer& out) {
    const int bits = sync_safe ? 7 : 8;
    const std::uint32_t mask = sync_safe ? 0x7F : 0xFF;
    for (int shift = 3 * bits; shift >= 0; shift -= bits) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & mask));
    }
}

}  // namespace kalvex
