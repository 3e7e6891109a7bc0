#include "id3/stream_info.h"

#include <gtest/gtest.h>

#include <tuple>

#include "id3/stream_details.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

// Version 1 layer 3, no CRC, 128 kbit/s, 44100 Hz, joint stereo, original.
const Bytes kV1Header("\xFF\xFB\x90\x64", 4);

StreamInfo Info(const Bytes& content, bool* valid = nullptr) {
    const TempFile file(content);
    StreamInfo info;
    const bool result = ReadStreamInfo(file.path(), info);
    if (valid != nullptr) {
        *valid = result;
    }
    return info;
}

// A first frame with a VBR header at `offset` after the frame start.
Bytes FrameWithHeader(const Bytes& header, size_t offset, const Bytes& vbr) {
    Bytes frame = header + Bytes(offset - 4, '\0') + vbr;
    return frame + Bytes(800, '\0');
}

Bytes Xing(const char* name, std::uint32_t flags, std::uint32_t frames, std::uint32_t bytes) {
    return Bytes(name) + Be32(flags) + Be32(frames) + Be32(bytes);
}

TEST(ReadStreamInfo, ConstantBitRateAfterATag) {
    const Bytes content = Tag(3, 0, Bytes(4096, '\0')) + kV1Header + Bytes(48000 - 4, '\0');
    bool valid = false;
    // Length: (L - 4106) / 16000 = 3 s.
    EXPECT_EQ(Fields(Info(content, &valid)),
              "VersionLayer=version 1 layer 3; Bitrate=128; Frequency=44100; ChannelMode=Joint "
              "stereo; Original=yes; LengthSeconds=3; TagV2Major=3; FileSize=52106");
    EXPECT_TRUE(valid);
}

TEST(ReadStreamInfo, HalfSecondsRoundToEven) {
    // 40000 bytes at 16000 bytes a second: 2.5 s reads as 2; 56000: 3.5 as 4.
    EXPECT_EQ(Info(kV1Header + Bytes(40000 - 4, '\0')).LengthSeconds, 2);
    EXPECT_EQ(Info(kV1Header + Bytes(56000 - 4, '\0')).LengthSeconds, 4);
}

TEST(ReadStreamInfo, Mpeg2And25HalveAndQuarterTheRate) {
    EXPECT_EQ(Fields(Info(Bytes("\xFF\xF3\x80\xC0", 4) + Bytes(1000, '\0'))),
              "VersionLayer=version 2 layer 3; Bitrate=64; Frequency=22050; ChannelMode=Mono; "
              "FileSize=1004");
    // Sample-rate index 1: 48000 / 4.
    EXPECT_EQ(Fields(Info(Bytes("\xFF\xE3\x44\x00", 4) + Bytes(1000, '\0'))),
              "VersionLayer=version 2.5 layer 3; Bitrate=32; Frequency=12000; ChannelMode=Stereo; "
              "FileSize=1004");
}

TEST(ReadStreamInfo, LayersCrcAndFlags) {
    // Version 1 layer 1 with CRC, 448 kbit/s at 32000 Hz, dual channel,
    // copyrighted, emphasis.
    EXPECT_EQ(Fields(Info(Bytes("\xFF\xFE\xE8\x89", 4) + Bytes(100, '\0'))),
              "VersionLayer=version 1 layer 1; UsesChecksums=yes; Bitrate=448; Frequency=32000; "
              "ChannelMode=Dual channel; Copyrighted=yes; Emphasis=yes; FileSize=104");
    EXPECT_EQ(Info(Bytes("\xFF\xFD\x10\x00", 4) + Bytes(100, '\0')).VersionLayer,
              "version 1 layer 2");
}

TEST(ReadStreamInfo, XingHeaderMakesItVariable) {
    const Bytes content = FrameWithHeader(kV1Header, 36, Xing("Xing", 3, 1000, 500000));
    const StreamInfo info = Info(content);
    EXPECT_TRUE(info.VariableBitrate);
    EXPECT_EQ(info.Bitrate, 153);       // 500000 / 1000 / 1152 / 125 * 44100
    EXPECT_EQ(info.LengthSeconds, 26);  // 1000 / 44100 * 1152
    // "Info" (written for constant bit rate files) counts the same.
    EXPECT_TRUE(
        Info(FrameWithHeader(kV1Header, 36, Xing("Info", 3, 1000, 500000))).VariableBitrate);
}

TEST(ReadStreamInfo, XingNeedsAFrameCount) {
    const StreamInfo info = Info(FrameWithHeader(kV1Header, 36, Xing("Xing", 2, 1000, 500000)));
    EXPECT_FALSE(info.VariableBitrate);
    EXPECT_EQ(info.Bitrate, 128);
    // Frames without bytes are no header either.
    EXPECT_FALSE(Info(FrameWithHeader(kV1Header, 36, Xing("Xing", 1, 1000, 0))).VariableBitrate);
}

TEST(ReadStreamInfo, XingPositionFollowsVersionAndChannels) {
    const Bytes mono("\xFF\xFB\x90\xC4", 4);
    EXPECT_TRUE(Info(FrameWithHeader(mono, 21, Xing("Xing", 3, 100, 50000))).VariableBitrate);
    EXPECT_FALSE(Info(FrameWithHeader(mono, 36, Xing("Xing", 3, 100, 50000))).VariableBitrate);
    const Bytes v2_stereo("\xFF\xF3\x80\x00", 4);
    const StreamInfo v2 = Info(FrameWithHeader(v2_stereo, 21, Xing("Xing", 3, 100, 50000)));
    EXPECT_TRUE(v2.VariableBitrate);
    EXPECT_EQ(v2.LengthSeconds, 3);  // 100 / 22050 * 576 = 2.6
    const Bytes v2_mono("\xFF\xF3\x80\xC0", 4);
    EXPECT_TRUE(Info(FrameWithHeader(v2_mono, 13, Xing("Xing", 3, 100, 50000))).VariableBitrate);
}

