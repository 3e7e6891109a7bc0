// Numbers read leniently from typed text, files and replies, and written back plainly.
#include "common/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kalvex {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips leading blanks and reads an optional sign; returns true for minus.
bool ReadSign(std::string_view text, size_t& i) {
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        return text[i++] == '-';
    }
    return false;
}

}  // namespace

std::int64_t LeadingInteger(std::string_view text) {
    size_t i = 0;
    const bool negative = ReadSign(text, i);
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

double LeadingDecimal(std::string_view text) {
    size_t i = 0;
    const bool negative = ReadSign(text, i);
    double value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
    }
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && IsDigit(text[i]); ++i, scale /= 10) {
            value += (text[i] - '0') * scale;
        }
    }
    return negative ? -value : value;
}

std::int64_t RoundedTrackNumber(std::string_view text) {
    constexpr double kLimit = 1e18;
    return static_cast<std::int64_t>(
        std::clamp(std::nearbyint(LeadingDecimal(text)), -kLimit, kLimit));
}

std::string PlainNumberText(double value) {
    char text[32];
    if (std::nearbyint(value) == value && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    } else {
        std::snprintf(text, sizeof text, "%.15g", value);
    }
    return text;
}

std::optional<std::int16_t> FitInt16(std::int64_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

std::optional<std::int16_t> ParseWholeInt16(std::string_view text) {
    size_t i = 0;
    ReadSign(text, i);
    const size_t first_digit = i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    const size_t digits = i - first_digit;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    // Any number of digits: the reading saturates, so leading zeros keep the
    // value and an overlong number is simply out of range.
    if (digits == 0 || i != text.size()) {
        return std::nullopt;
    }
    return FitInt16(LeadingInteger(text));
}

}  // namespace kalvex
