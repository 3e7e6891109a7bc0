// A file's exact audio length from the encoder's gapless information.
#include "id3/stream_length.h"

#include <array>
#include <cmath>

#include "id3/id3v2_reader.h"
#include "id3/mp3_file.h"
#include "id3/stream_info.h"

namespace kalvex {
namespace {

std::uint32_t BigEndian32(const std::uint8_t* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

bool Starts(const std::uint8_t* bytes, std::string_view marker) {
    return std::string_view(reinterpret_cast<const char*>(bytes), marker.size()) == marker;
}

// Encoders that write the LAME tag's delay and padding behind the Xing header.
bool IsLameTag(const std::uint8_t* bytes) {
    return Starts(bytes, "LAME") || Starts(bytes, "Lavc") || Starts(bytes, "Lavf") ||
           Starts(bytes, "L3.9");
}

// Whether a frame of the same kind follows the first: a lone sync pattern in
// other data is no audio.
bool FollowedByFrame(const Mp3File& file, std::int64_t at, const FrameHeader& first) {
    std::array<std::uint8_t, 4> next{};
    if (file.ReadAt(at, next) != next.size() || next[0] != 0xFF || (next[1] & 0xE0) != 0xE0) {
        return false;
    }
    const FrameHeader header = DecodeFrameHeader(next);
    return header.version_code == first.version_code && header.layer == first.layer &&
           header.sample_rate == first.sample_rate;
}

}  // namespace

std::optional<StreamLength> ReadStreamLength(const std::string& path, std::string& reason) {
    FileResult failure;
    const std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kRead, &failure);
    if (!file) {
        reason = failure.Reason();
        return std::nullopt;
    }
    std::array<std::uint8_t, 4> bytes{};
    const std::int64_t start = FindFrameHeader(*file, TagV2Extent(*file), bytes);
    const FrameHeader frame = DecodeFrameHeader(bytes);
    if (start < 0 || frame.sample_rate == 0 || frame.Length() == 0 ||
        !FollowedByFrame(*file, start + frame.Length(), frame)) {
        reason = "holds no MPEG audio";
        return std::nullopt;
    }
    StreamLength length;
    length.SampleRate = frame.sample_rate;

    std::array<std::uint8_t, 160> xing{};
    const std::size_t got = file->ReadAt(start + frame.XingOffset(), xing);
    if (got >= 12 && (Starts(xing.data(), "Xing") || Starts(xing.data(), "Info")) &&
        (xing[7] & 1) != 0) {
        // The Info frame holds no audio of its own: the count is of the rest.
        const std::uint32_t flags = BigEndian32(&xing[4]);
        const std::int64_t frames = BigEndian32(&xing[8]);
        length.Samples = frames * frame.samples;
        const std::size_t lame =
            8 + 4 + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
        if (lame + 24 <= got && IsLameTag(&xing[lame])) {
            const std::uint8_t* gap = &xing[lame + 21];
            const std::int64_t delay = gap[0] << 4 | gap[1] >> 4;
            const std::int64_t padding = (gap[1] & 0x0F) << 8 | gap[2];
            if (delay + padding <= length.Samples) {
                length.Samples -= delay + padding;
                length.Gapless = true;
            }
        }
        return length;
    }
    std::array<std::uint8_t, 18> vbri{};
    if (file->ReadAt(start + 36, vbri) == vbri.size() && Starts(vbri.data(), "VBRI")) {
        length.Samples = std::int64_t{BigEndian32(&vbri[14])} * frame.samples;
        return length;
    }
    // No header: as many frames as the audio's bytes hold at the first
    // frame's rate, up to an ID3 v1 tag at the end.
    std::int64_t end = file->Length();
    std::array<std::uint8_t, 3> tag{};
    if (end >= start + 128 && file->ReadAt(end - 128, tag) == tag.size() &&
        Starts(tag.data(), "TAG")) {
        end -= 128;
    }
    const double frame_bytes =
        static_cast<double>(frame.samples) / 8 * frame.bitrate * 1000 / frame.sample_rate;
    length.Samples =
        static_cast<std::int64_t>(std::llround((end - start) / frame_bytes)) * frame.samples;
    return length;
}

}  // namespace kalvex
