// kalvex-cli drives and discid --drive, run as real processes on the virtual
// drive (this machine has no drive for the pass-through to find).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli_runner.h"
#include "virtual_drive_env.h"

namespace kalvex {
namespace {

using test::Cli;
using test::Shell;
using test::VirtualDisc;

std::string WithVirtualDrive(const std::string& args) {
    return std::string("KALVEX_ASPI_LIBRARY='") + test::kVirtualAspi + "' '" + KALVEX_CLI_PATH +
           "' " + args;
}

TEST(CliDrives, ListsTheVirtualDrive) {
    const auto run = Shell(WithVirtualDrive("drives --json"));
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const nlohmann::json expected = {
        {"Interface", "ASPI"},
        {"Drives", {{{"Index", 1}, {"Text", "D: KALVEX  VIRTUAL CD-ROM  1.0  (0:0:0)"}}}},
        {"Messages", nlohmann::json::array()}};
    EXPECT_EQ(nlohmann::json::parse(run.out), expected);
    const auto text = Shell(WithVirtualDrive("drives"));
    EXPECT_EQ(text.out, "Interface: ASPI\n1  D: KALVEX  VIRTUAL CD-ROM  1.0  (0:0:0)\n");
}

TEST(CliDrives, SaysWhenNoInterfaceWorks) {
    const auto run = Shell("KALVEX_ASPI_LIBRARY=/nonexistent/lib.so '" +
                           std::string(KALVEX_CLI_PATH) + "' drives --json");
    EXPECT_EQ(run.exit_code, 1);
    const nlohmann::json expected = {{"Interface", nullptr},
                                     {"Drives", nlohmann::json::array()},
                                     {"Messages", {"No working interface found!"}}};
    EXPECT_EQ(nlohmann::json::parse(run.out), expected);
}

TEST(CliDiscIdDrive, ReadsTheDiscInTheDrive) {
    VirtualDisc disc;
    disc.Insert("1 2 0:2:0 3:0:0 5:30:10");
    const auto run = Shell(WithVirtualDrive("discid --drive 1 --json"));
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const auto reply = nlohmann::json::parse(run.out);
    EXPECT_EQ(reply["DiscId"], "B014802");
    EXPECT_EQ(reply["QueryCommand"], "cddb query b014802 2 150 13500 330");
    // The same output as --toc gives.
    EXPECT_EQ(Shell(WithVirtualDrive("discid --drive 1")).out,
              Cli("discid --toc '1 2 0:2:0 3:0:0 5:30:10'").out);
}

TEST(CliDiscIdDrive, FailsWithTheDrivesMessage) {
    VirtualDisc disc;
    const auto empty = Shell(WithVirtualDrive("discid --drive 1 2>&1"));
    EXPECT_EQ(empty.exit_code, 1);
    EXPECT_EQ(empty.out,
              "Could not read CD drive - please ensure an audio CD has been inserted.\n");
    const auto missing = Shell(WithVirtualDrive("discid --drive 2 2>&1"));
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.out.find("drive 2 is not listed"), std::string::npos) << missing.out;
    EXPECT_EQ(Shell(WithVirtualDrive("discid --drive one 2>&1")).exit_code, 2);
    EXPECT_EQ(Shell(WithVirtualDrive("discid --drive 1 --toc '1 1 0:2:0 1:0:0' 2>&1")).exit_code,
              2);
}

}  // namespace
}  // namespace kalvex
