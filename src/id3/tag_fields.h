#pragma once

#include <array>
#include <string>
#include <string_view>

#include "id3/tag_record.h"
#include "id3/tag_write_options.h"

namespace kalvex {

// One field of TagRecord and every name it goes by.
struct TagField {
    std::string_view name;  // as the command line prints it, text and JSON
    std::string TagRecord::*member;
    std::string_view id22;    // the frame read from a version 2.2 tag
    std::string_view id23;    // the frame of a version 2.3 tag
    std::string_view id24;    // the frame of a version 2.4 tag
    std::string_view option;  // the `kalvex-cli write` option that sets it
};

// The record's fields in declared order, which is also the order their
// frames are written in.
inline constexpr std::array<TagField, 12> kTagFields{{
    {"Artist", &TagRecord::Artist, "TP1", "TPE1", "TPE1", "--artist"},
    {"Album", &TagRecord::Album, "TAL", "TALB", "TALB", "--album"},
    {"Title", &TagRecord::Title, "TT2", "TIT2", "TIT2", "--title"},
    {"Year", &TagRecord::Year, "TYE", "TYER", "TDRC", "--year"},
    {"Genre", &TagRecord::Genre, "TCO", "TCON", "TCON", "--genre"},
    {"Comment", &TagRecord::Comment, "COM", "COMM", "COMM", "--comment"},
    {"TNR", &TagRecord::TNR, "TRK", "TRCK", "TRCK", "--track"},
    {"Encoder", &TagRecord::Encoder, "TEN", "TENC", "TENC", "--encoder"},
    {"LinkTo", &TagRecord::LinkTo, "WXX", "WXXX", "WXXX", "--link"},
    {"Copyright", &TagRecord::Copyright, "TCR", "TCOP", "TCOP", "--copyright"},
    {"Composer", &TagRecord::Composer, "TCM", "TCOM", "TCOM", "--composer"},
    {"OrigArtist", &TagRecord::OrigArtist, "TOA", "TOPE", "TOPE", "--orig-artist"},
}};

// The frame id a written tag of `version` stores the field under.
constexpr std::string_view FrameIdOf(const TagField& field, TagV2Version version) {
    return version == TagV2Version::k24 ? field.id24 : field.id23;
}

// The field a frame of any version fills, whatever the version of the tag
// it sits in (some writers put TDRC into 2.3 tags); null for other frames.
const TagField* FieldOfFrame(std::string_view id);

}  // namespace kalvex
