#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kalvex {

// Numbers typed by the user or read from files and replies are read by their
// leading decimal number: blanks and tabs are skipped, an optional sign and
// the digits that follow are read, and anything after them is ignored. A text
// without a leading number reads as 0. Results saturate at the int64 limits.
std::int64_t LeadingInteger(std::string_view text);

// The same with an optional fraction ("3.7" reads as 3.7), for sort keys.
double LeadingDecimal(std::string_view text);

// A track text's number: its leading decimal number rounded to a whole one,
// halves to even ("3.5" gives 4, "3/12" gives 3), kept within +-10^18. The
// tag and the file name of a track both take it, so they never disagree.
std::int64_t RoundedTrackNumber(std::string_view text);

// A number as plain decimal text, as a user reads it back: 7, 3.5, -2
// (whole numbers without a fraction, others with up to 15 significant digits).
std::string PlainNumberText(double value);

// The value when it fits a 16-bit signed integer.
std::optional<std::int16_t> FitInt16(std::int64_t value);

// A whole text that is one 16-bit integer, blanks around it allowed; anything
// else (empty, letters, out of range) is nullopt.
std::optional<std::int16_t> ParseWholeInt16(std::string_view text);

}  // namespace kalvex
