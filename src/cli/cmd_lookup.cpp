// kalvex-cli lookup: the album of a disc from a CDDB server.
#include <ostream>

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

// The disc as read, then the lookup: its disc id and query, the matches
// worth listing, the match chosen and the album loaded from it.
struct LookupResult {
    DiscReading disc;
    std::vector<std::string> messages;
    std::string missing_choice;
    std::string disc_id;
    std::string query_command;
    MatchList matches;
    std::optional<int> chosen;
    std::optional<ShownAlbum> album;
    bool Succeeded() const { return album.has_value(); }
};

LookupResult LookUp(const DiscOptions& disc, const ServerAddress& address,
                    std::optional<int> choice) {
    LookupResult result;
    result.disc = ReadDisc(disc);
    if (!result.disc.toc) {
        return result;
    }
    CliLookup cli(choice);
    const CdLookup& lookup = cli.lookup;
    const bool loaded = cli.lookup.LookUpToc(*result.disc.toc, address);
    result.messages = cli.messages.Texts();
    if (cli.chooser.ChoiceMissing()) {
        result.missing_choice = cli.chooser.Problem();
    }
    result.disc_id = lookup.DiscId();
    result.query_command = lookup.QueryCommand();
    // Only a query that named albums has matches worth listing.
    if (!lookup.Matches().front().DiscId.empty()) {
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
        const FreeDbMatch& match = result.matches[i];
        io.out << (result.chosen == static_cast<int>(i) ? "* " : "  ") << i << "  "
               << match.Category << ' ' << match.DiscId << ' ' << TrimBlanks(match.Title) << '\n';
    }
    PrintAlbum(result.album, io);
}

void PrintJson(Io& io, const LookupResult& result) {
    if (!PrintProblems(io, result)) {
        return;
    }
    PrintJson(io, Json{{"DiscId", result.disc_id},
                       {"QueryCommand", result.query_command},
                       {"Matches", MatchesJson(result.matches)},
                       {"Chosen", result.chosen ? Json(*result.chosen) : Json()},
                       {"Album", AlbumJson(result.album)},
                       {"Messages", result.messages}});
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
    return Print(io, LookUp(disc, address, choice), json);
}

}  // namespace

Command LookupCommand() {
    return {"lookup", "the album of a disc from a CDDB server", kHelp.c_str(), RunLookup};
}

}  // namespace kalvex::cli
