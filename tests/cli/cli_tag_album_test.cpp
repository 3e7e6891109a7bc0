// kalvex-cli tag-album over real MP3 files: lookup, tags, names on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "cddb_server_process.h"
#include "cli_runner.h"
#include "id3/id3v2_writer.h"
#include "test_files.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::CliRun;

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// name -> bytes of every entry below `root`, so a run that changes nothing
// can be told from one that does.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        entries[fs::relative(entry.path(), root).string()] =
            entry.is_regular_file() ? test::ReadFileBytes(entry.path().string()) : "";
    }
    return entries;
}

class CliTagAlbumTest : public ::testing::Test {
protected:
    CliTagAlbumTest() : work("kalvex-tag-album"), album(work.path() / "Audio CD") {
        fs::create_directory(album);
        fs::copy_file(test::TestDataPath("id3/mutagen/silence-44-s.mp3"), album / "Track01.mp3");
        fs::copy_file(test::TestDataPath("id3/mutagen/xing.mp3"), album / "Track02.mp3");
    }
    test::TempFolder work;
    fs::path album;
};

TEST_F(CliTagAlbumTest, LooksUpTagsAndRenamesAndADryRunOnlyTellsIt) {
    test::CddbServerProcess server({"--db", test::TestDataPath("cddb/db")});
    const std::string command =
        "tag-album " + Quoted(album) +
        " --toc '1 2 0:2:0 3:0:0 5:30:10' --source cddb --choose 1 --optimise --rename --json"
        " --server " +
        server.BaseUrl();
    const auto before = Snapshot(work.path());
    const CliRun dry = Cli(command + " --dry-run");
    EXPECT_EQ(Snapshot(work.path()), before);

    const CliRun run = Cli(command);
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(dry.exit_code, 0);
    EXPECT_EQ(dry.out, run.out);
    const nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["Files"], nlohmann::json::parse(R"([
        {"File":"Track01.mp3","Track":1,"Title":"Track 1 of 0b014802","Written":true,
         "RenamedTo":"01 Track 1 of 0b014802.mp3","Error":null,"Skipped":null},
        {"File":"Track02.mp3","Track":2,"Title":"Track 2 of 0b014802","Written":true,
         "RenamedTo":"02 Track 2 of 0b014802.mp3","Error":null,"Skipped":null}])"));
    const fs::path renamed = work.path() / "Two Tracks";
    EXPECT_EQ(result["FolderRenamedTo"], renamed.string());
    EXPECT_EQ(result["Messages"], nlohmann::json::array());

    // An independent reader sees the tag on the renamed file; --optimise copied it to ID3 v1.
    const fs::path file = renamed / "02 Track 2 of 0b014802.mp3";
    const CliRun tags = test::Shell(
        "/usr/bin/python3 -c 'import sys, mutagen.id3 as m; t = m.ID3(sys.argv[1]); "
        "print(t.version, [str(t[k]) for k in (\"TPE1\", \"TALB\", \"TIT2\", \"TRCK\", "
        "\"TCON\", \"TDRC\")])' " +
        Quoted(file));
    EXPECT_EQ(tags.out,
              "(2, 3, 0) ['Test Artist', 'Two Tracks', 'Track 2 of 0b014802', '2', 'Rock', "
              "'1994']\n");
    const std::string bytes = test::ReadFileBytes(file.string());
    EXPECT_EQ(bytes.substr(bytes.size() - 128, 22), "TAGTrack 2 of 0b014802");
}

