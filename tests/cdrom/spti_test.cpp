#include <gtest/gtest.h>

#include <tuple>

#include "cdrom/drive_commands.h"
#include "cdrom/spti.h"
#include "cdrom/spti_request.h"
#include "fake_spti.h"

namespace kalvex {
namespace {

using test::FakeSpti;
using test::FakeSptiState;

struct SptiFixture : ::testing::Test {
    std::shared_ptr<FakeSptiState> state = std::make_shared<FakeSptiState>();
    std::unique_ptr<clsSPTI> spti;

    clsSPTI& Make(std::vector<std::string> drives) {
        state->drives = std::move(drives);
        spti = std::make_unique<clsSPTI>(std::make_unique<FakeSpti>(state));
        return *spti;
    }
};

// The header fields the kernel checks (interface, lengths, sense buffer) and
// READ TOC's block are decided by the QEMU test against a real SG_IO; here,
// what it cannot show: the rest of the block, direction and time-out.
TEST_F(SptiFixture, SendsTheRestOfTheBlockZeroWithItsDirectionAndTimeOut) {
    clsSPTI& drive = Make({"/dev/sr0"});
    ASSERT_EQ(TestUnitReady(drive, "/dev/sr0"), 0);
    ASSERT_EQ(state->sent.size(), 1u);
    // Data from the device even when none moves.
    EXPECT_EQ(state->sent[0].cdb, std::vector<std::uint8_t>(16, 0));
    EXPECT_EQ(state->sent[0].header.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(state->sent[0].header.timeout, 5000u);

    const std::uint8_t write_cdb[12] = {0xAA, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    std::uint8_t data[8] = {};
    drive.ExecCMD("/dev/sr0", write_cdb, 12, 1, data, sizeof data, 7);
    EXPECT_EQ(state->sent[1].cdb,
              (std::vector<std::uint8_t>{0xAA, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 0, 0, 0}));
    EXPECT_EQ(state->sent[1].header.dxfer_direction, SG_DXFER_TO_DEV);
    EXPECT_EQ(state->sent[1].header.timeout, 7000u);
}

TEST_F(SptiFixture, MapsStatusesAndKeepsTheSenseBytes) {
    clsSPTI& drive = Make({"/dev/sr0"});
    struct Case {
        const char* what;
        std::function<bool(PassThroughRequest&)> answer;
        int status;
        std::uint8_t sense_key, asc, ascq;
    };
    const Case cases[] = {
        {"check condition", [](auto& r) { return test::Reply(r, 2, 0x02, 0x3A, 0x01), true; }, 2,
         0x02, 0x3A, 0x01},
        // The whole byte 2 is kept, flag bits included.
        {"flagged key", [](auto& r) { return test::Reply(r, 2, 0x82), true; }, 2, 0x82, 0, 0},
        // A failed ioctl leaves no stale sense behind.
        {"failed ioctl", [](auto&) { return false; }, 255, 0, 0, 0},
        // Good device status but a transport or driver failure: not good.
        {"host time-out", [](auto& r) { return r.header.host_status = 0x03, true; }, 255, 0, 0, 0},
        {"driver time-out", [](auto& r) { return r.header.driver_status = 0x06, true; }, 255, 0, 0,
         0},
        // The device's own status is reported whatever lies below it.
        {"reservation conflict",
         [](auto& r) { return test::Reply(r, 0x18), r.header.host_status = 0x07, true; }, 0x18, 0,
         0, 0},
    };
    for (const Case& c : cases) {
        state->answer = [&c](const std::string&, PassThroughRequest& r) { return c.answer(r); };
        EXPECT_EQ(TestUnitReady(drive, "/dev/sr0"), c.status) << c.what;
        EXPECT_EQ(std::tuple(drive.LastSK(), drive.LastASC(), drive.LastASCQ()),
                  std::tuple(c.sense_key, c.asc, c.ascq))
            << c.what;
    }
}

TEST_F(SptiFixture, OpensEveryDriveOnceAtFirstUseClosesThemAtTheEndAndNamesThemExactly) {
    state->refused = {"/dev/sr1"};
    state->addresses["/dev/sr0"] = {2, 5, 1};
    clsSPTI& drive = Make({"/dev/sr0", "/dev/sr1", "/dev/sr2"});
    EXPECT_EQ(state->opened, 0);
    EXPECT_EQ(drive.DriveCount(), 3);
    EXPECT_EQ(drive.DriveHandle(2), "/dev/sr1");
    EXPECT_EQ(drive.DriveHandle(0), "");
    EXPECT_TRUE(drive.Installed());
    EXPECT_EQ(state->opened, 2);
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr1"), kScsiStatusNoDrive);
    for (const char* unknown : {"/DEV/SR0", "", "/dev/sr"}) {
        EXPECT_EQ(TestUnitReady(drive, unknown), kScsiStatusNoDrive) << unknown;
    }
    EXPECT_TRUE(state->sent.empty());
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr2"), 0);
    EXPECT_EQ(state->opened, 2);

    // Addresses come from the device, else are zero.
    const auto address = [&drive](const char* handle) {
        return std::tuple(drive.HostAdapter(handle), drive.TargetID(handle), drive.LUN(handle));
    };
    EXPECT_EQ(address("/dev/sr0"), std::tuple(2, 5, 1));
    EXPECT_EQ(address("/dev/sr2"), std::tuple(0, 0, 0));
    EXPECT_EQ(address("/dev/sr9"), std::tuple(0, 0, 0));
    spti.reset();
    EXPECT_EQ(state->closed, 2);

    // Not installed without drives, or when the first refuses.
    EXPECT_FALSE(Make({}).Installed());
    state->refused = {"/dev/sr0"};
    EXPECT_FALSE(Make({"/dev/sr0", "/dev/sr1"}).Installed());
}

// Windows drive letters count by their first character in either case; the
// Linux address word holds host 3, channel 2, LUN 1, target 4.
TEST(SptiAddresses, DriveLettersAndIdLunWords) {
    const std::pair<const char*, int> cases[] = {
        {"d", 0}, {"D:", 0}, {"e:\\", 1}, {"F", -1}, {"", -1}};
    for (const auto& [handle, index] : cases) {
        EXPECT_EQ(MatchDriveLetter({"D", "E"}, handle), index) << handle;
    }
    const ScsiAddress address = DecodeIdLun(0x03020104);
    EXPECT_EQ(std::tuple(address.host, address.target, address.lun), std::tuple(3, 4, 1));
}

}  // namespace
}  // namespace kalvex
