// Real files from other projects' test suites: every one is read without a
// crash or hang, and each group gives the fields we can know.
#include <gtest/gtest.h>

#include <filesystem>

#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "id3/stream_info.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

std::string Path(const std::string& name) {
    return test::TestDataPath("id3/" + name);
}

// What `read` gives for a file that must hold what it reads.
template <class T>
T Read(bool (*read)(const std::string&, T&), const std::string& name) {
    T value;
    EXPECT_TRUE(read(Path(name), value)) << name;
    return value;
}

TEST(TestData, EveryFileReadsWithoutCrashOrHang) {
    int files = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(test::TestDataPath("id3"))) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md") {
            continue;
        }
        const std::string path = entry.path().string();
        TagRecord record;
        StreamInfo info;
        ReadTagV1(path, record);
        ReadTagV2(path, record);
        ReadStreamInfo(path, info);
        EXPECT_EQ(info.FileSize < 4 ? 0 : info.FileSize,
                  static_cast<std::int64_t>(entry.file_size() < 4 ? 0 : entry.file_size()));
        ++files;
    }
    EXPECT_GE(files, 50);
}

// Each file's fields that we can know; each group covers one way of storing them.
struct Expected {
    const char* file;
    const char* fields;
};

const Expected kTagsV2[] = {
    // Version 2.2, with pictures.
    {"taglib/itunes10.mp3",
     "Title=iTunes10MP3; Artist=Artist; Genre=Heavy Metal; TNR=1/10; Composer=Composer"},
    {"mutagen/id3v22-test.mp3",
     "Artist=Anais Mitchell; Album=Hymns for the Exiled; Year=2004; Encoder=iTunes v4.6"},
    {"rust-id3/id3v22.id3",
     "Artist=Jan Philipp Zymny & Andy Strau\u00DF; Genre=H\u00F6rbuch & Gesprochene Inhalte"},
    {"taglib/id3v22-tda.mp3", "Year=2010"},
    // Its tag claims more bytes than the file has; the frames that are there read.
    {"tinytag/id3v22.TCO.genre.mp3", "Title=Applause; Genre=Pop"},
    // Unsynchronisation.
    {"taglib/unsynch.id3", "Artist=Nina Simone; Album=100% Jazz; Title=My babe just cares for me"},
    {"rust-id3/github-issue-86b.id3", "Title=Bongo Bong"},
    {"taglib/unsynch24.id3", "Title=Hi"},
    // Plain-sized version 2.4 frames and extended headers.
    {"taglib/005411.id3", "Artist=Donovan; Year=1966; Genre=Folk"},
    {"mutagen/id3v24_extended_header.id3", "Comment=This is a comment!"},
    {"taglib/extended-header.mp3", "Title=Druids"},
    {"tinytag/cbr.mp3", "Artist=Basshunter"},
    {"rust-id3/id3v24_ext.id3", "TNR=02"},
    // The flag is set but no extended header follows.
    {"mutagen/issue_21.id3", "Title=Punk To Funk"},
    // A tag found by its footer.
    {"mutagen/audacious-trailing-id32-id31.mp3", "Artist=piman; Comment=safsdf"},
    // Compressed frames read as empty.
    {"taglib/compressed_id3_frame.mp3", "Artist=Moby; Title=Braveheart Theme (Techno remix"},
    {"taglib/compressed_id3_frame_invalid.mp3",
     "Artist=Moby; Title=Braveheart Theme (Techno remix"},
    {"taglib/excessive_alloc.mp3", "Artist=Rihanna"},
    {"mutagen/too-short.mp3", "Title=Track 10"},
};

TEST(TestData, TagsV2) {
    for (const Expected& e : kTagsV2) {
        EXPECT_EQ(Fields(Read(ReadTagV2, e.file), e.fields), e.fields) << e.file;
    }
}

TEST(TestData, Version11AndVersion10) {
    const Expected tags[] = {
        {"mutagen/silence-44-s-v1.mp3", "Artist=piman; TNR=2; Genre=Darkwave"},
        {"mutagen/id3v1v2-combined.mp3", "Comment=v1 comment"},
        {"tinytag/id3v1-latin1.mp3", "Artist=Bj\u00F6rk"},
        {"taglib/ape-id3v1.mp3", "Title=Title; TNR="},
    };
    for (const Expected& e : tags) {
        EXPECT_EQ(Fields(Read(ReadTagV1, e.file), e.fields), e.fields) << e.file;
    }
}

TEST(TestData, StreamFacts) {
    const Expected streams[] = {
        // Variable bit rate headers: Xing and VBRI.
        {"mutagen/lame.mp3", "VariableBitrate=yes"},
        {"mutagen/vbri.mp3", "VariableBitrate=yes; Bitrate=233; LengthSeconds=222"},
        {"taglib/rare_frames.mp3", "LengthSeconds=222"},
        {"mutagen/bad-xing.mp3", "VariableBitrate=no"},
        {"taglib/lame_vbr.mp3", "Bitrate=70; LengthSeconds=1887"},  // truncated
        {"taglib/bladeenc.mp3", "VariableBitrate=no; Bitrate=64; ChannelMode=Mono"},
        {"mutagen/xing.mp3", "VariableBitrate=no"},  // "Xing" only at 8192
        // MPEG 2 and 2.5 (the interop test's lame-made files have 22050 and 11025 Hz).
        {"mutagen/silence-44-s-mpeg2.mp3", "VersionLayer=version 2 layer 3; Frequency=24000"},
        {"mutagen/silence-44-s-mpeg25.mp3", "VersionLayer=version 2.5 layer 3; LengthSeconds=4"},
        {"taglib/mpeg2.mp3", "LengthSeconds=5387"},
        {"tinytag/mpeg25_8khz_vbr.mp3", "Frequency=8000"},
        {"taglib/ape-id3v1.mp3", "TagV1Minor=0"},
        {"mutagen/silence-44-s-v1.mp3", "TagV1Minor=1"},
    };
    for (const Expected& e : streams) {
        EXPECT_EQ(Fields(Read(ReadStreamInfo, e.file), e.fields), e.fields) << e.file;
    }
}

TEST(TestData, EmptyAndTruncatedFiles) {
    TagRecord record;
    StreamInfo info;
    EXPECT_FALSE(ReadTagV2(Path("mutagen/emptyfile.mp3"), record));
    EXPECT_FALSE(ReadStreamInfo(Path("mutagen/emptyfile.mp3"), info));
    EXPECT_FALSE(ReadStreamInfo(Path("tinytag/incomplete.mp3"), info));
    EXPECT_EQ(info, StreamInfo{});
}

}  // namespace
}  // namespace kalvex