TEST_F(CliTagAlbumTest, StoredReplyAndAFileThatCannotBeRenamed) {
    // A folder already holds the first file's new name: it must not be overwritten.
    fs::create_directory(album / "01 Track 1 of 0b014802.mp3");
    const std::string reply = test::TestDataPath("cddb/cddbd-replies/read-210-rock.txt");
    const CliRun run =
        Cli("tag-album " + Quoted(album) + " --album '" + reply + "' --rename --json");
    EXPECT_EQ(run.exit_code, 1);
    const nlohmann::json files = nlohmann::json::parse(run.out)["Files"];
    EXPECT_EQ(files[0]["Written"], true);
    EXPECT_TRUE(files[0]["RenamedTo"].is_null());
    EXPECT_NE(files[0]["Error"].get<std::string>().find("already exists"), std::string::npos);
    EXPECT_EQ(files[1]["RenamedTo"], "02 Track 2 of 0b014802.mp3");
    EXPECT_TRUE(fs::is_regular_file(work.path() / "Two Tracks" / "Track01.mp3"));

    const CliRun not_a_read =
        Cli("tag-album " + Quoted(work.path() / "Two Tracks") + " --album '" +
            test::TestDataPath("cddb/cddbd-replies/read-401-not-found.txt") + "' 2>&1 >/dev/null");
    EXPECT_EQ(not_a_read.exit_code, 1);
    EXPECT_NE(not_a_read.out.find("is not a \"cddb read\" reply with status 210: it starts \"401"),
              std::string::npos)
        << not_a_read.out;
}

// At protocol level 6 the server sends UTF-8: Cyrillic and Japanese titles
// reach the tags whole, where level 5 gives question marks.
TEST_F(CliTagAlbumTest, ProtocolLevelSixBringsAnyScriptIntoTheTags) {
    fs::copy_file(test::TestDataPath("id3/mutagen/xing.mp3"), album / "Track03.mp3");
    test::CddbServerProcess server({"--db", test::TestDataPath("cddb/utf8")});
    const auto titles = [this] {
        return test::Shell(
                   "/usr/bin/python3 -c 'import sys, mutagen.id3 as m; "
                   "print(*(str(m.ID3(f)[\"TIT2\"]) for f in sys.argv[1:]), sep=\"|\")' " +
                   Quoted(album / "Track01.mp3") + " " + Quoted(album / "Track03.mp3"))
            .out;
    };
    const std::string command = "tag-album " + Quoted(album) +
                                " --toc '1 3 0:2:0 3:30:0 7:0:0 10:30:0' --source cddb --server " +
                                server.BaseUrl() + " --proto ";
    ASSERT_EQ(Cli(command + "5").exit_code, 0);
    EXPECT_EQ(titles(), "?????? ?????|?????????\n");
    ASSERT_EQ(Cli(command + "6").exit_code, 0);
    EXPECT_EQ(titles(), "Группа крови|夜明けのスキャット\n");
}

// A bonus track beyond the album keeps its own tags and name, and while it is
// there the folder keeps its name too; DIR given as a link renames the folder.
TEST_F(CliTagAlbumTest, AFileBeyondTheAlbumIsSkippedAndALinkedFolderIsRenamedItself) {
    fs::copy_file(test::TestDataPath("id3/mutagen/xing.mp3"), album / "Track03.mp3");
    TagRecord bonus;
    bonus.Title = "Hidden Bonus";
    bonus.Comment = "Own comment";
    ASSERT_TRUE(WriteTagV2((album / "Track03.mp3").string(), bonus, {}));
    const std::string bonus_bytes = test::ReadFileBytes((album / "Track03.mp3").string());
    const fs::path link = work.path() / "link";
    fs::create_directory_symlink(album, link);
    const std::string command = "tag-album " + Quoted(link) + " --album '" +
                                test::TestDataPath("cddb/cddbd-replies/read-210-rock.txt") +
                                "' --rename --json";

    const CliRun run = Cli(command);
    EXPECT_EQ(run.exit_code, 1);
    const nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["Folder"], album.string());
    const nlohmann::json& third = result["Files"][2];
    EXPECT_EQ(third["Skipped"], "the album has no track 3");
    EXPECT_EQ(third["Written"], false);
    EXPECT_TRUE(third["RenamedTo"].is_null());
    EXPECT_EQ(test::ReadFileBytes((album / "Track03.mp3").string()), bonus_bytes);
    EXPECT_TRUE(result["FolderRenamedTo"].is_null());
    EXPECT_TRUE(fs::is_directory(album));

    fs::remove(album / "Track03.mp3");
    EXPECT_EQ(Cli(command).exit_code, 0);
    EXPECT_TRUE(fs::is_directory(work.path() / "Two Tracks"));
    EXPECT_TRUE(fs::is_symlink(link));
}

}  // namespace
}  // namespace kalvex
