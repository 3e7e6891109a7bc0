// kalvex-cli lookup and cddb read/motd against the project's CDDB server.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cddb_server_process.h"
#include "cli_runner.h"
#include "test_files.h"

namespace kalvex {
namespace {

using test::CddbServerProcess;
using test::Cli;
using test::CliRun;

constexpr const char* kTwoTrackToc = "'1 2 0:2:0 3:0:0 5:30:10'";

class CliLookupTest : public ::testing::Test {
protected:
    CliLookupTest() : server({"--db", test::TestDataPath("cddb/db")}) {}
    std::string Server() const { return " --server " + server.BaseUrl(); }
    CddbServerProcess server;
};

TEST_F(CliLookupTest, SeveralMatchesNeedAChoiceAndTheChoiceIsRead) {
    const CliRun unchosen = Cli(std::string("lookup --source cddb --json --toc ") + kTwoTrackToc + Server());
    EXPECT_EQ(unchosen.exit_code, 1);
    const nlohmann::json listed = nlohmann::json::parse(unchosen.out);
    EXPECT_EQ(listed["Matches"].size(), 2u);
    EXPECT_TRUE(listed["Chosen"].is_null());
    EXPECT_TRUE(listed["Album"].is_null());
    EXPECT_NE(Cli(std::string("lookup --source cddb --toc ") + kTwoTrackToc + Server() + " 2>&1")
                  .out.find("--choose N"),
              std::string::npos);

    const CliRun chosen =
        Cli(std::string("lookup --source cddb --json --choose 1 --toc ") + kTwoTrackToc + Server());
    ASSERT_EQ(chosen.exit_code, 0) << chosen.out;
    // The disc id and query are the discid command's; here only that entry 1 was read.
    const nlohmann::json result = nlohmann::json::parse(chosen.out);
    EXPECT_EQ(result["Chosen"], 1);
    EXPECT_EQ(result["Album"]["Artist"], "Test Artist");
}

TEST_F(CliLookupTest, ManualReadAndConnectionTest) {
    const CliRun read = Cli("cddb read jazz 920ef00b --json" + Server());
    ASSERT_EQ(read.exit_code, 0) << read.out;
    EXPECT_EQ(nlohmann::json::parse(read.out)["Album"]["Year"], 1999);
    const CliRun missing = Cli("cddb read rock 12345678 --json" + Server());
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_EQ(nlohmann::json::parse(missing.out)["Messages"].size(), 2u);

    EXPECT_EQ(Cli("cddb motd" + Server() + " 2>&1").exit_code, 0);
    const CliRun bad_port = Cli("cddb motd" + Server() + " --port 70000 2>&1");
    EXPECT_EQ(bad_port.exit_code, 1);
    EXPECT_NE(bad_port.out.find("Could not connect to the FreeDB server: the port"),
              std::string::npos)
        << bad_port.out;
}

}  // namespace
}  // namespace kalvex
