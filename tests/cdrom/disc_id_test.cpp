#include "cdrom/disc_id.h"

#include <gtest/gtest.h>

#include "cdrom/toc_text.h"

namespace kalvex {
namespace {

DiscToc Toc(int first, int last, std::vector<MsfAddress> starts) {
    return MakeDiscToc(first, last, starts);
}

TEST(DiscId, TwoTrackDiscGivesItsIdAndQuery) {
    const DiscToc toc = Toc(1, 2, {{0, 2, 0}, {3, 0, 0}, {5, 30, 10}});
    // Top nibble 0: seven digits, no zero in front.
    EXPECT_EQ(ComputeDiscId(toc), "B014802");
    EXPECT_EQ(BuildQueryCommand(toc), "cddb query b014802 2 150 13500 330");
    // The disc length drops the fraction of a second.
    EXPECT_EQ(DiscSeconds(Toc(1, 1, {{0, 2, 0}, {5, 30, 9}})), 330);   // 24759 frames
    EXPECT_EQ(DiscSeconds(Toc(1, 1, {{0, 2, 0}, {5, 29, 74}})), 329);  // 24749
    EXPECT_EQ(TrackCount(DiscToc{}), 0);
    EXPECT_TRUE(TocProblem(DiscToc{}));
}

TEST(DiscId, IdsThatReadNegativeGiveEightDigits) {
    // Fifteen tracks whose seconds have digit sum 16: sum 0xF0 sets bit 31.
    std::vector<MsfAddress> starts;
    int total = 0;
    for (int s = 1; total < 0xF0; ++s) {
        if (DigitSum(s) == 16 && total + 16 <= 0xF0) {
            starts.push_back({s / 60, s % 60, 0});
            total += 16;
        }
    }
    starts.push_back({20, 0, 0});
    const DiscToc toc = MakeDiscToc(1, static_cast<int>(starts.size()) - 1, starts);
    const std::string id = ComputeDiscId(toc);
    EXPECT_EQ(id.size(), 8u);
    EXPECT_EQ(id.substr(0, 2), "F0");
    EXPECT_EQ(BuildQueryCommand(toc).substr(11, 2), "f0");
}

}  // namespace
}  // namespace kalvex
