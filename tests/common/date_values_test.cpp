#include "common/date_values.h"

#include <gtest/gtest.h>

namespace kalvex {
namespace {

TEST(DateValues, SerialArithmeticCarriesIntoNeighbours) {
    EXPECT_EQ(MakeDateTime(2024, 13, 1, 0, 0, 0), (DateTimeValue{2025, 1, 1, 0, 0, 0}));
    EXPECT_EQ(MakeDateTime(2024, 3, 0, 0, 0, 0), (DateTimeValue{2024, 2, 29, 0, 0, 0}));
    EXPECT_EQ(MakeDateTime(2023, 2, 29, 0, 0, 0), (DateTimeValue{2023, 3, 1, 0, 0, 0}));
    EXPECT_EQ(MakeDateTime(2024, 12, 31, 23, 59, 60), (DateTimeValue{2025, 1, 1, 0, 0, 0}));
    EXPECT_EQ(MakeDateTime(2024, 1, 1, 0, 0, -1), (DateTimeValue{2023, 12, 31, 23, 59, 59}));
}

TEST(DateValues, ParseDateTextReadsDayMonthYearAndOptionalTime) {
    EXPECT_EQ(ParseDateText("25/12/2023 18:30:05", false),
              (DateTimeValue{2023, 12, 25, 18, 30, 5}));
    EXPECT_EQ(ParseDateText("25/12/2023 18:30:05", true), (DateTimeValue{2023, 12, 25, 0, 0, 0}));
    // A part that is not a number, or too long to be one, counts as 0: day 0
    // of January is 31 December.
    EXPECT_EQ(ParseDateText("x/1/2024", false), (DateTimeValue{2023, 12, 31, 0, 0, 0}));
    EXPECT_EQ(ParseDateText(std::string(1000, '9') + "/1/2003", true),
              (DateTimeValue{2002, 12, 31, 0, 0, 0}));
}

// Sort keys make text order the order of numbers, dates and times.
TEST(SortKeys, NumbersDatesAndTimesBecomeFixedWidthDigits) {
    EXPECT_EQ(BuildSortKey("10", 2), "0000000010");
    EXPECT_EQ(BuildSortKey("2.5", 2), "0000000003");  // half away from zero
    EXPECT_EQ(BuildSortKey("-2.5", 2), "-0000000003");
    EXPECT_EQ(BuildSortKey("12345678901", 2), "12345678901");
    EXPECT_EQ(BuildSortKey("", 2), "");
    EXPECT_EQ(BuildSortKey("10", 5), "");
    EXPECT_EQ(BuildSortKey("5/3/2021 7:08:09", 1), "20210305070809");
    EXPECT_EQ(BuildSortKey("5/3/2021 7:08:09", 4), "20210305");
    // Times on a twelve-hour clock: 12 am is midnight, 12 pm noon.
    EXPECT_EQ(BuildSortKey("3:45", 3), "034500");
    EXPECT_EQ(BuildSortKey("7:08:09 pm", 3), "190809");
    EXPECT_EQ(BuildSortKey("12:10 PM", 3), "121000");
    EXPECT_EQ(BuildSortKey("12:10 am", 3), "001000");
}

}  // namespace
}  // namespace kalvex
