// The MusicBrainz web service's disc id replies (JSON), read into releases.
#include "musicbrainz/musicbrainz_reply.h"

#include <nlohmann/json.hpp>

#include "common/product.h"
#include "kalvex/version.h"

namespace kalvex {
namespace {

using Json = nlohmann::json;

// The text of a string member, or empty for a missing or other member: a
// reply is read leniently, as the service adds and leaves out fields.
std::string Text(const Json& object, const char* key) {
    if (!object.is_object()) {
        return {};
    }
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

int Number(const Json& object, const char* key, int fallback) {
    if (!object.is_object()) {
        return fallback;
    }
    const auto found = object.find(key);
    return found != object.end() && found->is_number_integer() ? found->get<int>() : fallback;
}

const Json& Member(const Json& object, const char* key) {
    static const Json kNull;
    if (!object.is_object()) {
        return kNull;
    }
    const auto found = object.find(key);
    return found != object.end() ? *found : kNull;
}

// "Autechre & The Hafler Trio": each credited name with its join phrase.
std::string JoinedCredit(const Json& credit) {
    std::string joined;
    if (credit.is_array()) {
        for (const Json& part : credit) {
            joined += Text(part, "name") + Text(part, "joinphrase");
        }
    }
    return joined;
}

std::string TopGenre(const Json& release_group) {
    const Json& genres = Member(release_group, "genres");
    std::string top;
    int votes = -1;
    if (genres.is_array()) {
        for (const Json& genre : genres) {
            const int count = Number(genre, "count", 0);
            if (count > votes) {
                votes = count;
                top = Text(genre, "name");
            }
        }
    }
    return top;
}

bool HoldsDisc(const Json& medium, std::string_view disc_id) {
    const Json& discs = Member(medium, "discs");
    if (discs.is_array()) {
        for (const Json& disc : discs) {
            if (Text(disc, "id") == disc_id) {
                return true;
            }
        }
    }
    return false;
}

std::size_t TrackCountOf(const Json& medium) {
    const Json& tracks = Member(medium, "tracks");
    return tracks.is_array() ? tracks.size() : 0;
}

// The medium that holds the disc, or null.
const Json* DiscMedium(const Json& media, std::string_view disc_id, int track_count) {
    if (!media.is_array()) {
        return nullptr;
    }
    for (const Json& medium : media) {
        if (HoldsDisc(medium, disc_id)) {
            return &medium;
        }
    }
    for (const Json& medium : media) {
        if (track_count > 0 && TrackCountOf(medium) == static_cast<std::size_t>(track_count)) {
            return &medium;
        }
    }
    return nullptr;
}

void ReadRelease(const Json& release, std::string_view disc_id, int track_count,
                 std::vector<MusicBrainzRelease>& releases) {
    const Json& media = Member(release, "media");
    const Json* medium = DiscMedium(media, disc_id, track_count);
    if (medium == nullptr) {
        return;
    }
    MusicBrainzRelease& read = releases.emplace_back();
    read.ReleaseId = Text(release, "id");
    read.Artist = JoinedCredit(Member(release, "artist-credit"));
    read.Title = Text(release, "title");
    read.Date = Text(release, "date");
    read.Country = Text(release, "country");
    read.Format = Text(*medium, "format");
    read.Medium = Number(*medium, "position", 1);
    read.MediumCount = static_cast<int>(media.size());
    read.TopGenre = TopGenre(Member(release, "release-group"));
    for (const Json& track : Member(*medium, "tracks")) {
        MusicBrainzTrack& entry = read.Tracks.emplace_back();
        entry.Title = Text(track, "title");
        const Json& credit = Member(track, "artist-credit").is_array()
                                 ? Member(track, "artist-credit")
                                 : Member(Member(track, "recording"), "artist-credit");
        const std::string artist = JoinedCredit(credit);
        if (!artist.empty() && artist != read.Artist) {
            entry.Artist = artist;
        }
    }
}

// The web service's percent-encoding of a path segment or query value.
std::string Escaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~' || c == '+';
        if (plain) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        }
    }
    return escaped;
}

}  // namespace

MusicBrainzReply ParseDiscIdReply(std::string_view json, std::string_view disc_id,
                                  int track_count) {
    MusicBrainzReply reply;
    const Json parsed = Json::parse(json, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) {
        reply.Error = "the MusicBrainz reply is not a JSON object";
        return reply;
    }
    const Json& releases = Member(parsed, "releases");
    if (!releases.is_array()) {
        reply.Error = "the MusicBrainz reply lists no releases";
        return reply;
    }
    for (const Json& release : releases) {
        ReadRelease(release, disc_id, track_count, reply.Releases);
    }
    return reply;
}

std::string DiscIdLookupUrl(std::string_view server, std::string_view disc_id,
                            std::string_view toc) {
    std::string url(server);
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    url += "/ws/2/discid/" + Escaped(disc_id) +
           "?inc=artist-credits+recordings+release-groups+genres&cdstubs=no&fmt=json";
    if (!toc.empty()) {
        url += "&toc=" + Escaped(toc);
    }
    return url;
}

std::string MusicBrainzUserAgent() {
    return std::string("KalvexTagger/") + kVersionText + " ( https://" + kProductWebAddress + " )";
}

}  // namespace kalvex
