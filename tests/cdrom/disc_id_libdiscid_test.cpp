// Cross-checks our disc ids against libdiscid, an independent implementation.
#include <discid/discid.h>
#include <gtest/gtest.h>

#include "cdrom/disc_id.h"
#include "random_disc.h"

namespace kalvex {
namespace {

TEST(DiscIdAgainstLibdiscid, TenThousandRandomTocsAgree) {
    std::mt19937 random(20261206);
    DiscId* disc = discid_new();
    for (int round = 0; round < 10000; ++round) {
        test::RandomDisc random_disc = test::MakeRandomDisc(random, round % 4 == 0);
        const DiscToc& toc = random_disc.toc;
        const int tracks = random_disc.tracks;
        int* offsets = random_disc.offsets;
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
