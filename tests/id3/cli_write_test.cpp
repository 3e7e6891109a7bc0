#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_runner.h"
#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

const Bytes kAudio = Bytes("\xFF\xFB\x90\x64", 4) + Bytes(4000, '\x55');

TEST(CliWrite, FieldsNotGivenKeepTheirValueInEachVersion) {
    const Bytes old = Tag(3, 0,
                          Frame23("TIT2", Latin("v2 title")) + Frame23("TPE1", Latin("v2 artist")) +
                              Frame23("TXXX", Latin("kept")));
    const TempFile file(old + kAudio + TagV1("v1 title", 4, 13));
    CliRun run = Cli("write " + Quote(file.path()) + " --v1 --v2 2.4 --artist 'New artist' --json");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(nlohmann::json::parse(run.out),
              nlohmann::json({{"File", file.path()}, {"TagV1", "written"}, {"TagV2", "written"}}));
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
    const std::string long_title(3000, 't');
    const char* const commands[] = {"write {} --v2 2.3 --title New",
                                    "write {} --v2 2.4 --title {long}", "remove {} --v2"};
    for (const Bytes& rest : {kAudio + v1, v1, kAudio}) {
        for (const std::string command : commands) {
            const TempFile file(broken + rest);
            std::string args = command;
            args.replace(args.find("{}"), 2, Quote(file.path()));
            if (const size_t at = args.find("{long}"); at != std::string::npos) {
                args.replace(at, 6, long_title);
            }
            const CliRun run = Cli(args);
            const std::string which = command + " over " + std::to_string(rest.size()) + " bytes";
            ASSERT_EQ(run.exit_code, 0) << which << ": " << run.out;
            const Bytes now = file.Read();
            const std::optional<Mp3File> open = Mp3File::Open(file.path(), Mp3File::Mode::kRead);
            const std::int64_t tag = TagV2Size(*open, 0);
            EXPECT_EQ(now.substr(static_cast<size_t>(tag)), rest) << which;
            TagRecord v2;
            EXPECT_EQ(ReadTagV2(file.path(), v2), command[0] == 'w') << which;
        }
    }
}

TEST(CliWrite, BadUsageAndUnwritableFiles) {
    const TempFile file(kAudio);
    EXPECT_EQ(Cli("write " + Quote(file.path()) + " --title x 2>&1").exit_code, 2);
    EXPECT_EQ(Cli("write " + Quote(file.path()) + " --v2 2.2 2>&1").exit_code, 2);
    EXPECT_EQ(Cli("write " + Quote(file.path()) + " --v1 --no-v1 2>&1").exit_code, 2);
    EXPECT_EQ(Cli("write --v1").exit_code, 2);

    const CliRun missing = Cli("remove " + Quote(file.path() + ".none") + " 2>&1");
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.out.find(": No such file or directory"), std::string::npos) << missing.out;

    const CliRun folder = Cli("write /tmp --v1 2>&1");
    EXPECT_EQ(folder.exit_code, 1);
    EXPECT_NE(folder.out.find("not a regular file"), std::string::npos) << folder.out;
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
