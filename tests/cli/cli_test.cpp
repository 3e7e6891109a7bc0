// The real kalvex-cli binary: its output contracts, tags read and written,
// lookups and tag-album against the project's CDDB server.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "cddb_server_process.h"
#include "cli_runner.h"
#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "id3/tag_bytes.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Json = nlohmann::json;

Json Parse(const CliRun& run) {
    return Json::parse(run.out);
}

// A recorded server reply, quoted for the shell.
std::string Reply(const std::string& name) {
    return Quote(TestDataPath("cddb/cddbd-replies/" + name));
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

// The hello and the default server are the protocol code's; here only that the
// options reach the address.
TEST(Cli, CddbUrlGoesToTheGivenServerAndRoot) {
    const std::string url =
        Parse(Cli("cddb url 'cddb query b014802 2 150 13500 330' --server "
                  "http://127.0.0.1:8880 --root cgi --json"))["Url"];
    EXPECT_TRUE(
        url.starts_with("http://127.0.0.1:8880/cgi?cmd=cddb+query+b014802+2+150+13500+"
                        "330&hello="))
        << url;
}

TEST(Cli, ParseQueryAndParseAlbumJsonContracts) {
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
    EXPECT_EQ(Parse(none)["Messages"], Json::array({"No match found"}));

    const CliRun read = Cli("cddb parse-album --json " + Reply("read-210-latin1-proto5.txt"));
    ASSERT_EQ(read.exit_code, 0);
    const Json album = Parse(read);
    EXPECT_EQ(album["AlbumTitle"], "Caf\u00E9 Ensemble / Un \u00E9t\u00E9");
    EXPECT_EQ(album["TrackTitles"][2], (Json{{"TrackNumber", 2}, {"Text", "Track 3 of 1701c003"}}));
}

TEST(Cli, ListJsonContract) {
    const TempFolder temp("kalvex-list");
    const std::string folder = temp.path().string();
    std::filesystem::copy_file(TestDataPath("id3/mutagen/silence-44-s.mp3"),
                               folder + "/02 Silence.mp3");
    std::filesystem::copy_file(TestDataPath("id3/mutagen/xing.mp3"), folder + "/a b.MP3");

    const CliRun tags = Cli("list '" + folder + "/' --track-option tag --json");
    const CliRun names = Cli("list '" + folder + "' --track-option name");

    ASSERT_EQ(tags.exit_code, 0);
    EXPECT_EQ(Parse(tags),
              Json::parse(R"({"Folder":")" + folder +
                          R"(","Rows":[{"Filename":"02 Silence.mp3","Track":"02/10",)"
                          R"("Title":"Silence","Length":"0:04"},{"Filename":"a b.MP3",)"
                          R"("Track":"","Title":"","Length":"0:02"}]})"));
    EXPECT_EQ(names.out,
              "Filename\tTrack\tTitle\tLength\n02 Silence.mp3\t2\tSilence\t0:04\n"
              "a b.MP3\t0\t\t0:02\n");
}

class CliLookupTest : public ::testing::Test {
protected:
    CliLookupTest() : server({"--db", TestDataPath("cddb/db")}) {}
    std::string Server() const { return " --server " + server.BaseUrl(); }
    // The two-track disc that CDDB knows twice.
    CliRun Lookup(const std::string& options) const {
        return Cli("lookup --source cddb --toc '1 2 0:2:0 3:0:0 5:30:10'" + options + Server());
    }
    CddbServerProcess server;
};

TEST_F(CliLookupTest, SeveralMatchesNeedAChoiceAndTheChoiceIsRead) {
    const CliRun unchosen = Lookup(" --json");
    EXPECT_EQ(unchosen.exit_code, 1);
    const Json listed = Parse(unchosen);
    EXPECT_EQ(Json({listed["Matches"].size(), listed["Chosen"], listed["Album"]}),
              Json({2, nullptr, nullptr}));
    EXPECT_NE(Lookup(" 2>&1").out.find("--choose N"), std::string::npos);

    const CliRun chosen = Lookup(" --json --choose 1");
    ASSERT_EQ(chosen.exit_code, 0) << chosen.out;
    // The disc id and query are the discid command's; here only that entry 1 was read.
    const Json result = Parse(chosen);
    EXPECT_EQ(Json({result["Chosen"], result["Album"]["Artist"]}), Json({1, "Test Artist"}));
}

TEST_F(CliLookupTest, ManualReadAndConnectionTest) {
    const CliRun read = Cli("cddb read jazz 920ef00b --json" + Server());
    ASSERT_EQ(read.exit_code, 0) << read.out;
    EXPECT_EQ(Parse(read)["Album"]["Year"], 1999);
    const CliRun missing = Cli("cddb read rock 12345678 --json" + Server());
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_EQ(Parse(missing)["Messages"].size(), 2u);

    EXPECT_EQ(Cli("cddb motd" + Server() + " 2>&1").exit_code, 0);
}

const Bytes kAudio = Bytes("\xFF\xFB\x90\x64", 4) + Bytes(4000, '\x55');

// Every field against an independent reader is the interop test's; here the
// shape: one object per file in order, each read afresh (an untagged file
// after a tagged one has its empty values), a missing file only told.
TEST(CliTags, JsonHasOneObjectPerFileEachReadAfresh) {
    const TempFile tagged(Tag(3, 0, Frame23("TIT2", Latin("Title"))) + kAudio +
                          TagV1("v1 title", 4, 13));
    const TempFile untagged(Bytes(1000, 'x'));
    const CliRun run = Cli("tags --json " + Quote(tagged.path()) + " /nonexistent.mp3 " +
                           Quote(untagged.path()) + " 2>/dev/null");
    EXPECT_EQ(run.exit_code, 1);
    const Json all = Parse(run);
    ASSERT_EQ(all.size(), 2u);
    const Json& info = all[1]["StreamInfo"];
    EXPECT_EQ(
        Json({all[0]["File"], all[0]["TagV1"]["Title"], all[0]["TagV2"]["Title"], all[1]["File"],
              all[1]["TagV2"]["Title"], info["TagV1Minor"], info["TagV2Major"], info["FileSize"],
              all[1]["HasTagV1"], all[1]["HasTagV2"], all[1]["StreamInfoValid"]}),
        Json({tagged.path(), "v1 title", "Title", untagged.path(), "", -1, -1, 1000, false, false,
              false}));
}

TEST(CliTags, TextOutputShowsTagsAndDetails) {
    const TempFile file(Tag(4, 0, Frame24("TPE1", Latin("Someone"))) +
                        Bytes("\xFF\xFB\x90\x64", 4) + Bytes(16000 * 65, '\0'));
    const CliRun run = Cli("tags " + Quote(file.path()));
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("Tag v1: none\nTag v2:\n  Artist:     Someone\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Length: 1:05"), std::string::npos);
}

