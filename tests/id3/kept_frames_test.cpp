#include "id3/kept_frames.h"

#include <gtest/gtest.h>

#include "id3/id3v2_reader.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

// The frames collected from a file of these bytes, as "ID:data|ID:data".
std::string Collect(const Bytes& content) {
    const TempFile file(content);
    KeptFrames frames;
    CollectTagV2Frames(*Mp3File::Open(file.path(), Mp3File::Mode::kRead), frames);
    std::string out;
    for (const KeptFrame& frame : frames) {
        out += (out.empty() ? "" : "|") + frame.Id + ":" +
               std::string(frame.Data.begin(), frame.Data.begin() + frame.Size);
    }
    return out;
}

// Every frame in its 2.3 form, without the bytes its flags add; what cannot
// be carried (compressed, encrypted, SEEK, the fields' own frames when empty,
// 2.2 ids without a 2.3 name) is left out.
TEST(CollectTagV2Frames, FramesInTheirVersion23Form) {
    const Bytes tdor_utf16 = Bytes("\1\xFF\xFE\x31\0\x39\0\x39\0\x39\0-\0", 13);
    const struct {
        Bytes tag;
        Bytes frames;
    } cases[] = {
        // Version 2.2 pictures get a MIME type.
        {Tag(2, 0,
             Frame22("PIC", Bytes("\0JPG\3cover\0", 11) + "\xFF\xD8jpeg") +
                 Frame22("PIC", Bytes("\0png\0\0", 6) + "PNGDATA") +
                 Frame22("PIC", Bytes("\0-->\0\0", 6) + "http://x/")),
         "APIC:" + Bytes("\0image/jpeg\0\3cover\0", 19) +
             "\xFF\xD8jpeg|APIC:" + Bytes("\0image/png\0\0\0", 13) +
             "PNGDATA|APIC:" + Bytes("\0-->\0\0\0", 7) + "http://x/"},
        {Tag(2, 0,
             Frame22("LNK", Bytes("TALhttp://x/\0id", 15)) + Frame22("TT2", Latin("T")) +
                 Frame22("XYZ", "data") + Frame22("CRM", "owner") + Frame22("TP1", "")),
         "LINK:" + Bytes("TALBhttp://x/\0id", 16) + "|TIT2:" + Latin("T") + "|XYZ:data"},
        // TDOR keeps only its year.
        {Tag(4, 0,
             Frame24("TDOR", Latin("1999-12-31")) + Frame24("TDOR", tdor_utf16) +
                 Frame24("TIPL", Latin("a"))),
         "TORY:" +
             Bytes("\0"
                   "1999",
                   5) +
             "|TORY:" + tdor_utf16.substr(0, 11) + "|IPLS:" + Latin("a")},
        {Tag(4, 0,
             Frame24("TXXX", "\x07" + Be32(5) + Latin("abc"), 0x41) +
                 Frame24("PRIV", Bytes("o\0\xFF\0\xE0", 5), 0x02) +
                 Frame24("APIC", "zipped", 0x08) + Frame24("TIT2", "secret", 0x04) +
                 Frame24("SEEK", Be32(0)) + Frame24("PCNT", Bytes("\x07", 1), 0x40)),
         "TXXX:" + Latin("abc") + "|PRIV:" + Bytes("o\0\xFF\xE0", 4)},
        {Tag(3, 0,
             Frame23("APIC", "zip", 0x80) + Frame23("PRIV", "enc", 0x40) +
                 Frame23("TXXX", "\x01" + Latin("g"), 0x20)),
         "TXXX:" + Latin("g")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Collect(c.tag), c.frames) << "case " << &c - cases;
    }
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
