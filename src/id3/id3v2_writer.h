#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_result.h"
#include "id3/id3v2_format.h"
#include "id3/kept_frames.h"
#include "id3/tag_record.h"
#include "id3/tag_write_options.h"

namespace kalvex {

// Writes a new ID3 v2 tag of `options.version` from the record at the start
// of the file, carrying over the old tag's other frames unless
// `options.old_frames` says to drop them. A tag that fits the old tag's space is written in place;
// otherwise the file is rewritten safely beside itself (safe_rewrite.h) with a
// tag padded to a 2048-byte step. The bytes after the old tag (audio, ID3 v1
// tag) are kept as they are; the old tag ends where TagV2Extent says, so a
// broken tag size never takes the audio or the ID3 v1 tag with it. Fails with
// the system's reason when the file cannot be opened or written, or with "the
// tag is too large" when the frames exceed what an ID3 v2 tag can hold; the
// file is then as it was.
FileResult WriteTagV2(const std::string& path, const TagRecord& record,
                      const TagV2WriteOptions& options);

// Takes the ID3 v2 tag (as far as TagV2Extent reaches) off the start of the
// file, safely as above. Succeeds when the file could be opened for writing
// and, if it had a tag, rewritten without it; otherwise fails with the reason
// and the file is as it was.
FileResult RemoveTagV2(const std::string& path, ReadOnlyFiles read_only);

// "(17)Rock" for a genre the list knows (any letter case, spaces around it);
// any other text unchanged.
std::string GenreFrameText(std::string_view genre);

// False for the frames the record supplies (in either version).
bool IsKeptFrame(std::string_view id);

// The bytes WriteTextFrame appends for this field, frame header included; 0
// for a text of spaces only.
std::uint32_t FrameSize(std::string_view id, std::string_view text, TagV2Version version);

// Appends one frame of the record (TPE1 ... TOPE, COMM, WXXX); nothing for a
// text of spaces only. Text that ISO-8859-1 and Windows-1252 hold alike is
// stored as encoding 0, one byte a character; any other text as UTF-16 with
// byte-order mark in 2.3 and UTF-8 in 2.4. Returns the bytes appended.
std::uint32_t WriteTextFrame(ByteBuffer& out, std::string_view id, std::string_view text,
                             TagV2Version version);

// Appends a frame carried over from the old tag, its id in the written
// version's form (TORY and IPLS become TDOR and TIPL in 2.4). Returns the
// bytes appended.
std::uint32_t WriteKeptFrame(ByteBuffer& out, const KeptFrame& frame, TagV2Version version);

// The length of the new tag block for frames needing `needed` bytes (header
// included) over an old tag of `old_length` bytes: the old length when they
// fit, else a body of whole 2048-byte steps leaving at least 1024 bytes free.
std::int64_t TagBlockLength(std::int64_t needed, std::int64_t old_length);

// The complete tag block: header, the record's frames, the kept frames that
// IsKeptFrame passes (in order), zero fill up to TagBlockLength.
ByteBuffer BuildTagV2(const TagRecord& record, const KeptFrames& kept, TagV2Version version,
                      std::int64_t old_length);

}  // namespace kalvex
