#include "common/cp1252.h"

#include <gtest/gtest.h>

namespace kalvex {
namespace {

// Bytes 0x80-0x9F are typographic characters, the undefined ones the C1
// control of the same value; the rest of the page is Latin-1. The round trip
// of every byte makes the way back agree.
TEST(Cp1252, MapsBothWaysAndEveryByteSurvivesTheRoundTrip) {
    EXPECT_EQ(Cp1252ToUtf8("\x80\x93\xE9\x94\x81\x9D"), "\u20AC\u201C\u00E9\u201D\u0081\u009D");
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Cp1252, UnmappableAndMalformedTextBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1252("日本"), "??");           // no single-byte form
    EXPECT_EQ(Utf8ToCp1252("\U0001F600"), "?");      // four bytes
    EXPECT_EQ(Utf8ToCp1252("\xFF!"), "?!");          // no lead byte
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82"), "??");       // torn three-byte sequence
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");       // overlong form of '/'
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");  // surrogate
}

}  // namespace
}  // namespace kalvex
