#include "common/text_helpers.h"

#include <gtest/gtest.h>

#include "common/numbers.h"

namespace kalvex {
namespace {

TEST(PathHelpers, AddBackslashAndGetParentFolderKeepExactlyOneTrailingSeparator) {
    EXPECT_EQ(AddBackslash("C:\\Music", '\\'), "C:\\Music\\");
    EXPECT_EQ(AddBackslash("C:\\", '\\'), "C:\\");
    EXPECT_EQ(AddBackslash("", '\\'), "\\");
    EXPECT_EQ(GetParentFolder("C:\\Music\\Album", '\\'), "C:\\Music\\");
    EXPECT_EQ(GetParentFolder("/music"), "/");
    // A root, a path ending in its separator and a bare name stay as they are.
    EXPECT_EQ(GetParentFolder("/"), "/");
    EXPECT_EQ(GetParentFolder("/home/u/"), "/home/u/");
    EXPECT_EQ(GetParentFolder("Music"), "Music");
}

TEST(Fields, GetFieldCutsAtSingleAndMultiCharacterDelimiters) {
    EXPECT_EQ(CountOccurrences("aaa", "aa"), 2);
    EXPECT_EQ(CountOccurrences("abc", ""), 0);
    EXPECT_EQ(GetField("a b c", " ", 3), "c");
    EXPECT_EQ(GetField("a b c", " ", 4), "");
    EXPECT_EQ(GetField("a,,b", ",", 2), "");
    EXPECT_EQ(GetField("x", ",", 0), "");
    EXPECT_EQ(GetField("no delimiter", " / ", 1), "no delimiter");
    // A slash without blanks is no delimiter.
    EXPECT_EQ(GetField("AC/DC / Back in Black", " / ", 1), "AC/DC");
    EXPECT_EQ(GetField("AC/DC / Back in Black", " / ", 2), "Back in Black");
    // The count sees two "aa" in "aaa", but the cut runs out of delimiters
    // before a third field: no field, and no read past the text.
    EXPECT_EQ(GetField("aaa", "aa", 3), "");
}

TEST(Markers, GetBetweenCaseModesMissingMarkersAndStartPositions) {
    std::int32_t start = 1;
    EXPECT_EQ(GetBetween("<B>", "</B>", "x<b>bold</b>y", start, true), "");
    EXPECT_EQ(GetBetween("<B>", "</B>", "x<b>bold</b>y", start, false), "bold");
    EXPECT_EQ(GetBetween("[", "]", "[open only", start, true), "");
    EXPECT_EQ(GetBetween("[", "]", "no markers", start, true), "");
    // The end marker must follow the start marker, not precede it.
    EXPECT_EQ(GetBetween("[", "]", "] [x]", start, true), "x");
    start = 4;
    EXPECT_EQ(GetBetween("[", "]", "[a][b]", start, true), "b");
    start = 0;  // counts as 1
    EXPECT_EQ(GetBetween("[", "]", "[a][b]", start, true), "a");
    EXPECT_EQ(start, 1);
    start = 100;
    EXPECT_EQ(GetBetween("[", "]", "[a]", start, true), "");
}

TEST(Numbers, LeadingNumbersReadLikeTypedText) {
    EXPECT_EQ(LeadingInteger("  12abc"), 12);
    EXPECT_EQ(LeadingInteger("-7"), -7);
    EXPECT_EQ(LeadingInteger("99999999999999999999999"), INT64_MAX);
    EXPECT_DOUBLE_EQ(LeadingDecimal("3.75x"), 3.75);
    EXPECT_EQ(ParseWholeInt16(" 12 "), 12);
    EXPECT_FALSE(ParseWholeInt16("12x"));
    EXPECT_FALSE(ParseWholeInt16(""));
    // Leading zeros do not count against the range; no length overflows.
    EXPECT_EQ(ParseWholeInt16("-0000032768"), -32768);
    EXPECT_FALSE(ParseWholeInt16("00000032768"));
    EXPECT_FALSE(ParseWholeInt16("-" + std::string(1000, '9')));
}

}  // namespace
}  // namespace kalvex
