#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_runner.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

using Json = nlohmann::ordered_json;

// An object as the tags command writes it: every key in this order, the
// values of a fresh record or StreamInfo except for `changes` (JSON members).
Json Expected(const char* fresh, const std::string& changes) {
    Json out = Json::parse(fresh);
    const Json changed = Json::parse("{" + changes + "}");
    for (const auto& [key, value] : changed.items()) {
        out.at(key) = value;
    }
    return out;
}

const char kRecord[] =
    R"({"Artist":"","Album":"","Title":"","Year":"","Genre":"","Comment":"","TNR":"",
        "Encoder":"","LinkTo":"","Copyright":"","Composer":"","OrigArtist":""})";
const char kStream[] =
    R"({"VersionLayer":"","UsesChecksums":false,"Bitrate":0,"Frequency":0,
        "VariableBitrate":false,"ChannelMode":"","Copyrighted":false,"Original":false,
        "Emphasis":false,"LengthSeconds":0,"TagV1Minor":-1,"TagV2Major":-1,"FileSize":0})";

TEST(CliTags, JsonHasOneObjectPerFileWithEveryField) {
    const Bytes v2 = Tag(3, 0, Frame23("TIT2", Latin("Title")) + Frame23("TCON", Latin("(17)")));
    const TempFile file(v2 + Bytes("\xFF\xFB\x90\x64", 4) + Bytes(16000 * 2, '\0') +
                        TagV1("v1 title", 4, 13));
    const CliRun run = Cli("tags --json " + Quote(file.path()) + " " + Quote(file.path()));
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const Json all = Json::parse(run.out);
    ASSERT_EQ(all.size(), 2u);
    const std::string size = std::to_string(v2.size() + 4 + 32000 + 128);
    EXPECT_EQ(all[0],
              (Json{{"File", file.path()},
                    {"HasTagV1", true},
                    {"TagV1", Expected(kRecord, R"("Title":"v1 title","Genre":"Pop","TNR":"4")")},
                    {"HasTagV2", true},
                    {"TagV2", Expected(kRecord, R"("Title":"Title","Genre":"Rock")")},
                    {"StreamInfoValid", true},
                    {"StreamInfo", Expected(kStream, R"("VersionLayer":"version 1 layer 3",
                                "Bitrate":128,"Frequency":44100,"ChannelMode":"Joint stereo",
                                "Original":true,"LengthSeconds":2,"TagV1Minor":1,"TagV2Major":3,
                                "FileSize":)" + size)}}));
}

TEST(CliTags, UntaggedFileStartsFromEmptyValues) {
    const TempFile file(Bytes(1000, 'x'));
    const CliRun run = Cli("tags --json " + Quote(file.path()));
    ASSERT_EQ(run.exit_code, 0);
    const Json one = Json::parse(run.out)[0];
    EXPECT_EQ(one["HasTagV1"], false);
    EXPECT_EQ(one["HasTagV2"], false);
    EXPECT_EQ(one["StreamInfoValid"], false);
    EXPECT_EQ(one["StreamInfo"], Expected(kStream, R"("FileSize":1000)"));
}

TEST(CliTags, TextOutputShowsTagsAndDetails) {
    const TempFile file(Tag(4, 0, Frame24("TPE1", Latin("Someone"))) +
                        Bytes("\xFF\xFB\x90\x64", 4) + Bytes(16000 * 65, '\0'));
    const CliRun run = Cli("tags " + Quote(file.path()));
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("Artist:     Someone"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Version 1 Layer 3"), std::string::npos);
    EXPECT_NE(run.out.find("Length: 1:05"), std::string::npos);
    EXPECT_NE(run.out.find("ID3 v2 tag: version 2.4"), std::string::npos);
    EXPECT_NE(run.out.find("Tag v1: none"), std::string::npos);
}

TEST(CliTags, MissingFilesFailButOthersAreShown) {
    const TempFile file(Bytes(200, 'x'));
    const CliRun run = Cli("tags --json /nonexistent.mp3 " + Quote(file.path()) + " 2>/dev/null");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(nlohmann::json::parse(run.out).size(), 1u);
    EXPECT_EQ(Cli("tags 2>/dev/null").exit_code, 2);
    EXPECT_EQ(Cli("tags /tmp 2>/dev/null").exit_code, 1);
}

}  // namespace
}  // namespace kalvex
