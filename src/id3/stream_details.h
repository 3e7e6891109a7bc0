#pragma once

#include <string>
#include <vector>

#include "id3/stream_info.h"

namespace kalvex {

// The ten lines the tag editor shows under "MPEG information:", such as
// "Version 1 Layer 3", "Length: 4:05", "Bitrate: 128 kbit / sec, constant
// bit rate", ..., "ID3 v2 tag: version 2.3".
std::vector<std::string> StreamDetailsLines(const StreamInfo& info);

// The same lines joined by CR LF, without a line break after the last.
std::string StreamDetailsText(const StreamInfo& info);

}  // namespace kalvex
