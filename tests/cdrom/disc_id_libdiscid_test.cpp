// Cross-checks our disc ids against libdiscid, an independent implementation.
#include <discid/discid.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "cdrom/disc_id.h"
#include "cdrom/toc_text.h"

namespace kalvex {
namespace {

MsfAddress ToMsf(int frames) {
    return {frames / (60 * 75), frames / 75 % 60, frames % 75};
}

TEST(DiscIdAgainstLibdiscid, TenThousandRandomTocsAgree) {
    std::mt19937 random(20261206);
    DiscId* disc = discid_new();
    for (int round = 0; round < 10000; ++round) {
        const int tracks = std::uniform_int_distribution<int>(1, 99)(random);
        const int first = round % 4 == 0 && tracks < 98
                              ? std::uniform_int_distribution<int>(2, 100 - tracks)(random)
                              : 1;
        // libdiscid takes discs of up to 90 minutes.
        const int longest_track = std::max(300, 400000 / tracks);
        // libdiscid indexes offsets by track number and takes the last
        // number as the count, so it gets the same tracks numbered from 1.
        int offsets[100] = {};
        std::vector<MsfAddress> starts;
        int frame = 150 + std::uniform_int_distribution<int>(0, 3000)(random);
        for (int t = 1; t <= tracks; ++t) {
            offsets[t] = frame;
            starts.push_back(ToMsf(frame));
            frame += std::uniform_int_distribution<int>(300, longest_track)(random);
        }
        offsets[0] = frame;
        starts.push_back(ToMsf(frame));

        const DiscToc toc = MakeDiscToc(first, first + tracks - 1, starts);
        ASSERT_FALSE(TocProblem(toc));
        ASSERT_TRUE(discid_put(disc, 1, tracks, offsets)) << discid_get_error_msg(disc);
        const unsigned long theirs = std::stoul(discid_get_freedb_id(disc), nullptr, 16);
        const unsigned long ours = std::stoul(ComputeDiscId(toc), nullptr, 16);
        ASSERT_EQ(ours, theirs) << "round " << round << ": " << FormatTocText(toc);
        ASSERT_EQ(TrackStartFrames(toc, tracks), offsets[tracks]);
        ASSERT_EQ(LeadOutFrames(toc), offsets[0]);
    }
    discid_free(disc);
}

}  // namespace
}  // namespace kalvex
