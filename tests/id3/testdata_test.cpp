// Real files from other projects' test suites: every one is read without a
// crash or hang, and each group gives the fields we can know.
#include <gtest/gtest.h>

#include <filesystem>

#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "id3/stream_info.h"
#include "test_files.h"

namespace kalvex {
namespace {

std::string Path(const std::string& name) {
    return test::TestDataPath("id3/" + name);
}

TagRecord V2(const std::string& name) {
    TagRecord record;
    EXPECT_TRUE(ReadTagV2(Path(name), record)) << name;
    return record;
}

TagRecord V1(const std::string& name) {
    TagRecord record;
    EXPECT_TRUE(ReadTagV1(Path(name), record)) << name;
    return record;
}

StreamInfo Stream(const std::string& name) {
    StreamInfo info;
    EXPECT_TRUE(ReadStreamInfo(Path(name), info)) << name;
    return info;
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

TEST(TestData, Version22WithPictures) {
    const TagRecord itunes = V2("taglib/itunes10.mp3");
    EXPECT_EQ(itunes.Title, "iTunes10MP3");
    EXPECT_EQ(itunes.Artist, "Artist");
    EXPECT_EQ(itunes.Genre, "Heavy Metal");
    EXPECT_EQ(itunes.TNR, "1/10");
    EXPECT_EQ(itunes.Composer, "Composer");
    const TagRecord mutagen = V2("mutagen/id3v22-test.mp3");
    EXPECT_EQ(mutagen.Artist, "Anais Mitchell");
    EXPECT_EQ(mutagen.Album, "Hymns for the Exiled");
    EXPECT_EQ(mutagen.Year, "2004");
    EXPECT_EQ(mutagen.Encoder, "iTunes v4.6");
    const TagRecord rust = V2("rust-id3/id3v22.id3");
    EXPECT_EQ(rust.Artist, "Jan Philipp Zymny & Andy Strau\u00DF");
    EXPECT_EQ(rust.Genre, "H\u00F6rbuch & Gesprochene Inhalte");
    EXPECT_EQ(V2("taglib/id3v22-tda.mp3").Year, "2010");
    // Its tag claims more bytes than the file has; the frames that are there read.
    const TagRecord tco = V2("tinytag/id3v22.TCO.genre.mp3");
    EXPECT_EQ(tco.Title, "Applause");
    EXPECT_EQ(tco.Genre, "Pop");
}

TEST(TestData, Unsynchronisation) {
    for (const char* name : {"taglib/unsynch.id3", "mutagen/id3v23_unsynch.id3"}) {
        const TagRecord r = V2(name);
        EXPECT_EQ(r.Artist, "Nina Simone") << name;
        EXPECT_EQ(r.Album, "100% Jazz") << name;
        EXPECT_EQ(r.Title, "My babe just cares for me") << name;
    }
    EXPECT_EQ(V2("rust-id3/github-issue-86b.id3").Title, "Bongo Bong");
    EXPECT_EQ(V2("taglib/unsynch24.id3").Title, "Hi");
}

TEST(TestData, PlainSizedVersion24FramesAndExtendedHeaders) {
    const TagRecord plain = V2("taglib/005411.id3");
    EXPECT_EQ(plain.Artist, "Donovan");
    EXPECT_EQ(plain.Year, "1966");
    EXPECT_EQ(plain.Genre, "Folk");
    EXPECT_EQ(V2("mutagen/id3v24_extended_header.id3").Comment, "This is a comment!");
    EXPECT_EQ(V2("taglib/extended-header.mp3").Title, "Druids");
    EXPECT_EQ(V2("tinytag/cbr.mp3").Artist, "Basshunter");
    EXPECT_EQ(V2("rust-id3/id3v24_ext.id3").TNR, "02");
    // The flag is set but no extended header follows.
    EXPECT_EQ(V2("mutagen/issue_21.id3").Title, "Punk To Funk");
}

TEST(TestData, TagFoundByItsFooter) {
    const TagRecord r = V2("mutagen/audacious-trailing-id32-id31.mp3");
    EXPECT_EQ(r.Artist, "piman");
    EXPECT_EQ(r.Comment, "safsdf");
}

TEST(TestData, CompressedFramesReadAsEmpty) {
    for (const char* name :
         {"taglib/compressed_id3_frame.mp3", "taglib/compressed_id3_frame_invalid.mp3"}) {
        const TagRecord r = V2(name);
        EXPECT_EQ(r.Artist, "Moby") << name;
        EXPECT_EQ(r.Title, "Braveheart Theme (Techno remix") << name;
    }
    EXPECT_EQ(V2("taglib/excessive_alloc.mp3").Artist, "Rihanna");
}

TEST(TestData, Version11AndVersion10) {
    const TagRecord v11 = V1("mutagen/silence-44-s-v1.mp3");
    EXPECT_EQ(v11.Artist, "piman");
    EXPECT_EQ(v11.TNR, "2");
    EXPECT_EQ(v11.Genre, "Darkwave");
    EXPECT_EQ(V1("mutagen/id3v1v2-combined.mp3").Comment, "v1 comment");
    EXPECT_EQ(V1("tinytag/id3v1-latin1.mp3").Artist, "Bj\u00F6rk");
    const TagRecord v10 = V1("taglib/ape-id3v1.mp3");
    EXPECT_EQ(v10.Title, "Title");
    EXPECT_EQ(v10.TNR, "");
    EXPECT_EQ(Stream("taglib/ape-id3v1.mp3").TagV1Minor, 0);
    EXPECT_EQ(Stream("mutagen/silence-44-s-v1.mp3").TagV1Minor, 1);
}

TEST(TestData, VariableBitRateHeaders) {
    const StreamInfo xing = Stream("mutagen/lame.mp3");
    EXPECT_TRUE(xing.VariableBitrate);
    EXPECT_TRUE(Stream("mutagen/lame-peak.mp3").VariableBitrate);  // Info
    const StreamInfo vbri = Stream("mutagen/vbri.mp3");
    EXPECT_TRUE(vbri.VariableBitrate);
    EXPECT_EQ(vbri.Bitrate, 233);
    EXPECT_EQ(vbri.LengthSeconds, 222);
    EXPECT_EQ(Stream("taglib/rare_frames.mp3").LengthSeconds, 222);
    EXPECT_FALSE(Stream("mutagen/bad-xing.mp3").VariableBitrate);
    const StreamInfo truncated = Stream("taglib/lame_vbr.mp3");
    EXPECT_EQ(truncated.Bitrate, 70);
    EXPECT_EQ(truncated.LengthSeconds, 1887);
    const StreamInfo blade = Stream("taglib/bladeenc.mp3");
    EXPECT_FALSE(blade.VariableBitrate);
    EXPECT_EQ(blade.Bitrate, 64);
    EXPECT_EQ(blade.ChannelMode, "Mono");
    EXPECT_FALSE(Stream("mutagen/xing.mp3").VariableBitrate);  // "Xing" only at 8192
}

TEST(TestData, Mpeg2And25) {
    EXPECT_EQ(Stream("mutagen/silence-44-s-mpeg2.mp3").VersionLayer, "version 2 layer 3");
    EXPECT_EQ(Stream("mutagen/silence-44-s-mpeg2.mp3").Frequency, 24000);
    EXPECT_EQ(Stream("mutagen/silence-44-s-mpeg25.mp3").VersionLayer, "version 2.5 layer 3");
    EXPECT_EQ(Stream("mutagen/silence-44-s-mpeg25.mp3").LengthSeconds, 4);
    EXPECT_EQ(Stream("taglib/mpeg2.mp3").LengthSeconds, 5387);
    EXPECT_EQ(Stream("tinytag/mpeg2_22050hz_vbr.mp3").Frequency, 22050);
    EXPECT_EQ(Stream("tinytag/mpeg25_11025hz_vbr.mp3").Frequency, 11025);
    EXPECT_EQ(Stream("tinytag/mpeg25_8khz_vbr.mp3").Frequency, 8000);
}

TEST(TestData, EmptyAndTruncatedFiles) {
    TagRecord record;
    StreamInfo info;
    EXPECT_FALSE(ReadTagV2(Path("mutagen/emptyfile.mp3"), record));
    EXPECT_FALSE(ReadStreamInfo(Path("mutagen/emptyfile.mp3"), info));
    EXPECT_FALSE(ReadStreamInfo(Path("tinytag/incomplete.mp3"), info));
    EXPECT_EQ(info, StreamInfo{});
    EXPECT_EQ(V2("mutagen/too-short.mp3").Title, "Track 10");
}

}  // namespace
}  // namespace kalvex
