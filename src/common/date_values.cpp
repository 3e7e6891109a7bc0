// Calendar dates and clock times, built and compared by serial arithmetic.
#include "common/date_values.h"

#include <cmath>
#include <cstdio>

#include "common/numbers.h"
#include "common/text_helpers.h"

namespace kalvex {
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, DateTimeValue& out) {
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = yoe + era * 400 + (out.month <= 2);
}

std::int16_t PartOrZero(std::string_view text) {
    return ParseWholeInt16(text).value_or(0);
}

// Removes every occurrence of an ASCII word, ignoring case.
std::string RemoveIgnoringCase(std::string_view text, std::string_view word) {
    std::string result;
    std::int32_t from = 1;
    for (;;) {
        const std::int32_t at = FindText(from, text, word, false);
        if (at == 0) {
            result.append(text.substr(from - 1));
            return result;
        }
        result.append(text.substr(from - 1, at - from));
        from = at + static_cast<std::int32_t>(word.size());
    }
}

std::string Digits(std::int64_t value, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    return buffer;
}

}  // namespace

DateTimeValue MakeDateTime(std::int64_t year, std::int64_t month, std::int64_t day,
                           std::int64_t hour, std::int64_t minute, std::int64_t second) {
    // Months carry into years first, then everything else counts in seconds.
    const std::int64_t month_index = month - 1;
    year += FloorDiv(month_index, 12);
    month = month_index - FloorDiv(month_index, 12) * 12 + 1;
    const std::int64_t seconds = hour * 3600 + minute * 60 + second;
    const std::int64_t days = DaysFromCivil(year, month, 1) + (day - 1) + FloorDiv(seconds, 86400);
    const std::int64_t clock = seconds - FloorDiv(seconds, 86400) * 86400;

    DateTimeValue value;
    CivilFromDays(days, value);
    value.hour = static_cast<int>(clock / 3600);
    value.minute = static_cast<int>(clock / 60 % 60);
    value.second = static_cast<int>(clock % 60);
    return value;
}

DateTimeValue ParseDateText(std::string_view text, bool date_only) {
    std::string date_part(text);
    std::string time_part;
    if (text.find(' ') != std::string_view::npos) {
        date_part = GetField(text, " ", 1);
        time_part = GetField(text, " ", 2);
    }
    std::int64_t hour = 0, minute = 0, second = 0;
    if (!date_only && !time_part.empty()) {
        hour = PartOrZero(GetField(time_part, ":", 1));
        minute = PartOrZero(GetField(time_part, ":", 2));
        second = PartOrZero(GetField(time_part, ":", 3));
    }
    return MakeDateTime(PartOrZero(GetField(date_part, "/", 3)),
                        PartOrZero(GetField(date_part, "/", 2)),
                        PartOrZero(GetField(date_part, "/", 1)), hour, minute, second);
}

DateTimeValue ParseClockTime(std::string_view text) {
    std::string clock(text);
    bool afternoon = false;
    bool morning = false;
    if (FindText(1, clock, "pm", false) != 0) {
        clock = RemoveIgnoringCase(clock, "pm");
        afternoon = true;
    } else if (FindText(1, clock, "am", false) != 0) {
        clock = RemoveIgnoringCase(clock, "am");
        morning = true;
    }
    std::int64_t hour = PartOrZero(GetField(clock, ":", 1));
    const std::int64_t minute = PartOrZero(GetField(clock, ":", 2));
    const std::int64_t second =
        CountOccurrences(clock, ":") >= 2 ? PartOrZero(GetField(clock, ":", 3)) : 0;
    // On a twelve-hour clock 12 am is midnight and 12 pm is noon.
    if (afternoon && hour < 12) {
        hour += 12;
    } else if (morning && hour == 12) {
        hour = 0;
    }
    return MakeDateTime(1899, 12, 30, hour, minute, second);
}

std::string BuildSortKey(std::string_view cell, int kind) {
    if (cell.empty()) {
        return {};
    }
    switch (kind) {
        case 1: {
            const DateTimeValue v = ParseDateText(cell, false);
            return Digits(v.year, 4) + Digits(v.month, 2) + Digits(v.day, 2) + Digits(v.hour, 2) +
                   Digits(v.minute, 2) + Digits(v.second, 2);
        }
        case 2: {
            // Half away from zero, as the classic number formatting rounds.
            const double rounded = std::round(LeadingDecimal(cell));
            if (!(std::fabs(rounded) < 9.2e18)) {
                return rounded < 0 ? "-9223372036854775807" : "9223372036854775807";
            }
            const auto whole = static_cast<std::int64_t>(rounded);
            return whole < 0 ? "-" + Digits(-whole, 10) : Digits(whole, 10);
        }
        case 3: {
            const DateTimeValue v = ParseClockTime(cell);
            return Digits(v.hour, 2) + Digits(v.minute, 2) + Digits(v.second, 2);
        }
        case 4: {
            const DateTimeValue v = ParseDateText(cell, true);
            return Digits(v.year, 4) + Digits(v.month, 2) + Digits(v.day, 2);
        }
        default:
            return {};
    }
}

}  // namespace kalvex
