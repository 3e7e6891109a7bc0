// Cross-checks our disc ids and query commands against libdiscid, an
// independent implementation.
#include <discid/discid.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "cdrom/disc_id.h"
#include "random_disc.h"

namespace kalvex {
namespace {

// Ids whose top bit is set (read as negative) come up in about half the
// rounds, and ones with a leading zero in many.
TEST(DiscIdAgainstLibdiscid, TenThousandRandomTocsAgree) {
    std::mt19937 random(20261206);
    DiscId* disc = discid_new();
    for (int round = 0; round < 10000; ++round) {
        test::RandomDisc random_disc = test::MakeRandomDisc(random, round % 4 == 0);
        const DiscToc& toc = random_disc.toc;
        const int tracks = random_disc.tracks;
        ASSERT_FALSE(TocProblem(toc));
        ASSERT_TRUE(discid_put(disc, 1, tracks, random_disc.offsets)) << discid_get_error_msg(disc);
        // Theirs has eight lower-case digits; ours drops leading zeros.
        const std::string theirs = discid_get_freedb_id(disc);
        std::string id = theirs.substr(theirs.find_first_not_of('0'));
        std::string query = "cddb query " + id + " " + std::to_string(tracks);
        for (int t = 1; t <= tracks; ++t) {
            query += " " + std::to_string(discid_get_track_offset(disc, t));
        }
        query += " " + std::to_string(discid_get_sectors(disc) / 75);
        ASSERT_EQ(BuildQueryCommand(toc), query) << FormatTocText(toc);
        std::transform(id.begin(), id.end(), id.begin(), ::toupper);
        ASSERT_EQ(ComputeDiscId(toc), id);
        ASSERT_EQ(LeadOutFrames(toc), discid_get_sectors(disc));
    }
    discid_free(disc);
}

}  // namespace
}  // namespace kalvex
