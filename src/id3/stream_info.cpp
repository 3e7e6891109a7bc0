// The facts of a file's first MPEG audio frame and which tags it has.
#include "id3/stream_info.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "id3/id3v2_reader.h"
#include "id3/mp3_file.h"

namespace kalvex {
namespace {

// Bit rates in kbit/s by bit-rate index 0..15 (0: free format, 15: forbidden).
constexpr std::array<std::array<std::int32_t, 16>, 5> kBitrates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // v1 layer 1
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // v1 layer 2
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // v1 layer 3
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},     // v2/2.5 layer 1
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},  // v2/2.5 layers 2, 3
}};
constexpr std::array<std::int32_t, 4> kSampleRates = {44100, 48000, 32000, 0};
constexpr std::array<const char*, 4> kChannelModes = {"Stereo", "Joint stereo", "Dual channel",
                                                      "Mono"};

// The search reads through the file's read-ahead window, so the VBR header
// reads that follow usually cost nothing.
constexpr size_t kSearchChunk = Mp3File::kWindowSize;

bool IsSync(const std::uint8_t* h) {
    return h[0] == 0xFF && (h[1] & 0xE0) == 0xE0;
}

// Version bits 1 and layer bits 0 are reserved; such a sync pattern is no frame.
bool HasValidVersionAndLayer(const std::uint8_t* h) {
    return ((h[1] >> 3) & 3) != 1 && ((h[1] >> 1) & 3) != 0;
}

std::uint32_t BigEndian32(const std::uint8_t* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

bool Starts(const std::uint8_t* bytes, const char* marker) {
    return bytes[0] == marker[0] && bytes[1] == marker[1] && bytes[2] == marker[2] &&
           bytes[3] == marker[3];
}

// Nearest whole number, halves to even; 0 for what cannot be computed.
std::int32_t RoundToInt32(double value) {
    if (!std::isfinite(value) || value < 0) {
        return 0;
    }
    const double rounded = std::nearbyint(value);
    return rounded > std::numeric_limits<std::int32_t>::max()
               ? std::numeric_limits<std::int32_t>::max()
               : static_cast<std::int32_t>(rounded);
}

struct VbrCounts {
    std::uint32_t frames = 0;
    std::uint32_t bytes = 0;
};

VbrCounts ReadVbrHeader(const Mp3File& file, std::int64_t frame, const FrameHeader& header) {
    VbrCounts counts;
    std::array<std::uint8_t, 16> xing{};
    if (file.ReadAt(frame + header.XingOffset(), xing) >= 4 &&
        (Starts(xing.data(), "Xing") || Starts(xing.data(), "Info")) && (xing[7] & 1) != 0) {
        counts.frames = BigEndian32(&xing[8]);
        if ((xing[7] & 2) != 0) {
            counts.bytes = BigEndian32(&xing[12]);
        }
    }
    std::array<std::uint8_t, 18> vbri{};
    if (file.ReadAt(frame + 36, vbri) >= 4 && Starts(vbri.data(), "VBRI")) {
        counts.bytes = BigEndian32(&vbri[10]);
        counts.frames = BigEndian32(&vbri[14]);
    }
    return counts;
}

void DecodeFrame(const Mp3File& file, std::int64_t pos, const std::array<std::uint8_t, 4>& h,
                 StreamInfo& info) {
    const FrameHeader frame = DecodeFrameHeader(h);
    const int version_code = frame.version_code;
    const int layer = frame.layer;
    static constexpr std::array<const char*, 4> kVersionTexts = {"", "version 1", "version 2",
                                                                 "version 2.5"};
    info.VersionLayer = std::string(kVersionTexts[static_cast<size_t>(version_code)]) + " layer " +
                        std::to_string(layer);
    const int samples = frame.samples;

    info.UsesChecksums = (h[1] & 1) == 0;
    const int mode = h[3] >> 6;
    info.ChannelMode = kChannelModes[static_cast<size_t>(mode)];
    info.Frequency = frame.sample_rate;

    const VbrCounts vbr = ReadVbrHeader(file, pos, frame);
    if (vbr.bytes != 0 && vbr.frames != 0) {
        info.VariableBitrate = true;
        info.Bitrate = RoundToInt32(static_cast<double>(vbr.bytes) / vbr.frames / samples / 125 *
                                    info.Frequency);
        info.LengthSeconds =
            info.Frequency == 0
                ? 0
                : RoundToInt32(static_cast<double>(vbr.frames) / info.Frequency * samples);
    } else {
        info.VariableBitrate = false;
        info.Bitrate = frame.bitrate;
        info.LengthSeconds =
            info.Bitrate == 0
                ? 0
                : RoundToInt32(static_cast<double>(file.Length() - pos) / (info.Bitrate * 125.0));
    }
    info.Copyrighted = (h[3] & 8) != 0;
    info.Original = (h[3] & 4) != 0;
    info.Emphasis = (h[3] & 3) != 0;
}

// The tag facts of the last step; the start of the file is read first, while
// it is still in the read-ahead window.
void ReadTagV2Fact(const Mp3File& file, StreamInfo& info) {
    info.TagV2Major = -1;
    std::array<std::uint8_t, 4> head{};
    if (file.ReadAt(0, head) == head.size() && head[0] == 'I' && head[1] == 'D' && head[2] == '3') {
        info.TagV2Major = head[3];
    }
}

void ReadTagV1Fact(const Mp3File& file, StreamInfo& info) {
    const std::int64_t length = file.Length();
    info.TagV1Minor = -1;
    std::array<std::uint8_t, 128> v1{};
    if (length >= 128 && file.ReadAt(length - 128, v1) == v1.size() && v1[0] == 'T' &&
        v1[1] == 'A' && v1[2] == 'G') {
        info.TagV1Minor = v1[125] == 0 && v1[126] != 0 ? 1 : 0;
    }
    info.FileSize = length;
}

}  // namespace

