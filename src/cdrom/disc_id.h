#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// The audio session as MusicBrainz counts a disc: a trailing data track (an
// enhanced CD) is left out, and the lead-out then lies 11400 frames (the
// gap between the sessions) before that track's start.
struct AudioSession {
    int first = 0;
    int last = 0;
    std::int32_t lead_out = 0;
    std::vector<std::int32_t> starts;  // frames, the 150-frame lead-in included
};
AudioSession MusicBrainzSession(const DiscToc& toc);

// The MusicBrainz disc id: the SHA-1 of the upper-case hex text of first and
// last track and 100 offsets (the lead-out, then each track by its number,
// zeros for absent ones), in base64 with "." "_" "-" for "+" "/" "=".
std::string MusicBrainzDiscId(const DiscToc& toc);

// The web service's "toc" parameter: first, last, lead-out and each start,
// in decimal, joined by "+".
std::string MusicBrainzToc(const DiscToc& toc);

}  // namespace kalvex
