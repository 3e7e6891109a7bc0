#include "common/safe_rename.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "test_files.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;

TEST(SafeRenameTest, NamesCompareFoldingAsciiAndLatin1LettersOnly) {
    EXPECT_TRUE(SameNameIgnoringCase("03 Don't Stop.MP3", "03 don't stop.mp3"));
    EXPECT_TRUE(SameNameIgnoringCase("\xC3\x89t\xC3\x9E", "\xC3\xA9T\xC3\xBE"));  // ÉtÞ éTþ
    EXPECT_FALSE(SameNameIgnoringCase("\xC3\x97", "\xC3\xB7"));                   // × ÷
    EXPECT_FALSE(SameNameIgnoringCase("\xD0\x96", "\xD0\xB6"));                   // Ж ж
    EXPECT_FALSE(SameNameIgnoringCase("a", "\xC3\xA1"));
}

class SafeRenameFolderTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder / "Live");
        for (const char* name : {"a.mp3", "b.mp3", "Track \xC3\x89.MP3"}) {
            std::ofstream(folder / name) << name;
        }
    }
    std::string Path(const char* name) const { return (folder / name).string(); }

    test::TempFolder temp{"kalvex-safe-rename"};
    const fs::path folder = temp.path();
};

TEST_F(SafeRenameFolderTest, ExistenceIgnoresCaseAndRenameNeverReplaces) {
    const std::string dir = folder.string();
    EXPECT_TRUE(ExistsIgnoringCase(dir, "track \xC3\xA9.mp3"));
    EXPECT_TRUE(ExistsIgnoringCase(dir, "LIVE"));
    // The file being renamed does not stand in its own way.
    EXPECT_FALSE(ExistsIgnoringCase(dir, "TRACK \xC3\x89.mp3", "Track \xC3\x89.MP3"));
    EXPECT_FALSE(ExistsIgnoringCase(dir + "/missing", "Live"));

    EXPECT_EQ(RenameNoReplace(Path("a.mp3"), Path("b.mp3")).Reason(), std::strerror(EEXIST));
    EXPECT_EQ(test::ReadFileBytes(Path("b.mp3")), "b.mp3");
    EXPECT_TRUE(RenameNoReplace(Path("a.mp3"), Path("c.mp3")));
    EXPECT_EQ(test::ReadFileBytes(Path("c.mp3")), "a.mp3");
    EXPECT_EQ(RenameNoReplace(Path("a.mp3"), Path("d.mp3")).Reason(), std::strerror(ENOENT));
}

}  // namespace
}  // namespace kalvex