FrameHeader DecodeFrameHeader(const std::array<std::uint8_t, 4>& h) {
    FrameHeader frame;
    const int version_bits = (h[1] >> 3) & 3;
    frame.version_code = version_bits == 3 ? 1 : version_bits == 2 ? 2 : 3;
    frame.layer = 4 - ((h[1] >> 1) & 3);
    frame.samples = frame.layer == 1                                ? 384
                    : (frame.layer == 3 && frame.version_code != 1) ? 576
                                                                    : 1152;
    frame.sample_rate =
        kSampleRates[static_cast<size_t>((h[2] >> 2) & 3)] / (frame.version_code == 1   ? 1
                                                              : frame.version_code == 2 ? 2
                                                                                        : 4);
    const size_t table =
        frame.version_code == 1 ? static_cast<size_t>(frame.layer - 1) : (frame.layer == 1 ? 3 : 4);
    frame.bitrate = kBitrates[table][h[2] >> 4];
    frame.mono = (h[3] >> 6) == 3;
    frame.padded = (h[2] & 2) != 0;
    return frame;
}

std::int64_t FrameHeader::Length() const {
    if (bitrate == 0 || sample_rate == 0) {
        return 0;
    }
    // Layer 1 counts in slots of four bytes.
    const std::int64_t slot = layer == 1 ? 4 : 1;
    return (std::int64_t{samples} / 8 * bitrate * 1000 / sample_rate / slot + (padded ? 1 : 0)) *
           slot;
}

std::int64_t FrameHeader::XingOffset() const {
    const std::int64_t side_info = version_code == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return 4 + side_info;
}

std::int64_t FindFrameHeader(const Mp3File& file, std::int64_t start,
                             std::array<std::uint8_t, 4>& header) {
    std::array<std::uint8_t, kSearchChunk> chunk;
    for (std::int64_t base = start; base <= file.Length() - 4;) {
        const size_t got = file.ReadAt(base, chunk);
        if (got < 4) {
            return -1;
        }
        for (size_t i = 0; i + 4 <= got; ++i) {
            if (IsSync(&chunk[i]) && HasValidVersionAndLayer(&chunk[i])) {
                std::copy_n(&chunk[i], 4, header.begin());
                return base + static_cast<std::int64_t>(i);
            }
        }
        // The last three bytes start the next chunk, so no pattern is cut.
        base += static_cast<std::int64_t>(got) - 3;
    }
    return -1;
}

bool ReadStreamInfo(const std::string& path, StreamInfo& info) {
    const std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kRead);
    if (!file || file->Length() < 4) {
        return false;
    }
    const std::int64_t start = TagV2Extent(*file);
    StreamInfo facts;
    ReadTagV2Fact(*file, facts);
    std::array<std::uint8_t, 4> header{};
    const std::int64_t pos = FindFrameHeader(*file, start, header);
    if (pos >= 0) {
        DecodeFrame(*file, pos, header, info);
    }
    info.TagV2Major = facts.TagV2Major;
    ReadTagV1Fact(*file, info);
    return pos >= 0;
}

}  // namespace kalvex
