#include "id3/id3v1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

const Bytes kAudio(1000, '\x55');

TagRecord ReadV1(const TempFile& file) {
    TagRecord record;
    record.Encoder = "untouched";
    EXPECT_TRUE(ReadTagV1(file.path(), record));
    return record;
}

// Version 1.1 has a track byte after a zero; without one the comment runs
// over 30 bytes. The whole record each time: Encoder was cleared first.
TEST(ReadTagV1, Version11AndVersion10) {
    Bytes v11 = TagV1("Title  ", 5, 12);
    v11.replace(33, 6, "  Art ").replace(63, 5, "Album").replace(93, 4, "1999");
    v11.replace(97, 28, Bytes(28, 'c'));
    Bytes no_track = TagV1("T", 0, 200);
    no_track.replace(97, 5, "short");
    Bytes v10 = no_track;
    v10.replace(97, 30, Bytes(30, 'x'));
    EXPECT_EQ(Fields(ReadV1(TempFile(kAudio + v11))),
              "Artist=Art; Album=Album; Title=Title; Year=1999; Genre=Other; Comment=" +
                  Bytes(28, 'c') + "; TNR=5");
    EXPECT_EQ(Fields(ReadV1(TempFile(kAudio + no_track))), "Title=T; Comment=short");
    EXPECT_EQ(Fields(ReadV1(TempFile(kAudio + v10))), "Title=T; Comment=" + Bytes(30, 'x'));
}

TEST(ReadTagV1, NoTagShortFileOrMissingFileLeavesTheRecord) {
    TagRecord record;
    record.Title = "kept";
    EXPECT_FALSE(ReadTagV1(TempFile(kAudio).path(), record));
    EXPECT_FALSE(ReadTagV1(TempFile("TAG").path(), record));
    EXPECT_FALSE(ReadTagV1("/nonexistent/file.mp3", record));
    EXPECT_EQ(record.Title, "kept");
}

const TagRecord kFull = Record(
    "Artist=Artist; Album=Album; Title=Title; Year=2001; Genre= rock ; Comment=a\r\nb; TNR=12");

TEST(WriteTagV1, AppendsToAnUntaggedFileAndReplacesAnExistingTag) {
    const TempFile file(Bytes(100, 'a'));
    ASSERT_TRUE(WriteTagV1(file.path(), kFull, ReadOnlyFiles::kMakeWritable));
    Bytes block = TagV1("Title", 12, 17);
    block.replace(33, 6, "Artist").replace(63, 5, "Album").replace(93, 4, "2001");
    EXPECT_EQ(file.Read(), Bytes(100, 'a') + block.replace(97, 3, "a b"));

    TagRecord changed = kFull;
    changed.Title = "Other title";
    ASSERT_TRUE(WriteTagV1(file.path(), changed, ReadOnlyFiles::kMakeWritable));
    EXPECT_EQ(file.Read(), Bytes(100, 'a') + block.replace(3, 11, "Other title"));
}

// The record's own track and genre give 12 and 17 above.
TEST(WriteTagV1, TrackAndGenreBytes) {
    const struct {
        std::string tnr, genre;
        Bytes bytes;
    } cases[] = {{" 7 ", "ROCK", "\7\x11"},
                 {"256", "Eurodisco", Bytes("\0\xFF", 2)},
                 {"3/12", "", Bytes("\0\xFF", 2)}};
    for (const auto& c : cases) {
        const TempFile file(kAudio);
        ASSERT_TRUE(WriteTagV1(file.path(), Record("Genre=" + c.genre + "; TNR=" + c.tnr),
                               ReadOnlyFiles::kMakeWritable));
        EXPECT_EQ(file.Read().substr(kAudio.size() + 126), c.bytes) << c.tnr;
    }
}

TEST(WriteTagV1, LongAndNonLatinTextIsCutAndSubstituted) {
    const TempFile file(kAudio);
    const TagRecord r =
        Record("Artist=\u0393\u03B1 \u00E9; Title=" + Bytes(40, 't') + "; Year=20011");
    ASSERT_TRUE(WriteTagV1(file.path(), r, ReadOnlyFiles::kMakeWritable));
    EXPECT_EQ(Fields(ReadV1(file)), "Artist=?? \u00E9; Title=" + Bytes(30, 't') + "; Year=2001");
}

TEST(WriteTagV1, ClearsReadOnlyAndFailsOnMissingFiles) {
    const TempFile file(kAudio);
    ASSERT_EQ(chmod(file.path().c_str(), 0444), 0);
    ASSERT_TRUE(WriteTagV1(file.path(), kFull, ReadOnlyFiles::kMakeWritable));
    struct stat status {};
    ASSERT_EQ(stat(file.path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    EXPECT_EQ(WriteTagV1("/nonexistent/file.mp3", kFull, ReadOnlyFiles::kMakeWritable).Reason(),
              "No such file or directory");
}

// An append that runs into the file-size limit partway: the system's reason
// comes back, and the torn block is cut off again.
TEST(WriteTagV1, AFailedAppendReportsWhyAndKeepsTheFileAsItWas) {
    const TempFile file(kAudio);
    FileResult written;
    {
        const FileSizeLimit limit(kAudio.size() + 50);
        written = WriteTagV1(file.path(), kFull, ReadOnlyFiles::kMakeWritable);
    }
    EXPECT_EQ(written.Reason(), "File too large");
    EXPECT_EQ(file.Read(), kAudio);
}

// Cutting a tag, and a file with none left to cut, are kalvex-cli's write
// --no-v1 and remove (cli_test.cpp), which end on the audio alone.
TEST(RemoveTagV1, AFileTooShortForATagOrAMissingOne) {
    const TempFile tiny(Bytes(100, 'a'));  // too short to hold a tag: nothing to remove
    EXPECT_TRUE(RemoveTagV1(tiny.path(), ReadOnlyFiles::kMakeWritable));
    EXPECT_EQ(tiny.Read().size(), 100u);
    EXPECT_FALSE(RemoveTagV1("/nonexistent/file.mp3", ReadOnlyFiles::kMakeWritable));
}

}  // namespace
}  // namespace kalvex
