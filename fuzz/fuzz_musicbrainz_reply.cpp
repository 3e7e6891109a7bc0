// A MusicBrainz disc id reply as a hostile or broken service might send it,
// read into releases and on into the album the import takes: never a crash,
// and every album read is one the import can use.
#include <cstdint>
#include <string>

#include "workflow/album_sources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);
    const kalvex::MusicBrainzReply read =
        kalvex::ParseDiscIdReply(reply, "fec2.0ds_2.yJKq7LmyxJ0siir0-", 2);
    if (!read.Error.empty() && !read.Releases.empty()) {
        __builtin_trap();
    }
    for (const kalvex::MusicBrainzRelease& release : read.Releases) {
        const kalvex::AlbumData album = kalvex::MusicBrainzAlbumData(release);
        if (!album.AlbumValid || album.TrackTitles.empty() || album.TrackTitles.size() > 100) {
            __builtin_trap();
        }
        kalvex::AlbumMatch match;
        match.Source = kalvex::MatchSource::kMusicBrainz;
        match.Release = release;
        if (kalvex::MatchRowText(match, true).rfind("MusicBrainz: ", 0) != 0) {
            __builtin_trap();
        }
        kalvex::MusicBrainzGenre(release);
    }
    return 0;
}
