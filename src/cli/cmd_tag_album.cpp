// kalvex-cli tag-album: look up, tag and rename one folder's album.
#include <algorithm>
#include <filesystem>
#include <ostream>

#include "cli/album_tagging.h"
#include "cli/cli_args.h"
#include "cli/cli_lookup.h"
#include "cli/commands.h"
#include "common/cp1252.h"

namespace kalvex::cli {
namespace {

constexpr const char* kHelpHead =
    R"(usage: kalvex-cli tag-album DIR (--drive N | --toc "FIRST LAST M:S:F ..." |
                            --files | --read CATEGORY DISCID | --album FILE)
                 [--server URL] [--root PATH] [--port N] [--choose N]
                 [--source cddb|musicbrainz|both] [--musicbrainz-server URL]
                 [--email ADDRESS] [--proto 5|6] [--cover|--no-cover]
                 [--cover-server URL]
                 [--track-option count|name|tag] [--optimise]
                 [--v1|--no-v1] [--v2 2.3|--v2 2.4|--no-v2] [--clear]
                 [--rename] [--dry-run] [--json]

The window's main job in one command: gets the album as lookup does (or
reads it by category and disc id, or takes a stored "cddb read" reply),
imports it into every MP3 file of DIR as "Import from FreeDB" does with
every track ticked and "Save tags on import from FreeDB" on, and with
--rename renames the files to track number and title and DIR to the album.

)";

constexpr const char* kHelpSources =
    R"(  --files        the table of contents from DIR's own files (see discid --files),
                 for an album whose disc is not at hand
  --read CATEGORY DISCID
                 read that album from the server ("Manually look up CD")
  --album FILE   a stored "cddb read" reply (status line "210 CATEGORY DISCID
                 ...", the xmcd record, "."; Windows-1252); - reads standard
                 input. The genre is the status line's category.
)";

constexpr const char* kHelpTail =
    R"(  --choose N     which match to read when the server names several (0-based)
  --track-option how a file is linked to its album track, as for list:
                 count (default), name or tag
  --optimise     "Optimise MP3 tags for compatibility": both tags written,
                 the old ID3 v2 tag's other frames dropped, ID3 v1 copied
                 from ID3 v2
  --v1           write the ID3 v1 tag (the default)
  --no-v1        REMOVE the ID3 v1 tag from every file, as the window does
                 when its "ID3 v1 tag" box is unticked
  --v2 2.3|2.4   write the ID3 v2 tag in this version (default 2.3)
  --no-v2        REMOVE the ID3 v2 tag from every file
  --clear        clear the existing ID3 v2 tag before writing the new one
  --rename       then rename each written file to "NN Title.mp3" and DIR to
                 the album title; a name already taken is never overwritten
  --dry-run      plan it all and change nothing: the output says what would
                 be written and renamed
  --json         print {"Folder", "Album" (as for lookup), "Files":[{"File",
                 "Track","Title","Written","RenamedTo","Error","Skipped"}],
                 "FolderRenamedTo", "Messages"}; "RenamedTo" and
                 "FolderRenamedTo" are null when nothing was renamed

Fields the album does not supply (composer, copyright, ...; without
--optimise also the ID3 v1 fields) keep each file's own values. A file that
gets no album track, or one beyond the album's last ("Skipped"), is neither
written nor renamed; DIR is renamed only when every file was written (a DIR
that is a symbolic link stands for the folder it points to). Messages for
the user go to standard error (and into "Messages"). Exit code 0 when every
file was written (and with --rename renamed, DIR too), 1 otherwise, also
when no album was loaded.
)";

const std::string kHelp = std::string(kHelpHead) + kDiscOptionsHelp + kHelpSources +
                          kServerOptionsHelp + kSourceOptionsHelp + kCoverOptionsHelp + kHelpTail;

constexpr const char* kNoAlbum = "no album was loaded";

// Where the album comes from: exactly one of these.
struct AlbumSource {
    DiscOptions disc;
    std::optional<std::vector<std::string>> read;
    std::optional<std::string> album_file;

    int Count() const { return disc.Count() + read.has_value() + album_file.has_value(); }
};

// What the command did: why it could not start, or the album (when one was
// loaded), each file of the folder and the folder itself. Both printers
// print this and nothing else.
struct TagAlbumResult {
    std::string cannot_start;           // a DIR that is no folder: nothing else happened
    DiscReading disc;                   // the drive's messages and failure, if read
    std::vector<std::string> problems;  // loading failures, as error lines
    std::vector<std::string> messages;
    std::string folder;
    Json album;  // null when no album was loaded
    FolderTagging tagging;

    bool Succeeded() const { return cannot_start.empty() && tagging.Done(); }
};

std::string StatusLine(const std::string& page) {
    return page.substr(0, page.find_first_of("\r\n"));
}

