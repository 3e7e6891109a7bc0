#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
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
    using Send = std::uint32_t (*)(void*);
    using Support = std::uint32_t (*)();
    static inline Send real_send = nullptr;
    static inline Support real_support = nullptr;
    static inline std::uint32_t support_answer = 0;  // 0: the drive's own
    // When set, execute requests go here instead of to the drive.
    static inline std::function<std::uint32_t(SRB_ExecSCSICmd&)> exec;
    static inline std::vector<std::array<std::uint8_t, 4>> requests;  // cmd, adapter, target, LUN

    static std::uint32_t SendCommand(void* request) {
        const auto* bytes = static_cast<const std::uint8_t*>(request);
        requests.push_back({bytes[0], bytes[2], bytes[8], bytes[9]});
        if (bytes[0] == SC_EXEC_SCSI_CMD && exec) {
            return exec(*static_cast<SRB_ExecSCSICmd*>(request));
        }
        return real_send(request);
    }
    static std::uint32_t SupportInfo() {
        return support_answer != 0 ? support_answer : real_support();
    }
    static void* Symbol(void* library, const char* name) {
        void* real = dlsym(library, name);
        if (std::strcmp(name, "SendASPI32Command") == 0) {
            real_send = reinterpret_cast<Send>(real);
            return reinterpret_cast<void*>(&SendCommand);
        }
        if (std::strcmp(name, "GetASPI32SupportInfo") == 0) {
            real_support = reinterpret_cast<Support>(real);
            return reinterpret_cast<void*>(&SupportInfo);
        }
        return real;
    }
    static LibraryCalls Calls() {
        support_answer = 0;
        exec = nullptr;
        requests.clear();
        LibraryCalls calls = SystemLibraryCalls();
        calls.symbol = Symbol;
        return calls;
    }
};

TEST(AspiVirtualDrive, AsksEveryAdapterUpToTheCountTargetsAndLuns) {
    LibraryCalls calls = Recorder::Calls();
    Recorder::support_answer = 0x0102;  // completed, two adapters
    clsASPI scsi(VirtualAspi(calls));
    EXPECT_TRUE(scsi.Initialized());
    ASSERT_EQ(Recorder::requests.size(), 3u * 8 * 8);
    EXPECT_EQ(Recorder::requests.front(), (std::array<std::uint8_t, 4>{SC_GET_DEV_TYPE, 0, 0, 0}));
    EXPECT_EQ(Recorder::requests[1], (std::array<std::uint8_t, 4>{SC_GET_DEV_TYPE, 0, 0, 1}));
    EXPECT_EQ(Recorder::requests[8], (std::array<std::uint8_t, 4>{SC_GET_DEV_TYPE, 0, 1, 0}));
    EXPECT_EQ(Recorder::requests.back(), (std::array<std::uint8_t, 4>{SC_GET_DEV_TYPE, 2, 7, 7}));
    EXPECT_EQ(scsi.DriveCount(), 1);
    // A handle's three characters are adapter, target and LUN.
    EXPECT_EQ(scsi.TargetID(clsASPI::MakeHandle(1, 3, 0)), 3);

    Recorder::support_answer = 0x0401;  // an error status: not initialised
    EXPECT_FALSE(scsi.Initialized());
}

// The virtual drive through clsASPI; the disc goes in when the test says.
struct AspiDriveFixture : ::testing::Test {
    VirtualDisc disc;
    clsASPI scsi{VirtualAspi()};
    const std::string drive = scsi.DriveHandle(1);
};

TEST_F(AspiDriveFixture, EmptyDriveIsNotReadyAndMissingDevicesAreRefused) {
    EXPECT_EQ(drive, std::string(3, '\0'));  // adapter 0, target 0, LUN 0
    EXPECT_EQ(TestUnitReady(scsi, drive), 2);
    EXPECT_EQ(scsi.LastSK(), 0x02);
    EXPECT_EQ(scsi.LastASC(), 0x3A);
    EXPECT_EQ(scsi.LastASCQ(), 0x00);
    disc.Insert("1 1 0:2:0 4:0:0");
    EXPECT_EQ(TestUnitReady(scsi, drive), 0);
    EXPECT_EQ(scsi.LastSK(), 0);
    // No device at target 1: refused before reaching a drive.
    EXPECT_EQ(TestUnitReady(scsi, clsASPI::MakeHandle(0, 1, 0)), 255);
    EXPECT_EQ(TestUnitReady(scsi, "short"), kScsiStatusNoDrive);
}

TEST_F(AspiDriveFixture, ReadsTheTocInBothAddressFormsAndWaitsForPendingRequests) {
    disc.Insert("2 3 0:2:0 3:0:0 5:30:10\n");
    DiscToc msf;
    ASSERT_EQ(ReadTocCommand(scsi, drive, true, msf), 0);
    EXPECT_EQ(msf.bytes, MakeDiscToc(2, 3, {{0, 2, 0}, {3, 0, 0}, {5, 30, 10}}).bytes);
    DiscToc lba;
    setenv("KALVEX_VIRTUAL_ASPI_DELAY_MS", "150", 1);
    const int status = ReadTocCommand(scsi, drive, false, lba);
    unsetenv("KALVEX_VIRTUAL_ASPI_DELAY_MS");
    ASSERT_EQ(status, 0);
    const std::uint8_t second_track[8] = {0, 0x10, 3, 0, 0, 0, 0x34, 0x26};  // LBA 13350
    EXPECT_EQ(std::memcmp(&lba.bytes[12], second_track, 8), 0);
}

