// kalvex-cli cddb: requests to a CDDB server, their URLs and the parsing of their replies.
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

// UsageError unless the action has `count` words after it.
void ExpectWords(const std::vector<std::string>& words, size_t count, const char* usage) {
    if (words.size() != count) {
        throw UsageError(usage);
    }
}

// The one input of the parse commands, decoded from Windows-1252.
std::string ReadReply(const std::vector<std::string>& inputs) {
    ExpectWords(inputs, 1, "expected one FILE or - for standard input");
    return Cp1252ToUtf8(ReadInputBytes(inputs[0]));
}

// url: the request a CDDB command becomes.
struct UrlResult {
    std::string url;
    bool Succeeded() const { return true; }
};

void PrintText(Io& io, const UrlResult& result) {
    io.out << result.url << '\n';
}

void PrintJson(Io& io, const UrlResult& result) {
    PrintJson(io, Json{{"Url", result.url}});
}

// parse-query: the matches a "cddb query" reply names.
struct QueryReply {
    bool names_albums = false;
    MatchList matches;
    std::vector<std::string> messages;
    bool Succeeded() const { return names_albums; }
};

QueryReply ParseQuery(const std::string& page) {
    QueryReply reply;
    CollectingMessageService messages;
    reply.names_albums = ParseQueryReply(page, reply.matches, messages);
    reply.messages = messages.Texts();
    return reply;
}

void PrintText(Io& io, const QueryReply& reply) {
    PrintMessages(reply.messages, io);
    if (reply.names_albums) {
        for (const FreeDbMatch& match : reply.matches) {
            io.out << match.Category << ' ' << match.DiscId << ' ' << match.Title << '\n';
        }
    }
}

void PrintJson(Io& io, const QueryReply& reply) {
    PrintJson(io, Json{{"Result", reply.names_albums},
                       {"MatchList", MatchesJson(reply.matches)},
                       {"Messages", reply.messages}});
}

// parse-album: the album record a "cddb read" reply holds.
struct AlbumReply {
    AlbumData album;
    std::vector<std::string> messages;
    bool Succeeded() const { return album.AlbumValid; }
};

AlbumReply ParseAlbum(const std::string& page) {
    AlbumReply reply;
    CollectingMessageService messages;
    ParseAlbumReply(page, reply.album, messages);
    reply.messages = messages.Texts();
    return reply;
}

void PrintText(Io& io, const AlbumReply& reply) {
    PrintMessages(reply.messages, io);
    const AlbumData& album = reply.album;
    if (album.AlbumValid) {
        io.out << "Album: " << album.AlbumTitle << '\n' << "Year: " << album.AlbumYear << '\n';
        for (const TrackText& entry : album.TrackTitles) {
            io.out << "Track " << entry.TrackNumber + 1 << " : " << entry.Text << '\n';
        }
    }
}

Json TrackTextsJson(const std::vector<TrackText>& list) {
    Json entries = Json::array();
    for (const TrackText& entry : list) {
        entries.push_back({{"TrackNumber", entry.TrackNumber}, {"Text", entry.Text}});
    }
    return entries;
}

void PrintJson(Io& io, const AlbumReply& reply) {
    const AlbumData& album = reply.album;
    PrintJson(io, Json{{"AlbumValid", album.AlbumValid},
                       {"AlbumTitle", album.AlbumTitle},
                       {"AlbumYear", album.AlbumYear},
                       {"ExtendedData", album.ExtendedData},
                       {"TrackTitles", TrackTextsJson(album.TrackTitles)},
                       {"TrackExtras", TrackTextsJson(album.TrackExtras)},
                       {"Messages", reply.messages}});
}

// read: the album of a category and disc id, from the server.
struct ReadResult {
    FreeDbMatch match;
    std::optional<ShownAlbum> album;
    std::vector<std::string> messages;
    bool Succeeded() const { return album.has_value(); }
};

ReadResult ReadAlbum(const std::string& category, const std::string& disc_id,
                     const ServerAddress& address) {
    CliLookup cli;
    const bool loaded = cli.lookup.LookUpManually(category, disc_id, address);
    return {cli.lookup.Matches().front().Cddb, loaded ? LoadedAlbum(cli.lookup) : std::nullopt,
            cli.messages.Texts()};
}

void PrintText(Io& io, const ReadResult& result) {
    PrintMessages(result.messages, io);
    PrintAlbum(result.album, io);
}

void PrintJson(Io& io, const ReadResult& result) {
    PrintMessages(result.messages, io);
    PrintJson(io, Json{{"Category", result.match.Category},
                       {"DiscId", result.match.DiscId},
                       {"Album", AlbumJson(result.album)},
                       {"Messages", result.messages}});
}

// motd: the connection test, the server's raw reply and what the user was told.
struct MotdResult {
    std::string reply;
    std::vector<std::string> messages;
    bool connected = false;
    bool Succeeded() const { return connected; }
};

MotdResult TestConnection(const ServerAddress& address) {
    CliLookup cli;
    const bool connected = cli.lookup.TestConnection(address);
    return {cli.lookup.RawReply(), cli.messages.Texts(), connected};
}

void PrintText(Io& io, const MotdResult& result) {
    io.out << result.reply;
    PrintMessages(result.messages, io);
}

// The connection test has no JSON form: the reply is the server's own text.
void PrintJson(Io& io, const MotdResult& result) {
    PrintText(io, result);
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
        ExpectWords(rest, 2, "read needs CATEGORY and DISCID, such as: cddb read rock 0b014802");
        return Print(io, ReadAlbum(rest[0], rest[1], address), json);
    }
    if (action == "motd") {
        ExpectWords(rest, 0, "motd takes no arguments besides the server options");
        return Print(io, TestConnection(address), json);
    }
    if (action == "url") {
        ExpectWords(rest, 1,
                    "url needs one CDDB command, such as \"cddb query b014802 2 150 13500 330\"");
        return Print(
            io,
            UrlResult{BuildRequestUrl(address.server, address.root, rest[0], ProgramHelloSuffix())},
            json);
    }
    if (server_options) {
        throw UsageError("the server options belong to cddb read, motd and url");
    }
    if (action == "parse-query") {
        return Print(io, ParseQuery(ReadReply(rest)), json);
    }
    if (action == "parse-album") {
        return Print(io, ParseAlbum(ReadReply(rest)), json);
    }
    throw UsageError("unknown cddb action '" + action + "' (see cddb --help)");
}

}  // namespace

Command CddbCommand() {
    return {"cddb", "CDDB requests to a server, request URLs and reply parsing", kHelp.c_str(),
            RunCddb};
}

}  // namespace kalvex::cli
