#include "common/date_values.h"

#include <gtest/gtest.h>

namespace kalvex {
namespace {

TEST(DateValues, SerialArithmeticCarriesIntoNeighbours) {
    EXPECT_EQ(MakeDateTime(2024, 13, 1, 0, 0, 0), (DateTimeValue{2025, 1, 1, 0, 0, 0}));
    EXPECT_EQ(MakeDateTime(2024, 3, 0, 0, 0, 0), (DateTimeValue{2024, 2, 29, 0, 0, 0}));
    EXPECT_EQ(MakeDateTime(2023, 2, 29, 0, 0, 0), (DateTimeValue{2023, 3, 1, 0, 0, 0}));
    EXPECT_EQ(MakeDateTime(2024, 1, 0, 0, 0, 0), (DateTimeValue{2023, 12, 31, 0, 0, 0}));
    EXPECT_EQ(MakeDateTime(2024, 12, 31, 23, 59, 60), (DateTimeValue{2025, 1, 1, 0, 0, 0}));
    EXPECT_EQ(MakeDateTime(2024, 1, 1, 0, 0, -1), (DateTimeValue{2023, 12, 31, 23, 59, 59}));
}

TEST(DateValues, ParseDateTextReadsDayMonthYearAndOptionalTime) {
    EXPECT_EQ(ParseDateText("25/12/2023 18:30:05", false),
              (DateTimeValue{2023, 12, 25, 18, 30, 5}));
    EXPECT_EQ(ParseDateText("25/12/2023 18:30:05", true), (DateTimeValue{2023, 12, 25, 0, 0, 0}));
    EXPECT_EQ(ParseDateText("31/13/2023", false), (DateTimeValue{2024, 1, 31, 0, 0, 0}));
    // A part that is not a number counts as 0: day 0 of January is 31 Dec.
    EXPECT_EQ(ParseDateText("x/1/2024", false), (DateTimeValue{2023, 12, 31, 0, 0, 0}));
}

TEST(DateValues, PartsWithLeadingZerosKeepTheirValueAndHugeOnesCountAsZero) {
    EXPECT_EQ(ParseDateText("0000017/01/2003", true), (DateTimeValue{2003, 1, 17, 0, 0, 0}));
    EXPECT_EQ(ParseDateText("1/1/2003 00000000012:0:0", false),
              (DateTimeValue{2003, 1, 1, 12, 0, 0}));
    const std::string huge(1000, '9');
    EXPECT_EQ(ParseDateText(huge + "/1/2003", true), (DateTimeValue{2002, 12, 31, 0, 0, 0}));
}

TEST(DateValues, ParseClockTimeHandlesTwelveHourClock) {
    EXPECT_EQ(ParseClockTime("3:45").hour, 3);
    EXPECT_EQ(ParseClockTime("3:45 PM").hour, 15);
    EXPECT_EQ(ParseClockTime("12:10 pm").hour, 12);
    EXPECT_EQ(ParseClockTime("12:10 am").hour, 0);
    EXPECT_EQ(ParseClockTime("1:02:03").second, 3);
    EXPECT_EQ(ParseClockTime("1:02").second, 0);
}

TEST(SortKeys, NumbersArePaddedSoTextOrderIsNumberOrder) {
    EXPECT_EQ(BuildSortKey("10", 2), "0000000010");
    EXPECT_EQ(BuildSortKey("2", 2), "0000000002");
    EXPECT_EQ(BuildSortKey("3:45", 2), "0000000003");
    EXPECT_EQ(BuildSortKey("2.5", 2), "0000000003");
    EXPECT_EQ(BuildSortKey("abc", 2), "0000000000");
    EXPECT_EQ(BuildSortKey("12345678901", 2), "12345678901");
    EXPECT_EQ(BuildSortKey("", 2), "");
    EXPECT_EQ(BuildSortKey("10", 5), "");
}

TEST(SortKeys, DatesAndTimesFormatAsFixedWidthDigits) {
    EXPECT_EQ(BuildSortKey("5/3/2021 7:08:09", 1), "20210305070809");
    EXPECT_EQ(BuildSortKey("5/3/2021 7:08:09", 4), "20210305");
    EXPECT_EQ(BuildSortKey("7:08:09 pm", 3), "190809");
    EXPECT_LT(BuildSortKey("9:00", 3), BuildSortKey("10:00", 3));
}

}  // namespace
}  // namespace kalvex
