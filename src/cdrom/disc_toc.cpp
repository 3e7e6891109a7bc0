// The fields of a drive's READ TOC reply: track range, addresses and track starts.
#include "cdrom/disc_toc.h"

#include <stdexcept>

namespace kalvex {
namespace {

size_t DescriptorOffset(int n) {
    if (n < 1 || n > kTocDescriptorCount) {
        throw std::out_of_range("TOC descriptor " + std::to_string(n) + " is not in 1..100");
    }
    return 4 + 8 * static_cast<size_t>(n - 1);
}

}  // namespace

void DiscToc::SetTrackRange(std::uint8_t first, std::uint8_t last) {
    bytes[2] = first;
    bytes[3] = last;
}

void DiscToc::SetAddress(int n, std::uint8_t minute, std::uint8_t second, std::uint8_t frame) {
    const size_t offset = DescriptorOffset(n);
    bytes[offset + 5] = minute;
    bytes[offset + 6] = second;
    bytes[offset + 7] = frame;
}

std::int16_t TrackCount(const DiscToc& toc) {
    if (toc.FirstTrack() == 0 && toc.LastTrack() == 0) {
        return 0;
    }
    return static_cast<std::int16_t>(toc.LastTrack() - toc.FirstTrack() + 1);
}

std::uint8_t TocMinute(const DiscToc& toc, int n) {
    return toc.bytes[DescriptorOffset(n) + 5];
}
std::uint8_t TocSecond(const DiscToc& toc, int n) {
    return toc.bytes[DescriptorOffset(n) + 6];
}
std::uint8_t TocFrame(const DiscToc& toc, int n) {
    return toc.bytes[DescriptorOffset(n) + 7];
}

bool IsDataTrack(const DiscToc& toc, int n) {
    return (toc.bytes[DescriptorOffset(n) + 1] & 0x04) != 0;
}

std::int32_t TrackStartFrames(const DiscToc& toc, int n) {
    return (TocMinute(toc, n) * 60 + TocSecond(toc, n)) * kFramesPerSecond + TocFrame(toc, n);
}

std::int32_t LeadOutFrames(const DiscToc& toc) {
    return TrackStartFrames(toc, TrackCount(toc) + 1);
}

std::int32_t DiscSeconds(const DiscToc& toc) {
    return LeadOutFrames(toc) / kFramesPerSecond;
}

std::optional<std::string> TocProblem(const DiscToc& toc) {
    const int first = toc.FirstTrack();
    const int last = toc.LastTrack();
    if (first == 0 && last == 0) {
        return "The table of contents lists no tracks";
    }
    if (last < first) {
        return "The table of contents is invalid: last track " + std::to_string(last) +
               " is below first track " + std::to_string(first);
    }
    if (last - first + 1 > kTocDescriptorCount - 1) {
        return "The table of contents is invalid: " + std::to_string(last - first + 1) +
               " tracks leave no room for the lead-out (99 at most)";
    }
    return std::nullopt;
}

}  // namespace kalvex
