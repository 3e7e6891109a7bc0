#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cdrom/disc_toc.h"
#include "freedb/album_record.h"
#include "freedb/cddb_protocol.h"
#include "freedb/http_fetch.h"
#include "musicbrainz/musicbrainz_reply.h"

namespace kalvex {

// Which services a lookup asks. CDDB alone is what the road always did; the
// window and the command line ask MusicBrainz too unless told not to.
struct LookupSources {
    bool cddb = true;
    bool musicbrainz = false;
    std::string musicbrainz_server = kDefaultMusicBrainzServer;
};

enum class MatchSource { kCddb, kMusicBrainz };

// One album a service named for the disc.
struct AlbumMatch {
    MatchSource Source = MatchSource::kCddb;
    FreeDbMatch Cddb{};            // a CDDB match: category, disc id, title
    MusicBrainzRelease Release{};  // a MusicBrainz match
};

// The match dialog's row: a CDDB match's title as the server sent it, or,
// when `name_source` (both services were asked), the service first:
// "CDDB: Artist / Album (rock)", "MusicBrainz: Artist / Album (2003, GB, CD,
// disc 2 of 3)".
std::string MatchRowText(const AlbumMatch& match, bool name_source);

// A MusicBrainz release as the import and the album panel take an album:
// "Artist / Album", the year of its date, and the medium's titles, a track
// credited to other artists written "Track Artist / Title".
AlbumData MusicBrainzAlbumData(const MusicBrainzRelease& release);

// The release group's genre when it is one of the genre list's names (in
// the list's spelling), else empty.
std::string MusicBrainzGenre(const MusicBrainzRelease& release);

// What one service's part of a lookup came to.
struct SourceOutcome {
    bool answered = false;  // the service gave an answer, "no match" included
    std::string failure;    // why not: the reason to tell when nothing is found
    std::string reply;      // the reply text, for the raw reply box
};

// The MusicBrainz part of a lookup: the disc id lookup, then, for an
// unknown id, the fuzzy lookup by table of contents; a 503 is retried once
// after the time the reply asks for. Requests go out on `fetcher` (Run
// drives them) no closer together than `pacer` allows; `done` gets the
// releases found and the outcome.
void StartMusicBrainzLookup(
    HttpFetcher& fetcher, RequestPacer& pacer, const std::string& server, const DiscToc& toc,
    std::function<void(std::vector<MusicBrainzRelease>, SourceOutcome)> done);

}  // namespace kalvex
