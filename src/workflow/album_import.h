#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/message_service.h"
#include "common/progress.h"
#include "freedb/album_record.h"
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
};

struct ImportOptions {
    bool ImportTicked = false;  // every ticked row, else the selected row only
    bool Optimise = false;      // both tags, the old v2 frames dropped, v1 copied from v2
    bool SaveTags = false;      // write each file; else only the editor is filled
    // Fill the editor and plan, but write nothing: the results tell what a
    // save would write, and the rows show the titles it would give.
    bool DryRun = false;
};

// What became of one imported row.
struct TrackImport {
    std::size_t Row = 0;
    std::string FileName;
    int Track = 0;  // the album's track number, from 1
    // The editor's state the file was (or would be) saved with.
    TagEditorFields Fields;
    bool Written = false;  // saved, or in a dry run: would be saved
    std::string Error;     // the system's reason when the save failed
    // Why the row was left alone (its track is beyond the album's last):
    // neither written nor renamed, and no fault of the file's.
    std::string Skipped;
};

inline constexpr const char* kBeyondAlbumMessage =
    "The album has no track for these files; they were neither imported nor renamed:";

// The row's album track: the leading number of its "Track" text, rounded
// ("3/12" gives 3); nullopt for 0, negative numbers and those beyond 16 bits.
std::optional<int> ImportTrackNumber(const std::string& track_text);

// Writes the album into the files of the track list through the tag editor,
// as "Import from FreeDB" does. Each row's own file is loaded into the editor
// first, so fields the album does not supply (composer, copyright, the whole
// version 1 tag without Optimise) stay those of that file. The three tag
// boxes and the version 2 choice stay as they were when the importer was
// made, unless Optimise ticks them.
class AlbumImporter {
public:
    AlbumImporter(TrackList& tracks, TagEditor& editor, AlbumToImport album, ImportOptions options);

    // The whole import: every ticked row (Progress steps per row), or the
    // selected one. Files that could not be saved, and rows skipped for a
    // track the album does not have, are told in one message each at the end.
    std::vector<TrackImport> Run(Progress& progress, MessageService& messages);
    // Imports the album into the file of one row (from 0); nullopt when the
    // row's track text gives no track. A row whose file is gone (or is now a
    // folder) gives a result with the system's reason.
    std::optional<TrackImport> ImportTrack(std::size_t row);

private:
    void FillFields(int track);

    TrackList& tracks_;
    TagEditor& editor_;
    AlbumToImport album_;
    ImportOptions options_;
    TagEditorFields boxes_;  // the user's tag boxes and version choice
};

}  // namespace kalvex
