#include "id3/id3v2_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "id3/id3v1.h"
#include "id3/id3v2_frames.h"
#include "id3/id3v2_reader.h"
#include "id3/safe_rewrite.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

// The frame ids of the tag at the start of `file` in order, separated by
// spaces: read here independently of the reader (which maps some ids back to
// their 2.3 names).
std::string IdsOf(const Bytes& file) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
    std::string ids;
    for (size_t at = 10; at + 10 <= 10 + ReadSize32(bytes + 6, true) && file[at] != '\0';
         at += 10 + ReadSize32(bytes + at + 4, file[3] == 4)) {
        ids += (ids.empty() ? "" : " ") + file.substr(at, 4);
    }
    return ids;
}

const TagRecord kRecord = Record(
    "Artist=Artist; Album=Album; Title=Title; Year=2003; Genre=rock; Comment=Comment; TNR=3/12");

TEST(TagBlockLength, FitsInPlaceElseLeavesRoomForEditsAndKeepsTheAudioInItsBlockOffset) {
    // Frames that fit keep the old length, whatever the file system.
    EXPECT_EQ(TagBlockLength(3100, {.old_length = 3100, .clone_block = 4096}), 3100);
    EXPECT_EQ(TagBlockLength(900, {.old_length = 5000, .audio_length = 1 << 20}), 5000);
    // Else 1 KiB and a thousandth of the audio to spare, at most 16 KiB.
    EXPECT_EQ(TagBlockLength(1000, {}), 2024);
    EXPECT_EQ(TagBlockLength(5001, {.old_length = 5000, .audio_length = 3'000'000}), 9025);
    EXPECT_EQ(TagBlockLength(5001, {.old_length = 5000, .audio_length = 500'000'000}), 21385);
    // Where blocks can be shared, up to a block more keeps the audio's offset
    // within its block: 21385 + 4095 = 25480 = 5000 + 5 * 4096.
    EXPECT_EQ(TagBlockLength(
                  5001, {.old_length = 5000, .audio_length = 500'000'000, .clone_block = 4096}),
              25480);
    EXPECT_EQ(TagBlockLength(1000, {.audio_length = 3'000'000, .clone_block = 4096}), 8192);
    EXPECT_EQ(TagBlockLength(8192 - 4024, {.audio_length = 3'000'000, .clone_block = 4096}), 8192)
        << "already congruent: nothing more";
}

TEST(WriteTagV2, NewTagMovesTheAudioBackAndTheSecondSaveIsInPlace) {
    const Bytes audio = Audio() + TagV1("v1 title", 4, 17);
    const TempFile file(audio);
    ASSERT_TRUE(WriteTagV2(file.path(), kRecord, {.version = TagV2Version::k23}));
    Bytes written = file.Read();
    ASSERT_EQ(written.size(), 1167 + audio.size());
    EXPECT_EQ(written.substr(0, 6), Bytes("ID3\3\0\0", 6));
    EXPECT_EQ(written.substr(1167), audio);

    struct stat before {};
    ::stat(file.path().c_str(), &before);
    TagRecord changed = kRecord;
    changed.Title = "Another title";
    ASSERT_TRUE(WriteTagV2(file.path(), changed, {.version = TagV2Version::k24}));
    struct stat after {};
    ::stat(file.path().c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino) << "a tag that fits is written in place";
    written = file.Read();
    EXPECT_EQ(written.size(), 1167 + audio.size());
    EXPECT_EQ(written[3], 4);
    EXPECT_EQ(written.substr(1167), audio);
}

