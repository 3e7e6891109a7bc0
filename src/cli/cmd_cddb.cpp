#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_lookup.h"
#include "cli/commands.h"
#include "common/cp1252.h"
#include "freedb/album_record.h"
#include "freedb/cddb_protocol.h"

namespace kalvex::cli {
namespace {

constexpr const char* kHelpHead =
    R"(usage: kalvex-cli cddb read CATEGORY DISCID [server options] [--json]
       kalvex-cli cddb motd [server options]
       kalvex-cli cddb url "COMMAND" [--server URL] [--root PATH] [--json]
       kalvex-cli cddb parse-query FILE|- [--json]
       kalvex-cli cddb parse-album FILE|- [--json]

read         the window's "Manually look up CD": reads the album of a disc
             id in a category from the server. JSON: {"Category", "DiscId",
             "Album" (as for lookup, null when none was loaded),
             "Messages"}. Exit code 1 when no album was loaded.
motd         the connection test: prints the server's message of the day.
             Exit code 0 when the server answered it (210, or 401: no
             message), 1 otherwise.
url          the request URL of a CDDB command, with the hello this program
             sends. JSON: {"Url"}.
parse-query  classifies a "cddb query" reply (bytes in Windows-1252).
             JSON: {"Result", "MatchList":[{"Category","DiscId","Title"}],
             "Messages"}. Exit code 1 when the reply names no album.
parse-album  reads a "cddb read" reply into an album record. JSON:
             {"AlbumValid", "AlbumTitle", "AlbumYear", "ExtendedData",
             "TrackTitles":[{"TrackNumber","Text"}], "TrackExtras", "Messages"}.
             Exit code 1 when the reply holds no album.

Server options:
)";

const std::string kHelp = std::string(kHelpHead) + kServerOptionsHelp;

Json MessagesJson(const CollectingMessageService& messages) {
    return messages.Texts();
}

Json TrackTextsJson(const std::vector<TrackText>& list) {
    Json entries = Json::array();
    for (const TrackText& entry : list) {
        entries.push_back({{"TrackNumber", entry.TrackNumber}, {"Text", entry.Text}});
    }
    return entries;
}

// The one input of the parse commands, decoded from Windows-1252.
std::string ReadReply(const std::vector<std::string>& inputs) {
    if (inputs.size() != 1) {
        throw UsageError("expected one FILE or - for standard input");
    }
    return Cp1252ToUtf8(ReadInputBytes(inputs[0]));
}

int RunUrl(const std::vector<std::string>& commands, const std::string& server,
           const std::string& root, bool json, Io& io) {
    if (commands.size() != 1) {
        throw UsageError(
            "url needs one CDDB command, such as \"cddb query b014802 2 150 13500 330\"");
    }
    const std::string url = BuildRequestUrl(server, root, commands[0], ProgramHelloSuffix());
    if (json) {
        PrintJson(io, Json{{"Url", url}});
    } else {
        io.out << url << '\n';
    }
    return 0;
}

int RunParseQuery(const std::vector<std::string>& inputs, bool json, Io& io) {
    const std::string page = ReadReply(inputs);
    MatchList matches;
    CollectingMessageService messages;
    const bool result = ParseQueryReply(page, matches, messages);
    if (json) {
        Json list = Json::array();
        for (const FreeDbMatch& match : matches) {
            list.push_back(
                {{"Category", match.Category}, {"DiscId", match.DiscId}, {"Title", match.Title}});
        }
        PrintJson(
            io,
            Json{{"Result", result}, {"MatchList", list}, {"Messages", MessagesJson(messages)}});
    } else {
        PrintMessages(messages, io);
        if (result) {
            for (const FreeDbMatch& match : matches) {
                io.out << match.Category << ' ' << match.DiscId << ' ' << match.Title << '\n';
            }
        }
    }
    return result ? 0 : 1;
}

int RunParseAlbum(const std::vector<std::string>& inputs, bool json, Io& io) {
    const std::string page = ReadReply(inputs);
    AlbumData album;
    CollectingMessageService messages;
    ParseAlbumReply(page, album, messages);
    if (json) {
        PrintJson(io, Json{{"AlbumValid", album.AlbumValid},
                           {"AlbumTitle", album.AlbumTitle},
                           {"AlbumYear", album.AlbumYear},
                           {"ExtendedData", album.ExtendedData},
                           {"TrackTitles", TrackTextsJson(album.TrackTitles)},
                           {"TrackExtras", TrackTextsJson(album.TrackExtras)},
                           {"Messages", MessagesJson(messages)}});
    } else {
        PrintMessages(messages, io);
        if (album.AlbumValid) {
            io.out << "Album: " << album.AlbumTitle << '\n' << "Year: " << album.AlbumYear << '\n';
            for (const TrackText& entry : album.TrackTitles) {
                io.out << "Track " << entry.TrackNumber + 1 << " : " << entry.Text << '\n';
            }
        }
    }
    return album.AlbumValid ? 0 : 1;
}

int RunRead(const std::vector<std::string>& words, const ServerAddress& address, bool json,
            Io& io) {
    if (words.size() != 2) {
        throw UsageError("read needs CATEGORY and DISCID, such as: cddb read rock 0b014802");
    }
    CliLookup cli;
    const bool loaded = cli.lookup.LookUpManually(words[0], words[1], address);
    PrintMessages(cli.messages, io);
    const FreeDbMatch& match = cli.lookup.Matches().front().Cddb;
    if (json) {
        PrintJson(io, Json{{"Category", match.Category},
                           {"DiscId", match.DiscId},
                           {"Album", loaded ? AlbumJson(cli.lookup) : Json()},
                           {"Messages", cli.messages.Texts()}});
    } else if (loaded) {
        PrintAlbum(cli.lookup, io);
    }
    return loaded ? 0 : 1;
}

int RunMotd(const std::vector<std::string>& words, const ServerAddress& address, Io& io) {
    if (!words.empty()) {
        throw UsageError("motd takes no arguments besides the server options");
    }
    CliLookup cli;
    const bool connected = cli.lookup.TestConnection(address);
    io.out << cli.lookup.RawReply();
    PrintMessages(cli.messages, io);
    return connected ? 0 : 1;
}

int RunCddb(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    bool server_options = false;
    const ServerAddress address = ReadServerOptions(reader, &server_options);
    const std::vector<std::string> words = reader.Positionals();
    if (words.empty()) {
        throw UsageError(
            "cddb needs read, motd, url, parse-query or parse-album (see cddb --help)");
    }
    const std::string& action = words.front();
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (action == "read") {
        return RunRead(rest, address, json, io);
    }
    if (action == "motd") {
        return RunMotd(rest, address, io);
    }
    if (action == "url") {
        return RunUrl(rest, address.server, address.root, json, io);
    }
    if (server_options) {
        throw UsageError("the server options belong to cddb read, motd and url");
    }
    if (action == "parse-query") {
        return RunParseQuery(rest, json, io);
    }
    if (action == "parse-album") {
        return RunParseAlbum(rest, json, io);
    }
    throw UsageError("unknown cddb action '" + action + "' (see cddb --help)");
}

}  // namespace

Command CddbCommand() {
    return {"cddb", "CDDB requests to a server, request URLs and reply parsing", kHelp.c_str(),
            RunCddb};
}

}  // namespace kalvex::cli
