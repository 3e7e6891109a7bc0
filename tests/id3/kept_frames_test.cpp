#include "id3/kept_frames.h"

#include <gtest/gtest.h>

#include "id3/id3v2_reader.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

KeptFrames Collect(const Bytes& content) {
    const TempFile file(content);
    KeptFrames frames;
    CollectTagV2Frames(*Mp3File::Open(file.path(), Mp3File::Mode::kRead), frames);
    return frames;
}

std::string DataOf(const KeptFrame& frame) {
    return std::string(frame.Data.begin(), frame.Data.begin() + frame.Size);
}

TEST(CollectTagV2Frames, Version22PicturesGetAMimeType) {
    const Bytes pic_jpg = Bytes("\0JPG\3cover\0", 11) + "\xFF\xD8jpeg";
    const Bytes pic_png = Bytes("\0png\0\0", 6) + "PNGDATA";
    const Bytes pic_link = Bytes("\0-->\0\0", 6) + "http://x/";
    const KeptFrames frames = Collect(
        Tag(2, 0, Frame22("PIC", pic_jpg) + Frame22("PIC", pic_png) + Frame22("PIC", pic_link)));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].Id, "APIC");
    EXPECT_EQ(DataOf(frames[0]), Bytes("\0image/jpeg\0\3cover\0", 19) + "\xFF\xD8jpeg");
    EXPECT_EQ(DataOf(frames[1]), Bytes("\0image/png\0\0\0", 13) + "PNGDATA");
    EXPECT_EQ(DataOf(frames[2]), Bytes("\0-->\0\0\0", 7) + "http://x/");
}

TEST(CollectTagV2Frames, Version22LinksTdorAndUnknownIds) {
    const KeptFrames frames =
        Collect(Tag(2, 0,
                    Frame22("LNK", Bytes("TALhttp://x/\0id", 15)) + Frame22("TT2", Latin("Title")) +
                        Frame22("XYZ", "data") + Frame22("CRM", "owner") + Frame22("TP1", "")));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].Id, "LINK");
    EXPECT_EQ(DataOf(frames[0]), Bytes("TALBhttp://x/\0id", 16));
    EXPECT_EQ(frames[1].Id, "TIT2");
    EXPECT_EQ(frames[2].Id, "XYZ");
}

TEST(CollectTagV2Frames, TdorKeepsOnlyItsYear) {
    const Bytes utf16 = Bytes("\1\xFF\xFE\x31\0\x39\0\x39\0\x39\0-\0", 13);
    const KeptFrames frames =
        Collect(Tag(4, 0,
                    Frame24("TDOR", Latin("1999-12-31")) + Frame24("TDOR", utf16) +
                        Frame24("TIPL", Latin("a"))));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].Id, "TORY");
    EXPECT_EQ(DataOf(frames[0]), Bytes("\0\x31\x39\x39\x39", 5));
    EXPECT_EQ(DataOf(frames[1]), utf16.substr(0, 11));
    EXPECT_EQ(frames[2].Id, "IPLS");
}

TEST(CollectTagV2Frames, KeepsDataWithoutFlagsBytesAndDropsWhatCannotBeCarried) {
    const Bytes body = Frame24("TXXX", "\x07" + Be32(5) + Latin("abc"), 0x41) +
                       Frame24("PRIV", Bytes("o\0\xFF\0\xE0", 5), 0x02) +
                       Frame24("APIC", "zipped", 0x08) + Frame24("TIT2", "secret", 0x04) +
                       Frame24("SEEK", Be32(0)) + Frame24("PCNT", Bytes("\x07", 1), 0x40);
    const KeptFrames frames = Collect(Tag(4, 0, body));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].Id, "TXXX");
    EXPECT_EQ(DataOf(frames[0]), Latin("abc"));
    EXPECT_EQ(frames[1].Id, "PRIV");
    EXPECT_EQ(DataOf(frames[1]), Bytes("o\0\xFF\xE0", 4));
}

TEST(CollectTagV2Frames, Version23CompressedAndEncryptedFramesAreLost) {
    const KeptFrames frames =
        Collect(Tag(3, 0,
                    Frame23("APIC", "zip", 0x80) + Frame23("PRIV", "enc", 0x40) +
                        Frame23("TXXX", "\x01" + Latin("g"), 0x20)));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(DataOf(frames[0]), Latin("g"));
}

TEST(ConvertKeptFrame, MalformedShortFramesStayAsTheyAre) {
    KeptFrames frames = {{"PIC", 2, {0, 'J'}}, {"LNK", 1, {'T'}}, {"TDOR", 2, {0, '1'}}};
    for (size_t i = 0; i < frames.size(); ++i) {
        ConvertKeptFrame(frames, i);
    }
    EXPECT_EQ(frames[0], (KeptFrame{"APIC", 2, {0, 'J'}}));
    EXPECT_EQ(frames[1], (KeptFrame{"LINK", 1, {'T'}}));
    EXPECT_EQ(frames[2], (KeptFrame{"TORY", 2, {0, '1'}}));
    ConvertKeptFrame(frames, 7);  // out of range: nothing happens
}

}  // namespace
}  // namespace kalvex
