// The FreeDB disc id and the "cddb query" command of a table of contents.
#include "cdrom/disc_id.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "common/digests.h"
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

AudioSession MusicBrainzSession(const DiscToc& toc) {
    constexpr std::int32_t kSessionGap = 11400;
    AudioSession session;
    session.first = toc.FirstTrack();
    session.last = toc.LastTrack();
    session.lead_out = LeadOutFrames(toc);
    int count = TrackCount(toc);
    if (count > 1 && IsDataTrack(toc, count)) {
        session.lead_out = TrackStartFrames(toc, count) - kSessionGap;
        --session.last;
        --count;
    }
    for (int n = 1; n <= count; ++n) {
        session.starts.push_back(TrackStartFrames(toc, n));
    }
    return session;
}

std::string MusicBrainzDiscId(const DiscToc& toc) {
    const AudioSession session = MusicBrainzSession(toc);
    std::array<std::int32_t, 100> offsets{};
    offsets[0] = session.lead_out;
    for (std::size_t i = 0; i < session.starts.size(); ++i) {
        const int track = session.first + static_cast<int>(i);
        if (track >= 1 && track <= 99) {
            offsets[static_cast<std::size_t>(track)] = session.starts[i];
        }
    }
    char text[4 + 8 * 100 + 1];
    std::snprintf(text, 5, "%02X%02X", session.first, session.last);
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        std::snprintf(text + 4 + 8 * i, 9, "%08X", static_cast<unsigned>(offsets[i]));
    }
    const std::array<std::uint8_t, 20> digest = Sha1(std::string_view(text, sizeof text - 1));
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._";
    std::string id;
    for (std::size_t i = 0; i < digest.size(); i += 3) {
        const std::uint32_t group =
            std::uint32_t{digest[i]} << 16 |
            (i + 1 < digest.size() ? std::uint32_t{digest[i + 1]} << 8 : 0) |
            (i + 2 < digest.size() ? digest[i + 2] : 0);
        const std::size_t present = std::min<std::size_t>(digest.size() - i, 3);
        for (std::size_t k = 0; k < 4; ++k) {
            id += k <= present ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '-';
        }
    }
    return id;
}

std::string MusicBrainzToc(const DiscToc& toc) {
    const AudioSession session = MusicBrainzSession(toc);
    std::string text = std::to_string(session.first) + "+" + std::to_string(session.last) + "+" +
                       std::to_string(session.lead_out);
    for (const std::int32_t start : session.starts) {
        text += "+" + std::to_string(start);
    }
    return text;
}

}  // namespace kalvex