TEST(CliWrite, FieldsNotGivenKeepTheirValueInEachVersion) {
    const Bytes old = Tag(3, 0,
                          Frame23("TIT2", Latin("v2 title")) + Frame23("TPE1", Latin("v2 artist")) +
                              Frame23("TXXX", Latin("kept")));
    const TempFile file(old + kAudio + TagV1("v1 title", 4, 13));
    CliRun run = Cli("write " + Quote(file.path()) + " --v1 --v2 2.4 --artist 'New artist' --json");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(Parse(run),
              Json({{"File", file.path()}, {"TagV1", "written"}, {"TagV2", "written"}}));
    EXPECT_EQ(TagFields(ReadTagV1, file.path()),
              "Artist=New artist; Title=v1 title; Genre=Pop; TNR=4");
    EXPECT_EQ(TagFields(ReadTagV2, file.path()), "Artist=New artist; Title=v2 title");
    EXPECT_NE(file.Read().find("TXXX"), std::string::npos);

    run = Cli("write " + Quote(file.path()) + " --v2 2.3 --clear --no-v1");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(file.Read().find("TXXX"), std::string::npos);
    EXPECT_EQ(TagFields(ReadTagV1, file.path()), "no tag");
    EXPECT_EQ(TagFields(ReadTagV2, file.path()), "Artist=New artist; Title=v2 title");

    run = Cli("remove " + Quote(file.path()));
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(file.Read(), kAudio);
}