TEST(AspiVirtualDrive, StatusAndSenseRules) {
    LibraryCalls calls = Recorder::Calls();
    clsASPI scsi(VirtualAspi(calls));
    // A check condition reported with a sense key byte that carries flags.
    Recorder::exec = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
        srb.SRB_TargStat = 2;
        srb.SenseArea[2] = 0x72;
        srb.SenseArea[12] = 0x28;
        srb.SRB_Status = SS_ERR;
        return SS_ERR;
    };
    EXPECT_EQ(TestUnitReady(scsi, scsi.DriveHandle(1)), 2);
    EXPECT_EQ(scsi.LastSK(), 2);
    EXPECT_EQ(scsi.LastASC(), 0x28);
    // A host adapter failure with target status 0 counts as good.
    Recorder::exec = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
        srb.SRB_HaStat = 0x12;
        srb.SRB_Status = SS_ERR;
        return SS_ERR;
    };
    EXPECT_EQ(TestUnitReady(scsi, scsi.DriveHandle(1)), 0);
    // Still pending when the time-out ends.
    Recorder::exec = [](SRB_ExecSCSICmd&) -> std::uint32_t { return SS_PENDING; };
    const std::uint8_t tur[6] = {};
    EXPECT_EQ(scsi.ExecCMD(scsi.DriveHandle(1), tur, 6, 0, nullptr, 0, 1), 255);
    // The rest of the block is what the virtual drive reads; without the
    // event flag a pending request would take its whole time-out.
    Recorder::exec = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
        EXPECT_EQ(srb.SRB_Flags, SRB_DIR_IN | SRB_EVENT_NOTIFY);
        srb.SRB_Status = SS_COMP;
        return SS_COMP;
    };
    DiscToc toc;
    EXPECT_EQ(ReadTocCommand(scsi, scsi.DriveHandle(1), true, toc), 0);
}

// A request that outlives its time-out: the library completes it later, and
// then writes into the data buffer and signals the event the block names.
struct AspiTimeOut : ::testing::Test {
    static constexpr int kSecondMilliseconds = 50;  // a 1 s time-out lasts 50 ms
    static constexpr std::uint8_t kReadToc[10] = {0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0};
    static inline std::vector<SRB_ExecSCSICmd*> sent;  // every execute request, in order

    static AspiOptions ShortTimeOuts(LibraryCalls calls) {
        AspiOptions options = VirtualAspi(calls);
        options.timeout_second_milliseconds = kSecondMilliseconds;
        return options;
    }
    static std::uint8_t Status(const SRB_ExecSCSICmd& srb) {
        return std::atomic_ref<const std::uint8_t>(srb.SRB_Status).load();
    }
    // Until the library has finished every request; their blocks are kept,
    // so they may be looked at after the time-out.
    static bool AwaitLateCompletion() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (const SRB_ExecSCSICmd* srb : sent) {
            while (Status(*srb) == SS_PENDING && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (Status(*srb) == SS_PENDING) {
                return false;
            }
        }
        return true;
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
    ASSERT_TRUE(AwaitLateCompletion());
    EXPECT_EQ(kept, std::vector<std::uint8_t>(804, 0xEE));

    DiscToc toc;
    EXPECT_EQ(ReadTocCommand(scsi, drive, true, toc), 0);
    EXPECT_EQ(toc.bytes, MakeDiscToc(1, 2, {{0, 2, 0}, {3, 0, 0}, {5, 30, 10}}).bytes);
}

TEST_F(AspiTimeOut, TheLibraryCanStillWriteAndSignalAfterTheTimeOut) {
    LibraryCalls calls = Recorder::Calls();
    Recorder::exec = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
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
    const std::uintptr_t buffer = late.SRB_BufPointer;
    const int event = static_cast<int>(late.SRB_PostProc);
    ASSERT_NE(fcntl(event, F_GETFD), -1) << "the event's descriptor was closed";
    const std::uint64_t one = 1;
    EXPECT_EQ(write(event, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    ASSERT_NE(buffer, 0u);
    std::memset(reinterpret_cast<void*>(buffer), 0x5A, 804);
    std::atomic_ref<std::uint8_t>(late.SRB_Status).store(SS_COMP);
}

// A signal meant for an earlier request on the same event may arrive while
// the next one is pending; that one has still not completed.
TEST_F(AspiTimeOut, ASignalWithoutAStatusIsNoCompletion) {
    LibraryCalls calls = Recorder::Calls();
    Recorder::exec = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
        const std::uint64_t one = 1;
        EXPECT_EQ(write(static_cast<int>(srb.SRB_PostProc), &one, sizeof one),
                  static_cast<ssize_t>(sizeof one));
        srb.SRB_TargStat = 0;
        return SS_PENDING;
    };
    clsASPI scsi(ShortTimeOuts(calls));
    EXPECT_EQ(TestUnitReady(scsi, scsi.DriveHandle(1)), 255);
}

TEST(AspiLibrary, MissingLibraryIsNotInstalledAndOneWithoutTheAspiFunctionsRaises) {
    AspiOptions options;
    options.library = "/nonexistent/libwnaspi32.so";
    clsASPI missing(options);
    EXPECT_FALSE(missing.Installed());
    EXPECT_FALSE(missing.Initialized());
    EXPECT_EQ(missing.DriveCount(), 0);

    options.library = KALVEX_CDECL_TEST_LIBRARY;
    try {
        clsASPI scsi(options);
        FAIL() << "no error raised";
    } catch (const CdeclError& error) {
        EXPECT_STREQ(error.what(), "Failed to locate function: GetASPI32SupportInfo");
    }
}

}  // namespace
}  // namespace kalvex
