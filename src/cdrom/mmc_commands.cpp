// The MMC command blocks the program sends.
#include "cdrom/mmc_commands.h"

#include "cdrom/disc_toc.h"

namespace kalvex {

std::array<std::uint8_t, 6> TestUnitReadyCdb() {
    return {};
}

std::array<std::uint8_t, 10> ReadTocCdb(bool msf) {
    std::array<std::uint8_t, 10> cdb{};
    cdb[0] = 0x43;
    cdb[1] = msf ? 0x02 : 0x00;
    cdb[7] = static_cast<std::uint8_t>(kDiscTocSize >> 8);
    cdb[8] = static_cast<std::uint8_t>(kDiscTocSize & 0xFF);
    return cdb;
}

}  // namespace kalvex
