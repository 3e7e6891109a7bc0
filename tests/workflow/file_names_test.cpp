#include "workflow/file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace kalvex {
namespace {

const std::string kPound = "\xC2\xA3";
const std::string kEAcute = "\xC3\xA9";

std::string Repeat(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

TEST(FileNamesTest, TrackFileNameKeepsOnlyTheAllowedCharactersAfterATwoDigitNumber) {
    // "03 Don't Stop Live.mp3" and "ACDC Live" are the renaming's own cases.
    EXPECT_EQ(TrackFileName("3/12", "Caf" + kEAcute + " " + kPound + "5 & 10%"),
              "03 Caf " + kPound + "5 & 10%.mp3");
    EXPECT_EQ(TrackFileName("105", "a/b:c?*\"<>|\\.d"), "105 abcd.mp3");
    EXPECT_EQ(TrackFileName("7", "\xE2\x80\x9C\xD0\x96\xC2\xA9\xC2"), "07 .mp3");
    // The number is rounded as the import rounds it into the tag.
    EXPECT_EQ(TrackFileName("3.5", "Four"), "04 Four.mp3");
    EXPECT_EQ(TrackFileName("2.5", "Two"), "02 Two.mp3");
    // Cut to the file system's 255 bytes between characters, not inside one.
    EXPECT_EQ(TrackFileName("12", "x" + Repeat(kPound, 200)),
              "12 x" + Repeat(kPound, 123) + ".mp3");
}

TEST(FileNamesTest, FolderNamesLoseForbiddenCharactersThenTrailingDotsThenSpaces) {
    EXPECT_EQ(AlbumFolderName(" Album. "), "Album.");
    EXPECT_EQ(AlbumFolderName("Album ."), "Album");
    EXPECT_EQ(AlbumFolderName("Caf" + kEAcute + " (1999)"), "Caf" + kEAcute + " (1999)");
    EXPECT_EQ(AlbumFolderName(std::string("a\0b", 3)), "ab");
    EXPECT_EQ(AlbumFolderName(" ?.. "), "");  // not the parent folder
    // Nor a hidden folder.
    EXPECT_EQ(AlbumFolderName("...And Justice for All"), "And Justice for All");
    EXPECT_EQ(AlbumFolderName(". .x"), "x");
    EXPECT_EQ(AlbumFolderName("xx" + Repeat(kEAcute, 200)), "xx" + Repeat(kEAcute, 126));
    // A cut that leaves a space or a dot at the end is cleaned again.
    EXPECT_EQ(AlbumFolderName(std::string(253, 'a') + " .b"), std::string(253, 'a'));
}

}  // namespace
}  // namespace kalvex
