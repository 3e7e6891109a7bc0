#include <gtest/gtest.h>

#include <random>

#include "cdrom/aspi.h"
#include "cdrom/drive_discovery.h"
#include "cdrom/drive_error.h"
#include "cdrom/list_drive_box.h"
#include "cdrom/scsi_interface.h"
#include "cdrom/spti.h"
#include "cdrom/toc_text.h"
#include "fake_spti.h"
#include "random_disc.h"
#include "virtual_drive_env.h"

namespace kalvex {
namespace {

using test::FakeSptiState;
using test::VirtualDisc;

InquiryData Identification(const std::string& vendor, const std::string& product,
                           const std::string& revision) {
    InquiryData data{};
    std::memcpy(&data[8], vendor.data(), std::min<size_t>(vendor.size(), 8));
    std::memcpy(&data[16], product.data(), std::min<size_t>(product.size(), 16));
    std::memcpy(&data[32], revision.data(), std::min<size_t>(revision.size(), 4));
    return data;
}

// Pass-through drives that answer INQUIRY unless listed as silent.
std::shared_ptr<FakeSptiState> PassThroughDrives(std::vector<std::string> drives,
                                                 std::set<std::string> silent = {}) {
    auto state = std::make_shared<FakeSptiState>();
    state->drives = std::move(drives);
    state->answer = [silent](const std::string& drive, PassThroughRequest& request) {
        if (silent.count(drive) != 0) {
            return false;
        }
        if (request.cdb[0] == 0x12) {
            const std::string product = "CD-ROM " + drive.substr(5) + "         ";
            const InquiryData data = Identification("ACME    ", product, "1.00");
            test::ReplyData(request, {data.begin(), data.end()});
        }
        return true;
    };
    return state;
}

// One selection run: the pass-through drives given, the ASPI library named.
struct SelectFixture : ::testing::Test {
    bool aspi_made = false;
    ListDriveBox box;
    CollectingMessageService messages;

    bool Select(std::shared_ptr<FakeSptiState> pass_through, std::string aspi_library) {
        return SelectScsiInterface(
            box, messages,
            {[pass_through] {
                 return std::make_unique<clsSPTI>(std::make_unique<test::FakeSpti>(pass_through));
             },
             [this, aspi_library] {
                 aspi_made = true;
                 AspiOptions options = test::VirtualAspi();
                 options.library = aspi_library;
                 return std::make_unique<clsASPI>(options);
             }});
    }
};

TEST_F(SelectFixture, PrefersAWorkingPassThroughOverAnInstalledAspi) {
    ASSERT_TRUE(Select(PassThroughDrives({"/dev/sr0"}), test::kVirtualAspi));
    EXPECT_FALSE(aspi_made);
    EXPECT_EQ(CurrentScsiInterface()->Interface(), "SPTI");
    ASSERT_EQ(box.Entries().size(), 1u);
    EXPECT_EQ(box.Entries()[0].text, "/dev/sr0: ACME    CD-ROM sr0      1.00 (0:0:0)");
    EXPECT_EQ(box.SelectedDriveIndex(), 1);
}

TEST_F(SelectFixture, FallsBackToAspiWhenThePassThroughFindsNoDriveOrMayNotOpenIt) {
    auto refusing = PassThroughDrives({"/dev/sr0"});
    refusing->refused = {"/dev/sr0"};
    for (const auto& pass_through : {PassThroughDrives({}), refusing}) {
        ASSERT_TRUE(Select(pass_through, test::kVirtualAspi));
        EXPECT_EQ(CurrentScsiInterface()->Interface(), "ASPI");
        ASSERT_FALSE(box.Entries().empty());
        EXPECT_EQ(box.Entries().back().text, "D: KALVEX  VIRTUAL CD-ROM  1.0  (0:0:0)");
    }
    EXPECT_EQ(box.Entries().size(), 2u);  // one entry per run
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(SelectFixture, ReportsWhenNeitherBackEndWorks) {
    EXPECT_FALSE(Select(PassThroughDrives({}), "/nonexistent/libwnaspi32.so"));
    EXPECT_TRUE(aspi_made);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"No working interface found!"});
    EXPECT_EQ(messages.Messages()[0].icon, CollectingMessageService::Icon::Exclamation);
    EXPECT_EQ(CurrentScsiInterface(), nullptr);
    EXPECT_TRUE(box.Entries().empty());
    // With no interface a read fails the way a missing disc does.
    EXPECT_FALSE(ReadDiscToc(box, messages));
    EXPECT_EQ(messages.Texts().back(), kNoDiscMessage);
}

TEST_F(SelectFixture, LeavesOutADriveThatFailsInquiry) {
    ASSERT_TRUE(Select(PassThroughDrives({"/dev/sr0", "/dev/sr1"}, {"/dev/sr1"}), ""));
    ASSERT_EQ(box.Entries().size(), 1u);
    EXPECT_EQ(box.Entries()[0].drive_index, 1);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"INQUIRY failed for device 2"});
}

