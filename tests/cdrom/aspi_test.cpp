#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

#include "cdrom/aspi.h"
#include "cdrom/aspi_layout.h"
#include "cdrom/drive_commands.h"
#include "cdrom/toc_text.h"
#include "virtual_drive_env.h"

namespace kalvex {
namespace {

using namespace aspi;
using test::VirtualAspi;
using test::VirtualDisc;

// Stands between clsASPI and the virtual drive: records every request and
// can answer in the drive's place.
struct Recorder {
    static inline std::uint32_t (*real_send)(void*) = nullptr;
    static inline std::uint32_t support_answer = 0;
    // When set, execute requests go here instead of to the drive.
    static inline std::function<std::uint32_t(SRB_ExecSCSICmd&)> exec;
    static inline std::vector<std::array<std::uint8_t, 4>> requests;  // cmd, adapter, target, LUN

    static std::uint32_t SendCommand(void* request) {
        const auto* bytes = static_cast<const std::uint8_t*>(request);
        requests.push_back({bytes[0], bytes[2], bytes[8], bytes[9]});
        return bytes[0] == SC_EXEC_SCSI_CMD && exec ? exec(*static_cast<SRB_ExecSCSICmd*>(request))
                                                    : real_send(request);
    }
    static std::uint32_t SupportInfo() { return support_answer; }
    static LibraryCalls Calls() {
        support_answer = 0x0101;  // completed, one adapter: the virtual drive's own answer
        exec = nullptr;
        requests.clear();
        LibraryCalls calls = SystemLibraryCalls();
        // clsASPI asks for these two functions only.
        calls.symbol = [](void* library, const char* name) -> void* {
            if (std::strcmp(name, "GetASPI32SupportInfo") == 0) {
                return reinterpret_cast<void*>(&SupportInfo);
            }
            real_send = reinterpret_cast<decltype(real_send)>(dlsym(library, name));
            return reinterpret_cast<void*>(&SendCommand);
        };
        return calls;
    }
};

// The TOC read through ASPI itself is the random disc test's
// (scsi_interface_test.cpp); here how devices are found and addressed, a
// request that completes only after the settling pause, and the status and
// sense rules.
TEST(AspiVirtualDrive, FindsAndAddressesDevicesWaitsForALateAnswerAndReadsStatusAndSense) {
    VirtualDisc disc;
    LibraryCalls calls = Recorder::Calls();
    Recorder::support_answer = 0x0102;  // completed, two adapters
    clsASPI scsi(VirtualAspi(calls));
    EXPECT_TRUE(scsi.Initialized());
    // Adapters 0 to 2, each with targets and then LUNs 0 to 7.
    ASSERT_EQ(Recorder::requests.size(), 3u * 8 * 8);
    EXPECT_EQ(Recorder::requests[8], (std::array<std::uint8_t, 4>{SC_GET_DEV_TYPE, 0, 1, 0}));
    EXPECT_EQ(Recorder::requests.back(), (std::array<std::uint8_t, 4>{SC_GET_DEV_TYPE, 2, 7, 7}));
    EXPECT_EQ(scsi.DriveCount(), 1);
    // A handle's three characters are adapter, target and LUN.
    EXPECT_EQ(scsi.TargetID(clsASPI::MakeHandle(1, 3, 0)), 3);
    // No device at LUN 1, and no handle at all: refused before reaching a drive.
    EXPECT_EQ(TestUnitReady(scsi, clsASPI::MakeHandle(0, 0, 1)), 255);
    EXPECT_EQ(TestUnitReady(scsi, "short"), kScsiStatusNoDrive);

    disc.Insert("2 3 0:2:0 3:0:0 5:30:10\n");
    DiscToc toc;
    setenv("KALVEX_VIRTUAL_ASPI_DELAY_MS", "150", 1);
    const int status = ReadTocCommand(scsi, scsi.DriveHandle(1), true, toc);
    unsetenv("KALVEX_VIRTUAL_ASPI_DELAY_MS");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(toc.bytes, MakeDiscToc(2, 3, {{0, 2, 0}, {3, 0, 0}, {5, 30, 10}}).bytes);

    // A check condition reported with a sense key byte that carries flags.
    Recorder::exec = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
        srb.SRB_TargStat = 2;
        srb.SenseArea[2] = 0x72;
        srb.SenseArea[12] = 0x28;
        srb.SenseArea[13] = 0x01;
        srb.SRB_Status = SS_ERR;
        return SS_ERR;
    };
    EXPECT_EQ(TestUnitReady(scsi, scsi.DriveHandle(1)), 2);
    EXPECT_EQ(std::tuple(scsi.LastSK(), scsi.LastASC(), scsi.LastASCQ()), std::tuple(2, 0x28, 1));
    // A host adapter failure with target status 0 counts as good, and leaves
    // no sense of the request before.
    Recorder::exec = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
        srb.SRB_HaStat = 0x12;
        srb.SRB_Status = SS_ERR;
        return SS_ERR;
    };
    EXPECT_EQ(TestUnitReady(scsi, scsi.DriveHandle(1)), 0);
    EXPECT_EQ(scsi.LastSK(), 0);
    // The rest of the block is what the virtual drive reads; without the
    // event flag a pending request would take its whole time-out.
    Recorder::exec = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
        EXPECT_EQ(srb.SRB_Flags, SRB_DIR_IN | SRB_EVENT_NOTIFY);
        srb.SRB_Status = SS_COMP;
        return SS_COMP;
    };
    EXPECT_EQ(ReadTocCommand(scsi, scsi.DriveHandle(1), true, toc), 0);

    Recorder::support_answer = 0x0401;  // an error status: not initialised
    EXPECT_FALSE(scsi.Initialized());
}

