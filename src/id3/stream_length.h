#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kalvex {

// A file's audio length as its first frames tell it, without decoding.
struct StreamLength {
    std::int32_t SampleRate = 0;
    // Samples per channel: exact from the LAME encoder's Info (or Xing)
    // header, which gives the frame count, the encoder delay and the padding;
    // else the frame count times the samples a frame holds, the count from
    // a Xing or VBRI header or estimated from the file's size.
    std::int64_t Samples = 0;
    bool Gapless = false;  // the delay and padding were known: Samples is exact
};

// Reads the length of the MPEG audio after the file's ID3 v2 tag; nullopt,
// with `reason`, when the file cannot be read or holds no MPEG audio (two
// frames in a row of one kind).
std::optional<StreamLength> ReadStreamLength(const std::string& path, std::string& reason);

}  // namespace kalvex
