#include "cdrom/disc_id.h"

#include <gtest/gtest.h>

#include "cdrom/mmc_commands.h"
#include "cdrom/toc_text.h"

namespace kalvex {
namespace {

DiscToc Toc(int first, int last, std::vector<MsfAddress> starts) {
    return MakeDiscToc(first, last, starts);
}

TEST(DiscId, TwoTrackDiscGivesAllFigures) {
    const DiscToc toc = Toc(1, 2, {{0, 2, 0}, {3, 0, 0}, {5, 30, 10}});
    EXPECT_EQ(TrackCount(toc), 2);
    EXPECT_EQ(TrackStartFrames(toc, 1), 150);
    EXPECT_EQ(TrackStartFrames(toc, 2), 13500);
    EXPECT_EQ(LeadOutFrames(toc), 24760);
    EXPECT_EQ(DiscSeconds(toc), 330);
    // Top nibble 0: seven digits, no zero in front.
    EXPECT_EQ(ComputeDiscId(toc), "B014802");
    EXPECT_EQ(BuildQueryCommand(toc), "cddb query b014802 2 150 13500 330");
}

TEST(DiscId, DiscSecondsDropsTheFraction) {
    EXPECT_EQ(DiscSeconds(Toc(1, 1, {{0, 2, 0}, {5, 30, 9}})), 330);   // 24759 frames
    EXPECT_EQ(DiscSeconds(Toc(1, 1, {{0, 2, 0}, {5, 30, 0}})), 330);   // 24750
    EXPECT_EQ(DiscSeconds(Toc(1, 1, {{0, 2, 0}, {5, 29, 74}})), 329);  // 24749
}

TEST(DiscId, FirstTrackAboveOneUsesDescriptorsByPosition) {
    const DiscToc toc = Toc(2, 5, {{0, 2, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}});
    EXPECT_EQ(TrackCount(toc), 4);
    EXPECT_EQ(TrackStartFrames(toc, 4), 3 * 60 * 75);
    EXPECT_EQ(LeadOutFrames(toc), 4 * 60 * 75);
    EXPECT_EQ(ComputeDiscId(toc).back(), '4');
}

TEST(DiscId, EmptyTocHasNoTracksAndIsRejected) {
    DiscToc toc;
    EXPECT_EQ(TrackCount(toc), 0);
    EXPECT_TRUE(TocProblem(toc));
}

TEST(DiscId, DigitSumsAndTheModulus255) {
    EXPECT_EQ(DigitSum(0), 0);
    EXPECT_EQ(DigitSum(-5), 0);
    EXPECT_EQ(DigitSum(2), 2);
    EXPECT_EQ(DigitSum(180), 9);
    EXPECT_EQ(DigitSum(4799), 29);
    // Build discs whose digit sums are exactly 255, 256 and 510: the top
    // byte of the id is sum mod 255.
    auto top_byte = [](int sum) {
        // Tracks at 99 s have digit sum 18; the remainder fills one track.
        std::vector<MsfAddress> starts;
        int seconds = 0;
        while (sum > 0) {
            int take = sum >= 18 ? 18 : sum;
            // the next start whose seconds have the wanted digit sum
            do {
                ++seconds;
            } while (DigitSum(seconds) != take);
            starts.push_back({seconds / 60, seconds % 60, 0});
            sum -= take;
        }
        starts.push_back({(seconds + 10) / 60, (seconds + 10) % 60, 0});
        const DiscToc toc = MakeDiscToc(1, static_cast<int>(starts.size()) - 1, starts);
        return std::stoul(ComputeDiscId(toc), nullptr, 16) >> 24;
    };
    EXPECT_EQ(top_byte(255), 0u);
    EXPECT_EQ(top_byte(256), 1u);
    EXPECT_EQ(top_byte(510), 0u);
    EXPECT_EQ(top_byte(254), 254u);
}

TEST(DiscId, ShiftLeft32KeepsBit31AndDropsHigherBits) {
    EXPECT_EQ(ShiftLeft32(5, 0), 5);
    EXPECT_EQ(ShiftLeft32(5, -3), 5);
    EXPECT_EQ(ShiftLeft32(5, 32), 0);
    EXPECT_EQ(ShiftLeft32(1, 31), INT32_MIN);
    EXPECT_EQ(ShiftLeft32(0xFF, 24), static_cast<std::int32_t>(0xFF000000u));
    EXPECT_EQ(ShiftLeft32(0x1FF, 24), static_cast<std::int32_t>(0xFF000000u));
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

TEST(DriveCommands, CommandBlocksAreTheMmcBytes) {
    EXPECT_EQ(TestUnitReadyCdb(), (std::array<std::uint8_t, 6>{}));
    EXPECT_EQ(ReadTocCdb(true),
              (std::array<std::uint8_t, 10>{0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0}));
    EXPECT_EQ(ReadTocCdb(false)[1], 0x00);
}

}  // namespace
}  // namespace kalvex
