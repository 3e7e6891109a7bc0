#include "id3/stream_info.h"

#include <gtest/gtest.h>

#include "id3/stream_details.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

// Version 1 layer 3, no CRC, 128 kbit/s, 44100 Hz, joint stereo, original.
const Bytes kV1Header("\xFF\xFB\x90\x64", 4);

StreamInfo Info(const Bytes& content) {
    StreamInfo info;
    EXPECT_TRUE(ReadStreamInfo(TempFile(content).path(), info));
    return info;
}

// A first frame with a Xing header where a stereo MPEG 1 frame has it.
Bytes WithXing(const Bytes& header, std::uint32_t flags, std::uint32_t frames,
               std::uint32_t bytes) {
    return header + Bytes(32, '\0') + "Xing" + Be32(flags) + Be32(frames) + Be32(bytes) +
           Bytes(800, '\0');
}

// Header bits to facts; each case names only the fields it decides.
TEST(ReadStreamInfo, FrameHeaders) {
    const Bytes pad(100, '\0');
    const struct {
        Bytes content;
        const char* fields;
    } cases[] = {
        // 16000 bytes a second: 2.5 s reads as 2, 3.5 s as 4. (The interop test
        // checks the other facts of such frames against the formulas.)
        {kV1Header + Bytes(40000 - 4, '\0'), "Original=yes; LengthSeconds=2"},
        {kV1Header + Bytes(56000 - 4, '\0'), "LengthSeconds=4"},
        {Bytes("\xFF\xFD\x10\x00", 4) + pad, "VersionLayer=version 1 layer 2"},
        // A stray pattern with a valid version and layer is taken as the frame;
        // with a reserved version (bits 01) or layer (bits 00) the search goes on.
        {Bytes("ab\xFF\xF3\x80\xC0") + kV1Header + pad, "VersionLayer=version 2 layer 3"},
        {Bytes("\xFF\xEB\x90\x64") + kV1Header + pad, "VersionLayer=version 1 layer 3"},
        {Bytes("\xFF\xF9\x90\x64") + kV1Header + pad, "VersionLayer=version 1 layer 3"},
        // Free format and the forbidden bit rate index: zero, not a crash.
        {Bytes("\xFF\xFB\x00\x64", 4) + pad, "Bitrate=0; LengthSeconds=0"},
        {Bytes("\xFF\xFB\xF0\x64", 4) + pad, "Bitrate=0; LengthSeconds=0"},
        {kV1Header + Bytes(300, '\0') + TagV1("t", 0, 1), "TagV1Minor=0"},
        // A Xing header without a frame count, or with frames but no bytes, is none.
        {WithXing(kV1Header, 2, 1000, 500000), "VariableBitrate=no; Bitrate=128"},
        {WithXing(kV1Header, 1, 1000, 0), "VariableBitrate=no"},
        // Sample-rate index 3: nothing to divide by; counts that would overflow are capped.
        {WithXing(Bytes("\xFF\xFB\x9C\x64", 4), 3, 100, 50000),
         "Frequency=0; Bitrate=0; LengthSeconds=0"},
        {WithXing(Bytes("\xFF\xFF\x94\x64", 4), 3, 1, 0xFFFFFFFF), "Bitrate=2147483647"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Fields(Info(c.content), c.fields), c.fields) << "case " << &c - cases;
    }
}

// The first frame's facts: version 1 layer 1 with CRC, 448 kbit/s at 32000
// Hz, dual channel, copyrighted, emphasis.
TEST(ReadStreamInfo, LayerOneWithEveryFlag) {
    EXPECT_EQ(Fields(Info(Bytes("\xFF\xFE\xE8\x89", 4) + Bytes(100, '\0'))),
              "VersionLayer=version 1 layer 1; UsesChecksums=yes; Bitrate=448; Frequency=32000; "
              "ChannelMode=Dual channel; Copyrighted=yes; Emphasis=yes; FileSize=104");
}

// The audio after a tag whose size runs past the end of the file.
TEST(ReadStreamInfo, AudioIsFoundBehindABrokenTagSize) {
    const Bytes broken = Bytes("ID3\3\0\0\x7F\x7F\x7F\x7F", 10) + Bytes(50, '\0');
    EXPECT_EQ(Fields(Info(broken + kV1Header + Bytes(100, '\0') + TagV1("t", 1, 1)),
                     "VersionLayer=; TagV1Minor=; TagV2Major="),
              "VersionLayer=version 1 layer 3; TagV1Minor=1; TagV2Major=3");
}

// Without a frame only the tag facts and the size are set; a file too short
// for a frame header or a missing one sets nothing.
TEST(ReadStreamInfo, WithoutAFrameTheRestIsLeftUntouched) {
    StreamInfo info;
    info.VersionLayer = "before";
    const TempFile v11(Tag(4, 0, "") + Bytes(300, 'x') + TagV1("t", 3, 1));
    EXPECT_FALSE(ReadStreamInfo(v11.path(), info));
    EXPECT_EQ(Fields(info), "VersionLayer=before; TagV1Minor=1; TagV2Major=4; FileSize=438");
    EXPECT_FALSE(ReadStreamInfo(TempFile("\xFF\xFB\x90").path(), info));
    EXPECT_FALSE(ReadStreamInfo("/nonexistent/file.mp3", info));
    EXPECT_EQ(Fields(info), "VersionLayer=before; TagV1Minor=1; TagV2Major=4; FileSize=438");
}

// The tag editor's test shows the text of a file without frames (constant
// bit rate, a version 1.0 tag, no version 2 tag); here what other facts say.
TEST(StreamDetailsText, TenLinesAsTheEditorShowsThem) {
    const StreamInfo info{.VersionLayer = "version 2.5 layer 3",
                          .Bitrate = 128,
                          .Frequency = 44100,
                          .VariableBitrate = true,
                          .ChannelMode = "Joint stereo",
                          .Original = true,
                          .LengthSeconds = 245,
                          .TagV2Major = 3};
    EXPECT_EQ(StreamDetailsText(info),
              "Version 2.5 Layer 3\r\nLength: 4:05\r\n"
              "Bitrate: 128 kbit / sec, variable bit rate\r\n"
              "Frequency: 44100 hz, joint stereo\r\nCopyrighted: no\r\nOriginal: yes\r\n"
              "Uses checksums: no\r\nUses emphasis: no\r\nID3 v1 tag: none\r\n"
              "ID3 v2 tag: version 2.3");
}

}  // namespace
}  // namespace kalvex
