#include "id3/id3v2_frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace kalvex {
namespace {

std::string Decode(const std::string& data, const std::string& id) {
    const std::vector<std::uint8_t> bytes(data.begin(), data.end());
    return DecodeFrameText(bytes, id);
}

TEST(DecodeFrameText, TextFramesGiveTheirFirstString) {
    EXPECT_EQ(Decode(std::string("\0Rock\0Pop", 9), "TCON"), "Rock");
    EXPECT_EQ(Decode(std::string("\0desc\0value", 11), "TXXX"), "desc");
    EXPECT_EQ(Decode("", "TIT2"), "");
    EXPECT_EQ(Decode(std::string("\0Text", 5), "APIC"), "");
}

TEST(DecodeFrameText, CommentSkipsLanguageAndDescription) {
    EXPECT_EQ(Decode(std::string("\0eng\0text", 9), "COM"), "text");
    EXPECT_EQ(Decode(std::string("\0eng\0text", 9), "COM "), "text");
    // UTF-16 with an empty description: the text without any leading character.
    EXPECT_EQ(Decode(std::string("\1eng\xFF\xFE\0\0\xFF\xFEh\0i\0\0\0", 16), "COMM"), "hi");
    // An empty description written without its byte-order mark.
    EXPECT_EQ(Decode(std::string("\1eng\0\0\xFF\xFEh\0i\0", 12), "COMM"), "hi");
    // A description with a line break still ends at its terminator.
    EXPECT_EQ(Decode(std::string("\1eng\xFF\xFE\n\0\0\0\xFF\xFEh\0", 14), "COMM"), "h");
    EXPECT_EQ(Decode(std::string("\0en", 3), "COMM"), "");
}

TEST(DecodeFrameText, UrlIsSingleByteAfterItsDescription) {
    EXPECT_EQ(Decode(std::string("\0\0http://a.b/", 13), "WXXX"), "http://a.b/");
    EXPECT_EQ(Decode(std::string("\1\xFF\xFE\x64\0\0\0http://x", 15), "WXX"), "http://x");
}

// The usual forms ("(17)", "(17)Rock", "(RX)") are read back from tags
// mutagen writes in the interop test; here, what a writer should not send.
TEST(NormaliseGenreText, OddNumbersAndParentheses) {
    EXPECT_EQ(NormaliseGenreText("(200)"), "");
    EXPECT_EQ(NormaliseGenreText("17"), "17");
    EXPECT_EQ(NormaliseGenreText("(rx)"), "(rx)");
    EXPECT_EQ(NormaliseGenreText("Drum )n( Bass"), "Drum )n( Bass");
    EXPECT_EQ(NormaliseGenreText("()"), "()");
    // A number of any length is its value.
    EXPECT_EQ(NormaliseGenreText("(" + std::string(1000, '0') + "17)"), "Rock");
    // Far beyond any integer type: simply no genre index.
    EXPECT_EQ(NormaliseGenreText("(" + std::string(1000, '9') + ")Rock"), "");
    EXPECT_EQ(NormaliseGenreText("(4294967313)"), "");  // 2^32 + 17
}

}  // namespace
}  // namespace kalvex
