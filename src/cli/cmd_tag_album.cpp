#include <algorithm>
#include <filesystem>
#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_lookup.h"
#include "cli/commands.h"
#include "common/cp1252.h"
#include "workflow/album_import.h"
#include "workflow/rename_operations.h"
#include "workflow/tag_editor.h"

namespace kalvex::cli {
namespace {

constexpr const char* kHelpHead =
    R"(usage: kalvex-cli tag-album DIR (--drive N | --toc "FIRST LAST M:S:F ..." |
                            --read CATEGORY DISCID | --album FILE)
                 [--server URL] [--root PATH] [--port N] [--choose N]
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
    R"(  --read CATEGORY DISCID
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

const std::string kHelp =
    std::string(kHelpHead) + kDiscOptionsHelp + kHelpSources + kServerOptionsHelp + kHelpTail;

constexpr const char* kNoAlbum = "no album was loaded";

// Where the album comes from: exactly one of these.
struct AlbumSource {
    DiscOptions disc;
    std::optional<std::vector<std::string>> read;
    std::optional<std::string> album_file;

    int Count() const {
        return disc.toc_text.has_value() + disc.drive.has_value() + read.has_value() +
               album_file.has_value();
    }
};

// What became of one file of the folder.
struct FileOutcome {
    std::string file;
    std::optional<int> track;
    std::string title;
    bool written = false;
    std::optional<std::string> renamed_to;
    std::string error;
    std::string skipped;  // why the file was left alone
};

std::string StatusLine(const std::string& page) {
    return page.substr(0, page.find_first_of("\r\n"));
}

// Loads the album into the lookup; false, with the reason on the error
// stream, when none was loaded.
bool LoadAlbum(const AlbumSource& source, const ServerAddress& address, CliLookup& cli, Io& io) {
    if (source.album_file) {
        const std::string& path = *source.album_file;
        if (const std::string problem = path == "-" ? "" : NotARegularFile(path);
            !problem.empty()) {
            ReportFailure(io, "cannot read " + path + ": " + problem);
            return false;
        }
        const std::string page = Cp1252ToUtf8(ReadInputBytes(path));
        if (cli.lookup.LoadAlbumReply(page)) {
            return true;
        }
        ReportFailure(io, path + " is not a \"cddb read\" reply with status 210: it starts \"" +
                              StatusLine(page) + "\"");
        return false;
    }
    bool loaded = false;
    if (source.read) {
        loaded = cli.lookup.LookUpManually((*source.read)[0], (*source.read)[1], address);
    } else if (const std::optional<DiscToc> toc = TocOfDisc(source.disc, io)) {
        loaded = cli.lookup.LookUpToc(*toc, address);
    }
    if (cli.chooser.ChoiceMissing()) {
        io.err << "kalvex-cli tag-album: " << cli.chooser.Problem() << '\n';
    }
    return loaded;
}

// The editor's tag boxes as the options set them: both tags, version 2.3,
// no clearing, unless told otherwise.
void SetTagBoxes(const TagVersionOptions& versions, TagEditorFields& boxes) {
    boxes.Version1 = !versions.no_v1;
    boxes.Version2 = !versions.no_v2;
    boxes.Version = versions.v2 == "2.4" ? TagV2Version::k24 : TagV2Version::k23;
    boxes.Clear = versions.clear;
}

std::vector<FileOutcome> Outcomes(const TrackList& tracks, const std::vector<TrackImport>& imports,
                                  bool loaded) {
    std::vector<FileOutcome> outcomes;
    for (std::size_t i = 0; i < tracks.Rows().size(); ++i) {
        const TrackRow& row = tracks.Rows()[i];
        FileOutcome& outcome = outcomes.emplace_back();
        outcome.file = row.FileName;
        outcome.title = row.Title;
        const auto imported =
            std::ranges::find_if(imports, [i](const TrackImport& entry) { return entry.Row == i; });
        if (imported == imports.end()) {
            outcome.error =
                loaded ? "its track text '" + row.Track + "' names no album track" : kNoAlbum;
            continue;
        }
        outcome.track = imported->Track;
        outcome.written = imported->Written;
        outcome.error = imported->Error;
        outcome.skipped = imported->Skipped;
    }
    return outcomes;
}

// Renames the written files; the others keep their names.
void RenameFiles(const TrackList& tracks, std::vector<FileOutcome>& outcomes,
                 MessageService& messages, bool dry_run) {
    std::vector<TrackRow> rows = tracks.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].Ticked = outcomes[i].written;
    }
    NoProgress progress;
    const std::vector<FileRename> renames =
        RenameTrackFiles(tracks.CurrentFolder(), rows, progress, messages, dry_run);
    auto rename = renames.begin();
    for (std::size_t i = 0; i < rows.size() && rename != renames.end(); ++i) {
        if (!rows[i].Ticked) {
            continue;
        }
        if (rename->renamed) {
            outcomes[i].renamed_to = rename->new_name;
        } else if (!rename->already_named) {
            outcomes[i].error = rename->error;
        }
        ++rename;
    }
}

Json OutcomesJson(const std::vector<FileOutcome>& outcomes) {
    Json files = Json::array();
    for (const FileOutcome& outcome : outcomes) {
        files.push_back(
            Json{{"File", outcome.file},
                 {"Track", outcome.track ? Json(*outcome.track) : Json()},
                 {"Title", outcome.title},
                 {"Written", outcome.written},
                 {"RenamedTo", outcome.renamed_to ? Json(*outcome.renamed_to) : Json()},
                 {"Error", outcome.error.empty() ? Json() : Json(outcome.error)},
                 {"Skipped", outcome.skipped.empty() ? Json() : Json(outcome.skipped)}});
    }
    return files;
}

