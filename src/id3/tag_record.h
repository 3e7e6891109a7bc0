#pragma once

#include <string>

namespace kalvex {

// The text of one file's tag, v1 or v2, as the editor shows it. Every field is
// UTF-8; an absent value is empty. Genre always holds text (a genre name or
// free text), TNR the track number as text ("3/12" as read from a v2 tag).
struct TagRecord {
    std::string Artist;
    std::string Album;
    std::string Title;
    std::string Year;
    std::string Genre;
    std::string Comment;
    std::string TNR;
    std::string Encoder;
    std::string LinkTo;
    std::string Copyright;
    std::string Composer;
    std::string OrigArtist;

    bool operator==(const TagRecord&) const = default;
};

void ClearTagRecord(TagRecord& record);

}  // namespace kalvex
