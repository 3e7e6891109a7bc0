// Tables of contents as text ("1 2 0:2:0 3:0:0 5:30:10") and as a drive's reply bytes.
#include "cdrom/toc_text.h"

#include <cctype>
#include <charconv>
#include <sstream>

namespace kalvex {
namespace {

constexpr int kLeadOutTrackNumber = 0xAA;
constexpr int kAudioAdrControl = 0x10;
constexpr int kDataAdrControl = 0x14;

std::vector<std::string_view> SplitWhitespace(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        const size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

// A plain decimal number from 0 to `maximum`, nothing else in the word.
std::optional<int> ReadNumber(std::string_view word, int maximum) {
    int value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size() || value < 0 ||
        value > maximum) {
        return std::nullopt;
    }
    return value;
}

std::optional<MsfAddress> ReadAddress(std::string_view word) {
    const bool data = word.ends_with('d');
    if (data) {
        word.remove_suffix(1);
    }
    const size_t colon1 = word.find(':');
    const size_t colon2 = colon1 == std::string_view::npos ? colon1 : word.find(':', colon1 + 1);
    if (colon2 == std::string_view::npos) {
        return std::nullopt;
    }
    const auto minute = ReadNumber(word.substr(0, colon1), 255);
    const auto second = ReadNumber(word.substr(colon1 + 1, colon2 - colon1 - 1), 59);
    const auto frame = ReadNumber(word.substr(colon2 + 1), kFramesPerSecond - 1);
    if (!minute || !second || !frame) {
        return std::nullopt;
    }
    return MsfAddress{*minute, *second, *frame, data};
}

int Frames(const MsfAddress& a) {
    return (a.minute * 60 + a.second) * kFramesPerSecond + a.frame;
}

TocTextResult TocError(std::string error) {
    return {std::nullopt, std::move(error)};
}

}  // namespace

DiscToc MakeDiscToc(int first_track, int last_track, const std::vector<MsfAddress>& starts) {
    DiscToc toc;
    const size_t data_length = 2 + 8 * starts.size();
    toc.bytes[0] = static_cast<std::uint8_t>(data_length >> 8);
    toc.bytes[1] = static_cast<std::uint8_t>(data_length & 0xFF);
    toc.SetTrackRange(static_cast<std::uint8_t>(first_track),
                      static_cast<std::uint8_t>(last_track));
    for (size_t i = 0; i < starts.size() && i < kTocDescriptorCount; ++i) {
        const bool lead_out = i + 1 == starts.size();
        std::uint8_t* descriptor = &toc.bytes[4 + 8 * i];
        descriptor[1] = starts[i].data && !lead_out ? kDataAdrControl : kAudioAdrControl;
        descriptor[2] = static_cast<std::uint8_t>(lead_out ? kLeadOutTrackNumber
                                                           : first_track + static_cast<int>(i));
        toc.SetAddress(static_cast<int>(i) + 1, static_cast<std::uint8_t>(starts[i].minute),
                       static_cast<std::uint8_t>(starts[i].second),
                       static_cast<std::uint8_t>(starts[i].frame));
    }
    return toc;
}

TocTextResult ParseTocText(std::string_view text) {
    const std::vector<std::string_view> words = SplitWhitespace(text);
    if (words.size() < 2) {
        return TocError("TOC text must start with the first and last track number");
    }
    const auto first = ReadNumber(words[0], 99);
    const auto last = ReadNumber(words[1], 99);
    if (!first || !last) {
        return TocError("TOC track numbers must be whole numbers from 0 to 99");
    }
    DiscToc probe;
    probe.SetTrackRange(static_cast<std::uint8_t>(*first), static_cast<std::uint8_t>(*last));
    if (auto problem = TocProblem(probe)) {
        return TocError(*problem);
    }
    const size_t expected = static_cast<size_t>(*last - *first + 2);
    if (words.size() - 2 != expected) {
        return TocError("TOC text for tracks " + std::to_string(*first) + " to " +
                        std::to_string(*last) + " needs " + std::to_string(expected) +
                        " addresses (each track's start and the lead-out), not " +
                        std::to_string(words.size() - 2));
    }
    std::vector<MsfAddress> starts;
    for (size_t i = 2; i < words.size(); ++i) {
        const auto address = ReadAddress(words[i]);
        if (!address || (address->data && i + 1 == words.size())) {
            return TocError("TOC address '" + std::string(words[i]) +
                            "' is not M:S:F (seconds below 60, frames below 75)");
        }
        if (!starts.empty() && Frames(*address) <= Frames(starts.back())) {
            return TocError("TOC address '" + std::string(words[i]) +
                            "' does not lie after the one before it");
        }
        starts.push_back(*address);
    }
    return {MakeDiscToc(*first, *last, starts), {}};
}

std::string FormatTocText(const DiscToc& toc) {
    std::ostringstream out;
    out << int{toc.FirstTrack()} << ' ' << int{toc.LastTrack()};
    for (int n = 1; n <= TrackCount(toc) + 1; ++n) {
        out << ' ' << int{TocMinute(toc, n)} << ':' << int{TocSecond(toc, n)} << ':'
            << int{TocFrame(toc, n)} << (n <= TrackCount(toc) && IsDataTrack(toc, n) ? "d" : "");
    }
    return out.str();
}

}  // namespace kalvex