TEST_F(SelectFixture, ThrowsWhenNoDriveCanBeListed) {
    try {
        Select(PassThroughDrives({"/dev/sr0"}, {"/dev/sr0"}), "");
        FAIL() << "no error raised";
    } catch (const DriveAccessError& error) {
        EXPECT_EQ(error.number(), kNoCdDriveError);
    }
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"INQUIRY failed for device 1"});
    EXPECT_NE(CurrentScsiInterface(), nullptr);
}

TEST(DriveEntryText, ShortFieldsLoseTheirNulsAndCodePageBytesBecomeUtf8) {
    EXPECT_EQ(DriveEntryText("D", Identification("ACME", "L\xE4ufer", "2"), 0, 1, 2),
              "D: ACMEL\xC3\xA4ufer2 (0:1:2)");
}

struct ReadDiscTocFixture : SelectFixture {
    VirtualDisc disc;
    void SetUp() override { ASSERT_TRUE(Select(PassThroughDrives({}), test::kVirtualAspi)); }
};

TEST_F(ReadDiscTocFixture, NoDiscAndUnreadableTocHaveTheirOwnMessages) {
    EXPECT_FALSE(ReadDiscToc(box, messages));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{kNoDiscMessage});
    disc.Insert("this is no table of contents");
    EXPECT_FALSE(ReadDiscToc(box, messages));
    EXPECT_EQ(messages.Texts().back(), kTocErrorMessage);
}

TEST(TocReplyComplete, JudgesTheReplyByItsOwnLength) {
    DiscToc toc = MakeDiscToc(1, 2, {{0, 2, 0}, {3, 0, 0}, {5, 30, 10}});
    EXPECT_TRUE(TocReplyComplete(toc));
    toc.bytes[1] = 2 + 8 * 2;  // the lead-out's descriptor is missing
    EXPECT_FALSE(TocReplyComplete(toc));
    toc.SetTrackRange(3, 2);
    toc.bytes[1] = 0xFF;
    EXPECT_FALSE(TocReplyComplete(toc));
}

// Discs of every length one after another: each read leaves the program's
// TOC exactly as the drive gave it, nothing of a longer disc before.
TEST_F(ReadDiscTocFixture, AThousandRandomDiscsReadExactly) {
    std::mt19937 random(5);
    for (int round = 0; round < 1000; ++round) {
        const DiscToc expected = test::MakeRandomDisc(random, round % 5 == 0).toc;
        disc.Insert(FormatTocText(expected));
        ASSERT_TRUE(ReadDiscToc(box, messages)) << messages.Texts().back();
        ASSERT_EQ(CurrentDiscToc().bytes, expected.bytes) << FormatTocText(expected);
    }
    EXPECT_TRUE(messages.Texts().empty());
}

}  // namespace
}  // namespace kalvex
