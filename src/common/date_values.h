#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kalvex {

// A calendar date and clock time, always normalised (month 1-12, day valid for
// its month, hour 0-23 ...). Built by serial arithmetic: a month, day, hour,
// minute or second beyond its range carries into its neighbours, so
// MakeDateTime(2024, 13, 1, 0, 0, 0) is 2025-01-01 and day 0 is the last day
// of the month before.
struct DateTimeValue {
    std::int64_t year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const DateTimeValue&) const = default;
};

DateTimeValue MakeDateTime(std::int64_t year, std::int64_t month, std::int64_t day,
                           std::int64_t hour, std::int64_t minute, std::int64_t second);

// "d/m/y" optionally followed by one blank and "h:m:s". A part that is missing
// or not a 16-bit number counts as 0. With `date_only` the time is dropped.
DateTimeValue ParseDateText(std::string_view text, bool date_only);

// "h:m" or "h:m:s", optionally with "am" or "pm" anywhere in it.
DateTimeValue ParseClockTime(std::string_view text);

// The fixed-width key that makes a list view, which compares text only, sort
// a column by number (kind 2), date and time (1), clock time (3) or date (4).
// Other kinds, and empty cells, give the empty key.
std::string BuildSortKey(std::string_view cell, int kind);

}  // namespace kalvex
