#include "workflow/rename_operations.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "test_files.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;

class RenameOperationsTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder);
        // Each file holds its first name, so a file that was overwritten shows.
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3", "03 x.MP3",
                                 "01 A.mp3", "05 Five.mp3", "06 six.mp3"}) {
            std::ofstream(folder / name) << name;
        }
    }

    std::set<std::string> Content() const {
        std::set<std::string> files;
        for (const auto& entry : fs::directory_iterator(folder)) {
            files.insert(entry.path().filename().string() + "=" +
                         test::ReadFileBytes(entry.path().string()));
        }
        return files;
    }
    std::vector<FileRename> Rename(bool dry_run) {
        const auto row = [](const char* file, const char* track, const char* title) {
            return TrackRow{file, track, title, "", std::string_view(file) != "b.mp3", false};
        };
        return RenameTrackFiles(
            folder.string(),
            {row("a.mp3", "3", "Don't Stop (Live)"), row("b.mp3", "4", "Unticked"),
             row("c.mp3", "4/12", "Don't Stop Live"), row("d.mp3", "3", "X"),
             row("gone.mp3", "7", "Gone"), row("e.mp3", "03", "don't stop live"),
             row("05 Five.mp3", "5", "Five"), row("06 six.mp3", "6", "Six"),
             // "01 A.mp3" frees its name before "f.mp3" takes it in another case.
             row("01 A.mp3", "2", "B"), row("f.mp3", "1", "a")},
            progress, messages, dry_run);
    }

    test::TempFolder temp{"kalvex-rename"};
    const fs::path root = temp.path();
    const fs::path folder = root / "Old";
    NoProgress progress;
    CollectingMessageService messages;
};

// One letter per ticked row: renamed, already so named, or failed.
std::string Outcomes(const std::vector<FileRename>& results) {
    std::string outcomes;
    for (const FileRename& result : results) {
        outcomes += result.renamed ? 'r' : result.already_named ? 'a' : 'f';
    }
    return outcomes;
}

TEST_F(RenameOperationsTest, TickedFilesTakeNumberAndTitleNeverOverwritingAsADryRunForetells) {
    const auto before = Content();
    const auto planned = Rename(true);
    EXPECT_EQ(Content(), before);
    const auto results = Rename(false);
    EXPECT_EQ(Content(),
              (std::set<std::string>{
                  "03 Don't Stop Live.mp3=a.mp3", "b.mp3=b.mp3", "04 Don't Stop Live.mp3=c.mp3",
                  "d.mp3=d.mp3", "e.mp3=e.mp3", "03 x.MP3=03 x.MP3", "05 Five.mp3=05 Five.mp3",
                  "06 Six.mp3=06 six.mp3", "02 B.mp3=01 A.mp3", "01 a.mp3=f.mp3"}));
    EXPECT_EQ(Outcomes(results), "rrfffarrr");
    EXPECT_EQ(Outcomes(planned), Outcomes(results));
    const std::vector<std::string> expected = {
        "Could not rename 'd.mp3' to '03 X.mp3', as that file already exists.",
        "Could not rename 'gone.mp3' to '07 Gone.mp3': " + std::string(strerror(ENOENT)),
        "Could not rename 'e.mp3' to '03 don't stop live.mp3', as that file already exists."};
    std::vector<std::string> twice = expected;
    twice.insert(twice.end(), expected.begin(), expected.end());
    EXPECT_EQ(messages.Texts(), twice);
    EXPECT_EQ(results[3].error, expected[1]);
}

TEST_F(RenameOperationsTest, TheFolderTakesTheCleanedAlbumTitleBesideItselfOrSaysWhyNot) {
    const std::string old_path = folder.string();
    EXPECT_FALSE(RenameAlbumFolder(old_path, "", messages, false).renamed);
    fs::create_directory(root / "new");
    RenameAlbumFolder(old_path, "New", messages, false);
    RenameAlbumFolder(old_path, "?.", messages, false);
    RenameAlbumFolder("/", "New", messages, false);
    RenameAlbumFolder(old_path + "/a.mp3", "New", messages, false);
    RenameAlbumFolder(old_path + "/none", "New", messages, false);
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{
                  "Could not rename folder to \r\n" + (root / "New").string() +
                      "\r\nFolder already exists.",
                  "The album title gives no usable folder name.",
                  "Could not rename '/': a root folder cannot be renamed.",
                  "Could not rename '" + old_path + "/a.mp3': " + strerror(ENOTDIR),
                  "Could not rename '" + old_path + "/none': " + strerror(ENOENT)}));

    const fs::path target = root / "ACDC Live";
    fs::create_directory(root / "ACDC Live.");  // only a near namesake
    EXPECT_TRUE(RenameAlbumFolder(old_path + "/./", "AC/DC: Live...", messages, true).renamed);
    EXPECT_TRUE(fs::exists(folder));
    const FolderRename done = RenameAlbumFolder(old_path, "AC/DC: Live...", messages, false);
    EXPECT_EQ(done.new_path, target);
    EXPECT_TRUE(fs::exists(target / "a.mp3"));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(RenameAlbumFolder(done.new_path, "ACDC Live", messages, false).already_named);
    EXPECT_EQ(messages.Texts().size(), 5u);
}

}  // namespace
}  // namespace kalvex
