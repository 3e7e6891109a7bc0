#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cdrom/disc_toc.h"

namespace kalvex {

struct MsfAddress {
    int minute = 0;
    int second = 0;
    int frame = 0;
    bool data = false;  // the start of a data track (an enhanced CD's last)
};

// A DiscToc as a drive would send it for an audio disc: data length, track
// range, and for every track and the lead-out (track number 0xAA) a
// descriptor with ADR/control 0x10 (0x14 for a data track) and the MSF
// address. `starts` holds each track's start and then the lead-out.
DiscToc MakeDiscToc(int first_track, int last_track, const std::vector<MsfAddress>& starts);

struct TocTextResult {
    std::optional<DiscToc> toc;
    std::string error;  // one line saying what is wrong when toc is empty
};

// Reads "FIRST LAST M:S:F ... M:S:F": the first and last track number, then
// each track's start and the lead-out, separated by whitespace; a track's
// start ending in "d" ("70:12:40d") marks a data track. Rejects
// anything a drive could not have sent: wrong number of addresses, seconds
// above 59, frames above 74, starts that do not increase, and every TOC that
// TocProblem rejects.
TocTextResult ParseTocText(std::string_view text);

// The inverse of ParseTocText for a valid TOC.
std::string FormatTocText(const DiscToc& toc);

}  // namespace kalvex
