#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kalvex {

inline constexpr const char* kDefaultMusicBrainzServer = "https://musicbrainz.org";

// One track of the medium that holds the disc.
struct MusicBrainzTrack {
    std::string Title;
    // The track's artist credit, joined as credited; empty when it is the
    // release's own.
    std::string Artist;

    bool operator==(const MusicBrainzTrack&) const = default;
};

// A release the web service names for a disc, reduced to the medium that
// holds the disc.
struct MusicBrainzRelease {
    std::string ReleaseId;
    std::string Artist;  // the release's artist credit, joined as credited
    std::string Title;
    std::string Date;  // "2003-12-04", "2003" or empty
    std::string Country;
    std::string Format;  // the medium's format: "CD", "Enhanced CD" ...
    int Medium = 1;      // the medium's position, from 1
    int MediumCount = 1;
    std::string TopGenre;  // the release group's most-voted genre, or empty
    std::vector<MusicBrainzTrack> Tracks;

    bool operator==(const MusicBrainzRelease&) const = default;
};

struct MusicBrainzReply {
    std::vector<MusicBrainzRelease> Releases;
    // Why the reply gave nothing usable: not JSON, or of another shape.
    std::string Error;
};

// Reads the reply of a disc id lookup: a disc with its releases, or for a
// fuzzy lookup by table of contents a list of releases. Each release gives
// the medium whose disc ids hold `disc_id`, else the first medium of
// `track_count` tracks; a release without either is left out. Never
// throws: a hostile reply gives an error, not a crash.
MusicBrainzReply ParseDiscIdReply(std::string_view json, std::string_view disc_id, int track_count);

// GET {server}/ws/2/discid/{id}: the releases with their artist credits,
// tracks and release groups with their genres, as JSON; with `toc` (the
// web service's "first+last+lead-out+starts") the fuzzy lookup when the id
// is unknown. CD stubs are not asked for.
std::string DiscIdLookupUrl(std::string_view server, std::string_view disc_id,
                            std::string_view toc);

// "KalvexTagger/VERSION ( https://www.kalvex-tagger.example )", as the
// service asks every client to name itself.
std::string MusicBrainzUserAgent();

}  // namespace kalvex
