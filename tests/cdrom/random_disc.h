#pragma once

#include <algorithm>
#include <random>
#include <vector>

#include "cdrom/toc_text.h"

namespace kalvex::test {

// A random audio disc of 1 to 99 tracks and at most 90 minutes (libdiscid's
// limit), as a DiscToc and as libdiscid's offsets: libdiscid indexes offsets by
// track number and takes the last number as the count, so it gets the same
// tracks numbered from 1, with the lead-out in offsets[0].
struct RandomDisc {
    DiscToc toc;
    int tracks = 0;
    int offsets[100] = {};
};

inline MsfAddress FramesToMsf(int frames) {
    return {frames / (60 * 75), frames / 75 % 60, frames % 75};
}

inline RandomDisc MakeRandomDisc(std::mt19937& random, bool first_track_above_one) {
    RandomDisc disc;
    disc.tracks = std::uniform_int_distribution<int>(1, 99)(random);
    const int first = first_track_above_one && disc.tracks < 98
                          ? std::uniform_int_distribution<int>(2, 100 - disc.tracks)(random)
                          : 1;
    const int longest_track = std::max(300, 400000 / disc.tracks);
    std::vector<MsfAddress> starts;
    int frame = 150 + std::uniform_int_distribution<int>(0, 3000)(random);
    for (int t = 1; t <= disc.tracks; ++t) {
        disc.offsets[t] = frame;
        starts.push_back(FramesToMsf(frame));
        frame += std::uniform_int_distribution<int>(300, longest_track)(random);
    }
    disc.offsets[0] = frame;
    starts.push_back(FramesToMsf(frame));
    disc.toc = MakeDiscToc(first, first + disc.tracks - 1, starts);
    return disc;
}

}  // namespace kalvex::test
