#include "id3/id3v1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tag_bytes.h"

namespace kalvex {
namespace {

using test::Bytes;
using test::TagV1;
using test::TempFile;

const Bytes kAudio(1000, '\x55');

TagRecord ReadV1(const TempFile& file) {
    TagRecord record;
    record.Encoder = "untouched";
    EXPECT_TRUE(ReadTagV1(file.path(), record));
    return record;
}

TEST(ReadTagV1, TrackByteAfterAZeroMakesVersion11) {
    Bytes block = TagV1("Title  ", 5, 12);
    block.replace(33, 6, "  Art ");
    block.replace(63, 5, "Album");
    block.replace(93, 4, "1999");
    block.replace(97, 28, Bytes(28, 'c'));
    const TempFile file(kAudio + block);
    const TagRecord r = ReadV1(file);
    EXPECT_EQ(r.Title, "Title");
    EXPECT_EQ(r.Artist, "Art");
    EXPECT_EQ(r.Album, "Album");
    EXPECT_EQ(r.Year, "1999");
    EXPECT_EQ(r.Comment, Bytes(28, 'c'));
    EXPECT_EQ(r.TNR, "5");
    EXPECT_EQ(r.Genre, "Other");
    EXPECT_EQ(r.Encoder, "");  // the record is cleared first
}

TEST(ReadTagV1, WithoutATrackByteTheCommentRunsOver30Bytes) {
    Bytes block = TagV1("T", 0, 200);
    block.replace(97, 5, "short");
    EXPECT_EQ(ReadV1(TempFile(kAudio + block)).Comment, "short");
    EXPECT_EQ(ReadV1(TempFile(kAudio + block)).TNR, "");
    EXPECT_EQ(ReadV1(TempFile(kAudio + block)).Genre, "");

    // Byte 125 not zero: version 1.0, the comment runs into bytes 125 and 126.
    block.replace(97, 30, Bytes(30, 'x'));
    const TagRecord r = ReadV1(TempFile(kAudio + block));
    EXPECT_EQ(r.Comment, Bytes(30, 'x'));
    EXPECT_EQ(r.TNR, "");
}

TEST(ReadTagV1, HighBytesAreWindows1252AndGenre255IsNone) {
    Bytes block = TagV1("Bj\xF6rk \x93Live\x94", 1, 255);
    const TagRecord r = ReadV1(TempFile(kAudio + block));
    EXPECT_EQ(r.Title, "Bj\u00F6rk \u201CLive\u201D");
    EXPECT_EQ(r.Genre, "");
}

TEST(ReadTagV1, NoTagShortFileOrMissingFileLeavesTheRecord) {
    TagRecord record;
    record.Title = "kept";
    EXPECT_FALSE(ReadTagV1(TempFile(kAudio).path(), record));
    EXPECT_FALSE(ReadTagV1(TempFile("TAG").path(), record));
    EXPECT_FALSE(ReadTagV1("/nonexistent/file.mp3", record));
    EXPECT_EQ(record.Title, "kept");
}

TagRecord FullRecord() {
    TagRecord r;
    r.Title = "Title";
    r.Artist = "Artist";
    r.Album = "Album";
    r.Year = "2001";
    r.Genre = " rock ";
    r.Comment = "a\r\nb";
    r.TNR = "12";
    return r;
}

TEST(WriteTagV1, AppendsToAnUntaggedFileAndReplacesAnExistingTag) {
    const TempFile file(Bytes(100, 'a'));
    ASSERT_TRUE(WriteTagV1(file.path(), FullRecord(), true));
    Bytes bytes = file.Read();
    ASSERT_EQ(bytes.size(), 228u);
    EXPECT_EQ(bytes.substr(0, 100), Bytes(100, 'a'));
    const Bytes block = bytes.substr(100);
    EXPECT_EQ(block.substr(0, 8), "TAGTitle");
    EXPECT_EQ(block.substr(97, 4), Bytes("a b\0", 4));
    EXPECT_EQ(block[125], 0);
    EXPECT_EQ(block[126], 12);
    EXPECT_EQ(block[127], 17);

    TagRecord changed = FullRecord();
    changed.Title = "Other title";
    ASSERT_TRUE(WriteTagV1(file.path(), changed, true));
    bytes = file.Read();
    EXPECT_EQ(bytes.size(), 228u);
    EXPECT_EQ(ReadV1(file).Title, "Other title");
    EXPECT_EQ(ReadV1(file).Comment, "a b");
}

TEST(WriteTagV1, TrackAndGenreBytes) {
    const auto bytes_for = [](const std::string& tnr, const std::string& genre) {
        const TempFile file(kAudio);
        TagRecord r;
        r.TNR = tnr;
        r.Genre = genre;
        EXPECT_TRUE(WriteTagV1(file.path(), r, true));
        const Bytes bytes = file.Read();
        return std::make_pair(static_cast<int>(static_cast<unsigned char>(bytes[bytes.size() - 2])),
                              static_cast<int>(static_cast<unsigned char>(bytes.back())));
    };
    EXPECT_EQ(bytes_for("12", "Rock"), std::make_pair(12, 17));
    EXPECT_EQ(bytes_for(" 7 ", "ROCK"), std::make_pair(7, 17));
    EXPECT_EQ(bytes_for("256", "Eurodisco"), std::make_pair(0, 255));
    EXPECT_EQ(bytes_for("3/12", ""), std::make_pair(0, 255));
    EXPECT_EQ(bytes_for("0", "Other"), std::make_pair(0, 12));
    EXPECT_EQ(bytes_for("", "Pop"), std::make_pair(0, 13));
    EXPECT_EQ(bytes_for("1000", "Pop"), std::make_pair(0, 13));
}

TEST(WriteTagV1, LongAndNonLatinTextIsCutAndSubstituted) {
    const TempFile file(kAudio);
    TagRecord r;
    r.Title = Bytes(40, 't');
    r.Artist = "\u0393\u03B1 \u00E9";
    r.Year = "20011";
    ASSERT_TRUE(WriteTagV1(file.path(), r, true));
    const TagRecord back = ReadV1(file);
    EXPECT_EQ(back.Title, Bytes(30, 't'));
    EXPECT_EQ(back.Artist, "?? \u00E9");
    EXPECT_EQ(back.Year, "2001");
}

TEST(WriteTagV1, ClearsReadOnlyAndFailsOnMissingFiles) {
    const TempFile file(kAudio);
    ASSERT_EQ(chmod(file.path().c_str(), 0444), 0);
    ASSERT_TRUE(WriteTagV1(file.path(), FullRecord(), true));
    struct stat status {};
    ASSERT_EQ(stat(file.path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    EXPECT_FALSE(WriteTagV1("/nonexistent/file.mp3", FullRecord(), true));
}

TEST(RemoveTagV1, CutsOnlyATag) {
    const TempFile tagged(kAudio + TagV1("T", 1, 1));
    EXPECT_TRUE(RemoveTagV1(tagged.path(), true));
    EXPECT_EQ(tagged.Read(), kAudio);
    EXPECT_TRUE(RemoveTagV1(tagged.path(), true));  // nothing left to cut
    EXPECT_EQ(tagged.Read(), kAudio);

    const TempFile tiny(Bytes(100, 'a'));
    EXPECT_FALSE(RemoveTagV1(tiny.path(), true));
    EXPECT_EQ(tiny.Read().size(), 100u);
    EXPECT_FALSE(RemoveTagV1("/nonexistent/file.mp3", true));
}

}  // namespace
}  // namespace kalvex