// Loads the album into the lookup; false, with the reason in the result,
// when none was loaded.
bool LoadAlbum(const AlbumSource& source, const ServerAddress& address, CliLookup& cli,
               TagAlbumResult& result) {
    if (source.album_file) {
        const std::string& path = *source.album_file;
        if (const std::string problem = path == "-" ? "" : NotARegularFile(path);
            !problem.empty()) {
            result.problems.push_back("kalvex-cli: cannot read " + path + ": " + problem);
            return false;
        }
        const std::string page = Cp1252ToUtf8(ReadInputBytes(path));
        if (cli.lookup.LoadAlbumReply(page)) {
            return true;
        }
        result.problems.push_back("kalvex-cli: " + path +
                                  " is not a \"cddb read\" reply with status 210: it starts \"" +
                                  StatusLine(page) + "\"");
        return false;
    }
    bool loaded = false;
    if (source.read) {
        loaded = cli.lookup.LookUpManually((*source.read)[0], (*source.read)[1], address);
    } else {
        result.disc = ReadDisc(source.disc);
        if (result.disc.toc) {
            loaded = cli.lookup.LookUpToc(*result.disc.toc, address, result.disc.Note());
        }
    }
    if (cli.chooser.ChoiceMissing()) {
        result.problems.push_back("kalvex-cli tag-album: " + cli.chooser.Problem());
    }
    return loaded;
}

// The error stream's part, the same in both forms; false when nothing else
// is to be printed.
bool PrintProblems(Io& io, const TagAlbumResult& result) {
    if (!result.cannot_start.empty()) {
        ReportFailure(io, result.cannot_start);
        return false;
    }
    PrintProblems(io, result.disc);
    for (const std::string& line : result.problems) {
        io.err << line << '\n';
    }
    PrintMessages(result.messages, io);
    return true;
}

void PrintNoAlbum(Io& io, const TagAlbumResult& result) {
    if (!result.tagging.loaded) {
        ReportFailure(io, std::string(kNoAlbum) + "; no file was changed");
    }
}

void PrintJson(Io& io, const TagAlbumResult& result) {
    if (!PrintProblems(io, result)) {
        return;
    }
    const FolderRename& folder = result.tagging.folder_rename;
    PrintJson(io, Json{{"Folder", result.folder},
                       {"Album", result.album},
                       {"Files", FilesJson(result.tagging)},
                       {"FolderRenamedTo", folder.renamed ? Json(folder.new_path) : Json()},
                       {"Messages", result.messages}});
    PrintNoAlbum(io, result);
}

void PrintText(Io& io, const TagAlbumResult& result) {
    if (!PrintProblems(io, result)) {
        return;
    }
    PrintFiles(io, result.tagging);
    PrintNoAlbum(io, result);
}

struct TagAlbumRequest {
    std::string dir;
    AlbumSource source;
    ServerAddress address;
    LookupSources sources;
    std::optional<int> choice;
    FolderTaggingOptions tagging;
};

TagAlbumResult TagAlbum(const TagAlbumRequest& request) {
    TagAlbumResult result;
    std::string reason;
    result.folder = ExistingFolder(request.dir, reason);
    if (result.folder.empty()) {
        result.cannot_start = "cannot tag " + request.dir + ": " + reason;
        return result;
    }
    // A DIR reached through a symbolic link is the folder it points to: the
    // rename must move that folder, not the link.
    std::error_code error;
    result.folder = std::filesystem::canonical(result.folder, error).string();
    if (error) {
        result.cannot_start = "cannot tag " + request.dir + ": " + error.message();
        return result;
    }
    CliLookup cli(request.choice, request.sources);
    const bool loaded = LoadAlbum(request.source, request.address, cli, result);
    result.tagging =
        TagFolder(result.folder, loaded ? &cli.lookup : nullptr, request.tagging, cli.messages);
    if (loaded) {
        result.album = AlbumJson(cli.lookup);
    }
    result.messages = cli.messages.Texts();
    return result;
}

int RunTagAlbum(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    TagAlbumRequest request;
    const bool own_files = reader.Flag("--files");
    request.source.disc = ReadDiscOptions(reader, false);
    request.source.read = reader.Values("--read", 2);
    request.source.album_file = reader.Value("--album");
    request.address = ReadServerOptions(reader);
    request.sources = ReadSourceOptions(reader, request.address);
    request.choice = ReadChoice(reader);
    request.tagging = ReadFolderTaggingOptions(reader);
    const std::vector<std::string> dirs = reader.Positionals();
    if (dirs.size() != 1 || request.source.Count() + own_files != 1) {
        throw UsageError(
            "tag-album needs one DIR and one of --drive, --toc, --files, --read or --album (see "
            "tag-album --help)");
    }
    request.dir = dirs[0];
    if (own_files) {
        request.source.disc.files = dirs[0];
        request.source.disc.track_option = request.tagging.option;
    }
    return Print(io, TagAlbum(request), json);
}

}  // namespace

Command TagAlbumCommand() {
    return {"tag-album", "look up, tag and rename a folder's album in one go", kHelp.c_str(),
            RunTagAlbum};
}

}  // namespace kalvex::cli