// A tag header claiming 200 MB in a small file: the old tag ends at the
// audio, or before the v1 tag, and the rest of the file stays byte for byte,
// whether the new tag fits the old place, grows, or the tag is removed.
TEST(CliWrite, ABrokenTagSizeKeepsTheAudioAndTheV1Tag) {
    const Bytes broken =
        Bytes("ID3\3\0\0", 6) + SyncSafe32(200 << 20) + Frame23("TIT2", Latin("Old"));
    const Bytes v1 = TagV1("v1 title", 4, 13);
    const std::string commands[] = {"write --v2 2.3 --title New",
                                    "write --v2 2.4 --title " + Bytes(3000, 't'), "remove --v2"};
    for (const Bytes& rest : {kAudio + v1, v1, kAudio}) {
        for (const std::string& command : commands) {
            const TempFile file(broken + rest);
            const CliRun run = Cli(command + " " + Quote(file.path()));
            const std::string which =
                command.substr(0, 26) + " over " + std::to_string(rest.size()) + " bytes";
            ASSERT_EQ(run.exit_code, 0) << which << ": " << run.out;
            const std::optional<Mp3File> open = Mp3File::Open(file.path(), Mp3File::Mode::kRead);
            EXPECT_EQ(file.Read().substr(static_cast<size_t>(TagV2Size(*open, 0))), rest) << which;
            EXPECT_EQ(TagFields(ReadTagV2, file.path()) != "no tag", command[0] == 'w') << which;
        }
    }
}

// Usage errors exit with 2, bad input and files that cannot be read or
// written with 1, each saying why in one line; help exits with 0.
TEST(Cli, UsageErrorsAndUnusableFiles) {
    const TempFile file(kAudio);
    const std::string path = Quote(file.path());
    const struct {
        std::string args;
        int exit_code;
        const char* says;
    } cases[] = {
        {"discid --toc '2 1 0:2:0'", 1, "invalid: last track 1 is below first track 2"},
        {"discid", 2, "discid needs --toc"},
        {"discid --toc '1 1 0:2:0 1:0:0' --bogus", 2, "unknown option --bogus"},
        {"nosuchcommand", 2, "unknown command 'nosuchcommand'"},
        {"cddb parse-query /no/such/file", 1, "/no/such/file: No such file or directory"},
        {"cddb parse-album " + Reply("read-401-not-found.txt"), 1,
         "Could not read album data from FreeDB server."},
        // The port is refused before anything is sent, here to the default server.
        {"cddb motd --port 70000", 1, "Could not connect to the FreeDB server: the port"},
        {"list " + path, 1, "Not a directory"},
        {"list /tmp --track-option title", 2, "--track-option takes count, name or tag"},
        {"--help", 0, "usage: kalvex-cli COMMAND"},
        {"cddb --help", 0, "usage: kalvex-cli cddb read"},
        {"write " + path + " --title x", 2, "write needs --v1, --no-v1, --v2 or --no-v2"},
        {"write " + path + " --v2 2.2", 2, "--v2 takes 2.3 or 2.4"},
        {"write " + path + " --v1 --no-v1", 2, "cannot be both written and removed"},
        {"write --v1", 2, "write needs exactly one FILE"},
        {"tags", 2, "tags needs at least one FILE"},
        {"remove " + Quote(file.path() + ".none"), 1, ".none: No such file or directory"},
        {"write /tmp --v1", 1, "/tmp: not a regular file"},
        {"tags /tmp", 1, "/tmp: not a regular file"},
    };
    for (const auto& c : cases) {
        const CliRun run = Cli(c.args + " 2>&1");
        EXPECT_EQ(run.exit_code, c.exit_code) << c.args;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << c.args << ": " << run.out;
        EXPECT_TRUE(c.exit_code == 0 || std::count(run.out.begin(), run.out.end(), '\n') == 1)
            << run.out;
    }
    EXPECT_EQ(file.Read(), kAudio);
}

