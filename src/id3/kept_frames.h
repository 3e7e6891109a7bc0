#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kalvex {

// One frame of an old tag, carried into a rewritten one. `Data` is the frame's
// content without header, group byte or data length indicator, after
// de-unsynchronisation; `Size` is how many of its bytes are written (it may be
// smaller than Data, never larger).
struct KeptFrame {
    std::string Id;  // version 2.3 form
    std::int32_t Size = 0;
    std::vector<std::uint8_t> Data;

    bool operator==(const KeptFrame&) const = default;
};

// The frames collected from a file's tag(s), in file order.
using KeptFrames = std::vector<KeptFrame>;

// The version 2.3 id of a version 2.2 id (and of the 2.4 ids TDOR and TIPL);
// any other id is returned as it is.
std::string MapFrameIdV22(std::string_view id);

// Brings the frame just appended at `index` into its version 2.3 form: a 2.2
// PIC gets a MIME type instead of its image format, a 2.2 LNK a 4-character
// frame id, a TDOR keeps only its year; then the id is mapped.
void ConvertKeptFrame(KeptFrames& frames, size_t index);

}  // namespace kalvex