void PrintOutcomes(const std::vector<FileOutcome>& outcomes, const FolderRename& folder,
                   bool dry_run, Io& io) {
    const char* would = dry_run ? "would be " : "";
    for (const FileOutcome& outcome : outcomes) {
        io.out << outcome.file << ": ";
        if (outcome.written) {
            io.out << would << "written, track " << *outcome.track << " \"" << outcome.title << '"';
            if (outcome.renamed_to) {
                io.out << ", " << would << "renamed to " << *outcome.renamed_to;
            }
        } else if (!outcome.skipped.empty()) {
            io.out << "skipped: " << outcome.skipped;
        } else {
            io.out << "not written";
        }
        if (!outcome.error.empty()) {
            io.out << (outcome.written ? "; " : ": ") << outcome.error;
        }
        io.out << '\n';
    }
    if (folder.renamed) {
        io.out << "Folder " << would << "renamed to " << folder.new_path << '\n';
    } else if (!folder.error.empty()) {
        io.out << "Folder not renamed: " << folder.error << '\n';
    }
}

int RunTagAlbum(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    AlbumSource source;
    source.disc = ReadDiscOptions(reader);
    source.read = reader.Values("--read", 2);
    source.album_file = reader.Value("--album");
    const ServerAddress address = ReadServerOptions(reader);
    const std::optional<int> choice = ReadChoice(reader);
    const TrackOption option = ReadTrackOption(reader);
    const TagVersionOptions versions = ReadTagVersionOptions(reader);
    const ImportOptions import_options{.ImportTicked = true,
                                       .Optimise = reader.Flag("--optimise"),
                                       .SaveTags = true,
                                       .DryRun = reader.Flag("--dry-run")};
    const bool rename = reader.Flag("--rename");
    const std::vector<std::string> dirs = reader.Positionals();
    if (dirs.size() != 1 || source.Count() != 1) {
        throw UsageError(
            "tag-album needs one DIR and one of --drive, --toc, --read or --album (see tag-album "
            "--help)");
    }
    if (import_options.Optimise && (versions.no_v1 || versions.no_v2)) {
        throw UsageError("--optimise writes both tags; it cannot go with --no-v1 or --no-v2");
    }
    std::string reason;
    std::string folder = ExistingFolder(dirs[0], reason);
    if (folder.empty()) {
        return ReportFailure(io, "cannot tag " + dirs[0] + ": " + reason);
    }
    // A DIR reached through a symbolic link is the folder it points to: the
    // rename must move that folder, not the link.
    std::error_code error;
    folder = std::filesystem::canonical(folder, error).string();
    if (error) {
        return ReportFailure(io, "cannot tag " + dirs[0] + ": " + error.message());
    }

    CliLookup cli(choice);
    const bool loaded = LoadAlbum(source, address, cli, io);
    TrackList tracks;
    NoProgress progress;
    tracks.Refresh(folder, option, true, progress);
    std::vector<TrackImport> imports;
    FolderRename folder_rename;
    if (loaded) {
        TagEditor editor;
        SetTagBoxes(versions, editor.Fields());
        const AlbumPanel& panel = cli.lookup.Panel();
        AlbumImporter importer(tracks, editor,
                               {panel.Artist, panel.Album, panel.Genre, panel.Year,
                                cli.lookup.Album(), cli.lookup.TrackCount()},
                               import_options);
        imports = importer.Run(progress, cli.messages);
    }
    std::vector<FileOutcome> outcomes = Outcomes(tracks, imports, loaded);
    if (loaded && rename) {
        RenameFiles(tracks, outcomes, cli.messages, import_options.DryRun);
        // A folder named after the album must hold the album: not while a
        // file of it kept its old tags.
        if (std::ranges::all_of(outcomes,
                                [](const FileOutcome& outcome) { return outcome.written; })) {
            folder_rename = RenameAlbumFolder(folder, cli.lookup.Panel().Album, cli.messages,
                                              import_options.DryRun);
        } else {
            folder_rename.error = "not every file was written";
        }
    }

    PrintMessages(cli.messages, io);
    if (json) {
        PrintJson(io, Json{{"Folder", folder},
                           {"Album", loaded ? AlbumJson(cli.lookup) : Json()},
                           {"Files", OutcomesJson(outcomes)},
                           {"FolderRenamedTo",
                            folder_rename.renamed ? Json(folder_rename.new_path) : Json()},
                           {"Messages", cli.messages.Texts()}});
    } else {
        PrintOutcomes(outcomes, folder_rename, import_options.DryRun, io);
    }
    if (!loaded) {
        return ReportFailure(io, std::string(kNoAlbum) + "; no file was changed");
    }
    const bool all_done = std::ranges::all_of(outcomes, [](const FileOutcome& outcome) {
        return outcome.written && outcome.error.empty();
    });
    return all_done && folder_rename.error.empty() ? 0 : 1;
}

}  // namespace

Command TagAlbumCommand() {
    return {"tag-album", "look up, tag and rename a folder's album in one go", kHelp.c_str(),
            RunTagAlbum};
}

}  // namespace kalvex::cli
