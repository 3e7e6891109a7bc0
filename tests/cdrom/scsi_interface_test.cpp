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

// Selection runs: the pass-through drives given, the ASPI library named.
struct SelectFixture : ::testing::Test {
    bool aspi_made = false;
    ListDriveBox box;
    CollectingMessageService messages;

    // What one run leaves, as text: the back end chosen (or "none", or the
    // error raised), whether an ASPI back end was made, each listed drive by
    // index, the selected index and every warning the user saw.
    std::string Select(std::shared_ptr<FakeSptiState> pass_through, std::string aspi_library) {
        aspi_made = false;
        box = {};
        messages = {};
        std::string outcome;
        try {
            const bool chosen =
                SelectScsiInterface(box, messages,
                                    {[pass_through] {
                                         return std::make_unique<clsSPTI>(
                                             std::make_unique<test::FakeSpti>(pass_through));
                                     },
                                     [this, aspi_library] {
                                         aspi_made = true;
                                         AspiOptions options = test::VirtualAspi();
                                         options.library = aspi_library;
                                         return std::make_unique<clsASPI>(options);
                                     }});
            outcome = chosen ? CurrentScsiInterface()->Interface() : "none";
        } catch (const DriveAccessError& error) {
            outcome = "error " + std::to_string(error.number());
        }
        outcome += aspi_made ? ", ASPI made" : "";
        for (const ListDriveBox::Entry& entry : box.Entries()) {
            outcome += " | " + std::to_string(entry.drive_index) + " " + entry.text;
        }
        outcome += " | selected " + std::to_string(box.SelectedDriveIndex());
        for (const CollectingMessageService::Message& message : messages.Messages()) {
            const bool warning = message.icon == CollectingMessageService::Icon::Exclamation;
            outcome += (warning ? " | warning: " : " | information: ") + message.text;
        }
        return outcome;
    }
};

TEST_F(SelectFixture, ChoosesTheFirstWorkingBackEndAndListsTheDrivesThatAnswerInquiry) {
    EXPECT_EQ(Select(PassThroughDrives({"/dev/sr0"}), test::kVirtualAspi),
              "SPTI | 1 /dev/sr0: ACME    CD-ROM sr0      1.00 (0:0:0) | selected 1");
    // No drive for the pass-through, or one it may not open: ASPI.
    auto refusing = PassThroughDrives({"/dev/sr0"});
    refusing->refused = {"/dev/sr0"};
    for (const auto& pass_through : {PassThroughDrives({}), refusing}) {
        EXPECT_EQ(Select(pass_through, test::kVirtualAspi),
                  "ASPI, ASPI made | 1 D: KALVEX  VIRTUAL CD-ROM  1.0  (0:0:0) | selected 1");
    }
    EXPECT_EQ(Select(PassThroughDrives({}), "/nonexistent/libwnaspi32.so"),
              "none, ASPI made | selected 0 | warning: No working interface found!");
    EXPECT_EQ(CurrentScsiInterface(), nullptr);
    // A drive that fails INQUIRY is left out; with none left the choice fails.
    EXPECT_EQ(Select(PassThroughDrives({"/dev/sr0", "/dev/sr1"}, {"/dev/sr0"}), ""),
              "SPTI | 2 /dev/sr1: ACME    CD-ROM sr1      1.00 (0:0:0) | selected 2"
              " | warning: INQUIRY failed for device 1");
    EXPECT_EQ(Select(PassThroughDrives({"/dev/sr0"}, {"/dev/sr0"}), ""),
              "error 1 | selected 0 | warning: INQUIRY failed for device 1");
    EXPECT_EQ(CurrentScsiInterface()->Interface(), "SPTI");
}

TEST(DriveEntryText, ShortFieldsLoseTheirNulsAndCodePageBytesBecomeUtf8) {
    EXPECT_EQ(DriveEntryText("D", Identification("ACME", "L\xE4ufer", "2"), 0, 1, 2),
              "D: ACMEL\xC3\xA4ufer2 (0:1:2)");
}

struct ReadDiscTocFixture : SelectFixture {
    VirtualDisc disc;
    void SetUp() override { Select(PassThroughDrives({}), test::kVirtualAspi); }
};

// An empty drive and no interface at all are told as no disc: kalvex-cli's
// discid --drive on the empty virtual drive (cli_drives_test.cpp) and the
// window without a drive (lookup_window_test.cpp).
TEST_F(ReadDiscTocFixture, AnUnreadableTocHasItsOwnMessage) {
    disc.Insert("this is no table of contents");
    EXPECT_FALSE(ReadDiscToc(box, messages));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{kTocErrorMessage});
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
