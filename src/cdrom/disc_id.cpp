// The FreeDB disc id and the "cddb query" command of a table of contents.
#include "cdrom/disc_id.h"

#include <array>
#include <cstdio>

#include "common/text_helpers.h"

namespace kalvex {
namespace {

constexpr std::array<std::uint32_t, 32> kPowersOfTwo = [] {
    std::array<std::uint32_t, 32> powers{};
    for (int bit = 0; bit < 32; ++bit) {
        powers[bit] = std::uint32_t{1} << bit;
    }
    return powers;
}();

std::int32_t Seconds(const DiscToc& toc, int n) {
    return TocMinute(toc, n) * 60 + TocSecond(toc, n);
}

}  // namespace

std::int32_t DigitSum(std::int32_t v) {
    std::int32_t sum = 0;
    for (; v > 0; v /= 10) {
        sum += v % 10;
    }
    return sum;
}

std::int32_t ShiftLeft32(std::int32_t value, int bits) {
    if (bits < 1) {
        return value;
    }
    if (bits > 31) {
        return 0;
    }
    const std::uint32_t shifted = static_cast<std::uint32_t>(value) * kPowersOfTwo[bits];
    return static_cast<std::int32_t>(shifted);
}

std::string ComputeDiscId(const DiscToc& toc) {
    const int n = toc.LastTrack() - toc.FirstTrack() + 1;
    std::int32_t sum = 0;
    for (int i = 1; i <= n; ++i) {
        sum += DigitSum(Seconds(toc, i));
    }
    const std::int32_t length = Seconds(toc, n + 1) - Seconds(toc, 1);
    const std::int32_t id = ShiftLeft32(sum % 255, 24) | ShiftLeft32(length, 8) | n;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(id));
    return hex;
}

std::string BuildQueryCommand(const DiscToc& toc) {
    const int count = TrackCount(toc);
    std::string command = "cddb query " + ComputeDiscId(toc) + " " + std::to_string(count);
    for (int i = 1; i <= count; ++i) {
        command += " " + std::to_string(TrackStartFrames(toc, i));
    }
    command += " " + std::to_string(DiscSeconds(toc));
    return ToLowerAscii(command);
}

}  // namespace kalvex
