#include "app/rename_operations.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "test_files.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;

TrackRow Row(std::string file, std::string track, std::string title, bool ticked = true) {
    TrackRow row;
    row.FileName = std::move(file);
    row.Track = std::move(track);
    row.Title = std::move(title);
    row.Ticked = ticked;
    return row;
}

class RecordingProgress : public Progress {
public:
    void Start() override { steps.push_back(-1); }
    void Step(int percent) override { steps.push_back(percent); }
    void Finish() override { steps.push_back(101); }
    std::vector<int> steps;
};

class RenameOperationsTest : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("kalvex-rename-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        folder = root / "Old";
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(root); }

    // Each file holds its own first name, so a file that was overwritten shows.
    void Put(const std::string& name) const { std::ofstream(folder / name) << name; }
    std::set<std::string> Content() const {
        std::set<std::string> files;
        for (const auto& entry : fs::directory_iterator(folder)) {
            files.insert(entry.path().filename().string() + "=" +
                         test::ReadFileBytes(entry.path().string()));
        }
        return files;
    }
    std::vector<FileRename> Rename(const std::vector<TrackRow>& rows, bool dry_run = false) {
        return RenameTrackFiles(folder.string(), rows, progress, messages, dry_run);
    }

    fs::path root;
    fs::path folder;
    RecordingProgress progress;
    CollectingMessageService messages;
};

TEST_F(RenameOperationsTest, TickedFilesTakeNumberAndTitleAndNothingIsEverOverwritten) {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "03 x.MP3"}) {
        Put(name);
    }
    const auto results =
        Rename({Row("a.mp3", "3", "Don't Stop (Live)"), Row("b.mp3", "4", "Skipped", false),
                Row("c.mp3", "4/12", "Don't Stop Live"), Row("d.mp3", "3", "X")});
    EXPECT_EQ(Content(), (std::set<std::string>{"03 Don't Stop Live.mp3=a.mp3", "b.mp3=b.mp3",
                                                "04 Don't Stop Live.mp3=c.mp3", "d.mp3=d.mp3",
                                                "03 x.MP3=03 x.MP3"}));
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0].renamed && results[1].renamed);
    const std::string taken =
        "Could not rename 'd.mp3' to '03 X.mp3', as that file already exists.";
    EXPECT_FALSE(results[2].renamed);
    EXPECT_EQ(results[2].error, taken);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{taken});
    EXPECT_EQ(progress.steps, (std::vector<int>{-1, 25, 50, 75, 100, 101}));
}

TEST_F(RenameOperationsTest, TwoRowsForOneNameAndARefusedRenameAreReportedAndTheRestGoesOn) {
    Put("a.mp3");
    Put("b.mp3");
    Put("c.mp3");
    const auto results = Rename({Row("a.mp3", "1", "Same"), Row("gone.mp3", "2", "Gone"),
                                 Row("b.mp3", "01", "SAME"), Row("c.mp3", "3", "Last")});
    EXPECT_EQ(Content(),
              (std::set<std::string>{"01 Same.mp3=a.mp3", "b.mp3=b.mp3", "03 Last.mp3=c.mp3"}));
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{
                  "Could not rename 'gone.mp3' to '02 Gone.mp3': " + std::string(strerror(ENOENT)),
                  "Could not rename 'b.mp3' to '01 SAME.mp3', as that file already exists."}));
    EXPECT_EQ(results[1].error, messages.Texts()[0]);
}

TEST_F(RenameOperationsTest, AFileAlreadyNamedIsDoneAndOneDifferingInCaseIsCorrected) {
    Put("01 One.mp3");
    Put("02 two.mp3");
    const auto results = Rename({Row("01 One.mp3", "1", "One"), Row("02 two.mp3", "2", "Two")});
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_TRUE(results[0].already_named && !results[0].renamed);
    EXPECT_TRUE(results[1].renamed);
    EXPECT_EQ(Content(), (std::set<std::string>{"01 One.mp3=01 One.mp3", "02 Two.mp3=02 two.mp3"}));
}

TEST_F(RenameOperationsTest, ADryRunChangesNothingAndReportsWhatARealRunWould) {
    Put("a.mp3");
    Put("b.mp3");
    Put("01 A.mp3");
    // "a.mp3" is freed by the second row before the third row takes that name.
    const std::vector<TrackRow> rows = {Row("01 A.mp3", "1", "A"), Row("a.mp3", "2", "B"),
                                        Row("b.mp3", "1", "a"), Row("gone.mp3", "3", "C")};
    const auto before = Content();
    const auto planned = Rename(rows, true);
    EXPECT_EQ(Content(), before);
    const auto dry_messages = messages.Texts();
    messages = CollectingMessageService();
    const auto done = Rename(rows);
    EXPECT_EQ(messages.Texts(), dry_messages);
    ASSERT_EQ(planned.size(), done.size());
    for (size_t i = 0; i < done.size(); ++i) {
        EXPECT_EQ(planned[i].renamed, done[i].renamed) << i;
        EXPECT_EQ(planned[i].already_named, done[i].already_named) << i;
        EXPECT_EQ(planned[i].error, done[i].error) << i;
    }
    EXPECT_EQ(dry_messages.size(), 2u);  // "01 a.mp3" is taken; gone.mp3 is missing
}

TEST_F(RenameOperationsTest, TheFolderTakesTheCleanedAlbumTitleBesideItself) {
    CollectingMessageService quiet;
    EXPECT_FALSE(RenameAlbumFolder(folder.string(), "", quiet, false).renamed);
    EXPECT_TRUE(quiet.Texts().empty());

    const fs::path dry =
        RenameAlbumFolder(folder.string() + "/./", "AC/DC: Live...", messages, true).new_path;
    EXPECT_EQ(dry, root / "ACDC Live");
    EXPECT_TRUE(fs::exists(folder));
    const FolderRename done = RenameAlbumFolder(folder.string(), "AC/DC: Live...", messages, false);
    EXPECT_TRUE(done.renamed);
    EXPECT_TRUE(fs::is_directory(root / "ACDC Live"));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(RenameAlbumFolder(done.new_path, "ACDC Live", messages, false).already_named);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(RenameOperationsTest, TheFolderRenameRefusesWhatItCannotDoSafely) {
    fs::create_directory(root / "new");
    Put("track.mp3");
    const std::string old_path = folder.string();
    RenameAlbumFolder(old_path, "New", messages, false);
    RenameAlbumFolder(old_path, "?.", messages, false);
    RenameAlbumFolder("/", "New", messages, false);
    RenameAlbumFolder(old_path + "/track.mp3", "New", messages, false);
    RenameAlbumFolder(old_path + "/none", "New", messages, false);
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{
                  "Could not rename folder to \r\n" + (root / "New").string() +
                      "\r\nFolder already exists.",
                  "The album title gives no usable folder name.",
                  "Could not rename '/': a root folder cannot be renamed.",
                  "Could not rename '" + old_path + "/track.mp3': " + strerror(ENOTDIR),
                  "Could not rename '" + old_path + "/none': " + strerror(ENOENT)}));
    EXPECT_TRUE(fs::exists(folder / "track.mp3"));
}

}  // namespace
}  // namespace kalvex
