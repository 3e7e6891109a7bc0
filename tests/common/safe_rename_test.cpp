#include "common/safe_rename.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "test_files.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;

TEST(SafeRenameTest, NamesCompareFoldingAsciiAndLatin1LettersOnly) {
    EXPECT_TRUE(SameNameIgnoringCase("03 Don't Stop.MP3", "03 don't stop.mp3"));
    EXPECT_TRUE(SameNameIgnoringCase("\xC3\x89t\xC3\x89", "\xC3\xA9T\xC3\xA9"));  // ÉTÉ / étÉ
    EXPECT_TRUE(SameNameIgnoringCase("\xC3\x9E", "\xC3\xBE"));                    // Þ þ
    EXPECT_FALSE(SameNameIgnoringCase("\xC3\x97", "\xC3\xB7"));                   // × ÷
    EXPECT_FALSE(SameNameIgnoringCase("\xD0\x96", "\xD0\xB6"));                   // Ж ж
    EXPECT_FALSE(SameNameIgnoringCase("a.mp3", "a.mp"));
    EXPECT_FALSE(SameNameIgnoringCase("a", "\xC3\xA1"));
}

class SafeRenameFolderTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("kalvex-safe-rename-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string Put(const std::string& name, const std::string& content) const {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    fs::path folder;
};

TEST_F(SafeRenameFolderTest, ExistenceIgnoresCaseForFilesAndFoldersButNotTheNamedException) {
    Put("Track \xC3\x89.MP3", "x");
    fs::create_directory(folder / "Live");
    const std::string dir = folder.string();
    EXPECT_TRUE(ExistsIgnoringCase(dir, "track \xC3\xA9.mp3"));
    EXPECT_TRUE(ExistsIgnoringCase(dir, "LIVE"));
    EXPECT_FALSE(ExistsIgnoringCase(dir, "track e.mp3"));
    // The file being renamed does not stand in its own way...
    EXPECT_FALSE(ExistsIgnoringCase(dir, "TRACK \xC3\x89.mp3", "Track \xC3\x89.MP3"));
    // ...but another one differing only in case does.
    EXPECT_TRUE(ExistsIgnoringCase(dir, "live", "LIVE"));
    EXPECT_FALSE(ExistsIgnoringCase(dir + "/missing", "Live"));
}

TEST_F(SafeRenameFolderTest, RenameNeverReplacesAndGivesTheSystemsReason) {
    const std::string from = Put("a.mp3", "audio a");
    const std::string taken = Put("b.mp3", "audio b");
    const FileResult refused = RenameNoReplace(from, taken);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.Reason(), std::strerror(EEXIST));
    EXPECT_EQ(test::ReadFileBytes(from), "audio a");
    EXPECT_EQ(test::ReadFileBytes(taken), "audio b");

    const std::string to = (folder / "c.mp3").string();
    EXPECT_TRUE(RenameNoReplace(from, to));
    EXPECT_EQ(test::ReadFileBytes(to), "audio a");
    const FileResult vanished = RenameNoReplace(from, to + ".x");
    EXPECT_EQ(vanished.Reason(), std::strerror(ENOENT));
}

}  // namespace
}  // namespace kalvex
