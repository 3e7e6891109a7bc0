#pragma once

#include <cstdint>
#include <string>

#include "id3/kept_frames.h"
#include "id3/mp3_file.h"
#include "id3/tag_record.h"

namespace kalvex {

// The length of the ID3 v2 tag whose header is at `offset`, header and footer
// included; 0 when the bytes there are not "ID3".
std::int64_t TagV2Size(const Mp3File& file, std::int64_t offset);

// How many bytes at the start of the file belong to the ID3 v2 tag there, as
// far as a rewrite may replace them and where the search for audio begins;
// 0 without a tag. This is TagV2Size unless the size runs past the end of the
// file or into an ID3 v1 tag at its end: such a size is broken, and the tag
// is taken to end at the first MPEG audio frame after its header, or else
// where the ID3 v1 tag (or the file) begins. It never covers the ID3 v1 tag.
std::int64_t TagV2Extent(const Mp3File& file);

// Reads the tag whose header is at `tag_start` (the caller has seen "ID3"):
// the text of the frames the editor knows goes into `record`, which is
// cleared first unless the tag is an update. Returns the offset of the next
// tag a SEEK frame names, or -1. Sizes that run past the file end the read
// quietly with what was read so far.
std::int64_t ParseTagV2(const Mp3File& file, std::int64_t tag_start, TagRecord& record);

// Reads the file's ID3 v2 tag(s) into `record`: the tag at the start and the
// ones its SEEK frames chain to, or else a version 2.4 tag found by its footer
// at the end (before an ID3 v1 tag or at the very end). True when a tag was
// parsed; the record is left as it was when there is none.
bool ReadTagV2(const std::string& path, TagRecord& record);

// Every frame of the same chain of tags that a rewrite can carry over, in
// its version 2.3 form (the same walk over the frames as the reading).
void CollectTagV2Frames(const Mp3File& file, KeptFrames& frames);

}  // namespace kalvex
