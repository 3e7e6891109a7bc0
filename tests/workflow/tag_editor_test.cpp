#include "workflow/tag_editor.h"

#include <gtest/gtest.h>

#include "cli_runner.h"
#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "id3/id3v2_writer.h"
#include "id3/picture.h"
#include "id3/tag_bytes.h"

namespace kalvex {
namespace {

using test::Bytes;
using test::Frame23;
using test::Latin;
using test::Tag;
using test::TempFile;

Bytes Mp3(const std::string& source) {
    return test::ReadFileBytes(test::TestDataPath("id3/mutagen/" + source));
}

// What a click on the file's row does: load it, then show its fields.
void Show(TagEditor& editor, const std::string& path) {
    editor.LoadFileTags(path);
    editor.ShowFileTags();
}

TEST(TagEditor, AVersion2OnlyFileSavesItsTagWithTheDefaultLinkAndEncoder) {
    const TempFile file(Tag(3, 0, Frame23("TIT2", Latin("Song"))) + Mp3("xing.mp3"));
    TagEditor editor;
    Show(editor, file.path());
    EXPECT_FALSE(editor.Fields().Version1);
    EXPECT_TRUE(editor.Fields().Version2);

    // The fields themselves go back as they were: the independent reader's test below.
    ASSERT_TRUE(editor.SaveFileTags(file.path()));
    EXPECT_EQ(test::TagFields(ReadTagV1, file.path()), "no tag");
    EXPECT_EQ(test::TagFields(ReadTagV2, file.path()),
              "Title=Song; Encoder=Kalvex Tagger; LinkTo=www.kalvex-tagger.example");
}

TEST(TagEditor, CopyingBetweenTheTagsKeepsEachWithinItsLimits) {
    TagEditor editor;
    editor.SetV2(&TagRecord::Title, "A title far longer than thirty characters");
    editor.SetV2(&TagRecord::TNR, "3/12");
    editor.SetV2(&TagRecord::Comment, "first line\r\nsecond\nthird");
    editor.SetV2(&TagRecord::Genre, "Eurodisco");
    editor.CopyTo1();
    EXPECT_EQ(test::Fields(editor.Fields().V1),
              "Title=A title far longer than thirty; Genre=Other; "
              "Comment=first line second third; TNR=3/1");
    EXPECT_EQ(editor.Fields().V2.TNR, "3/12");

    editor.SetV2(&TagRecord::Genre, "pop");
    editor.CopyTo1();
    EXPECT_EQ(editor.Fields().V1.Genre, "Pop");

    // An empty version 1 genre leaves the version 2 genre alone.
    editor.SetV2(&TagRecord::Genre, "Eurodisco");
    editor.SelectV1Genre("", "");
    editor.CopyTo2();
    EXPECT_EQ(editor.Fields().V2.Genre, "Eurodisco");
    EXPECT_EQ(editor.Fields().V2.Comment, "first line second third");
    // Lengths count characters, not bytes.
    editor.SetV1(&TagRecord::Album, "\xC3\xA9" + std::string(40, 'e'));
    EXPECT_EQ(editor.Fields().V1.Album, "\xC3\xA9" + std::string(29, 'e'));
}

TEST(TagEditor, DetailsDescribeTheFileShownAndNoOther) {
    // This file's details as the window shows them: track_list_window_test.cpp.
    const TempFile tagged(Mp3("silence-44-s.mp3"));
    TagEditor editor;
    Show(editor, tagged.path());

    // A version 1.0 tag (no track byte) on a file without any MPEG frame.
    Bytes v1_0 = test::TagV1("Old", 0, 17);
    v1_0[125] = 'x';
    const TempFile frameless(Bytes(4000, '\x55') + v1_0);
    Show(editor, frameless.path());
    // The lines' wording is the stream facts' own test.
    EXPECT_TRUE(editor.Details().starts_with("\r\nLength: 0:00\r\n")) << editor.Details();
    EXPECT_TRUE(editor.Details().ends_with("ID3 v1 tag: version 1.0\r\nID3 v2 tag: none"));
    EXPECT_EQ(editor.Fields().V1.Genre, "Rock");
}

TEST(TagEditor, AFailedSaveSaysWhyAndLeavesTheFileAsItWas) {
    const TempFile file(Mp3("silence-44-s.mp3"));
    const Bytes original = file.Read();
    TagEditor editor;
    Show(editor, file.path());
    editor.SetV2(&TagRecord::Comment, std::string(5000, 'c'));
    editor.SetV1(&TagRecord::Title, "changed");
    FileResult saved;
    {
        // A full disk, as far as growing this file goes.
        const test::FileSizeLimit limit(original.size());
        saved = editor.SaveFileTags(file.path());
    }
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.Reason(), "File too large");
    EXPECT_EQ(file.Read(), original);
}

// Every field the editor shows goes back into the file unchanged, as an
// independent reader sees it.
TEST(TagEditor, SavingWhatWasLoadedKeepsEveryFieldForAnotherReader) {
    const TempFile file(Mp3("xing.mp3"));
    const std::string dump =
        "/usr/bin/python3 -c \"import sys, mutagen.id3 as m; t = m.ID3(sys.argv[1]); "
        "print(sorted((k, f.genres if k == 'TCON' else str(f)) for k, f in t.items()))\" ";
    const test::CliRun made = test::Shell(
        "/usr/bin/python3 -c \"import sys, mutagen.id3 as m; t = m.ID3(); "
        "[t.add(f) for f in (m.TPE1(text='Art'), m.TALB(text='Alb'), m.TIT2(text='Tit'), "
        "m.TYER(text='1999'), m.TCON(text='(13)'), m.COMM(lang='eng', desc='', text='Com'), "
        "m.TRCK(text='3/12'), m.TENC(text='Enc'), m.WXXX(desc='', url='http://x.example'), "
        "m.TCOP(text='Cop'), m.TCOM(text='Cmp'), m.TOPE(text='Ori'))]; "
        "t.save(sys.argv[1], v2_version=3)\" " +
        test::Quote(file.path()));
    ASSERT_EQ(made.exit_code, 0);
    const std::string before = test::Shell(dump + test::Quote(file.path())).out;

    TagEditor editor;
    Show(editor, file.path());
    ASSERT_TRUE(editor.SaveFileTags(file.path()));
    EXPECT_EQ(test::Shell(dump + test::Quote(file.path())).out, before);
    EXPECT_NE(before.find("3/12"), std::string::npos);
}

// The smallest images whose headers give a size: a JPEG with one
// start-of-frame segment after an APP0 segment, a PNG with its IHDR chunk.
std::string Jpeg(int width, int height) {
    std::string bytes("\xFF\xD8\xFF\xE0\x00\x04\x00\x00\xFF\xC0\x00\x0B\x08", 13);
    for (int value : {height, width}) {
        bytes += static_cast<char>(value >> 8);
        bytes += static_cast<char>(value & 0xFF);
    }
    return bytes + std::string(2000, '\x55');
}

std::string Png(int width, int height) {
    std::string bytes("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR", 16);
    for (int value : {width, height}) {
        bytes += std::string(2, '\0');
        bytes += static_cast<char>(value >> 8);
        bytes += static_cast<char>(value & 0xFF);
    }
    return bytes;
}

TEST(TagEditor, ThePictureShownIsTheFrontCoverAndAnImportsCoverStaysWithItsFile) {
    const TempFile file(Mp3("xing.mp3"));
    const TempFile other(Mp3("xing.mp3"));
    TagEditor editor;
    Show(editor, file.path());
    EXPECT_EQ(editor.ShownPicture(), nullptr);
    EXPECT_EQ(editor.PictureCaption(), "No picture in the tag");

    editor.Fields().Version2 = true;
    editor.Fields().NewPictures = {TagPicture{kBackCover, "image/png", "", Png(64, 32)},
                                   TagPicture{kFrontCover, "image/jpeg", "", Jpeg(500, 400)}};
    ASSERT_TRUE(editor.SaveFileTags(file.path()));
    Show(editor, file.path());
    ASSERT_EQ(editor.LoadedPictures().size(), 2u);
    ASSERT_NE(editor.ShownPicture(), nullptr);
    EXPECT_EQ(editor.ShownPicture()->Data, Jpeg(500, 400));
    EXPECT_EQ(editor.PictureCaption(), "Front cover: JPEG, 500 x 400, 2 KB (1 of 2)");

    // Loading a file forgets the pictures meant for the last one. (A save
    // of other fields keeps a file's own: the interop test's pictures.)
    EXPECT_TRUE(editor.Fields().NewPictures.empty());
    Show(editor, other.path());
    editor.Fields().Version2 = true;
    ASSERT_TRUE(editor.SaveFileTags(other.path()));
    EXPECT_TRUE(ReadTagV2Pictures(other.path()).empty());
}

TEST(TagEditor, ImageFactsComeFromWholeHeadersOnly) {
    struct Case {
        std::string bytes;
        std::string mime;
        std::optional<int> width, height;
    };
    // Whole headers give their sizes in the picture caption above and in the
    // interop test's pictures (kalvex-cli's tags --json).
    const std::vector<Case> cases = {
        {Jpeg(300, 200).substr(0, 16), "image/jpeg", std::nullopt,
         std::nullopt},  // cut in the frame
        {std::string("\xFF\xD8\xFF\xE0\x00\x00", 6), "image/jpeg", std::nullopt, std::nullopt},
        {Png(0, 32), "image/png", std::nullopt, 32},
        {Png(64, 32).substr(0, 20), "image/png", std::nullopt, std::nullopt},
        {"GIF89a", "", std::nullopt, std::nullopt},
        {"", "", std::nullopt, std::nullopt}};
    for (const Case& c : cases) {
        const ImageFacts facts = ReadImageFacts(c.bytes);
        EXPECT_EQ(facts.Mime, c.mime) << c.bytes.size();
        EXPECT_EQ(facts.Width, c.width) << c.bytes.size();
        EXPECT_EQ(facts.Height, c.height) << c.bytes.size();
    }
}

}  // namespace
}  // namespace kalvex
