// Shared by the commands that ask a CDDB server: its options, the choice, the album shown.
#include "cli/cli_lookup.h"

#include <charconv>
#include <ostream>

namespace kalvex::cli {

const char* const kServerOptionsHelp =
    R"(  --server URL   the CDDB server's base URL (default http://gnudb.gnudb.org;
                 https works too)
  --root PATH    the path of its CDDB script (default ~cddb/cddb.cgi)
  --port N       the port (default: the URL's own port, else 80)
)";

std::optional<int> ReadChoice(ArgReader& reader) {
    const std::optional<std::string> text = reader.Value("--choose");
    if (!text) {
        return std::nullopt;
    }
    int choice = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), choice);
    if (error != std::errc() || end != text->data() + text->size() || choice < 0) {
        throw UsageError("--choose needs a match index from 0");
    }
    return choice;
}

std::optional<std::string> UrlPort(const std::string& url) {
    const size_t scheme_end = url.find("://");
    const size_t host_start = scheme_end == std::string::npos ? 0 : scheme_end + 3;
    const size_t host_end = url.find_first_of("/?#", host_start);
    std::string authority = url.substr(
        host_start, host_end == std::string::npos ? std::string::npos : host_end - host_start);
    authority.erase(0, authority.rfind('@') == std::string::npos ? 0 : authority.rfind('@') + 1);
    // An IPv6 address in brackets holds colons of its own.
    const size_t bracket = authority.rfind(']');
    const size_t colon = authority.rfind(':');
    if (colon == std::string::npos || (bracket != std::string::npos && colon < bracket)) {
        return std::nullopt;
    }
    std::string port = authority.substr(colon + 1);
    if (port.empty()) {
        return std::nullopt;
    }
    return port;
}

ServerAddress ReadServerOptions(ArgReader& reader, bool* given) {
    ServerAddress address;
    const std::optional<std::string> server = reader.Value("--server");
    const std::optional<std::string> root = reader.Value("--root");
    const std::optional<std::string> port = reader.Value("--port");
    if (given != nullptr) {
        *given = server || root || port;
    }
    if (server) {
        address.server = *server;
        if (std::optional<std::string> url_port = UrlPort(*server)) {
            address.port = *url_port;
        }
    }
    if (root) {
        address.root = *root;
    }
    if (port) {
        address.port = *port;
    }
    return address;
}

void OptionMatchChooser::ChooseMatch(const std::vector<std::string>& matches,
                                     const std::function<void(int)>& load_match) {
    if (!choice_) {
        choice_missing_ = true;
        problem_ = std::to_string(matches.size()) +
                   " albums match this disc: pick one with --choose N (0-based)";
        return;
    }
    if (*choice_ < 0 || *choice_ >= static_cast<int>(matches.size())) {
        choice_missing_ = true;
        problem_ = "--choose " + std::to_string(*choice_) + " names no match: there are " +
                   std::to_string(matches.size()) + " (0 to " + std::to_string(matches.size() - 1) +
                   ")";
        return;
    }
    load_match(*choice_);
}

CliLookup::CliLookup(std::optional<int> choice, LookupSources sources)
    : chooser(choice),
      lookup([] { return std::make_unique<CurlFetcher>(); }, chooser, messages,
             ProgramHelloSuffix()) {
    lookup.SetSources(std::move(sources));
}

const char* const kSourceOptionsHelp =
    R"(  --source cddb|musicbrainz|both
                 which services to ask (default both, as the window does)
  --musicbrainz-server URL
                 the MusicBrainz web service (default https://musicbrainz.org)
  --email ADDRESS
                 an e-mail address registered at the CDDB service: it goes
                 into the hello and a User-Email header (gnudb.org asks for it)
  --proto 5|6    the CDDB protocol level (default 5); 6 sends UTF-8
)";

LookupSources ReadSourceOptions(ArgReader& reader, ServerAddress& address) {
    LookupSources sources;
    const std::string source = reader.Value("--source").value_or("both");
    if (source != "cddb" && source != "musicbrainz" && source != "both") {
        throw UsageError("--source takes cddb, musicbrainz or both");
    }
    sources.cddb = source != "musicbrainz";
    sources.musicbrainz = source != "cddb";
    sources.musicbrainz_server =
        reader.Value("--musicbrainz-server").value_or(kDefaultMusicBrainzServer);
    address.email = reader.Value("--email").value_or("");
    const std::string protocol = reader.Value("--proto").value_or("5");
    if (protocol != "5" && protocol != "6") {
        throw UsageError("--proto takes 5 or 6");
    }
    address.protocol = protocol == "6" ? 6 : 5;
    return sources;
}

std::optional<ShownAlbum> LoadedAlbum(const CdLookup& lookup) {
    if (!lookup.Album().AlbumValid) {
        return std::nullopt;
    }
    return ShownAlbum{lookup.Album(), lookup.Panel(), lookup.TrackCount()};
}

Json AlbumJson(const std::optional<ShownAlbum>& album) {
    if (!album) {
        return nullptr;
    }
    const AlbumData& record = album->record;
    Json tracks = Json::array();
    Json extras = Json::array();
    for (int i = 0; i < album->track_count; ++i) {
        tracks.push_back(GetTrackTitle(record, i));
        extras.push_back(GetTrackExtra(record, i));
    }
    return Json{{"AlbumTitle", record.AlbumTitle},
                {"Artist", album->panel.Artist},
                {"Album", album->panel.Album},
                {"Genre", album->panel.Genre},
                {"Year", record.AlbumYear},
                {"ExtendedData", record.ExtendedData},
                {"Tracks", tracks},
                {"TrackExtras", extras}};
}

Json AlbumJson(const CdLookup& lookup) {
    return AlbumJson(LoadedAlbum(lookup));
}

void PrintAlbum(const std::optional<ShownAlbum>& album, Io& io) {
    if (!album) {
        return;
    }
    const AlbumPanel& panel = album->panel;
    io.out << "Artist: " << panel.Artist << '\n'
           << "Album: " << panel.Album << '\n'
           << "Genre: " << panel.Genre << '\n'
           << "Year: " << panel.Year << '\n';
    for (const std::string& line : panel.Details) {
        io.out << line << '\n';
    }
}

Json MatchesJson(const MatchList& matches) {
    Json list = Json::array();
    for (const FreeDbMatch& match : matches) {
        list.push_back(
            {{"Category", match.Category}, {"DiscId", match.DiscId}, {"Title", match.Title}});
    }
    return list;
}

Json MatchesJson(const std::vector<AlbumMatch>& matches, const std::string& musicbrainz_id) {
    Json list = Json::array();
    for (const AlbumMatch& match : matches) {
        if (match.Source == MatchSource::kCddb) {
            list.push_back({{"Source", "cddb"},
                            {"Category", match.Cddb.Category},
                            {"DiscId", match.Cddb.DiscId},
                            {"Title", match.Cddb.Title}});
            continue;
        }
        const MusicBrainzRelease& release = match.Release;
        list.push_back({{"Source", "musicbrainz"},
                        {"Category", nullptr},
                        {"DiscId", musicbrainz_id},
                        {"Title", release.Artist + " / " + release.Title},
                        {"ReleaseId", release.ReleaseId},
                        {"Date", release.Date},
                        {"Country", release.Country},
                        {"Format", release.Format},
                        {"Medium", release.Medium},
                        {"MediumCount", release.MediumCount}});
    }
    return list;
}

}  // namespace kalvex::cli
