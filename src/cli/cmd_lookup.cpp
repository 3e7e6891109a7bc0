// kalvex-cli lookup: the album of a disc from a CDDB server.
#include <ostream>

#include "cdrom/disc_id.h"
#include "cli/cli_lookup.h"
#include "cli/commands.h"
#include "common/text_helpers.h"

namespace kalvex::cli {
namespace {

constexpr const char* kHelpHead =
    R"(usage: kalvex-cli lookup (--drive N | --toc "FIRST LAST M:S:F ..." | --files DIR)
                         [--server URL] [--root PATH] [--port N] [--choose N]
                         [--source cddb|musicbrainz|both] [--musicbrainz-server URL]
                         [--email ADDRESS] [--proto 5|6] [--track-option count|name|tag]
                         [--json]

The window's "Get album data for CD" without a window: the disc's table of
contents (from drive index N, or as text as for discid), its disc ids, the
"cddb query" to the CDDB server and the disc id lookup at MusicBrainz, side
by side, the choice among the matches of both, and the album of the chosen
one ("cddb read" for a CDDB match).

)";

constexpr const char* kHelpTail =
    R"(  --choose N     which match to read when the server names several (0-based)
  --json         print {"DiscId", "QueryCommand", "MusicBrainzId", "Matches":
                 [{"Source","Category","DiscId","Title", and for MusicBrainz
                 "ReleaseId","Date","Country","Format","Medium",
                 "MediumCount"}], "Chosen", "Album":{"AlbumTitle","Artist",
                 "Album","Genre","Year","ExtendedData","Tracks","TrackExtras"},
                 "Messages"}; "Album" is null when none was loaded

Messages for the user go to standard error (and into "Messages"). Exit code
1 when no album was loaded, also when several albums match and --choose
does not pick one.
)";

const std::string kHelp = std::string(kHelpHead) + kDiscOptionsHelp + kFilesOptionHelp +
                          kServerOptionsHelp + kSourceOptionsHelp + kHelpTail;

// The disc as read, then the lookup: its disc id and query, the matches
// worth listing, the match chosen and the album loaded from it.
struct LookupResult {
    DiscReading disc;
    std::vector<std::string> messages;
    std::string missing_choice;
    std::string disc_id;
    std::string query_command;
    std::string musicbrainz_id;
    std::vector<AlbumMatch> matches;
    std::optional<int> chosen;
    std::optional<ShownAlbum> album;
    bool Succeeded() const { return album.has_value(); }
};

LookupResult LookUp(const DiscOptions& disc, const ServerAddress& address,
                    const LookupSources& sources, std::optional<int> choice) {
    LookupResult result;
    result.disc = ReadDisc(disc);
    if (!result.disc.toc) {
        return result;
    }
    CliLookup cli(choice, sources);
    const CdLookup& lookup = cli.lookup;
    const bool loaded = cli.lookup.LookUpToc(*result.disc.toc, address, result.disc.Note());
    result.messages = cli.messages.Texts();
    if (cli.chooser.ChoiceMissing()) {
        result.missing_choice = cli.chooser.Problem();
    }
    result.disc_id = lookup.DiscId();
    result.query_command = lookup.QueryCommand();
    result.musicbrainz_id = MusicBrainzDiscId(*result.disc.toc);
    // Only a lookup that named albums has matches worth listing.
    const AlbumMatch& first = lookup.Matches().front();
    if (first.Source == MatchSource::kMusicBrainz || !first.Cddb.DiscId.empty()) {
        result.matches = lookup.Matches();
    }
    if (loaded) {
        result.chosen = lookup.ChosenMatch();
        result.album = LoadedAlbum(lookup);
    }
    return result;
}

// What both forms tell on the error stream first; false when the disc could
// not be read, and there is nothing more to show.
bool PrintProblems(Io& io, const LookupResult& result) {
    PrintProblems(io, result.disc);
    if (!result.disc.toc) {
        return false;
    }
    PrintMessages(result.messages, io);
    if (!result.missing_choice.empty()) {
        io.err << "kalvex-cli lookup: " << result.missing_choice << '\n';
    }
    return true;
}

void PrintText(Io& io, const LookupResult& result) {
    if (!PrintProblems(io, result)) {
        return;
    }
    io.out << "Disc id: " << result.disc_id << '\n';
    for (size_t i = 0; i < result.matches.size(); ++i) {
        const AlbumMatch& match = result.matches[i];
        io.out << (result.chosen == static_cast<int>(i) ? "* " : "  ") << i << "  ";
        if (match.Source == MatchSource::kCddb) {
            io.out << match.Cddb.Category << ' ' << match.Cddb.DiscId << ' '
                   << TrimBlanks(match.Cddb.Title) << '\n';
        } else {
            io.out << "musicbrainz " << match.Release.ReleaseId << ' '
                   << MatchRowText(match, false).substr(std::string("MusicBrainz: ").size())
                   << '\n';
        }
    }
    PrintAlbum(result.album, io);
}

void PrintJson(Io& io, const LookupResult& result) {
    if (!PrintProblems(io, result)) {
        return;
    }
    PrintJson(io, Json{{"DiscId", result.disc_id},
                       {"QueryCommand", result.query_command},
                       {"MusicBrainzId", result.musicbrainz_id},
                       {"Matches", MatchesJson(result.matches, result.musicbrainz_id)},
                       {"Chosen", result.chosen ? Json(*result.chosen) : Json()},
                       {"Album", AlbumJson(result.album)},
                       {"Messages", result.messages}});
}

int RunLookup(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const DiscOptions disc = ReadDiscOptions(reader);
    ServerAddress address = ReadServerOptions(reader);
    const LookupSources sources = ReadSourceOptions(reader, address);
    const std::optional<int> choice = ReadChoice(reader);
    if (!reader.Positionals().empty() || disc.Count() != 1) {
        throw UsageError(
            "lookup needs --toc \"FIRST LAST M:S:F ...\", --drive N or --files DIR (see lookup "
            "--help)");
    }
    return Print(io, LookUp(disc, address, sources, choice), json);
}

}  // namespace

Command LookupCommand() {
    return {"lookup", "the album of a disc from CDDB and MusicBrainz", kHelp.c_str(), RunLookup};
}

}  // namespace kalvex::cli
