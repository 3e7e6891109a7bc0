#include "app/album_import.h"

#include <cmath>
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

std::string FailedFilesMessage(const std::vector<TrackImport>& results) {
    std::string text = "The tags of these files could not be saved:";
    for (const TrackImport& result : results) {
        if (!result.Error.empty()) {
            text += "\r\n'" + result.FileName + "': " + result.Error;
        }
    }
    return text;
}

}  // namespace

std::optional<int> ImportTrackNumber(const std::string& track_text) {
    const double number = std::nearbyint(LeadingDecimal(track_text));
    if (!(number >= 1 && number <= 32767)) {
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
    for (const TrackImport& result : results) {
        if (!result.Error.empty()) {
            messages.ShowExclamation(FailedFilesMessage(results));
            break;
        }
    }
    return results;
}

std::optional<TrackImport> AlbumImporter::ImportTrack(std::size_t row) {
    const std::optional<int> track = ImportTrackNumber(tracks_.Rows()[row].Track);
    if (!track) {
        return std::nullopt;
    }
    const std::string path = tracks_.PathOf(row);
    editor_.LoadFileTags(path);
    editor_.ShowFileTags();
    FillFields(*track);

    TrackImport result;
    result.Row = row;
    result.FileName = tracks_.Rows()[row].FileName;
    result.Track = *track;
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
