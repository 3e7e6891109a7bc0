#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/message_service.h"
#include "common/progress.h"
#include "workflow/track_list.h"

namespace kalvex {

// What became of one ticked row's file.
struct FileRename {
    std::size_t row = 0;  // its index in the rows given
    std::string old_name;
    std::string new_name;
    // Renamed, or in a dry run: would be renamed.
    bool renamed = false;
    // The file already has exactly its new name: nothing to do, and no fault.
    bool already_named = false;
    // The message shown for a failure; empty when all went well.
    std::string error;
};

// Renames the files of the ticked rows in `folder` (a UTF-8 path) to
// TrackFileName of their "Track" and "Title" texts, in row order, never over an
// existing name (letter case ignored). Every failure is shown through
// `messages` and kept in its result, and the next row follows. A dry run
// makes the same checks against the folder as it would become and renames
// nothing. One result per ticked row.
std::vector<FileRename> RenameTrackFiles(const std::string& folder,
                                         const std::vector<TrackRow>& rows, Progress& progress,
                                         MessageService& messages, bool dry_run);

struct FolderRename {
    // The folder as found, without trailing separators.
    std::string old_path;
    // The folder's new full path; empty when the title gives none.
    std::string new_path;
    // Renamed, or in a dry run: would be renamed.
    bool renamed = false;
    bool already_named = false;
    std::string error;
};

// Checks that `folder` can take AlbumFolderName of the album title, in the
// same parent folder: the plan, with `new_path`, or a fault told through
// `messages` and kept in `error`. Renames nothing. An empty title plans
// nothing and says nothing.
FolderRename CheckFolderRename(const std::string& folder, std::string_view album_title,
                               MessageService& messages);
// Carries out a checked plan: nothing when the check found a fault or the
// folder already has its name. A failure is told and kept in `error`.
void RenameCheckedFolder(FolderRename& plan, MessageService& messages);
// Both; in a dry run the check alone, `renamed` then saying it would be.
FolderRename RenameAlbumFolder(const std::string& folder, std::string_view album_title,
                               MessageService& messages, bool dry_run);

}  // namespace kalvex