TEST(ReadStreamInfo, VbriHeaderReplacesXing) {
    const Bytes vbri = Bytes("VBRI") + Bytes(6, '\0') + Be32(1000000) + Be32(2000);
    const StreamInfo info = Info(FrameWithHeader(kV1Header, 36, vbri));
    EXPECT_TRUE(info.VariableBitrate);
    EXPECT_EQ(info.Bitrate, 153);       // 1000000 / 2000 / 1152 / 125 * 44100
    EXPECT_EQ(info.LengthSeconds, 52);  // 2000 / 44100 * 1152
}

TEST(ReadStreamInfo, FirstSyncPatternWinsUnlessItsVersionOrLayerIsReserved) {
    // A stray pattern with a valid version and layer is taken as the frame.
    const StreamInfo stray = Info(Bytes("ab\xFF\xF3\x80\xC0") + kV1Header + Bytes(100, '\0'));
    EXPECT_EQ(stray.VersionLayer, "version 2 layer 3");
    // Reserved version (bits 01) or layer (bits 00): the search goes on.
    EXPECT_EQ(Info(Bytes("\xFF\xEB\x90\x64") + kV1Header + Bytes(100, '\0')).VersionLayer,
              "version 1 layer 3");
    EXPECT_EQ(Info(Bytes("\xFF\xF9\x90\x64") + kV1Header + Bytes(100, '\0')).VersionLayer,
              "version 1 layer 3");
}

TEST(ReadStreamInfo, FreeFormatAndForbiddenIndexesGiveZeroNotACrash) {
    const StreamInfo free_format = Info(Bytes("\xFF\xFB\x00\x64", 4) + Bytes(100, '\0'));
    EXPECT_EQ(free_format.Bitrate, 0);
    EXPECT_EQ(free_format.LengthSeconds, 0);
    EXPECT_EQ(Info(Bytes("\xFF\xFB\xF0\x64", 4) + Bytes(100, '\0')).Bitrate, 0);
    // Sample-rate index 3 with a Xing header: nothing to divide by.
    const StreamInfo no_rate =
        Info(FrameWithHeader(Bytes("\xFF\xFB\x9C\x64", 4), 36, Xing("Xing", 3, 100, 50000)));
    EXPECT_EQ(std::tie(no_rate.Frequency, no_rate.Bitrate, no_rate.LengthSeconds),
              std::make_tuple(0, 0, 0));
    // Counts that would overflow are capped.
    const StreamInfo huge =
        Info(FrameWithHeader(Bytes("\xFF\xFF\x94\x64", 4), 36, Xing("Xing", 3, 1, 0xFFFFFFFF)));
    EXPECT_EQ(huge.Bitrate, 2147483647);
}

TEST(ReadStreamInfo, TagFactsAreSetEvenWithoutAFrame) {
    StreamInfo info;
    info.VersionLayer = "before";
    info.Bitrate = 77;
    const TempFile v11(Tag(4, 0, "") + Bytes(300, 'x') + TagV1("t", 3, 1));
    EXPECT_FALSE(ReadStreamInfo(v11.path(), info));
    EXPECT_EQ(Fields(info),
              "VersionLayer=before; Bitrate=77; TagV1Minor=1; TagV2Major=4; FileSize=438");
    EXPECT_EQ(Info(kV1Header + Bytes(300, '\0') + TagV1("t", 0, 1)).TagV1Minor, 0);
}

TEST(ReadStreamInfo, TinyAndMissingFilesLeaveInfoUntouched) {
    StreamInfo info;
    info.FileSize = 99;
    EXPECT_FALSE(ReadStreamInfo(TempFile("\xFF\xFB\x90").path(), info));
    EXPECT_FALSE(ReadStreamInfo("/nonexistent/file.mp3", info));
    EXPECT_EQ(info.FileSize, 99);
    EXPECT_EQ(info.TagV2Major, -1);
}

TEST(StreamDetailsText, TenLinesAsTheEditorShowsThem) {
    StreamInfo info{.VersionLayer = "version 2.5 layer 3",
                    .Bitrate = 128,
                    .Frequency = 44100,
                    .ChannelMode = "Joint stereo",
                    .Original = true,
                    .LengthSeconds = 245,
                    .TagV1Minor = 0,
                    .TagV2Major = 3};
    EXPECT_EQ(StreamDetailsText(info),
              "Version 2.5 Layer 3\r\nLength: 4:05\r\n"
              "Bitrate: 128 kbit / sec, constant bit rate\r\n"
              "Frequency: 44100 hz, joint stereo\r\nCopyrighted: no\r\nOriginal: yes\r\n"
              "Uses checksums: no\r\nUses emphasis: no\r\nID3 v1 tag: version 1.0\r\n"
              "ID3 v2 tag: version 2.3");
    info.LengthSeconds = 60;
    info.VariableBitrate = true;
    info.TagV1Minor = -1;
    const auto lines = StreamDetailsLines(info);
    EXPECT_EQ(lines[1], "Length: 1:00");
    EXPECT_EQ(lines[2], "Bitrate: 128 kbit / sec, variable bit rate");
    EXPECT_EQ(lines[8], "ID3 v1 tag: none");
}

}  // namespace
}  // namespace kalvex
