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

void OptionMatchChooser::ChooseMatch(const MatchList& matches,
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

CliLookup::CliLookup(std::optional<int> choice)
    : chooser(choice),
      lookup([] { return std::make_unique<CurlFetcher>(); }, chooser, messages,
             ProgramHelloSuffix()) {}

Json AlbumJson(const CdLookup& lookup) {
    const AlbumData& album = lookup.Album();
    if (!album.AlbumValid) {
        return nullptr;
    }
    const AlbumPanel& panel = lookup.Panel();
    Json tracks = Json::array();
    Json extras = Json::array();
    for (int i = 0; i < lookup.TrackCount(); ++i) {
        tracks.push_back(GetTrackTitle(album, i));
        extras.push_back(GetTrackExtra(album, i));
    }
    return Json{{"AlbumTitle", album.AlbumTitle},
                {"Artist", panel.Artist},
                {"Album", panel.Album},
                {"Genre", panel.Genre},
                {"Year", album.AlbumYear},
                {"ExtendedData", album.ExtendedData},
                {"Tracks", tracks},
                {"TrackExtras", extras}};
}

void PrintAlbum(const CdLookup& lookup, Io& io) {
    if (!lookup.Album().AlbumValid) {
        return;
    }
    const AlbumPanel& panel = lookup.Panel();
    io.out << "Artist: " << panel.Artist << '\n'
           << "Album: " << panel.Album << '\n'
           << "Genre: " << panel.Genre << '\n'
           << "Year: " << panel.Year << '\n';
    for (const std::string& line : panel.Details) {
        io.out << line << '\n';
    }
}

void PrintMessages(const CollectingMessageService& messages, Io& io) {
    for (const std::string& text : messages.Texts()) {
        io.err << text << '\n';
    }
}

}  // namespace kalvex::cli
