#include "id3/id3v2_frames.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "id3/tag_text.h"

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

// The usual forms of each encoding are read back from mutagen's tags in the
// interop test; here, what it does not write.
TEST(BytesToText, EachEncoding) {
    const struct {
        std::vector<std::uint8_t> bytes;
        std::uint8_t encoding;
        std::string text;
        bool stop = true;
    } cases[] = {
        // Line breaks become CR LF, carriage returns are dropped.
        {{'a', '\n', 'b', '\r'}, kLatin1, "a\r\nb"},
        {{0xFF, 0xFE, 'a', 0, '\n', 0, '\r', 0}, kUtf16Bom, "a\r\n"},
        // Single bytes are Windows-1252 and stop at the first zero, when asked.
        {{'B', 'j', 0xF6, 'r', 'k', 0, 'x'}, kLatin1, "Bj\u00F6rk"},
        {{0x93, 'q', 0x94}, kLatin1, "\u201Cq\u201D"},
        {{'a', 0, 'b'}, kLatin1, std::string("a\0b", 3), false},
        {{0xFE, 0xFF, 0x03, 0x93, 0x03, 0xB1}, kUtf16Bom, "\u0393\u03B1"},
        // Without a mark, little-endian (as the Windows writers that omit it mean).
        {{0x41, 0, 0x42, 0}, kUtf16Bom, "AB"},
        // A surrogate pair is one character; a lone surrogate a replacement one.
        {{0xFF, 0xFE, 0x3D, 0xD8, 0xB5, 0xDC}, kUtf16Bom, "\U0001F4B5"},
        {{0xFF, 0xFE, 0x3D, 0xD8, 0x41, 0x00}, kUtf16Bom, "\uFFFDA"},
        {{0, 0x41, 0}, kUtf16Be, "A"},  // an odd trailing byte is no character
        // Text labelled UTF-8 that is not (an overlong form, too) reads as single bytes.
        {{'B', 'j', 0xF6, 'r', 'k'}, kUtf8, "Bj\u00F6rk"},
        {{0xC0, 0xAF}, kUtf8, "\u00C0\u00AF"},
        {{'a', 'b'}, 4, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BytesToText(c.bytes, c.encoding, c.stop), c.text) << "case " << &c - cases;
    }
}

// Code page bytes, '?' for what it lacks, cut at the maximum length (0: none)
// and the destination, nothing written past them and a zero only when asked.
TEST(TextToBytes, StoresCodePageBytesCutToFit) {
    std::array<std::uint8_t, 8> out;
    out.fill(0xEE);
    EXPECT_EQ(TextToBytes("Bj\u00F6rk", 0, out, false), 5);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "Bj\xF6rk\xEE");
    EXPECT_EQ(TextToBytes("\u0393x", 0, out, true), 3);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 3), std::string("?x\0", 3));
    std::array<std::uint8_t, 4> small{};
    EXPECT_EQ(TextToBytes("abcdef", 3, small, false), 3);
    EXPECT_EQ(TextToBytes("abcdef", 10, small, false), 4);
    EXPECT_EQ(TextToBytes("abcdef", 0, small, true), 4);
    EXPECT_EQ(std::string(small.begin(), small.end()), std::string("abc\0", 4));
}

}  // namespace
}  // namespace kalvex
