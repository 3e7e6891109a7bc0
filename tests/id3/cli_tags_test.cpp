#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_runner.h"
#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;
using Json = nlohmann::json;

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
    const Json all = Json::parse(run.out);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]["File"], tagged.path());
    EXPECT_EQ(all[0]["TagV1"]["Title"], "v1 title");
    EXPECT_EQ(all[0]["TagV2"]["Title"], "Title");
    EXPECT_EQ(all[1]["File"], untagged.path());
    EXPECT_EQ(all[1]["TagV2"]["Title"], "");
    EXPECT_EQ(all[1]["StreamInfo"]["TagV1Minor"], -1);
    EXPECT_EQ(all[1]["StreamInfo"]["TagV2Major"], -1);
    EXPECT_EQ(all[1]["StreamInfo"]["FileSize"], 1000);
    for (const char* key : {"HasTagV1", "HasTagV2", "StreamInfoValid"}) {
        EXPECT_EQ(all[1][key], false) << key;
    }
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
    EXPECT_EQ(Json::parse(run.out),
              Json({{"File", file.path()}, {"TagV1", "written"}, {"TagV2", "written"}}));
    TagRecord v1, v2;
    ASSERT_TRUE(ReadTagV1(file.path(), v1));
    ASSERT_TRUE(ReadTagV2(file.path(), v2));
    EXPECT_EQ(Fields(v1), "Artist=New artist; Title=v1 title; Genre=Pop; TNR=4");
    EXPECT_EQ(Fields(v2), "Artist=New artist; Title=v2 title");
    EXPECT_NE(file.Read().find("TXXX"), std::string::npos);

    run = Cli("write " + Quote(file.path()) + " --v2 2.3 --clear --no-v1");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(file.Read().find("TXXX"), std::string::npos);
    EXPECT_FALSE(ReadTagV1(file.path(), v1));
    ASSERT_TRUE(ReadTagV2(file.path(), v2));
    EXPECT_EQ(Fields(v2), "Artist=New artist; Title=v2 title");

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
            TagRecord v2;
            EXPECT_EQ(ReadTagV2(file.path(), v2), command[0] == 'w') << which;
        }
    }
}

// Usage errors exit with 2, files that cannot be read or written with 1;
// each says why.
TEST(CliWrite, BadUsageAndUnusableFiles) {
    const TempFile file(kAudio);
    const std::string path = Quote(file.path());
    const struct {
        std::string args;
        int exit_code;
        const char* says;
    } cases[] = {
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
    TagRecord v1, v2;
    EXPECT_FALSE(ReadTagV1(path, v1));
    ASSERT_TRUE(ReadTagV2(path, v2));
    EXPECT_EQ(Fields(v2), "Title=New");
    EXPECT_EQ(file.Read().size(), original.size());
}

}  // namespace
}  // namespace kalvex
