#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "id3/mp3_file.h"

namespace kalvex {

// The facts of a file's first MPEG audio frame, and which tags the file has.
struct StreamInfo {
    std::string VersionLayer;  // "version 1 layer 3", "version 2.5 layer 3" ...
    bool UsesChecksums = false;
    std::int32_t Bitrate = 0;    // kbit/s
    std::int32_t Frequency = 0;  // Hz
    bool VariableBitrate = false;
    std::string ChannelMode;  // "Stereo", "Joint stereo", "Dual channel", "Mono"
    bool Copyrighted = false;
    bool Original = false;
    bool Emphasis = false;
    std::int32_t LengthSeconds = 0;
    std::int32_t TagV1Minor = -1;  // -1 none, 0 version 1.0, 1 version 1.1
    std::int32_t TagV2Major = -1;  // -1 none at the start, else the major version byte
    std::int64_t FileSize = 0;

    bool operator==(const StreamInfo&) const = default;
};

// The fields of one MPEG audio frame header.
struct FrameHeader {
    int version_code = 1;  // 1 for MPEG 1, 2 for MPEG 2, 3 for MPEG 2.5
    int layer = 3;
    std::int32_t sample_rate = 0;  // Hz; 0 for the reserved index
    std::int32_t bitrate = 0;      // kbit/s; 0 for free format or the forbidden index
    bool mono = false;
    bool padded = false;
    int samples = 1152;  // per channel, in one frame

    // The frame's length in bytes; 0 when the bit rate or sample rate is unknown.
    std::int64_t Length() const;
    // Where a Xing or Info header starts, counted from the frame's start.
    std::int64_t XingOffset() const;
};

// Reads the header's four bytes (a sync with a valid version and layer).
FrameHeader DecodeFrameHeader(const std::array<std::uint8_t, 4>& header);

// The first MPEG audio frame header at or after `start` (frame sync, a valid
// version and layer): its position, with its four bytes in `header`; -1 when
// there is none.
std::int64_t FindFrameHeader(const Mp3File& file, std::int64_t start,
                             std::array<std::uint8_t, 4>& header);

// Finds the first MPEG audio frame after the ID3 v2 tag (TagV2Extent) and
// describes it; a Xing, Info or VBRI header makes the file variable bit rate,
// with bit rate and length from its frame and byte counts. True when a frame
// with a valid version and layer was found. Fields not reached keep their values (`info`
// is not cleared first); the three tag facts and FileSize are set whenever
// the file could be read and holds at least 4 bytes. Bit rates and lengths
// that cannot be computed (free format, a forbidden bit-rate or sample-rate
// index) are reported as 0.
bool ReadStreamInfo(const std::string& path, StreamInfo& info);

}  // namespace kalvex
