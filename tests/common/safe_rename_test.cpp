#include "common/safe_rename.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "test_files.h"

namespace kalvex {
namespace {

TEST(SafeRenameTest, NamesCompareFoldingAsciiAndLatin1LettersOnly) {
    EXPECT_TRUE(SameNameIgnoringCase("03 Don't Stop.MP3", "03 don't stop.mp3"));
    EXPECT_TRUE(SameNameIgnoringCase("\xC3\x89t\xC3\x9E", "\xC3\xA9T\xC3\xBE"));  // ÉtÞ éTþ
    EXPECT_FALSE(SameNameIgnoringCase("\xC3\x97", "\xC3\xB7"));                   // × ÷
    EXPECT_FALSE(SameNameIgnoringCase("\xD0\x96", "\xD0\xB6"));                   // Ж ж
}

// Run a second time with RENAME_NOREPLACE refused (tests/common/CMakeLists.txt).
TEST(SafeRenameFolderTest, ExistenceIgnoresCaseAndRenameNeverReplaces) {
    const test::TempFolder temp("kalvex-safe-rename");
    const std::string dir = temp.path().string();
    const auto path = [&](const char* name) { return dir + "/" + name; };
    for (const char* name : {"a.mp3", "b.mp3", "Track \xC3\x89.MP3"}) {
        std::ofstream(path(name)) << name;
    }
    EXPECT_TRUE(ExistsIgnoringCase(dir, "track \xC3\xA9.mp3"));
    // The file being renamed does not stand in its own way.
    EXPECT_FALSE(ExistsIgnoringCase(dir, "TRACK \xC3\x89.mp3", "Track \xC3\x89.MP3"));
    EXPECT_FALSE(ExistsIgnoringCase(dir + "/missing", "a.mp3"));

    EXPECT_EQ(RenameNoReplace(path("a.mp3"), path("b.mp3")).Reason(), std::strerror(EEXIST));
    EXPECT_EQ(test::ReadFileBytes(path("b.mp3")), "b.mp3");
    EXPECT_TRUE(RenameNoReplace(path("a.mp3"), path("c.mp3")));
    EXPECT_EQ(test::ReadFileBytes(path("c.mp3")), "a.mp3");
    EXPECT_EQ(RenameNoReplace(path("a.mp3"), path("d.mp3")).Reason(), std::strerror(ENOENT));
}

}  // namespace
}  // namespace kalvex
