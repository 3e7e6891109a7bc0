#include "workflow/album_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "cli_runner.h"
#include "id3/id3v1.h"
#include "id3/id3v2_writer.h"
#include "id3/tag_bytes.h"
#include "recording_progress.h"
#include "test_files.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;

class AlbumJobTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string audio = test::ReadFileBytes(test::TestDataPath("id3/mutagen/xing.mp3"));
        for (int i = 1; i <= 4; ++i) {
            const std::string n = std::to_string(i);
            std::ofstream(Path(i), std::ios::binary) << audio;
            TagRecord own =
                test::Record("Title=Old " + n + "; Composer=Composer " + n + "; Genre=Pop");
            ASSERT_TRUE(WriteTagV2(Path(i), own, {}));
            own.Title = "Own v1 " + n;
            ASSERT_TRUE(WriteTagV1(Path(i), own, ReadOnlyFiles::kMakeWritable));
        }
        NoProgress quiet;
        tracks.Refresh(temp.path().string(), TrackOption::kFileCount, true, quiet);
        album = {"The Band", "First Light", "rock", "2003"};
        AppendTrackText(album.Tracks.TrackTitles, 0, "Intro");
        AppendTrackText(album.Tracks.TrackTitles, 1, " Various Artist /  Some Song / more");
        AppendTrackText(album.Tracks.TrackExtras, 0, "Live at home");
        editor.Fields().Version1 = true;
        editor.Fields().Version2 = true;
    }

    std::string Path(int i) const {
        return (temp.path() / ("Track0" + std::to_string(i) + ".mp3")).string();
    }

    // The tags of a file as an independent reader sees them.
    static std::string ReadBack(const std::string& path) {
        return test::Shell(
                   "/usr/bin/python3 -c \"import sys, mutagen.id3 as m; t = m.ID3(sys.argv[1], "
                   "load_v1=False); "
                   "v1 = m.ParseID3v1(open(sys.argv[1], 'rb').read()[-128:]); "
                   "print('|'.join([str(t.get(k, '')) for k in "
                   "('TPE1', 'TIT2', 'TRCK', 'TALB', 'TDRC', 'TCOM')] + "
                   "[str(t.getall('COMM')[0]) if t.getall('COMM') else '', t['TCON'].genres[0], "
                   "str(v1['TIT2']) if v1 else 'no v1']))\" " +
                   test::Quote(path))
            .out;
    }

    std::vector<RowPlan> Import(AlbumJobOptions options) {
        AlbumJob job(tracks, editor, album, options);
        return job.Run(progress, messages).Rows;
    }

    test::TempFolder temp{"kalvex-import"};
    TrackList tracks;
    TagEditor editor;
    AlbumToImport album;
    test::RecordingProgress progress;
    CollectingMessageService messages;
};

TEST_F(AlbumJobTest, TickedFilesGetTheAlbumAndKeepTheirOwnOtherFields) {
    tracks.Rows()[3].Ticked = false;
    const std::string untouched = test::ReadFileBytes(Path(4));

    const std::vector<RowPlan> results = Import({.ImportTicked = true, .SaveTags = true});

    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(progress.steps, (std::vector<int>{-1, 25, 50, 75, 100, 101}));
    EXPECT_EQ(ReadBack(Path(1)),
              "The Band|Intro|1|First Light|2003|Composer 1|Live at home|Rock|Own v1 1\n");
    // A compilation's track names its own artist; a third " / " part is dropped.
    EXPECT_EQ(ReadBack(Path(2)),
              "Various Artist|Some Song|2|First Light|2003|Composer 2||Rock|Own v1 2\n");
    EXPECT_EQ(test::ReadFileBytes(Path(4)), untouched);
    EXPECT_EQ(tracks.Rows()[1].Title, "Some Song");

    // Track 3 of a two-track record is told by name; that it is skipped and
    // left byte for byte is kalvex-cli's tag-album test's (cli_test.cpp).
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{std::string(kBeyondAlbumMessage) +
                                                         "\r\n'Track03.mp3': the album has no "
                                                         "track 3"});
    // On a disc of three tracks, the third is the album's, title or not.
    album.TrackCount = 3;
    EXPECT_TRUE(Import({.ImportTicked = true, .SaveTags = true}).at(2).Written);
    EXPECT_EQ(ReadBack(Path(3)), "The Band||3|First Light|2003|Composer 3||Rock|Own v1 3\n");
}

