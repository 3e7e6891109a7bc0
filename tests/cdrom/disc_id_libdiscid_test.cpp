// Cross-checks our disc ids and query commands against libdiscid, an
// independent implementation.
#include <discid/discid.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "cdrom/disc_id.h"
#include "random_disc.h"

namespace kalvex {
namespace {

// Ten thousand random discs, some numbered from a track above 1. Ids whose top
// bit is set (read as negative) come up in about half the rounds, and ones
// with a leading zero in many. For the MusicBrainz id every fourth disc of two
// tracks or more is an enhanced CD, whose last track holds data.
TEST(DiscIdAgainstLibdiscid, RandomTocsAgree) {
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

        std::vector<MsfAddress> starts;
        for (int n = 1; n <= tracks + 1; ++n) {
            starts.push_back(test::FramesToMsf(random_disc.offsets[n <= tracks ? n : 0]));
        }
        const bool enhanced = tracks > 1 && round % 4 == 1;
        starts[tracks - 1].data = enhanced;
        const int first = toc.FirstTrack();
        const DiscToc mixed = MakeDiscToc(first, first + tracks - 1, starts);
        // libdiscid takes the audio tracks by number and the audio lead-out.
        const int audio = enhanced ? tracks - 1 : tracks;
        int offsets[100] = {};
        offsets[0] = enhanced ? random_disc.offsets[tracks] - 11400 : random_disc.offsets[0];
        for (int t = 1; t <= audio; ++t) {
            offsets[first + t - 1] = random_disc.offsets[t];
        }
        if (offsets[0] <= offsets[first + audio - 1]) {
            continue;  // a data track too close for an audio session before it
        }
        ASSERT_TRUE(discid_put(disc, first, first + audio - 1, offsets))
            << discid_get_error_msg(disc);
        ASSERT_EQ(MusicBrainzDiscId(mixed), discid_get_id(disc))
            << "round " << round << ": " << FormatTocText(mixed);
        std::string their_toc = discid_get_toc_string(disc);
        std::replace(their_toc.begin(), their_toc.end(), ' ', '+');
        ASSERT_EQ(MusicBrainzToc(mixed), their_toc);
    }
    discid_free(disc);
}

}  // namespace
}  // namespace kalvex
