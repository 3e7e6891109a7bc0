#pragma once

#include <cstdint>
#include <string>

#include "cdrom/disc_toc.h"

namespace kalvex {

// Sum of the decimal digits of v; 0 for v below 1.
std::int32_t DigitSum(std::int32_t v);

// The value shifted left as a 32-bit pattern: bits pushed out above bit 31
// are lost and the result may read as negative. Unchanged for bits < 1, 0 for
// bits > 31.
std::int32_t ShiftLeft32(std::int32_t value, int bits);

// The FreeDB disc identifier in upper-case hexadecimal without leading zeros
// ("B014802" for 0x0B014802). The TOC must pass TocProblem.
std::string ComputeDiscId(const DiscToc& toc);

// "cddb query <id> <count> <start>... <seconds>", lower-cased as sent.
std::string BuildQueryCommand(const DiscToc& toc);

}  // namespace kalvex
