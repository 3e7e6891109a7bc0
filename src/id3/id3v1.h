#pragma once

#include <string>

#include "common/file_result.h"
#include "id3/mp3_file.h"
#include "id3/tag_record.h"
#include "id3/tag_write_options.h"

namespace kalvex {

// The ID3 v1 block: the last 128 bytes of a file, starting with "TAG".
inline constexpr int kTagV1Length = 128;

// True when the last 128 bytes of the open file start with "TAG".
bool HasTagV1AtEnd(const Mp3File& file);

// Fills `record` (cleared first) from the file's v1 tag; true when there was
// one. Without a tag, or when the file cannot be read, the record is left as
// it was. A zero byte 125 followed by a non-zero byte 126 makes a v1.1 tag
// with a 28-byte comment and that track number; otherwise the comment runs
// over 30 bytes and TNR stays empty.
bool ReadTagV1(const std::string& path, TagRecord& record);

// Writes a v1.1 tag from the record's first seven fields, over the old v1 tag
// or appended when there is none. Fails with the system's reason when the
// file cannot be opened for writing or the write fails (a failed append is
// cut off again, so the file keeps its old length).
FileResult WriteTagV1(const std::string& path, const TagRecord& record, ReadOnlyFiles read_only);

// Cuts the v1 tag off the end of the file when it has one. Succeeds when the
// file could be opened for writing and holds no tag afterwards (a file
// shorter than a tag never had one); fails with the reason when opening or
// cutting fails.
FileResult RemoveTagV1(const std::string& path, ReadOnlyFiles read_only);

}  // namespace kalvex
