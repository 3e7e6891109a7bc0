#include "app/file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace kalvex {
namespace {

const std::string kPound = "\xC2\xA3";
const std::string kEAcute = "\xC3\xA9";

TEST(FileNamesTest, TrackFileNameKeepsOnlyTheAllowedCharactersAfterATwoDigitNumber) {
    EXPECT_EQ(TrackFileName("3", "Don't Stop (Live)"), "03 Don't Stop Live.mp3");
    EXPECT_EQ(TrackFileName("3/12", "Caf" + kEAcute + " " + kPound + "5 & 10%"),
              "03 Caf " + kPound + "5 & 10%.mp3");
    EXPECT_EQ(TrackFileName("105", "a/b:c?*\"<>|\\.d"), "105 abcd.mp3");
    EXPECT_EQ(TrackFileName("7", "\xE2\x80\x9C\xD0\x96\xC2\xA9\xC2"), "07 .mp3");
    EXPECT_EQ(TrackFileName("", "x"), "00 x.mp3");
}

TEST(FileNamesTest, FolderNamesLoseForbiddenCharactersThenTrailingDotsThenSpaces) {
    EXPECT_EQ(AlbumFolderName("AC/DC: Live..."), "ACDC Live");
    EXPECT_EQ(AlbumFolderName(" Album. "), "Album.");
    EXPECT_EQ(AlbumFolderName("Album ."), "Album");
    EXPECT_EQ(AlbumFolderName("Caf" + kEAcute + " (1999)"), "Caf" + kEAcute + " (1999)");
    EXPECT_EQ(AlbumFolderName(std::string("a\0b", 3)), "ab");
    EXPECT_EQ(AlbumFolderName(" ?.. "), "");
}

bool IsWholeUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + length > text.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

TEST(FileNamesTest, LongNamesAreCutToTheFileSystemLimitBetweenCharacters) {
    std::string pounds;
    for (int i = 0; i < 200; ++i) {
        pounds += kPound;
    }
    const std::string file = TrackFileName("12", "x" + pounds);
    EXPECT_EQ(file.size(), 254u);  // "12 x" + 123 pounds + ".mp3"; 255 would split one
    EXPECT_TRUE(file.starts_with("12 x" + kPound));
    EXPECT_TRUE(file.ends_with(kPound + ".mp3"));
    EXPECT_TRUE(IsWholeUtf8(file));

    std::string accents;
    for (int i = 0; i < 200; ++i) {
        accents += kEAcute;
    }
    const std::string folder = AlbumFolderName("xx" + accents);
    EXPECT_EQ(folder.size(), 254u);
    EXPECT_TRUE(IsWholeUtf8(folder));
    // A cut that leaves a space or a dot at the end is cleaned again.
    EXPECT_EQ(AlbumFolderName(std::string(253, 'a') + " .b"), std::string(253, 'a'));
    EXPECT_EQ(AlbumFolderName(std::string(300, 'a')), std::string(255, 'a'));
}

}  // namespace
}  // namespace kalvex
