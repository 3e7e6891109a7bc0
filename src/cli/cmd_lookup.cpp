#include <ostream>

#include "cdrom/disc_id.h"
#include "cli/cli_lookup.h"
#include "cli/commands.h"
#include "common/text_helpers.h"

namespace kalvex::cli {
namespace {

constexpr const char* kHelpHead =
    R"(usage: kalvex-cli lookup (--drive N | --toc "FIRST LAST M:S:F ...")
                         [--server URL] [--root PATH] [--port N] [--choose N] [--json]

The window's "Get album data for CD" without a window: the disc's table of
contents (from drive index N, or as text as for discid), its disc id, the
"cddb query" to the server, the choice among several matches, and the
"cddb read" of the chosen album.

)";

constexpr const char* kHelpTail =
    R"(  --choose N     which match to read when the server names several (0-based)
  --json         print {"DiscId", "QueryCommand", "Matches":[{"Category",
                 "DiscId","Title"}], "Chosen", "Album":{"AlbumTitle","Artist",
                 "Album","Genre","Year","ExtendedData","Tracks","TrackExtras"},
                 "Messages"}; "Album" is null when none was loaded

Messages for the user go to standard error (and into "Messages"). Exit code
1 when no album was loaded, also when several albums match and --choose
does not pick one.
)";

const std::string kHelp =
    std::string(kHelpHead) + kDiscOptionsHelp + kServerOptionsHelp + kHelpTail;

Json MatchesJson(const std::vector<AlbumMatch>& matches) {
    Json list = Json::array();
    for (const AlbumMatch& match : matches) {
        list.push_back({{"Category", match.Cddb.Category},
                        {"DiscId", match.Cddb.DiscId},
                        {"Title", match.Cddb.Title}});
    }
    return list;
}

int RunLookup(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const DiscOptions disc = ReadDiscOptions(reader);
    const ServerAddress address = ReadServerOptions(reader);
    const std::optional<int> choice = ReadChoice(reader);
    if (!reader.Positionals().empty() || disc.toc_text.has_value() == disc.drive.has_value()) {
        throw UsageError(
            "lookup needs --toc \"FIRST LAST M:S:F ...\" or --drive N (see lookup --help)");
    }
    const std::optional<DiscToc> toc = TocOfDisc(disc, io);
    if (!toc) {
        return 1;
    }

    CliLookup cli(choice);
    const bool loaded = cli.lookup.LookUpToc(*toc, address);
    const CdLookup& lookup = cli.lookup;
    // Only a query that named albums has matches worth listing.
    const bool matched = !lookup.Matches().front().Cddb.DiscId.empty() ||
                         lookup.Matches().front().Source == MatchSource::kMusicBrainz;
    const std::vector<AlbumMatch> no_matches;
    const std::vector<AlbumMatch>& matches = matched ? lookup.Matches() : no_matches;
    PrintMessages(cli.messages, io);
    if (cli.chooser.ChoiceMissing()) {
        io.err << "kalvex-cli lookup: " << cli.chooser.Problem() << '\n';
    }
    if (json) {
        PrintJson(io, Json{{"DiscId", lookup.DiscId()},
                           {"QueryCommand", lookup.QueryCommand()},
                           {"Matches", MatchesJson(matches)},
                           {"Chosen", loaded ? Json(lookup.ChosenMatch()) : Json()},
                           {"Album", loaded ? AlbumJson(lookup) : Json()},
                           {"Messages", cli.messages.Texts()}});
    } else {
        io.out << "Disc id: " << lookup.DiscId() << '\n';
        for (size_t i = 0; i < matches.size(); ++i) {
            io.out << (loaded && static_cast<int>(i) == lookup.ChosenMatch() ? "* " : "  ") << i
                   << "  " << matches[i].Cddb.Category << ' ' << matches[i].Cddb.DiscId << ' '
                   << TrimBlanks(matches[i].Cddb.Title) << '\n';
        }
        if (loaded) {
            PrintAlbum(lookup, io);
        }
    }
    return loaded ? 0 : 1;
}

}  // namespace

Command LookupCommand() {
    return {"lookup", "the album of a disc from a CDDB server", kHelp.c_str(), RunLookup};
}

}  // namespace kalvex::cli