// A dry run writes and renames nothing and tells what the run would do:
// kalvex-cli's tag-album --optimise --dry-run (cli_test.cpp).
TEST_F(AlbumJobTest, OptimisedImportPutsTheAlbumIntoBothTags) {
    album.Genre = "Misc";  // a category, not a genre: each file keeps its own
    editor.Fields().Version1 = false;
    tracks.Rows()[2].Ticked = tracks.Rows()[3].Ticked = false;
    Import({.ImportTicked = true, .Optimise = true, .SaveTags = true});
    EXPECT_EQ(ReadBack(Path(1)),
              "The Band|Intro|1|First Light|2003|Composer 1|Live at home|Pop|Intro\n");
    EXPECT_EQ(test::TagFields(ReadTagV1, Path(2)),
              "Artist=Various Artist; Album=First Light; Title=Some Song; "
              "Year=2003; Genre=Pop; TNR=2");
}

TEST_F(AlbumJobTest, WithoutTickedImportOnlyTheSelectedRowAndItsLeadingTrackNumber) {
    for (TrackRow& row : tracks.Rows()) {
        row.Ticked = false;
    }
    // No row ticked: the bar runs through and nothing is written.
    EXPECT_TRUE(Import({.ImportTicked = true, .SaveTags = true}).empty());
    EXPECT_EQ(progress.steps.back(), 101);

    tracks.Rows()[2].Selected = true;
    tracks.Rows()[2].Track = "2/12";
    progress.steps.clear();
    const std::vector<RowPlan> results = Import({.SaveTags = true});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].FileName, "Track03.mp3");
    EXPECT_EQ(results[0].Track, 2);
    EXPECT_TRUE(progress.steps.empty());

    for (const char* no_track : {"0", "-2", "", "none", "40000"}) {
        tracks.Rows()[2].Track = no_track;
        EXPECT_FALSE(Import({.SaveTags = true}).at(0).Written) << no_track;
    }
    tracks.Rows()[2].Track = "1.6";
    EXPECT_EQ(Import({.SaveTags = true}).at(0).Track, 2);
}

TEST_F(AlbumJobTest, FailuresAreListedOnceAtTheEndAndWithoutSaveOnlyTheEditorIsFilled) {
    album.TrackCount = 4;
    fs::remove(Path(2));
    fs::remove(Path(4));
    const std::vector<RowPlan> results = Import({.ImportTicked = true, .SaveTags = true});
    ASSERT_EQ(results.size(), 4u);
    EXPECT_TRUE(results[0].Written && results[2].Written);
    EXPECT_EQ(results[1].Error, "No such file or directory");
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"The tags of these files could not be saved:\r\n"
                                       "'Track02.mp3': No such file or directory\r\n"
                                       "'Track04.mp3': No such file or directory"});

    const std::string first = test::ReadFileBytes(Path(1));
    album.Tracks.TrackTitles.clear();
    AppendTrackText(album.Tracks.TrackTitles, 0, "Renamed");
    tracks.Rows().resize(1);
    Import({.ImportTicked = true});
    EXPECT_EQ(test::ReadFileBytes(Path(1)), first);
    EXPECT_EQ(editor.Fields().V2.Title, "Renamed");
    EXPECT_EQ(editor.Fields().V2.Composer, "Composer 1");
}

// A file replaced by a folder after the folder was listed says so.
TEST_F(AlbumJobTest, AFileThatBecameAFolderIsToldAsSuch) {
    test::RecordingProgress replacing;
    replacing.on_step = [second = Path(2)] {
        if (fs::is_regular_file(second)) {
            fs::remove(second);
            fs::create_directory(second);
        }
    };
    tracks.Refresh(temp.path().string(), TrackOption::kFileCount, true, replacing);
    album.TrackCount = 4;
    const std::vector<RowPlan> results = Import({.ImportTicked = true, .SaveTags = true});
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[1].Error, "Is a directory");
    EXPECT_TRUE(results[2].Written);
}

}  // namespace
}  // namespace kalvex
