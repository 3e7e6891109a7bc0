// The tag pages' lines of MPEG stream facts.
#include "id3/stream_details.h"

#include <cstdio>

#include "common/text_helpers.h"

namespace kalvex {
namespace {

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

}  // namespace

std::vector<std::string> StreamDetailsLines(const StreamInfo& info) {
    char seconds[16];
    std::snprintf(seconds, sizeof seconds, "%02d", info.LengthSeconds % 60);
    return {
        ProperCase(info.VersionLayer),
        "Length: " + std::to_string(info.LengthSeconds / 60) + ":" + seconds,
        "Bitrate: " + std::to_string(info.Bitrate) + " kbit / sec, " +
            (info.VariableBitrate ? "variable bit rate" : "constant bit rate"),
        "Frequency: " + std::to_string(info.Frequency) + " hz, " + ToLowerAscii(info.ChannelMode),
        std::string("Copyrighted: ") + YesNo(info.Copyrighted),
        std::string("Original: ") + YesNo(info.Original),
        std::string("Uses checksums: ") + YesNo(info.UsesChecksums),
        std::string("Uses emphasis: ") + YesNo(info.Emphasis),
        "ID3 v1 tag: " +
            (info.TagV1Minor == -1 ? "none" : "version 1." + std::to_string(info.TagV1Minor)),
        "ID3 v2 tag: " +
            (info.TagV2Major == -1 ? "none" : "version 2." + std::to_string(info.TagV2Major)),
    };
}

std::string StreamDetailsText(const StreamInfo& info) {
    std::string text;
    const std::vector<std::string> lines = StreamDetailsLines(info);
    for (size_t i = 0; i < lines.size(); ++i) {
        text += (i == 0 ? "" : "\r\n") + lines[i];
    }
    return text;
}

}  // namespace kalvex