// The file may not grow (a size limit the program inherits holds for root
// too): the message carries the system's reason and says what was changed.
TEST(CliWrite, AFailedWriteGivesTheSystemsReasonAndWhatChanged) {
    const Bytes original = Tag(3, 0, Frame23("TIT2", Latin("an old title with room"))) + kAudio;
    const TempFile file(original);
    const std::string path = file.path();
    CliRun grown, v1_after_v2;
    {
        const FileSizeLimit limit(original.size());
        grown = Cli("write " + Quote(path) + " --v2 2.3 --title " + Bytes(3000, 't') + " 2>&1");
        // The new title fits the old tag's place; only the appended v1 tag fails.
        v1_after_v2 = Cli("write " + Quote(path) + " --v2 2.3 --v1 --title New 2>&1");
    }
    EXPECT_EQ(grown.exit_code, 1);
    EXPECT_EQ(grown.out, "kalvex-cli: cannot write the ID3 v2 tag to " + path +
                             ": File too large; the file is unchanged\n");
    EXPECT_EQ(v1_after_v2.exit_code, 1);
    EXPECT_EQ(v1_after_v2.out, "kalvex-cli: cannot write the ID3 v1 tag to " + path +
                                   ": File too large; the ID3 v2 tag was written, the ID3 v1 "
                                   "tag is unchanged\n");
    EXPECT_EQ(TagFields(ReadTagV1, path), "no tag");
    EXPECT_EQ(TagFields(ReadTagV2, path), "Title=New");
    EXPECT_EQ(file.Read().size(), original.size());
}

// name -> bytes of every entry below `root`, so a run that changes nothing
// can be told from one that does.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        entries[fs::relative(entry.path(), root).string()] =
            entry.is_regular_file() ? ReadFileBytes(entry.path().string()) : "";
    }
    return entries;
}

class CliTagAlbumTest : public ::testing::Test {
protected:
    CliTagAlbumTest() : work("kalvex-tag-album"), album(work.path() / "Audio CD") {
        fs::create_directory(album);
        fs::copy_file(TestDataPath("id3/mutagen/silence-44-s.mp3"), album / "Track01.mp3");
        fs::copy_file(TestDataPath("id3/mutagen/xing.mp3"), album / "Track02.mp3");
    }
    TempFolder work;
    fs::path album;
};

TEST_F(CliTagAlbumTest, LooksUpTagsAndRenamesAndADryRunOnlyTellsIt) {
    CddbServerProcess server({"--db", TestDataPath("cddb/db")});
    const std::string command =
        "tag-album " + Quote(album) +
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
    const Json result = Parse(run);
    EXPECT_EQ(result["Files"], Json::parse(R"([
        {"File":"Track01.mp3","Track":1,"Title":"Track 1 of 0b014802","Written":true,
         "RenamedTo":"01 Track 1 of 0b014802.mp3","Error":null,"Skipped":null},
        {"File":"Track02.mp3","Track":2,"Title":"Track 2 of 0b014802","Written":true,
         "RenamedTo":"02 Track 2 of 0b014802.mp3","Error":null,"Skipped":null}])"));
    const fs::path renamed = work.path() / "Two Tracks";
    EXPECT_EQ(result["FolderRenamedTo"], renamed.string());
    EXPECT_EQ(result["Messages"], Json::array());

    // An independent reader sees the tag on the renamed file; --optimise copied it to ID3 v1.
    const fs::path file = renamed / "02 Track 2 of 0b014802.mp3";
    const CliRun tags = Shell(
        "/usr/bin/python3 -c 'import sys, mutagen.id3 as m; t = m.ID3(sys.argv[1]); "
        "print(t.version, [str(t[k]) for k in (\"TPE1\", \"TALB\", \"TIT2\", \"TRCK\", "
        "\"TCON\", \"TDRC\")])' " +
        Quote(file));
    EXPECT_EQ(tags.out,
              "(2, 3, 0) ['Test Artist', 'Two Tracks', 'Track 2 of 0b014802', '2', 'Rock', "
              "'1994']\n");
    const std::string bytes = ReadFileBytes(file.string());
    EXPECT_EQ(bytes.substr(bytes.size() - 128, 22), "TAGTrack 2 of 0b014802");
}

