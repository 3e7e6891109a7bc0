// kalvex-cli drives and discid --drive, run as real processes on the virtual
// drive (this machine has no drive for the pass-through to find).
#include <gtest/gtest.h>

#include "cli_runner.h"
#include "virtual_drive_env.h"

namespace kalvex {
namespace {

using test::Shell;

test::CliRun RunCli(const std::string& args, const std::string& library = test::kVirtualAspi) {
    return Shell("KALVEX_ASPI_LIBRARY='" + library + "' '" + KALVEX_CLI_PATH + "' " + args);
}

TEST(CliDrives, ListsTheVirtualDriveAndSaysWhenNoInterfaceWorks) {
    const auto run = RunCli("drives --json");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, R"j({"Interface":"ASPI","Drives":[{"Index":1,"Text":)j"
                       R"j("D: KALVEX  VIRTUAL CD-ROM  1.0  (0:0:0)"}],"Messages":[]})j"
                       "\n");
    EXPECT_EQ(RunCli("drives").out,
              "Interface: ASPI\n1  D: KALVEX  VIRTUAL CD-ROM  1.0  (0:0:0)\n");
    const auto none = RunCli("drives --json", "/nonexistent/lib.so");
    EXPECT_EQ(none.exit_code, 1);
    EXPECT_EQ(none.out,
              R"({"Interface":null,"Drives":[],"Messages":["No working interface found!"]})"
              "\n");
}

TEST(CliDiscIdDrive, ReadsTheDiscInTheDriveOrFailsWithTheDrivesMessage) {
    test::VirtualDisc disc;
    const auto empty = RunCli("discid --drive 1 2>&1");
    EXPECT_EQ(empty.exit_code, 1);
    EXPECT_EQ(empty.out,
              "Could not read CD drive - please ensure an audio CD has been inserted.\n");
    const auto missing = RunCli("discid --drive 2 2>&1");
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.out.find("drive 2 is not listed"), std::string::npos) << missing.out;
    EXPECT_EQ(RunCli("discid --drive one 2>&1").exit_code, 2);
    EXPECT_EQ(RunCli("discid --drive 1 --toc '1 1 0:2:0 1:0:0' 2>&1").exit_code, 2);

    // The disc in the drive gives what its TOC text gives.
    disc.Insert("1 2 0:2:0 3:0:0 5:30:10");
    const auto run = RunCli("discid --drive 1 --json");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(run.out, test::Cli("discid --toc '1 2 0:2:0 3:0:0 5:30:10' --json").out);
}

}  // namespace
}  // namespace kalvex
