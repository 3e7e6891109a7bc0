#include "workflow/track_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "id3/tag_bytes.h"
#include "recording_progress.h"

namespace kalvex {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

// A folder of real MP3 files from other projects' suites, under new names.
class TrackListTest : public testing::Test {
protected:
    // both tags: v2 title "Silence", track "02/10"; v1 track 2; 4 seconds
    void Both(const std::string& name) { Copy("silence-44-s.mp3", name); }
    // a version 1 tag only: title "Silence", track 2
    void V1Only(const std::string& name) { Copy("silence-44-s-v1.mp3", name); }
    // no tags, 2 seconds
    void Untagged(const std::string& name) { Copy("xing.mp3", name); }
    void Copy(const std::string& source, const std::string& name) {
        fs::copy_file(test::TestDataPath("id3/mutagen/" + source), folder / name);
    }

    std::vector<std::string> Column(std::string TrackRow::*cell) const {
        std::vector<std::string> cells;
        for (const TrackRow& row : list.Rows()) {
            cells.push_back(row.*cell);
        }
        return cells;
    }
    void Refresh(TrackOption option, bool tick_all = false) {
        NoProgress quiet;
        list.Refresh(folder.string(), option, tick_all, quiet);
    }

    test::TempFolder temp{"kalvex-tracks"};
    const fs::path folder = temp.path();
    TrackList list;
};

using Names = std::vector<std::string>;

TEST_F(TrackListTest, ListsTheMp3FilesInNameOrderIgnoringCase) {
    for (const char* name : {"b.mp3", "A.mp3", "c.MP3", ".hidden.mp3", "cover.jpg", "mp3"}) {
        Untagged(name);
    }
    fs::create_directory(folder / "extras.mp3");
    ASSERT_EQ(::mkfifo((folder / "pipe.mp3").c_str(), 0600), 0);

    Refresh(TrackOption::kFileCount);
    EXPECT_EQ(Column(&TrackRow::FileName), (Names{"A.mp3", "b.mp3", "c.MP3"}));
}

TEST_F(TrackListTest, TrackOptionsTakeTheNumberFromPlaceNameOrTag) {
    Both("01 Opening.mp3");
    V1Only("10-Finale.mp3");
    Untagged("Intro.mp3");

    Refresh(TrackOption::kFileName);
    EXPECT_EQ(Column(&TrackRow::Track), (Names{"1", "10", "0"}));
    Refresh(TrackOption::kTrackTag);
    // The version 2 number wins and is shown as stored.
    EXPECT_EQ(Column(&TrackRow::Track), (Names{"02/10", "2", ""}));
    EXPECT_EQ(Column(&TrackRow::Title), (Names{"Silence", "Silence", ""}));
    // The lengths of these files: kalvex-cli's list (cli_test.cpp) and the
    // window's track list (track_list_window_test.cpp).
    EXPECT_EQ(FormatLength(61) + " " + FormatLength(3600), "1:01 60:00");
}

TEST_F(TrackListTest, AFileThatVanishesBeforeItIsReadKeepsItsNameOnly) {
    Both("a.mp3");
    Both("b.mp3");
    test::RecordingProgress progress;
    progress.on_step = [this] { fs::remove(folder / "b.mp3"); };
    list.Refresh(folder.string(), TrackOption::kFileCount, false, progress);

    EXPECT_EQ(Column(&TrackRow::FileName), (Names{"a.mp3", "b.mp3"}));
    EXPECT_EQ(Column(&TrackRow::Track), (Names{"1", ""}));
    EXPECT_EQ(progress.steps, (std::vector<int>{-1, 0, 50, 101}));
}

class ScriptedInput : public InputBox {
public:
    std::optional<std::string> Ask(const std::string& prompt,
                                   const std::string& proposed) override {
        asked = prompt + "|" + proposed;
        return answer;
    }
    std::optional<std::string> answer;
    std::string asked;
};

TEST_F(TrackListTest, TicksAndHandMadeTrackNumbers) {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        Untagged(name);
    }
    // A refresh ticking every row is the album job's start (album_job_test.cpp);
    // ticking the selected, all or no rows is the track menu's (the window's test).
    Refresh(TrackOption::kFileCount, true);

    // Each answer, in turn: the number as typed, or none kept the one before.
    ScriptedInput input;
    for (const auto& [answer, track] :
         {std::pair<std::optional<std::string>, std::string>{"abc", "0"},
          {" 3.5 ", "3.5"},
          {"", "3.5"},
          {std::nullopt, "3.5"}}) {
        input.answer = answer;
        EXPECT_EQ(list.ChangeTrackNumber(1, input), answer && !answer->empty());
        EXPECT_EQ(list.Rows()[1].Track, track) << answer.value_or("cancelled");
    }
    EXPECT_EQ(input.asked, "Change track number to:|3.5");
    input.asked.clear();
    EXPECT_FALSE(list.ChangeTrackNumber(std::nullopt, input));
    EXPECT_EQ(input.asked, "");

    // A refresh rebuilds the rows: ticks and hand-made numbers are gone.
    Refresh(TrackOption::kFileCount);
    EXPECT_EQ(Column(&TrackRow::Track), (Names{"1", "2", "3"}));
    EXPECT_FALSE(list.Rows()[0].Ticked);
}

TEST_F(TrackListTest, SortingSharesOneDirectionAndATextSortOutlivesARefresh) {
    Untagged("a.mp3");
    Both("B.mp3");
    V1Only("c.mp3");
    Refresh(TrackOption::kFileName);
    list.Rows()[0].Track = "10";
    list.Rows()[1].Track = "2";
    list.Rows()[2].Track = "1";

    list.SortByColumn(kTrackColumn);
    EXPECT_EQ(Column(&TrackRow::Track), (Names{"1", "2", "10"}));
    list.SortByColumn(kTrackColumn);
    EXPECT_EQ(Column(&TrackRow::Track), (Names{"10", "2", "1"}));
    // The next click, on another column, reverses the direction again.
    list.SortByColumn(kLengthColumn);
    EXPECT_EQ(Column(&TrackRow::Length), (Names{"0:02", "0:04", "0:04"}));

    list.SortByColumn(kFilenameColumn);
    EXPECT_EQ(Column(&TrackRow::FileName), (Names{"c.mp3", "B.mp3", "a.mp3"}));
    Refresh(TrackOption::kFileName);
    EXPECT_EQ(Column(&TrackRow::FileName), (Names{"c.mp3", "B.mp3", "a.mp3"}));
    // A number sort ends the text sort: the next refresh lists by name.
    list.SortByColumn(kTrackColumn);
    Refresh(TrackOption::kFileName);
    EXPECT_EQ(Column(&TrackRow::FileName), (Names{"a.mp3", "B.mp3", "c.mp3"}));
}

TEST_F(TrackListTest, RefreshRowRereadsTitleAndLengthButKeepsTrackAndTick) {
    Untagged("a.mp3");
    Refresh(TrackOption::kFileCount);
    list.Rows()[0].Ticked = true;
    list.Rows()[0].Track = "7";
    fs::copy_file(test::TestDataPath("id3/mutagen/silence-44-s.mp3"), folder / "a.mp3",
                  fs::copy_options::overwrite_existing);

    list.RefreshRow(0);
    EXPECT_EQ(list.Rows()[0], (TrackRow{"a.mp3", "7", "Silence", "0:04", true, false}));
}

}  // namespace
}  // namespace kalvex