TEST_F(CliTagAlbumTest, StoredReplyAndAFileThatCannotBeRenamed) {
    // A folder already holds the first file's new name: it must not be overwritten.
    fs::create_directory(album / "01 Track 1 of 0b014802.mp3");
    const CliRun run = Cli("tag-album " + Quote(album) + " --album " + Reply("read-210-rock.txt") +
                           " --rename --json");
    EXPECT_EQ(run.exit_code, 1);
    const Json files = Parse(run)["Files"];
    EXPECT_EQ(files[0]["Written"], true);
    EXPECT_TRUE(files[0]["RenamedTo"].is_null());
    EXPECT_NE(files[0]["Error"].get<std::string>().find("already exists"), std::string::npos);
    EXPECT_EQ(files[1]["RenamedTo"], "02 Track 2 of 0b014802.mp3");
    EXPECT_TRUE(fs::is_regular_file(work.path() / "Two Tracks" / "Track01.mp3"));

    const CliRun not_a_read = Cli("tag-album " + Quote(work.path() / "Two Tracks") + " --album " +
                                  Reply("read-401-not-found.txt") + " 2>&1 >/dev/null");
    EXPECT_EQ(not_a_read.exit_code, 1);
    EXPECT_NE(not_a_read.out.find("is not a \"cddb read\" reply with status 210: it starts \"401"),
              std::string::npos)
        << not_a_read.out;
}

// At protocol level 6 the server sends UTF-8: Cyrillic and Japanese titles
// reach the tags whole, where level 5 gives question marks.
TEST_F(CliTagAlbumTest, ProtocolLevelSixBringsAnyScriptIntoTheTags) {
    fs::copy_file(TestDataPath("id3/mutagen/xing.mp3"), album / "Track03.mp3");
    CddbServerProcess server({"--db", TestDataPath("cddb/utf8")});
    const auto titles = [this] {
        return Shell(
                   "/usr/bin/python3 -c 'import sys, mutagen.id3 as m; "
                   "print(*(str(m.ID3(f)[\"TIT2\"]) for f in sys.argv[1:]), sep=\"|\")' " +
                   Quote(album / "Track01.mp3") + " " + Quote(album / "Track03.mp3"))
            .out;
    };
    const std::string command = "tag-album " + Quote(album) +
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
    fs::copy_file(TestDataPath("id3/mutagen/xing.mp3"), album / "Track03.mp3");
    const std::string bonus_bytes = ReadFileBytes((album / "Track03.mp3").string());
    const fs::path link = work.path() / "link";
    fs::create_directory_symlink(album, link);
    const std::string command =
        "tag-album " + Quote(link) + " --album " + Reply("read-210-rock.txt") + " --rename --json";

    const CliRun run = Cli(command);
    EXPECT_EQ(run.exit_code, 1);
    const Json result = Parse(run);
    EXPECT_EQ(result["Folder"], album.string());
    const Json& third = result["Files"][2];
    EXPECT_EQ(third["Skipped"], "the album has no track 3");
    EXPECT_EQ(third["Written"], false);
    EXPECT_TRUE(third["RenamedTo"].is_null());
    EXPECT_EQ(ReadFileBytes((album / "Track03.mp3").string()), bonus_bytes);
    EXPECT_TRUE(result["FolderRenamedTo"].is_null());
    EXPECT_TRUE(fs::is_directory(album));

    fs::remove(album / "Track03.mp3");
    EXPECT_EQ(Cli(command).exit_code, 0);
    EXPECT_TRUE(fs::is_directory(work.path() / "Two Tracks"));
    EXPECT_TRUE(fs::is_symlink(link));
}

}  // namespace
}  // namespace kalvex
