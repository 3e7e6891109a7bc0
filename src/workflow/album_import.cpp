#include "workflow/album_import.h"

#include <utility>

#include "common/numbers.h"
#include "common/text_helpers.h"

namespace kalvex {
namespace {

// What the track list shows as a row's title once the file holds these
// fields: the version 2 title when that tag is written, else version 1's.
std::string TitleAfterSave(const TagEditorFields& fields) {
    if (fields.Version2) {
        return fields.V2.Title;
    }
    return fields.Version1 ? fields.V1.Title : std::string();
}

// One message listing the rows whose `reason` is set, or nothing.
void TellRows(const std::vector<TrackImport>& results, std::string TrackImport::*reason,
              const char* heading, MessageService& messages) {
    std::string text = heading;
    bool any = false;
    for (const TrackImport& result : results) {
        if (!(result.*reason).empty()) {
            text += "\r\n'" + result.FileName + "': " + result.*reason;
            any = true;
        }
    }
    if (any) {
        messages.ShowExclamation(text);
    }
}

}  // namespace

std::optional<int> ImportTrackNumber(const std::string& track_text) {
    const std::int64_t number = RoundedTrackNumber(track_text);
    if (number < 1 || number > 32767) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

AlbumImporter::AlbumImporter(TrackList& tracks, TagEditor& editor, AlbumToImport album,
                             ImportOptions options)
    : tracks_(tracks),
      editor_(editor),
      album_(std::move(album)),
      options_(options),
      boxes_(editor.Fields()) {}

std::vector<TrackImport> AlbumImporter::Run(Progress& progress, MessageService& messages) {
    std::vector<TrackImport> results;
    const auto keep = [&](std::optional<TrackImport> result) {
        if (result) {
            results.push_back(std::move(*result));
        }
    };
    if (options_.ImportTicked) {
        progress.Start();
        const std::size_t count = tracks_.Rows().size();
        for (std::size_t i = 0; i < count; ++i) {
            progress.Step(
                ProgressPercent(static_cast<long long>(i) + 1, static_cast<long long>(count)));
            if (tracks_.Rows()[i].Ticked) {
                keep(ImportTrack(i));
            }
        }
        progress.Finish();
    } else if (const std::optional<std::size_t> selected = tracks_.FirstSelected()) {
        keep(ImportTrack(*selected));
    }
    TellRows(results, &TrackImport::Error, "The tags of these files could not be saved:", messages);
    TellRows(results, &TrackImport::Skipped, kBeyondAlbumMessage, messages);
    return results;
}

std::optional<TrackImport> AlbumImporter::ImportTrack(std::size_t row) {
    TrackImport result;
    result.Row = row;
    result.FileName = tracks_.Rows()[row].FileName;
    const std::string path = tracks_.PathOf(row);
    // The folder may have changed since it was listed.
    if (const FileResult file = CheckRegularFile(path); !file) {
        result.Error = file.Reason();
        return result;
    }
    const std::optional<int> track = ImportTrackNumber(tracks_.Rows()[row].Track);
    if (!track) {
        return std::nullopt;
    }
    result.Track = *track;
    const int album_tracks =
        album_.TrackCount > 0 ? album_.TrackCount : AlbumTrackCount(album_.Tracks);
    if (*track > album_tracks) {
        // An empty title would replace the file's own (a hidden bonus track).
        result.Skipped = "the album has no track " + std::to_string(*track);
        return result;
    }
    editor_.LoadFileTags(path);
    editor_.ShowFileTags();
    FillFields(*track);
    result.Fields = editor_.Fields();
    if (!options_.SaveTags) {
        return result;
    }
    if (options_.DryRun) {
        result.Written = true;
        tracks_.Rows()[row].Title = TitleAfterSave(result.Fields);
        return result;
    }
    const FileResult saved = editor_.SaveFileTags(path);
    result.Written = saved.Succeeded();
    result.Error = saved.Reason();
    tracks_.RefreshRow(row);
    return result;
}

void AlbumImporter::FillFields(int track) {
    TagEditorFields& fields = editor_.Fields();
    fields.Version1 = boxes_.Version1;
    fields.Version2 = boxes_.Version2;
    fields.Clear = boxes_.Clear;
    fields.Version = boxes_.Version;
    if (options_.Optimise) {
        fields.Version1 = fields.Version2 = fields.Clear = true;
    }

    const std::string title = GetTrackTitle(album_.Tracks, track - 1);
    if (title.find(" / ") == std::string::npos) {
        editor_.SetV2(&TagRecord::Artist, album_.Artist);
        editor_.SetV2(&TagRecord::Title, TrimBlanks(title));
    } else {
        // A compilation's track: "Artist / Title".
        editor_.SetV2(&TagRecord::Artist, TrimBlanks(GetField(title, " / ", 1)));
        editor_.SetV2(&TagRecord::Title, TrimBlanks(GetField(title, " / ", 2)));
    }
    editor_.SetV2(&TagRecord::TNR, std::to_string(track));
    editor_.SetV2(&TagRecord::Comment, GetTrackExtra(album_.Tracks, track - 1));
    editor_.SetV2(&TagRecord::Album, album_.Album);
    editor_.SelectV2Genre(album_.Genre, "");
    editor_.SetV2(&TagRecord::Year, album_.Year);
    if (options_.Optimise) {
        editor_.CopyTo1();
    }
}

}  // namespace kalvex
