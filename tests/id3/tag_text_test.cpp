#include "id3/tag_text.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kalvex {
namespace {

std::string Text(std::vector<std::uint8_t> bytes, std::uint8_t encoding, bool stop = true) {
    return BytesToText(bytes, encoding, stop);
}

TEST(BytesToText, LineBreaksBecomeCrLfAndCarriageReturnsAreDropped) {
    EXPECT_EQ(Text({'a', '\n', 'b', '\r'}, kLatin1), "a\r\nb");
    EXPECT_EQ(Text({0xFF, 0xFE, 'a', 0, '\n', 0, '\r', 0}, kUtf16Bom), "a\r\n");
}

TEST(BytesToText, Latin1IsWindows1252AndStopsAtTheFirstZero) {
    EXPECT_EQ(Text({'B', 'j', 0xF6, 'r', 'k', 0, 'x'}, kLatin1), "Björk");
    EXPECT_EQ(Text({0x93, 'q', 0x94}, kLatin1), "\u201Cq\u201D");
    EXPECT_EQ(Text({'a', 0, 'b'}, kLatin1, false), std::string("a\0b", 3));
}

TEST(BytesToText, Utf16HonoursItsByteOrderMark) {
    EXPECT_EQ(Text({0xFF, 0xFE, 0x41, 0, 0x42, 0, 0, 0}, kUtf16Bom), "AB");
    EXPECT_EQ(Text({0, 0x41, 0, 0x42}, kUtf16Be), "AB");
    EXPECT_EQ(Text({0xFE, 0xFF, 0x03, 0x93, 0x03, 0xB1}, kUtf16Bom), "Γα");
    // Without a mark, little-endian (as the Windows writers that omit it mean).
    EXPECT_EQ(Text({0x41, 0, 0x42, 0}, kUtf16Bom), "AB");
    // A surrogate pair is one character; a lone surrogate a replacement one.
    EXPECT_EQ(Text({0xFF, 0xFE, 0x3D, 0xD8, 0xB5, 0xDC}, kUtf16Bom), "\U0001F4B5");
    EXPECT_EQ(Text({0xFF, 0xFE, 0x3D, 0xD8, 0x41, 0x00}, kUtf16Bom), "\uFFFDA");
    // An odd trailing byte is no character.
    EXPECT_EQ(Text({0, 0x41, 0}, kUtf16Be), "A");
}

TEST(BytesToText, Utf8IsDecodedAndMislabelledLatinTextStillReads) {
    EXPECT_EQ(Text({0xCE, 0x93, 0xCE, 0xB1, 0}, kUtf8), "Γα");
    EXPECT_EQ(Text({'B', 'j', 0xF6, 'r', 'k'}, kUtf8), "Björk");
    EXPECT_EQ(Text({0xC0, 0xAF}, kUtf8), "\u00C0\u00AF");  // overlong form: not UTF-8
}

TEST(BytesToText, UnknownEncodingGivesNothing) {
    EXPECT_EQ(Text({'a', 'b'}, 4), "");
}

TEST(TextToBytes, StoresCodePageBytesWithoutPadding) {
    std::array<std::uint8_t, 8> out;
    out.fill(0xEE);
    EXPECT_EQ(TextToBytes("Bj\u00F6rk", 0, out, false), 5);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "Bj\xF6rk\xEE");
    EXPECT_EQ(TextToBytes("\u0393x", 0, out, true), 3);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 3), std::string("?x\0", 3));
}

TEST(TextToBytes, CutsAtTheMaximumLengthAndTheDestination) {
    std::array<std::uint8_t, 4> out{};
    EXPECT_EQ(TextToBytes("abcdef", 3, out, false), 3);
    EXPECT_EQ(TextToBytes("abcdef", 10, out, false), 4);  // longer than the text: whole text
    EXPECT_EQ(TextToBytes("abcdef", 0, out, true), 4);
    EXPECT_EQ(std::string(out.begin(), out.end()), std::string("abc\0", 4));
}

}  // namespace
}  // namespace kalvex