// The record's frames in their order (none for a blank field), then the old
// tag's other frames in theirs, each under its name in the new version.
TEST(WriteTagV2, FramesOfTheNewTag) {
    TagRecord blank_artist = kRecord;
    blank_artist.Artist = "   ";
    blank_artist.LinkTo = "http://example.org/";
    const Bytes years = Tag(3, 0,
                            Frame23("TYER", Latin("1990")) + Frame23("TDRC", Latin("1991")) +
                                Frame23("TCOM", Latin("a")) + Frame23("TXXX", Latin("kept")));
    const Bytes renamed = Tag(3, 0, Frame23("TORY", Latin("1970")) + Frame23("IPLS", Latin("a")));
    const Bytes pic = Bytes("\0JPG\3cover\0", 11) + "\xFF\xD8jpeg";
    const struct {
        Bytes old;
        TagRecord record;
        TagV2Version version;
        const char* ids;
        OldFrames old_frames = OldFrames::kCarryOver;
    } cases[] = {
        {Tag(3, 0,
             Frame23("TXXX", Latin("desc")) + Frame23("TIT2", Latin("Old title")) +
                 Frame23("PRIV", "owner\0data") + Frame23("TBPM", Latin("120")) +
                 Frame23("TYER", Latin("1999"))),
         blank_artist, TagV2Version::k23, "TALB TIT2 TYER TCON COMM TRCK WXXX TXXX PRIV TBPM"},
        // The year replaces both its frames, whichever version wrote them.
        {years, Record("Year=2004; Composer=Cm"), TagV2Version::k23, "TYER TCOM TXXX"},
        {years, Record("Year=2004; Composer=Cm"), TagV2Version::k24, "TDRC TCOM TXXX"},
        {renamed, {}, TagV2Version::k23, "TORY IPLS"},
        {renamed, {}, TagV2Version::k24, "TDOR TIPL"},
        // A 2.2 picture is carried as APIC, its title is not; XYZ has no 2.3 name.
        {Tag(2, 0, Frame22("TT2", Latin("Old")) + Frame22("PIC", pic) + Frame22("XYZ", "xyz")),
         kRecord, TagV2Version::k23, "TPE1 TALB TIT2 TYER TCON COMM TRCK APIC"},
        // Clearing drops every old frame but the pictures (the cover is not the
        // user's to lose), and the tag still fits its old place.
        {Tag(4, 0,
             Frame24("APIC", Bytes("\0image/png\0\3\0PNG", 16)) + Frame24("TXXX", Latin("x")) +
                 Bytes(3000, '\0')),
         kRecord, TagV2Version::k24, "TPE1 TALB TIT2 TDRC TCON COMM TRCK APIC", OldFrames::kDrop},
    };
    for (const auto& c : cases) {
        const TempFile file(c.old + Audio());
        ASSERT_TRUE(
            WriteTagV2(file.path(), c.record, {.version = c.version, .old_frames = c.old_frames}));
        EXPECT_EQ(IdsOf(file.Read()), c.ids) << "case " << &c - cases;
        if (c.old_frames == OldFrames::kDrop) {
            EXPECT_EQ(file.Read().size(), c.old.size() + Audio().size());
        }
    }
}

TEST(WriteTagV2, GenreListNamesAreWrittenWithTheirIndex) {
    EXPECT_EQ(GenreFrameText("rock"), "(17)Rock");
    EXPECT_EQ(GenreFrameText(" synthpop "), "(147)SynthPop");
    EXPECT_EQ(GenreFrameText("Eurodisco"), "Eurodisco");
    EXPECT_EQ(GenreFrameText(""), "");
}

// Cutting a tag, also a broken one, and a missing file are kalvex-cli's remove
// tests' (cli_test.cpp).
TEST(RemoveTagV2, AFileWithoutATagStaysAsItIs) {
    const Bytes rest = Audio() + TagV1("v1", 1, 2);
    const TempFile file(rest);
    ASSERT_TRUE(RemoveTagV2(file.path(), ReadOnlyFiles::kMakeWritable));
    EXPECT_EQ(file.Read(), rest);
    EXPECT_FALSE(WriteTagV2(file.path() + ".missing", kRecord, {.version = TagV2Version::k23}));
}

TEST(WriteTagV2, ARewriteKeepsPermissionsLinksAndCleansUpAfterACrash) {
    const TempFile file(Audio());
    ::chmod(file.path().c_str(), 0444);
    const std::string stale = RewriteTempPrefix(file.path()) + "Ab12Cd.tmp";
    std::ofstream(stale) << "left by a crash";
    const std::string other_track = RewriteTempPrefix(file.path() + "2") + "Ab12Cd.tmp";
    std::ofstream(other_track) << "another file's rewrite";
    const std::string link = file.path() + ".link";
    std::filesystem::create_symlink(file.path(), link);

    ASSERT_TRUE(WriteTagV2(link, kRecord, {.version = TagV2Version::k23}));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(other_track));
    struct stat status {};
    ::stat(file.path().c_str(), &status);
    EXPECT_EQ(status.st_mode & 07777, 0644u) << "read-only cleared for the owner only";
    EXPECT_EQ(file.Read().substr(1167), Audio());
}

}  // namespace
}  // namespace kalvex
