#include "common/cp1252.h"

#include <gtest/gtest.h>

namespace kalvex {
namespace {

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Cp1252, HighControlRangeMapsToTypographicCharacters) {
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(Cp1252ToUtf8("\x93quoted\x94"), "\u201Cquoted\u201D");
    EXPECT_EQ(Cp1252ToUtf8("\xE9"), "\u00E9");
    // Undefined bytes become the C1 control of the same value.
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\u0081");
    EXPECT_EQ(Utf8ToCp1252("\u0081\u009D"), "\x81\x9D");
}

TEST(Cp1252, UnmappableAndMalformedTextBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1252("Ελλάδα"), "??????");
    EXPECT_EQ(Utf8ToCp1252("日本"), "??");
    EXPECT_EQ(Utf8ToCp1252("a\xFF"
                           "b"),
              "a?b");
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82"), "??");       // torn three-byte sequence
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");       // overlong form of '/'
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");  // surrogate
    EXPECT_EQ(Utf8ToCp1252("\U0001F600"), "?");
}

}  // namespace
}  // namespace kalvex
