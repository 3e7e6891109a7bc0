#include "id3/id3v2_reader.h"

#include <gtest/gtest.h>

#include "id3/kept_frames.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

const Bytes kAudio = Bytes("\xFF\xFB\x90\x64", 4) + Bytes(600, '\0');

// The fields read from a file of these bytes, which must hold a tag.
std::string Read(const Bytes& content) {
    TagRecord record;
    EXPECT_TRUE(ReadTagV2(TempFile(content).path(), record));
    return Fields(record);
}

// A SEEK frame leading 100 bytes past the end of its tag.
const Bytes kSeekingTag = Tag(4, 0,
                              Frame24("TPE1", Latin("Artist")) + Frame24("TIT2", Latin("Old")) +
                                  Frame24("SEEK", Be32(100))) +
                          Bytes(100, '\0');

// The fields read, each case on its own way of storing them.
TEST(ReadTagV2, Frames) {
    const struct {
        Bytes content;
        const char* fields;
    } cases[] = {
        {Tag(4, 0, Frame24("TPE1", Latin("First")) + Frame24("TPE1", Latin("Second"))),
         "Artist=Second"},
        // Three-letter ids; 0x40 means nothing in 2.2.
        {Tag(2, 0x40,
             Frame22("TT2", Latin("Title")) + Frame22("COM", Bytes("\0eng\0c", 6)) +
                 Frame22("PIC", Bytes("\0JPG\3\0\xFF\xD8", 8)) + Frame22("TP1", Latin("Artist")) +
                 Bytes(10, '\0')) +
             kAudio,
         "Artist=Artist; Title=Title; Comment=c"},
        // Grouping and data length bytes are skipped, and the walk stays in step.
        {Tag(4, 0,
             Frame24("TIT2", "\x07" + Latin("Grouped"), 0x40) +
                 Frame24("TPE1", Be32(8) + Latin("Length"), 0x01) +
                 Frame24("TALB", "\x07" + Be32(7) + Latin("Both"), 0x41) +
                 Frame24("TCOM", Latin("x"))),
         "Artist=Length; Album=Both; Title=Grouped; Composer=x"},
        {Tag(3, 0, Frame23("TIT2", "\x07" + Latin("G3"), 0x20)), "Title=G3"},
        // Compressed and encrypted frames read as empty.
        {Tag(4, 0,
             Frame24("TPE1", Latin("Plain")) + Frame24("TPE1", Latin("Secret"), 0x04) +
                 Frame24("TIT2", Latin("Zipped"), 0x08) + Frame24("TALB", Latin("Album"))),
         "Album=Album"},
        {Tag(3, 0,
             Frame23("TIT2", Latin("Zipped"), 0x80) + Frame23("TPE1", Latin("Secret"), 0x40) +
                 Frame23("TALB", Latin("Album"))),
         "Album=Album"},
        {Tag(3, 0x40, Be32(6) + Bytes(6, '\0') + Frame23("TIT2", Latin("Three"))), "Title=Three"},
        // SEEK chains to an update tag, which overlays the title only; a tag
        // that is no update starts afresh.
        {kSeekingTag + Tag(4, 0x40, SyncSafe32(6) + "\1\x40" + Frame24("TIT2", Latin("New"))) +
             kAudio,
         "Artist=Artist; Title=New"},
        {kSeekingTag + Tag(4, 0, Frame24("TIT2", Latin("New"))) + kAudio, "Title=New"},
        // A SEEK back to its own tag (-37 in 32-bit arithmetic), or to no tag,
        // ends the chain.
        {Tag(4, 0, Frame24("TIT2", Latin("T")) + Frame24("SEEK", Be32(0xFFFFFFDB))) + kAudio,
         "Title=T"},
        {Tag(4, 0, Frame24("TIT2", Latin("T")) + Frame24("SEEK", Be32(4))) + kAudio, "Title=T"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Read(c.content), c.fields) << "case " << &c - cases;
    }
}

TEST(ReadTagV2, HeaderSizeWithATopBitIsReadPlain) {
    const Bytes body = Frame23("TIT2", Latin("T")) + Bytes(0x180 - 12, '\0');
    const Bytes content = Bytes("ID3\3\0\0\0\0\x01\x80", 10) + body + kAudio;
    EXPECT_EQ(Read(content), "Title=T");
    const TempFile file(content);
    const std::optional<Mp3File> open = Mp3File::Open(file.path(), Mp3File::Mode::kRead);
    EXPECT_EQ(TagV2Size(*open, 0), 10 + 0x180);
}

// A header claiming 200 MB, whatever the file holds.
Bytes BrokenTag(const Bytes& body) {
    return Bytes("ID3\3\0\0", 6) + SyncSafe32(200 << 20) + body;
}

// Broken sizes before audio, a v1 tag or both are also written over and
// removed by kalvex-cli's test (cli_test.cpp), which keeps what follows.
TEST(TagV2Extent, ABrokenSizeEndsAtTheAudioAndNeverCoversTheV1Tag) {
    const Bytes frames = Frame23("TIT2", Latin("Old")) + Bytes(100, '\0');
    const Bytes v1 = TagV1("v1", 1, 2);
    const Bytes in_v1 = TagV1("\xFF\xFB\x90\x64", 1, 2);  // a sync pattern in the v1 title
    const auto end = static_cast<std::int64_t>(10 + frames.size());
    const struct {
        Bytes content;
        std::int64_t extent;
    } cases[] = {
        {kAudio + v1, 0},
        {Tag(3, 0, frames) + kAudio + v1, end},
        {Tag(3, 0, frames), end},
        {BrokenTag(frames) + in_v1, end},
        {BrokenTag(frames), end},
        // A size that ends inside the v1 tag is broken too.
        {Tag(3, 0, frames + v1), end},
    };
    for (const auto& c : cases) {
        const TempFile file(c.content);
        const std::optional<Mp3File> open = Mp3File::Open(file.path(), Mp3File::Mode::kRead);
        EXPECT_EQ(TagV2Extent(*open), c.extent) << "case " << &c - cases;
    }
}

// A footer whose size leads to no header is no tag either.
TEST(ReadTagV2, EmptyBodiesUnknownVersionsAndMissingFiles) {
    TagRecord record;
    record.Title = "old";
    EXPECT_TRUE(ReadTagV2(TempFile(Tag(3, 0, "") + kAudio).path(), record));
    EXPECT_EQ(record, TagRecord{});
    record.Title = "kept";
    // Version 5: "ID3" was there, but nothing is read.
    EXPECT_TRUE(ReadTagV2(TempFile(Tag(5, 0, Frame24("TIT2", Latin("T")))).path(), record));
    EXPECT_FALSE(ReadTagV2(TempFile(kAudio).path(), record));
    EXPECT_FALSE(ReadTagV2(TempFile(kAudio + Bytes("3DI\4\0\x10\0\0\0\x05", 10)).path(), record));
    EXPECT_FALSE(ReadTagV2("/nonexistent/file.mp3", record));
    EXPECT_EQ(record.Title, "kept");
}

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
        // A SEEK frame is followed to the next tag.
        {Tag(4, 0, Frame24("SEEK", Be32(0))) + Tag(3, 0, Frame23("TXXX", Latin("kept"))),
         "TXXX:" + Latin("kept")},
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
