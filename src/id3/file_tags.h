#pragma once

#include <string>

#include "id3/stream_info.h"
#include "id3/tag_record.h"

namespace kalvex {

// Everything read from one file when it is shown: both tags and the facts of
// its MPEG stream.
struct FileTags {
    bool HasTagV1 = false;
    TagRecord TagV1;
    bool HasTagV2 = false;
    TagRecord TagV2;
    // Whether an MPEG audio frame was found. Without one the stream facts
    // are those of no stream at all, never those of a file read before.
    bool StreamInfoValid = false;
    StreamInfo Stream;
};

// Reads the file's tags and stream; a file that cannot be read gives no
// tags and an empty stream. Nothing is reported.
FileTags LoadFileTags(const std::string& path);

}  // namespace kalvex
