#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_runner.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

using Json = nlohmann::json;

// Every field against an independent reader is the interop test's; here, the
// shape: one object per file named, each with both tags and the stream.
TEST(CliTags, JsonHasOneObjectPerFileWithBothTagsAndTheStream) {
    const TempFile file(Tag(3, 0, Frame23("TIT2", Latin("Title"))) + Bytes("\xFF\xFB\x90\x64", 4) +
                        Bytes(16000 * 2, '\0') + TagV1("v1 title", 4, 13));
    const CliRun run = Cli("tags --json " + Quote(file.path()) + " " + Quote(file.path()));
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const Json all = Json::parse(run.out);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1]["File"], file.path());
    EXPECT_EQ(all[1]["TagV1"]["Title"], "v1 title");
    EXPECT_EQ(all[1]["TagV2"]["Title"], "Title");
    EXPECT_EQ(all[1]["StreamInfo"]["LengthSeconds"], 2);
}

TEST(CliTags, UntaggedFileStartsFromEmptyValues) {
    const TempFile file(Bytes(1000, 'x'));
    const CliRun run = Cli("tags --json " + Quote(file.path()));
    ASSERT_EQ(run.exit_code, 0);
    const Json one = Json::parse(run.out)[0];
    EXPECT_EQ(one["HasTagV1"], false);
    EXPECT_EQ(one["HasTagV2"], false);
    EXPECT_EQ(one["StreamInfoValid"], false);
    EXPECT_EQ(one["StreamInfo"]["TagV1Minor"], -1);
    EXPECT_EQ(one["StreamInfo"]["TagV2Major"], -1);
    EXPECT_EQ(one["StreamInfo"]["FileSize"], 1000);
}

TEST(CliTags, TextOutputShowsTagsAndDetails) {
    const TempFile file(Tag(4, 0, Frame24("TPE1", Latin("Someone"))) +
                        Bytes("\xFF\xFB\x90\x64", 4) + Bytes(16000 * 65, '\0'));
    const CliRun run = Cli("tags " + Quote(file.path()));
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("Artist:     Someone"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Length: 1:05"), std::string::npos);
    EXPECT_NE(run.out.find("Tag v1: none"), std::string::npos);
}

TEST(CliTags, MissingFilesFailButOthersAreShown) {
    const TempFile file(Bytes(200, 'x'));
    const CliRun run = Cli("tags --json /nonexistent.mp3 " + Quote(file.path()) + " 2>/dev/null");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(Json::parse(run.out).size(), 1u);
    EXPECT_EQ(Cli("tags 2>/dev/null").exit_code, 2);
    EXPECT_EQ(Cli("tags /tmp 2>/dev/null").exit_code, 1);
}

}  // namespace
}  // namespace kalvex
