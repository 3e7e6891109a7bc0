#pragma once

#include <cstdint>
#include <vector>

#include "id3/picture.h"

namespace kalvex {

// The ID3 v2 versions written; the value is the major version byte of the
// tag header.
enum class TagV2Version : std::uint8_t { k23 = 3, k24 = 4 };

// Whether a tag write first gives the owner write permission on a read-only
// file. The editor and the command line always do: a user who asks to tag a
// file means it, and a read-only flag is often left over from a CD copy.
enum class ReadOnlyFiles { kLeave, kMakeWritable };

// What a new ID3 v2 tag does with the old tag's frames the record has no
// field for (lyrics, private data ...). Pictures are kept either way: a cover
// is what a cleared tag must not lose.
enum class OldFrames { kCarryOver, kDrop };

// How WriteTagV2 writes; the defaults are the editor's usual save.
struct TagV2WriteOptions {
    TagV2Version version = TagV2Version::k23;
    OldFrames old_frames = OldFrames::kCarryOver;
    ReadOnlyFiles read_only = ReadOnlyFiles::kMakeWritable;
    // Pictures to put in, each in place of the old tag's pictures of its type.
    std::vector<TagPicture> pictures = {};
    // Drop the old tag's pictures (those given above still go in).
    bool remove_pictures = false;
};

}  // namespace kalvex
