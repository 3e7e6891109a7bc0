#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kalvex {

inline constexpr int kFramesPerSecond = 75;
inline constexpr int kTocDescriptorCount = 100;
inline constexpr size_t kDiscTocSize = 4 + 8 * kTocDescriptorCount;  // 804

// The drive's READ TOC reply, format 0 in MSF form, exactly as it arrives:
// a 4-byte header (data length, first and last track number) and 100
// descriptors of 8 bytes whose bytes 5 to 7 are minute, second and frame.
// Descriptor i belongs to the i-th track counted from the first; the one
// right behind the last track is the lead-out.
struct DiscToc {
    std::array<std::uint8_t, kDiscTocSize> bytes{};

    std::uint8_t FirstTrack() const { return bytes[2]; }
    std::uint8_t LastTrack() const { return bytes[3]; }
    void SetTrackRange(std::uint8_t first, std::uint8_t last);
    // n from 1 to 100 names descriptor n - 1.
    void SetAddress(int n, std::uint8_t minute, std::uint8_t second, std::uint8_t frame);
};

// 0 when first and last track are both 0, else last - first + 1.
std::int16_t TrackCount(const DiscToc& toc);

// Minute, second and frame of descriptor n - 1, n from 1 to 100; any other n
// is a programming error and throws std::out_of_range.
std::uint8_t TocMinute(const DiscToc& toc, int n);
std::uint8_t TocSecond(const DiscToc& toc, int n);
std::uint8_t TocFrame(const DiscToc& toc, int n);

// (M * 60 + S) * 75 + F of descriptor n - 1; includes the 150-frame lead-in.
std::int32_t TrackStartFrames(const DiscToc& toc, int n);
std::int32_t LeadOutFrames(const DiscToc& toc);
// Whether descriptor n - 1 is a data track (control bit 2 of its ADR/control byte).
bool IsDataTrack(const DiscToc& toc, int n);
std::int32_t DiscSeconds(const DiscToc& toc);

// Why this TOC cannot describe a disc (no tracks, last track below the first,
// lead-out beyond the last descriptor), or nullopt when it can. Every value
// above is defined only for a TOC that passes.
std::optional<std::string> TocProblem(const DiscToc& toc);

}  // namespace kalvex
