#include "cdrom/toc_text.h"

#include <gtest/gtest.h>

namespace kalvex {
namespace {

// Discs of up to 99 tracks go through the text in the random disc tests.
TEST(TocText, ReadsTracksAndLeadOutLikeADriveReply) {
    const TocTextResult result = ParseTocText("  1 2\n0:2:0\t3:0:0 5:30:10 ");
    ASSERT_TRUE(result.toc) << result.error;
    const DiscToc& toc = *result.toc;
    EXPECT_EQ(TrackCount(toc), 2);
    EXPECT_EQ(LeadOutFrames(toc), 24760);
    // Header and descriptors as a drive fills them.
    EXPECT_EQ(toc.bytes[1], 2 + 8 * 3);
    EXPECT_EQ(toc.bytes[4 + 1], 0x10);
    EXPECT_EQ(toc.bytes[4 + 8 + 2], 2);
    EXPECT_EQ(toc.bytes[4 + 16 + 2], 0xAA);
    EXPECT_EQ(FormatTocText(toc), "1 2 0:2:0 3:0:0 5:30:10");
    // A table that lists no tracks, as an empty reply reads.
    EXPECT_EQ(TrackCount(DiscToc{}), 0);
    EXPECT_TRUE(TocProblem(DiscToc{}));
}

TEST(TocText, RejectsWhatNoDriveSends) {
    const char* bad[] = {
        "1",                      // no last track
        "2 1 0:2:0 1:0:0",        // last below first
        "0 0 0:2:0",              // no tracks
        "1 2 0:2:0 5:30:10",      // one address short
        "1 1 0:2:0 1:0:0 2:0:0",  // one too many
        "1 1 0:2:0 1:60:0",       // second 60
        "1 1 0:2:0 1:0:75",       // frame 75
        "1 1 0:2:0 1:0",          // not M:S:F
        "1 1 2:0:0 1:0:0",        // lead-out before the track
        "1 1 0:2:0 -1:0:0",       // negative
        "a b 0:2:0 1:0:0",        // not numbers
        "1 1 0:2:0 99999999999999:0:0",
    };
    for (const char* text : bad) {
        const TocTextResult result = ParseTocText(text);
        EXPECT_FALSE(result.toc) << text;
        EXPECT_FALSE(result.error.empty()) << text;
        EXPECT_EQ(result.error.find('\n'), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace kalvex
