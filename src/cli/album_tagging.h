#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "common/message_service.h"
#include "workflow/album_job.h"
#include "workflow/cd_lookup.h"

namespace kalvex::cli {

// What tagging one folder's files did: each file as the album job left it
// (one plan a file, in list order), and the folder.
struct FolderTagging {
    std::string folder;
    std::vector<TrackRow> rows;
    std::vector<RowPlan> plans;
    FolderRename folder_rename;
    bool loaded = false;  // an album was loaded, so the job ran
    bool dry_run = false;

    // Every file written (and renamed, when asked), the folder too.
    bool Done() const;
};

// --cover / --no-cover and --cover-server URL: whether an album from
// MusicBrainz brings its front cover, and from where.
struct CoverOptions {
    bool embed = true;
    std::string server = kDefaultCoverServer;
};
extern const char* const kCoverOptionsHelp;

// What tag-album and tag-library do with a folder once its album is loaded.
struct FolderTaggingOptions {
    TrackOption option = TrackOption::kFileCount;
    TagVersionOptions versions;
    AlbumJobOptions job;  // every file ticked and saved; renamed with --rename
    CoverOptions cover;
};
// --track-option, the tag versions, --optimise, --rename, --dry-run and the
// cover options; UsageError for --optimise with --no-v1 or --no-v2.
FolderTaggingOptions ReadFolderTaggingOptions(ArgReader& reader);

// The album the lookup loaded (with its cover, when asked for and the
// album came from MusicBrainz) into every MP3 file of `folder`, as "Import
// from FreeDB" does with every file ticked, then the new names as the job
// says. Without `lookup` only the files are listed.
FolderTagging TagFolder(const std::string& folder, CdLookup* lookup,
                        const FolderTaggingOptions& options, MessageService& messages);

// Whether the folder's files already carry one album's tags (ID3 v2 with
// the same album, an artist, a title and a track each) and are named after
// them, the folder after the album: what a finished tag-album --rename leaves.
bool LooksTaggedAndNamed(const std::string& folder);

// [{"File","Track","Title","Written","RenamedTo","Error","Skipped"}].
Json FilesJson(const FolderTagging& tagging);
// A line a file, then the folder's.
void PrintFiles(Io& io, const FolderTagging& tagging);

}  // namespace kalvex::cli
