#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/message_service.h"
#include "common/progress.h"
#include "freedb/album_record.h"
#include "workflow/rename_operations.h"
#include "workflow/tag_editor.h"
#include "workflow/track_list.h"

namespace kalvex {

// The album as the FreeDB page shows it: the four boxes of the album panel,
// which the user may have edited, and the album's track texts.
struct AlbumToImport {
    std::string Artist;
    std::string Album;
    std::string Genre;
    std::string Year;
    AlbumData Tracks;
    // How many tracks the album has (the lookup's count); 0 counts them from
    // the record alone. A row of a higher track is skipped.
    int TrackCount = 0;
    // The album's front cover, embedded into every file written.
    std::optional<TagPicture> Cover = std::nullopt;
};

// Which rows the renaming after the import takes.
enum class RenamePolicy {
    // The window: every ticked row but those the album skipped or whose save
    // failed (a row without an album track keeps its own title); then the
    // folder.
    kTickedRows,
    // The command line: only the files just written, and the folder only
    // when every file was.
    kWrittenFiles,
};

struct AlbumJobOptions {
    bool ImportTicked = false;  // every ticked row, else the selected row only
    bool Optimise = false;      // both tags, the old v2 frames dropped, v1 copied from v2
    bool SaveTags = false;      // write each file; else only the editor is filled
    bool Rename = false;        // then rename the files and the folder
    RenamePolicy Policy = RenamePolicy::kTickedRows;
    // Plan it all and check it against the folder, but change nothing: the
    // rows tell what would be written and renamed.
    bool DryRun = false;
};

// One row's plan, and what became of it.
struct RowPlan {
    std::size_t Row = 0;
    std::string FileName;
    std::optional<int> Track;  // the album track; none when the track text names none
    // The editor's state the file is saved with (when Imported).
    TagEditorFields Fields;
    bool Imported = false;  // the editor was filled from the album for this row
    // Why the row is left alone: the album has no track of its number.
    std::string Skipped;
    std::string Title;                   // the title the file has after the job
    std::optional<std::string> NewName;  // the name the renaming gives it

    bool Written = false;                  // saved (in a dry run: would be)
    std::optional<std::string> RenamedTo;  // (in a dry run: would be)
    std::string Error;                     // the system's reason when the save or the rename failed
};

struct AlbumJobResult {
    std::vector<RowPlan> Rows;  // the rows the job took, in list order
    // The folder step: `renamed` when it was (would be) renamed, `error` when
    // it could not be or was held back.
    FolderRename Folder;
};

inline constexpr const char* kBeyondAlbumMessage =
    "The album has no track for these files; they were neither imported nor renamed:";
inline constexpr const char* kFolderHeldBack = "not every file was written";

// The row's album track: the leading number of its "Track" text, rounded
// ("3/12" gives 3); nullopt for 0, negative numbers and those beyond 16 bits.
std::optional<int> ImportTrackNumber(const std::string& track_text);

// The album into the files of the track list, then the new names: what
// "Import from FreeDB" does with "Auto rename" and what tag-album does. It
// first plans every row (its track, the tags to write, its new name, or why
// it is skipped) without touching a file, then performs the plan. Each
// row's own file is loaded into the editor for the plan, so fields the album
// does not supply (composer, copyright, the whole version 1 tag without
// Optimise) stay that file's. The tag boxes and the version 2 choice stay
// as they were when the job was made, unless Optimise ticks them.
class AlbumJob {
public:
    AlbumJob(TrackList& tracks, TagEditor& editor, AlbumToImport album, AlbumJobOptions options);

    // Every row the job takes: the ticked rows (or the selected one), and
    // with kTickedRows renaming the other ticked rows to rename. No file is
    // touched; the editor is left showing the last imported row.
    std::vector<RowPlan> Plan();
    // Plans and performs: saves (Progress steps per row when ImportTicked),
    // renames the files, then the folder. `release_folder` runs once the
    // folder's new name has passed its checks, just before it is renamed
    // (the window lets go of the folder there). Failed saves, and rows
    // skipped for a track the album lacks, are told in one message each.
    AlbumJobResult Run(Progress& progress, MessageService& messages,
                       const std::function<void()>& release_folder = {});

private:
    RowPlan PlanRow(std::size_t row);
    void FillFields(int track);
    void Save(RowPlan& plan);
    void RenameFiles(std::vector<RowPlan>& plans, Progress& progress, MessageService& messages);
    FolderRename RenameFolder(const std::vector<RowPlan>& plans, MessageService& messages,
                              const std::function<void()>& release_folder);

    TrackList& tracks_;
    TagEditor& editor_;
    AlbumToImport album_;
    AlbumJobOptions options_;
    TagEditorFields boxes_;  // the user's tag boxes and version choice
};

}  // namespace kalvex
