#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/message_service.h"

namespace kalvex {

// One track's text, keyed by track number (0 is the first track).
struct TrackText {
    std::int16_t TrackNumber = 0;
    std::string Text;

    bool operator==(const TrackText&) const = default;
};

// The album a "cddb read" reply carries (an xmcd record).
struct AlbumData {
    bool AlbumValid = false;
    std::string AlbumTitle;  // "Artist / Album", escapes kept as read
    std::int16_t AlbumYear = 0;
    std::string ExtendedData;
    std::vector<TrackText> TrackTitles{TrackText{}};
    std::vector<TrackText> TrackExtras{TrackText{}};
};

// Fills `album` from a reply. Anything but status "210" tells the user, sets
// AlbumValid false and keeps the rest of the previous album.
void ParseAlbumReply(std::string_view page, AlbumData& album, MessageService& messages);

// How many tracks the album has: up to the highest track number the record
// gives a title (empty titles in between count, 99 tracks at most), and no
// fewer than `disc_tracks` (the disc's own count, 0 when unknown).
int AlbumTrackCount(const AlbumData& album, int disc_tracks = 0);

// The text of the entry with that track number; empty when there is none.
std::string GetTrackTitle(const AlbumData& album, int track_number);
std::string GetTrackExtra(const AlbumData& album, int track_number);

// Everything after the first "=" when the line starts with the key (letters
// compared regardless of case) and is longer than it; else empty.
std::string GetXmcdValue(std::string_view key, std::string_view line);

// The number between the key and the "=" ("TTITLE12=..." gives 12); 0 when
// there are no digits, -1 when the number does not fit 16 bits.
std::int16_t GetXmcdTrackNumber(std::string_view line, std::string_view key);

// Appends the text to the entry with that track number, or adds the entry.
void AppendTrackText(std::vector<TrackText>& list, std::int16_t track_number,
                     std::string_view text);

// "\n" becomes CR LF, "\t" a tab and "\\" one backslash.
std::string UnescapeXmcd(std::string_view text);

}  // namespace kalvex
