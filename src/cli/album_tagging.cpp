// Tagging one folder with a looked-up album, for tag-album and tag-library.
#include "cli/album_tagging.h"

#include <algorithm>
#include <ostream>

#include "cli/cli_args.h"
#include "common/text_helpers.h"
#include "id3/file_tags.h"
#include "workflow/file_names.h"
#include "workflow/tag_editor.h"

namespace kalvex::cli {
namespace {

constexpr const char* kNoAlbum = "no album was loaded";

// The editor's tag boxes as the options set them: both tags, version 2.3,
// no clearing, unless told otherwise.
void SetTagBoxes(const TagVersionOptions& versions, TagEditorFields& boxes) {
    boxes.Version1 = !versions.no_v1;
    boxes.Version2 = !versions.no_v2;
    boxes.Version = versions.v2 == "2.4" ? TagV2Version::k24 : TagV2Version::k23;
    boxes.Clear = versions.clear;
}

// Why a file the job left out was not written, when it says nothing itself.
std::string FileError(const FolderTagging& tagging, std::size_t i) {
    const RowPlan& plan = tagging.plans[i];
    if (!plan.Error.empty() || !plan.Skipped.empty() || plan.Written) {
        return plan.Error;
    }
    return tagging.loaded ? "its track text '" + tagging.rows[i].Track + "' names no album track"
                          : kNoAlbum;
}

}  // namespace

bool FolderTagging::Done() const {
    return loaded && folder_rename.error.empty() &&
           std::ranges::all_of(
               plans, [](const RowPlan& plan) { return plan.Written && plan.Error.empty(); });
}

namespace {

// The loaded album's front cover when asked for; a cover that could not be
// had is told through `messages`.
std::optional<TagPicture> CoverOf(CdLookup& lookup, const CoverOptions& options,
                                  MessageService& messages) {
    if (!options.embed || lookup.LoadedRelease() == nullptr) {
        return std::nullopt;
    }
    std::string note;
    std::optional<TagPicture> cover = lookup.FrontCover(options.server, &note);
    if (!note.empty()) {
        messages.ShowInformation(note);
    }
    return cover;
}

}  // namespace

FolderTagging TagFolder(const std::string& folder, CdLookup* lookup,
                        const FolderTaggingOptions& options, MessageService& messages) {
    const AlbumJobOptions& job = options.job;
    FolderTagging tagging;
    tagging.folder = folder;
    tagging.dry_run = job.DryRun;
    TrackList tracks;
    NoProgress progress;
    tracks.Refresh(folder, options.option, true, progress);
    if (lookup != nullptr) {
        TagEditor editor;
        SetTagBoxes(options.versions, editor.Fields());
        const AlbumPanel& panel = lookup->Panel();
        std::optional<TagPicture> cover;
        if (!job.DryRun) {
            cover = CoverOf(*lookup, options.cover, messages);
        }
        AlbumJob album_job(tracks, editor,
                           {panel.Artist, panel.Album, panel.Genre, panel.Year, lookup->Album(),
                            lookup->TrackCount(), std::move(cover)},
                           job);
        AlbumJobResult done = album_job.Run(progress, messages);
        tagging.plans = std::move(done.Rows);
        tagging.folder_rename = std::move(done.Folder);
        tagging.loaded = true;
    } else {
        for (std::size_t i = 0; i < tracks.Rows().size(); ++i) {
            RowPlan& plan = tagging.plans.emplace_back();
            plan.Row = i;
            plan.FileName = tracks.Rows()[i].FileName;
            plan.Title = tracks.Rows()[i].Title;
        }
    }
    tagging.rows = tracks.Rows();
    return tagging;
}

const char* const kCoverOptionsHelp =
    R"(  --cover        for an album from MusicBrainz, embed its front cover from the
                 Cover Art Archive into every file written (the default)
  --no-cover     embed no cover
  --cover-server URL
                 the Cover Art Archive (default https://coverartarchive.org)
)";

FolderTaggingOptions ReadFolderTaggingOptions(ArgReader& reader) {
    FolderTaggingOptions options;
    options.option = ReadTrackOption(reader);
    options.versions = ReadTagVersionOptions(reader);
    options.job = {.ImportTicked = true,
                   .Optimise = reader.Flag("--optimise"),
                   .SaveTags = true,
                   .Rename = reader.Flag("--rename"),
                   .Policy = RenamePolicy::kWrittenFiles,
                   .DryRun = reader.Flag("--dry-run")};
    if (options.job.Optimise && (options.versions.no_v1 || options.versions.no_v2)) {
        throw UsageError("--optimise writes both tags; it cannot go with --no-v1 or --no-v2");
    }
    const bool cover = reader.Flag("--cover");
    const bool no_cover = reader.Flag("--no-cover");
    if (cover && no_cover) {
        throw UsageError("--cover and --no-cover cannot go together");
    }
    options.cover.embed = !no_cover;
    options.cover.server = reader.Value("--cover-server").value_or(kDefaultCoverServer);
    return options;
}

bool LooksTaggedAndNamed(const std::string& folder) {
    const std::vector<std::string> names = ListMp3Files(folder);
    if (names.empty()) {
        return false;
    }
    std::string album;
    for (const std::string& name : names) {
        const FileTags tags = LoadFileTags(AddBackslash(folder) + name);
        const TagRecord& v2 = tags.TagV2;
        if (!tags.HasTagV2 || v2.Album.empty() || v2.Artist.empty() || v2.Title.empty() ||
            (!album.empty() && v2.Album != album) || name != TrackFileName(v2.TNR, v2.Title)) {
            return false;
        }
        album = v2.Album;
    }
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path.substr(path.rfind('/') + 1) == AlbumFolderName(album);
}

Json FilesJson(const FolderTagging& tagging) {
    Json files = Json::array();
    for (std::size_t i = 0; i < tagging.plans.size(); ++i) {
        const RowPlan& plan = tagging.plans[i];
        const std::string error = FileError(tagging, i);
        files.push_back(Json{{"File", plan.FileName},
                             {"Track", plan.Track ? Json(*plan.Track) : Json()},
                             {"Title", plan.Title},
                             {"Written", plan.Written},
                             {"RenamedTo", plan.RenamedTo ? Json(*plan.RenamedTo) : Json()},
                             {"Error", error.empty() ? Json() : Json(error)},
                             {"Skipped", plan.Skipped.empty() ? Json() : Json(plan.Skipped)}});
    }
    return files;
}

void PrintFiles(Io& io, const FolderTagging& tagging) {
    const char* would = tagging.dry_run ? "would be " : "";
    for (std::size_t i = 0; i < tagging.plans.size(); ++i) {
        const RowPlan& plan = tagging.plans[i];
        const std::string error = FileError(tagging, i);
        io.out << plan.FileName << ": ";
        if (plan.Written) {
            io.out << would << "written, track " << *plan.Track << " \"" << plan.Title << '"';
            if (plan.RenamedTo) {
                io.out << ", " << would << "renamed to " << *plan.RenamedTo;
            }
        } else if (!plan.Skipped.empty()) {
            io.out << "skipped: " << plan.Skipped;
        } else {
            io.out << "not written";
        }
        if (!error.empty()) {
            io.out << (plan.Written ? "; " : ": ") << error;
        }
        io.out << '\n';
    }
    const FolderRename& folder = tagging.folder_rename;
    if (folder.renamed) {
        io.out << "Folder " << would << "renamed to " << folder.new_path << '\n';
    } else if (!folder.error.empty()) {
        io.out << "Folder not renamed: " << folder.error << '\n';
    }
}

}  // namespace kalvex::cli
