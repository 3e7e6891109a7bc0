#include "workflow/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "test_files.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public testing::Test {
protected:
    void Store(const std::string& content) { std::ofstream(file, std::ios::binary) << content; }
    std::string Content() const { return test::ReadFileBytes(file); }

    test::TempFolder temp{"kalvex-ini"};
    const fs::path folder = temp.path();
    const std::string file = (folder / "Settings.ini").string();
};

TEST_F(IniFileTest, WritingCreatesFileAndSectionsAndReadsBackWhatIsThere) {
    EXPECT_EQ(ReadIniValue("Paths", "MP3 Folder", file), "");
    EXPECT_TRUE(WriteIniValue("Paths", "MP3 Folder", "/music/Album", file));
    EXPECT_TRUE(WriteIniValue("Options", "Track option", "2", file));
    EXPECT_TRUE(WriteIniValue("Paths", "Other", "x", file));
    EXPECT_EQ(Content(), "[Paths]\nMP3 Folder=/music/Album\nOther=x\n[Options]\nTrack option=2\n");
    EXPECT_EQ(ReadIniValue("paths", "mp3 folder", file), "/music/Album");
    EXPECT_EQ(ReadIniValue("Options", "Track option", file), "2");
    EXPECT_EQ(ReadIniValue("Options", "MP3 Folder", file), "");  // another section's key
    EXPECT_EQ(ReadIniValue("FreeDB", "Port", file), "");
    // The fallback stands in for a missing key, not for an empty value.
    EXPECT_EQ(ReadIniValue("FreeDB", "Port", file, "80"), "80");
    EXPECT_TRUE(WriteIniValue("FreeDB", "Port", "", file));
    EXPECT_EQ(ReadIniValue("FreeDB", "Port", file, "80"), "");
}

TEST_F(IniFileTest, RewritingKeepsForeignSectionsKeysAndCommentsInPlace) {
    Store(
        "; written by hand\r\n[Mine]\r\nKeep=me\r\n\r\n[OPTIONS]\r\nauto rename = 0\r\n"
        "Extra=1\r\n\r\n[Later]\r\nA=b\r\n");
    EXPECT_TRUE(WriteIniValue("Options", "Auto rename", "1", file));
    EXPECT_TRUE(WriteIniValue("Options", "Tick on read", "0", file));
    EXPECT_EQ(Content(),
              "; written by hand\r\n[Mine]\r\nKeep=me\r\n\r\n[OPTIONS]\r\nAuto rename=1\r\n"
              "Extra=1\r\nTick on read=0\r\n\r\n[Later]\r\nA=b\r\n");
}

TEST_F(IniFileTest, ValuesAreTrimmedUnquotedAndCutTo254Characters) {
    std::string accented;
    for (int i = 0; i < 300; ++i)
        accented += "\xC3\xA9";  // é, two bytes each
    Store("[S]\nPlain =  padded value  \nQuoted=\" kept spaces \"\nAccented=" + accented + "\n");
    EXPECT_EQ(ReadIniValue("S", "Plain", file), "padded value");
    EXPECT_EQ(ReadIniValue("S", "Quoted", file), " kept spaces ");
    EXPECT_EQ(ReadIniValue("S", "Accented", file), accented.substr(0, 2 * 254));
}

TEST_F(IniFileTest, RefusesWhatWouldBreakTheFileAndLeavesItAlone) {
    Store("[S]\nA=1\n");
    EXPECT_FALSE(WriteIniValue("S", "A", "two\nlines", file));
    EXPECT_FALSE(WriteIniValue("S]x", "A", "1", file));
    EXPECT_FALSE(WriteIniValue("S", "A=B", "1", file));
    EXPECT_FALSE(WriteIniValue("S", " ", "1", file));
    EXPECT_EQ(Content(), "[S]\nA=1\n");
    EXPECT_FALSE(WriteIniValue("S", "A", "1", (folder / "missing" / "Settings.ini").string()));
}

// A replaced file keeps its mode. Read-only is the owner's missing write bit
// (what the read-only attribute becomes here). The mode is checked, not
// access(2), which lets root write anything, so this holds when the tests run
// as root too.
TEST_F(IniFileTest, AReplacedFileKeepsItsModeAndAReadOnlyOneStaysAsItWasByteForByte) {
    Store("[S]\nA=1\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(WriteIniValue("S", "A", "2", file));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    const std::string before = "; by hand\r\n[S]\r\nA=1\r\n";
    Store(before);
    struct stat old_status {};
    ASSERT_EQ(stat(file.c_str(), &old_status), 0);
    const auto read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    for (const auto mode : {read_only, read_only | fs::perms::group_write}) {
        fs::permissions(file, mode);
        EXPECT_FALSE(WriteIniValue("S", "A", "2", file));
        EXPECT_FALSE(WriteIniValue("New", "B", "x", file));
        EXPECT_EQ(Content(), before);
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, mode);
        struct stat new_status {};
        ASSERT_EQ(stat(file.c_str(), &new_status), 0);
        EXPECT_EQ(new_status.st_ino, old_status.st_ino) << "the file was replaced";
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    }
}

}  // namespace
}  // namespace kalvex
