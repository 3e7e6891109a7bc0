#include <gtest/gtest.h>

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

TEST_F(SptiFixture, SendsTheCommandBlockWithTheRestZeroAndDataFromTheDevice) {
    clsSPTI& drive = Make({"/dev/sr0"});
    ASSERT_EQ(TestUnitReady(drive, "/dev/sr0"), 0);
    ASSERT_EQ(state->sent.size(), 1u);
    const auto& tur = state->sent[0];
    EXPECT_EQ(tur.header.interface_id, 'S');
    EXPECT_EQ(tur.header.cmd_len, 6);
    EXPECT_EQ(tur.cdb, std::vector<std::uint8_t>(16, 0));
    // Data from the device even when none moves.
    EXPECT_EQ(tur.header.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(tur.header.dxfer_len, 0u);
    EXPECT_EQ(tur.header.timeout, 5000u);
    EXPECT_EQ(tur.header.mx_sb_len, 32);
    EXPECT_NE(tur.header.sbp, nullptr);

    DiscToc toc;
    ReadTocCommand(drive, "/dev/sr0", true, toc);
    const auto& read_toc = state->sent[1];
    EXPECT_EQ(read_toc.header.cmd_len, 10);
    EXPECT_EQ(read_toc.cdb,
              (std::vector<std::uint8_t>{0x43, 2, 0, 0, 0, 0, 0, 3, 0x24, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(read_toc.header.dxferp, toc.bytes.data());
    EXPECT_EQ(read_toc.header.dxfer_len, 804u);

    const std::uint8_t write_cdb[12] = {0xAA, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    std::uint8_t data[8] = {};
    drive.ExecCMD("/dev/sr0", write_cdb, 12, 1, data, sizeof data, 7);
    EXPECT_EQ(state->sent[2].header.dxfer_direction, SG_DXFER_TO_DEV);
    EXPECT_EQ(state->sent[2].header.timeout, 7000u);
    EXPECT_EQ(state->sent[2].cdb[11], 11);
    EXPECT_EQ(state->sent[2].cdb[12], 0);
}

TEST_F(SptiFixture, MapsStatusesAndKeepsTheSenseBytes) {
    clsSPTI& drive = Make({"/dev/sr0"});
    state->answer = [](const std::string&, PassThroughRequest& request) {
        test::Reply(request, 2, 0x02, 0x3A, 0x01);
        return true;
    };
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr0"), 2);
    EXPECT_EQ(drive.LastSK(), 0x02);
    EXPECT_EQ(drive.LastASC(), 0x3A);
    EXPECT_EQ(drive.LastASCQ(), 0x01);

    // The whole byte 2 is kept, flag bits included.
    state->answer = [](const std::string&, PassThroughRequest& request) {
        test::Reply(request, 2, 0x82, 0x00, 0x00);
        return true;
    };
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr0"), 2);
    EXPECT_EQ(drive.LastSK(), 0x82);

    // A failed ioctl is 255 and leaves no stale sense behind.
    state->answer = [](const std::string&, PassThroughRequest&) { return false; };
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr0"), 255);
    EXPECT_EQ(drive.LastSK(), 0);
    EXPECT_EQ(drive.LastASC(), 0);

    // Good device status but a transport or driver failure: not good.
    state->answer = [](const std::string&, PassThroughRequest& request) {
        request.header.host_status = 0x03;  // DID_TIME_OUT
        return true;
    };
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr0"), 255);
    state->answer = [](const std::string&, PassThroughRequest& request) {
        request.header.driver_status = 0x06;  // DRIVER_TIMEOUT
        return true;
    };
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr0"), 255);
    // The device's own status is reported whatever lies below it.
    state->answer = [](const std::string&, PassThroughRequest& request) {
        test::Reply(request, 0x18);  // reservation conflict
        request.header.host_status = 0x07;
        return true;
    };
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr0"), 0x18);
}

TEST_F(SptiFixture, OpensEveryDriveOnceAtFirstUseAndClosesThemAtTheEnd) {
    state->refused = {"/dev/sr1"};
    clsSPTI& drive = Make({"/dev/sr0", "/dev/sr1", "/dev/sr2"});
    EXPECT_EQ(state->opened, 0);
    EXPECT_EQ(drive.DriveCount(), 3);
    EXPECT_EQ(drive.DriveHandle(2), "/dev/sr1");
    EXPECT_EQ(drive.DriveHandle(0), "");
    EXPECT_EQ(drive.DriveHandle(4), "");
    EXPECT_EQ(drive.DriveChar("/dev/sr2"), "/dev/sr2");
    EXPECT_TRUE(drive.Installed());
    EXPECT_EQ(state->opened, 2);
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr1"), kScsiStatusNoDrive);
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr2"), 0);
    EXPECT_EQ(state->opened, 2);
    EXPECT_EQ(state->sent.size(), 1u);
    spti.reset();
    EXPECT_EQ(state->closed, 2);
}

TEST_F(SptiFixture, NotInstalledWithoutDrivesOrWhenTheFirstRefuses) {
    EXPECT_FALSE(Make({}).Installed());
    EXPECT_TRUE(spti->Initialized());
    state->refused = {"/dev/sr0"};
    EXPECT_FALSE(Make({"/dev/sr0", "/dev/sr1"}).Installed());
}

TEST_F(SptiFixture, HandlesNameDevicesExactly) {
    clsSPTI& drive = Make({"/dev/sr0"});
    EXPECT_EQ(TestUnitReady(drive, "/DEV/SR0"), kScsiStatusNoDrive);
    EXPECT_EQ(TestUnitReady(drive, ""), kScsiStatusNoDrive);
    EXPECT_EQ(TestUnitReady(drive, "/dev/sr"), kScsiStatusNoDrive);
    EXPECT_TRUE(state->sent.empty());
}

TEST(DriveLetterHandles, OnlyTheFirstCharacterCountsInEitherCase) {
    const std::vector<std::string> letters = {"D", "E"};
    EXPECT_EQ(MatchDriveLetter(letters, "d"), 0);
    EXPECT_EQ(MatchDriveLetter(letters, "D:"), 0);
    EXPECT_EQ(MatchDriveLetter(letters, "e:\\"), 1);
    EXPECT_EQ(MatchDriveLetter(letters, "F"), -1);
    EXPECT_EQ(MatchDriveLetter(letters, ""), -1);
}

TEST_F(SptiFixture, AddressesComeFromTheDeviceOrAreZero) {
    state->addresses["/dev/sr0"] = {2, 5, 1};
    clsSPTI& drive = Make({"/dev/sr0", "/dev/sr1"});
    EXPECT_EQ(drive.HostAdapter("/dev/sr0"), 2);
    EXPECT_EQ(drive.TargetID("/dev/sr0"), 5);
    EXPECT_EQ(drive.LUN("/dev/sr0"), 1);
    EXPECT_EQ(drive.TargetID("/dev/sr1"), 0);
    EXPECT_EQ(drive.HostAdapter("/dev/sr9"), 0);
}

TEST(IdLunWord, DecodesHostTargetAndLun) {
    const ScsiAddress address = DecodeIdLun(0x03020104);  // host 3, channel 2, LUN 1, target 4
    EXPECT_EQ(address.host, 3);
    EXPECT_EQ(address.target, 4);
    EXPECT_EQ(address.lun, 1);
}

}  // namespace
}  // namespace kalvex
