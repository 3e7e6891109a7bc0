// MusicBrainz beside CDDB: its lookups, match rows and albums.
#include "workflow/album_sources.h"

#include <memory>

#include "cdrom/disc_id.h"
#include "common/numbers.h"
#include "common/text_helpers.h"
#include "id3/genres.h"

namespace kalvex {
namespace {

constexpr long kDefaultRetrySeconds = 1;

// The state of one MusicBrainz lookup while its requests are under way.
struct MusicBrainzLookup {
    HttpFetcher& fetcher;
    RequestPacer& pacer;
    std::string server;
    std::string disc_id;
    std::string toc;
    int track_count = 0;
    std::function<void(std::vector<MusicBrainzRelease>, SourceOutcome)> done;
    bool retried = false;
};

void Send(const std::shared_ptr<MusicBrainzLookup>& lookup, bool fuzzy);

void Received(const std::shared_ptr<MusicBrainzLookup>& lookup, bool fuzzy, FetchResult result) {
    lookup->pacer.Answered();
    SourceOutcome outcome;
    if (result.status == 503 && !lookup->retried) {
        // "Slow down": once, after the time the service asks for.
        lookup->retried = true;
        lookup->pacer.HoldUntil(
            Clock::now() +
            std::chrono::seconds(result.retry_after_seconds.value_or(kDefaultRetrySeconds)));
        Send(lookup, fuzzy);
        return;
    }
    if (result.status == 404) {
        if (!fuzzy) {
            Send(lookup, true);  // the id is unknown: the nearest tables of contents
            return;
        }
        outcome.answered = true;
        outcome.reply = "MusicBrainz knows no disc like this one.";
        lookup->done({}, outcome);
        return;
    }
    if (!result.ok) {
        outcome.failure = "Could not ask MusicBrainz: " + result.reason;
        lookup->done({}, outcome);
        return;
    }
    MusicBrainzReply reply = ParseDiscIdReply(result.body, lookup->disc_id, lookup->track_count);
    outcome.reply = result.body;
    if (!reply.Error.empty()) {
        outcome.failure = "MusicBrainz answered: " + reply.Error;
        lookup->done({}, outcome);
        return;
    }
    outcome.answered = true;
    lookup->done(std::move(reply.Releases), outcome);
}

void Send(const std::shared_ptr<MusicBrainzLookup>& lookup, bool fuzzy) {
    HttpRequest request;
    request.url = DiscIdLookupUrl(lookup->server, lookup->disc_id, fuzzy ? lookup->toc : "");
    request.headers = {"User-Agent: " + MusicBrainzUserAgent(), "Accept: application/json"};
    request.not_before = lookup->pacer.Next();
    lookup->fetcher.Start(std::move(request), [lookup, fuzzy](FetchResult result) {
        Received(lookup, fuzzy, std::move(result));
    });
}

}  // namespace

std::string MatchRowText(const AlbumMatch& match, bool name_source) {
    if (match.Source == MatchSource::kCddb) {
        if (!name_source) {
            return match.Cddb.Title;
        }
        return "CDDB: " + std::string(TrimBlanks(match.Cddb.Title)) + " (" + match.Cddb.Category +
               ")";
    }
    const MusicBrainzRelease& release = match.Release;
    std::string facts;
    for (const std::string& fact :
         {release.Date.substr(0, std::min<std::size_t>(release.Date.size(), 4)), release.Country,
          release.Format}) {
        if (!fact.empty()) {
            facts += (facts.empty() ? "" : ", ") + fact;
        }
    }
    if (release.MediumCount > 1) {
        facts += (facts.empty() ? "" : ", ") + std::string("disc ") +
                 std::to_string(release.Medium) + " of " + std::to_string(release.MediumCount);
    }
    std::string row = "MusicBrainz: " + release.Artist + " / " + release.Title;
    return facts.empty() ? row : row + " (" + facts + ")";
}

AlbumData MusicBrainzAlbumData(const MusicBrainzRelease& release) {
    AlbumData album;
    album.AlbumValid = true;
    album.AlbumTitle = release.Artist + " / " + release.Title;
    album.AlbumYear = FitInt16(LeadingInteger(release.Date.substr(0, 4))).value_or(0);
    for (std::size_t i = 0; i < release.Tracks.size() && i < 99; ++i) {
        const MusicBrainzTrack& track = release.Tracks[i];
        AppendTrackText(album.TrackTitles, static_cast<std::int16_t>(i),
                        track.Artist.empty() ? track.Title : track.Artist + " / " + track.Title);
    }
    return album;
}

std::string MusicBrainzGenre(const MusicBrainzRelease& release) {
    const std::int32_t index = GenreIndex(release.TopGenre);
    return release.TopGenre.empty() || index == kNoGenre ? std::string() : GenreName(index);
}

void StartMusicBrainzLookup(
    HttpFetcher& fetcher, RequestPacer& pacer, const std::string& server, const DiscToc& toc,
    std::function<void(std::vector<MusicBrainzRelease>, SourceOutcome)> done) {
    auto lookup = std::make_shared<MusicBrainzLookup>(MusicBrainzLookup{
        fetcher, pacer, server, MusicBrainzDiscId(toc), MusicBrainzToc(toc),
        static_cast<int>(MusicBrainzSession(toc).starts.size()), std::move(done)});
    Send(lookup, false);
}

}  // namespace kalvex