// A request that outlives its time-out: the library completes it later, and
// then writes into the data buffer and signals the event the block names.
struct AspiTimeOut : ::testing::Test {
    static constexpr std::uint8_t kReadToc[10] = {0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0};
    static inline std::vector<SRB_ExecSCSICmd*> sent;  // every execute request, in order

    // A second of a caller's time-out lasts 50 ms.
    static AspiOptions ShortTimeOuts(LibraryCalls calls) {
        AspiOptions options = VirtualAspi(calls);
        options.timeout_second_milliseconds = 50;
        return options;
    }
    static std::uint8_t Status(const SRB_ExecSCSICmd& srb) {
        return std::atomic_ref<const std::uint8_t>(srb.SRB_Status).load();
    }
    void SetUp() override { sent.clear(); }
    void TearDown() override { unsetenv("KALVEX_VIRTUAL_ASPI_DELAY_MS"); }
};

TEST_F(AspiTimeOut, ALateCompletionLeavesTheCallersBufferAloneAndTheNextRequestWorks) {
    VirtualDisc disc;
    disc.Insert("1 2 0:2:0 3:0:0 5:30:10");
    LibraryCalls calls = Recorder::Calls();
    Recorder::exec = [](SRB_ExecSCSICmd& srb) {
        sent.push_back(&srb);
        return Recorder::real_send(&srb);
    };
    clsASPI scsi(ShortTimeOuts(calls));
    const std::string drive = scsi.DriveHandle(1);

    setenv("KALVEX_VIRTUAL_ASPI_DELAY_MS", "600", 1);
    std::vector<std::uint8_t> kept(804, 0xEE);
    auto freed = std::make_unique<std::vector<std::uint8_t>>(804, 0xEE);
    EXPECT_EQ(scsi.ExecCMD(drive, kReadToc, 10, 0, kept.data(), 804, 1), 255);
    EXPECT_EQ(scsi.ExecCMD(drive, kReadToc, 10, 0, freed->data(), 804, 1), 255);
    freed.reset();  // the caller's buffer is gone before the drive answers
    unsetenv("KALVEX_VIRTUAL_ASPI_DELAY_MS");
    // Until the library has finished both; their blocks are kept, so they may
    // be looked at after the time-out.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (const SRB_ExecSCSICmd* srb : sent) {
        while (Status(*srb) == SS_PENDING) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "never completed";
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    EXPECT_EQ(kept, std::vector<std::uint8_t>(804, 0xEE));

    DiscToc toc;
    EXPECT_EQ(ReadTocCommand(scsi, drive, true, toc), 0);
    EXPECT_EQ(toc.bytes, MakeDiscToc(1, 2, {{0, 2, 0}, {3, 0, 0}, {5, 30, 10}}).bytes);
}

// A signal meant for an earlier request on the same event may arrive while
// the next one is pending: without a status that one has not completed. After
// the time-out the library may still write and signal.
TEST_F(AspiTimeOut, ASignalWithoutAStatusIsNoCompletionAndTheLibraryMayStillAnswerLate) {
    LibraryCalls calls = Recorder::Calls();
    Recorder::exec = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
        const std::uint64_t one = 1;
        EXPECT_EQ(write(static_cast<int>(srb.SRB_PostProc), &one, sizeof one), 8);
        sent.push_back(&srb);
        return SS_PENDING;
    };
    clsASPI scsi(ShortTimeOuts(calls));
    {
        std::vector<std::uint8_t> reply(804);
        EXPECT_EQ(scsi.ExecCMD(scsi.DriveHandle(1), kReadToc, 10, 0, reply.data(), 804, 1), 255);
    }
    // Acting as the library that completes late.
    ASSERT_EQ(sent.size(), 1u);
    SRB_ExecSCSICmd& late = *sent.front();
    const int event = static_cast<int>(late.SRB_PostProc);
    ASSERT_NE(fcntl(event, F_GETFD), -1) << "the event's descriptor was closed";
    const std::uint64_t one = 1;
    EXPECT_EQ(write(event, &one, sizeof one), 8);
    ASSERT_NE(late.SRB_BufPointer, 0u);
    std::memset(reinterpret_cast<void*>(late.SRB_BufPointer), 0x5A, 804);
    std::atomic_ref<std::uint8_t>(late.SRB_Status).store(SS_COMP);
}

}  // namespace
}  // namespace kalvex
