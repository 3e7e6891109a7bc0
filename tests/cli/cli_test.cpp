// Runs the real kalvex-cli binary and checks its output contracts; lookup and
// cddb read/motd against the project's CDDB server.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cddb_server_process.h"
#include "cli_runner.h"
#include "test_files.h"

namespace kalvex {
namespace {

using test::Cli;
using test::CliRun;

nlohmann::json Json(const CliRun& run) {
    return nlohmann::json::parse(run.out);
}

// A recorded server reply, quoted for the shell.
std::string Reply(const std::string& name) {
    return "'" + test::TestDataPath("cddb/cddbd-replies/" + name) + "'";
}

TEST(Cli, DiscIdJsonContract) {
    const CliRun run = Cli("discid --toc '1 2 0:2:0 3:0:0 5:30:10' --json");
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, R"({"DiscId":"B014802","TrackCount":2,"TrackStartFrames":[150,13500],)"
                       R"("LeadOutFrames":24760,"DiscSeconds":330,)"
                       R"("QueryCommand":"cddb query b014802 2 150 13500 330",)"
                       R"("MusicBrainzId":"fec2.0ds_2.yJKq7LmyxJ0siir0-",)"
                       R"("MusicBrainzToc":"1+2+24760+150+13500"})"
                       "\n");
    EXPECT_EQ(Cli("discid --toc '1 2 0:2:0 3:0:0 5:30:10'").out,
              "cddb query b014802 2 150 13500 330\n");
}

TEST(Cli, BadInputAndUsageExitCodes) {
    const CliRun malformed = Cli("discid --toc '2 1 0:2:0' 2>&1");
    EXPECT_EQ(malformed.exit_code, 1);
    EXPECT_NE(malformed.out.find("last track 1 is below first track 2"), std::string::npos);
    EXPECT_EQ(std::count(malformed.out.begin(), malformed.out.end(), '\n'), 1);
    EXPECT_EQ(Cli("discid 2>/dev/null").exit_code, 2);
    EXPECT_EQ(Cli("discid --toc '1 1 0:2:0 1:0:0' --bogus 2>/dev/null").exit_code, 2);
    EXPECT_EQ(Cli("nosuchcommand 2>/dev/null").exit_code, 2);
    EXPECT_EQ(Cli("cddb parse-query /no/such/file 2>/dev/null").exit_code, 1);
    EXPECT_EQ(Cli("--help").exit_code, 0);
    EXPECT_EQ(Cli("cddb --help").exit_code, 0);
}

// The hello and the default server are the protocol code's; here only that the
// options reach the address.
TEST(Cli, CddbUrlGoesToTheGivenServerAndRoot) {
    const std::string url =
        Json(Cli("cddb url 'cddb query b014802 2 150 13500 330' --server "
                 "http://127.0.0.1:8880 --root cgi --json"))["Url"];
    EXPECT_TRUE(
        url.starts_with("http://127.0.0.1:8880/cgi?cmd=cddb+query+b014802+2+150+13500+"
                        "330&hello="))
        << url;
}

TEST(Cli, ParseQueryJsonContract) {
    const CliRun run = Cli("cddb parse-query " + Reply("query-210-two-categories.txt") + " --json");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out,
              R"({"Result":true,"MatchList":[)"
              R"({"Category":"misc","DiscId":"0b014802","Title":"Other Artist / Same Id"},)"
              R"({"Category":"rock","DiscId":"0b014802","Title":"Test Artist / Two Tracks"}],)"
              R"("Messages":[]})"
              "\n");
    const CliRun none = Cli("cddb parse-query - --json < " + Reply("query-202-no-match.txt"));
    EXPECT_EQ(none.exit_code, 1);
    EXPECT_EQ(Json(none)["Messages"], nlohmann::json::array({"No match found"}));
}

TEST(Cli, ParseAlbumJsonContract) {
    const CliRun run = Cli("cddb parse-album --json " + Reply("read-210-latin1-proto5.txt"));
    ASSERT_EQ(run.exit_code, 0);
    const nlohmann::json album = Json(run);
    EXPECT_EQ(album["AlbumTitle"], "Caf\u00E9 Ensemble / Un \u00E9t\u00E9");
    EXPECT_EQ(album["TrackTitles"][2],
              (nlohmann::json{{"TrackNumber", 2}, {"Text", "Track 3 of 1701c003"}}));
    EXPECT_EQ(Cli("cddb parse-album --json " + Reply("read-401-not-found.txt")).exit_code, 1);
}

TEST(Cli, ListJsonContract) {
    const test::TempFolder temp("kalvex-list");
    const std::string folder = temp.path().string();
    std::filesystem::copy_file(test::TestDataPath("id3/mutagen/silence-44-s.mp3"),
                               folder + "/02 Silence.mp3");
    std::filesystem::copy_file(test::TestDataPath("id3/mutagen/xing.mp3"), folder + "/a b.MP3");

    const CliRun tags = Cli("list '" + folder + "/' --track-option tag --json");
    const CliRun names = Cli("list '" + folder + "' --track-option name");
    const CliRun bad = Cli("list '" + folder + "/02 Silence.mp3' 2>&1");
    const CliRun usage = Cli("list '" + folder + "' --track-option title 2>/dev/null");

    ASSERT_EQ(tags.exit_code, 0);
    EXPECT_EQ(Json(tags),
              nlohmann::json::parse(R"({"Folder":")" + folder +
                                    R"(","Rows":[{"Filename":"02 Silence.mp3","Track":"02/10",)"
                                    R"("Title":"Silence","Length":"0:04"},{"Filename":"a b.MP3",)"
                                    R"("Track":"","Title":"","Length":"0:02"}]})"));
    EXPECT_EQ(names.out,
              "Filename\tTrack\tTitle\tLength\n02 Silence.mp3\t2\tSilence\t0:04\n"
              "a b.MP3\t0\t\t0:02\n");
    EXPECT_EQ(bad.exit_code, 1);
    EXPECT_NE(bad.out.find("Not a directory"), std::string::npos);
    EXPECT_EQ(usage.exit_code, 2);
}

constexpr const char* kTwoTrackToc = "'1 2 0:2:0 3:0:0 5:30:10'";

class CliLookupTest : public ::testing::Test {
protected:
    CliLookupTest() : server({"--db", test::TestDataPath("cddb/db")}) {}
    std::string Server() const { return " --server " + server.BaseUrl(); }
    test::CddbServerProcess server;
};

TEST_F(CliLookupTest, SeveralMatchesNeedAChoiceAndTheChoiceIsRead) {
    const CliRun unchosen =
        Cli(std::string("lookup --source cddb --json --toc ") + kTwoTrackToc + Server());
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
