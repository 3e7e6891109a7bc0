// The album job: an album into a folder's files, then their names, planned first.
#include "workflow/album_job.h"

#include <algorithm>
#include <utility>

#include "common/file_result.h"
#include "common/numbers.h"
#include "common/text_helpers.h"
#include "workflow/file_names.h"

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
void TellRows(const std::vector<RowPlan>& plans, std::string RowPlan::*reason, const char* heading,
              MessageService& messages) {
    std::string text = heading;
    bool any = false;
    for (const RowPlan& plan : plans) {
        if (!(plan.*reason).empty()) {
            text += "\r\n'" + plan.FileName + "': " + plan.*reason;
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

AlbumJob::AlbumJob(TrackList& tracks, TagEditor& editor, AlbumToImport album,
                   AlbumJobOptions options)
    : tracks_(tracks),
      editor_(editor),
      album_(std::move(album)),
      options_(options),
      boxes_(editor.Fields()) {}

std::vector<RowPlan> AlbumJob::Plan() {
    const std::vector<TrackRow>& rows = tracks_.Rows();
    const std::optional<std::size_t> selected = tracks_.FirstSelected();
    std::vector<RowPlan> plans;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool imported = options_.ImportTicked ? rows[i].Ticked : selected == i;
        const bool renamed =
            options_.Rename && options_.Policy == RenamePolicy::kTickedRows && rows[i].Ticked;
        if (imported) {
            plans.push_back(PlanRow(i));
        } else if (renamed) {
            RowPlan& plan = plans.emplace_back();
            plan.Row = i;
            plan.FileName = rows[i].FileName;
            plan.Title = rows[i].Title;
        } else {
            continue;
        }
        RowPlan& plan = plans.back();
        const bool written_here = plan.Imported && options_.SaveTags;
        const bool named_here =
            options_.Policy == RenamePolicy::kTickedRows ? rows[i].Ticked : written_here;
        if (options_.Rename && named_here && plan.Skipped.empty() && plan.Error.empty()) {
            plan.NewName = TrackFileName(rows[i].Track, plan.Title);
        }
    }
    return plans;
}

RowPlan AlbumJob::PlanRow(std::size_t row) {
    RowPlan plan;
    plan.Row = row;
    plan.FileName = tracks_.Rows()[row].FileName;
    plan.Title = tracks_.Rows()[row].Title;
    const std::string path = tracks_.PathOf(row);
    // The folder may have changed since it was listed.
    if (const FileResult file = CheckRegularFile(path); !file) {
        plan.Error = file.Reason();
        return plan;
    }
    plan.Track = ImportTrackNumber(tracks_.Rows()[row].Track);
    if (!plan.Track) {
        return plan;
    }
    const int album_tracks =
        album_.TrackCount > 0 ? album_.TrackCount : AlbumTrackCount(album_.Tracks);
    if (*plan.Track > album_tracks) {
        // An empty title would replace the file's own (a hidden bonus track).
        plan.Skipped = "the album has no track " + std::to_string(*plan.Track);
        return plan;
    }
    editor_.LoadFileTags(path);
    editor_.ShowFileTags();
    FillFields(*plan.Track);
    plan.Fields = editor_.Fields();
    plan.Imported = true;
    if (options_.SaveTags) {
        plan.Title = TitleAfterSave(plan.Fields);
    }
    return plan;
}

void AlbumJob::FillFields(int track) {
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
    fields.NewPictures.clear();
    if (album_.Cover) {
        fields.NewPictures.push_back(*album_.Cover);
    }
    if (options_.Optimise) {
        editor_.CopyTo1();
    }
}

AlbumJobResult AlbumJob::Run(Progress& progress, MessageService& messages,
                             const std::function<void()>& release_folder) {
    AlbumJobResult result;
    result.Rows = Plan();
    std::vector<RowPlan>& plans = result.Rows;
    if (options_.ImportTicked) {
        // The bar runs over every row of the list, ticked or not.
        progress.Start();
        const std::size_t count = tracks_.Rows().size();
        auto plan = plans.begin();
        for (std::size_t i = 0; i < count; ++i) {
            progress.Step(
                ProgressPercent(static_cast<long long>(i) + 1, static_cast<long long>(count)));
            for (; plan != plans.end() && plan->Row == i; ++plan) {
                Save(*plan);
            }
        }
        progress.Finish();
    } else {
        std::ranges::for_each(plans, [this](RowPlan& plan) { Save(plan); });
    }
    // The editor shows the last imported file, as the user would have left it.
    if (const auto last = std::ranges::find_if(plans.rbegin(), plans.rend(),
                                               [](const RowPlan& plan) { return plan.Imported; });
        last != plans.rend()) {
        editor_.Fields() = last->Fields;
    }
    TellRows(plans, &RowPlan::Error, "The tags of these files could not be saved:", messages);
    TellRows(plans, &RowPlan::Skipped, kBeyondAlbumMessage, messages);
    if (options_.Rename) {
        RenameFiles(plans, progress, messages);
        result.Folder = RenameFolder(plans, messages, release_folder);
    }
    return result;
}

void AlbumJob::Save(RowPlan& plan) {
    if (!plan.Imported || !options_.SaveTags) {
        return;
    }
    if (options_.DryRun) {
        plan.Written = true;
        tracks_.Rows()[plan.Row].Title = plan.Title;
        return;
    }
    editor_.Fields() = plan.Fields;
    const FileResult saved = editor_.SaveFileTags(tracks_.PathOf(plan.Row));
    plan.Written = saved.Succeeded();
    plan.Error = saved.Reason();
    tracks_.RefreshRow(plan.Row);
}

void AlbumJob::RenameFiles(std::vector<RowPlan>& plans, Progress& progress,
                           MessageService& messages) {
    // The rows as the renaming takes them: a file is renamed only when its
    // plan names it and its save, if any, went through.
    std::vector<TrackRow> rows = tracks_.Rows();
    for (TrackRow& row : rows) {
        row.Ticked = false;
    }
    for (const RowPlan& plan : plans) {
        const bool saved = !plan.Imported || !options_.SaveTags || plan.Written;
        if (plan.NewName && saved) {
            rows[plan.Row].Ticked = true;
            rows[plan.Row].Title = plan.Title;
        }
    }
    const std::vector<FileRename> renames =
        RenameTrackFiles(tracks_.CurrentFolder(), rows, progress, messages, options_.DryRun);
    for (const FileRename& rename : renames) {
        RowPlan& plan = *std::ranges::find(plans, rename.row, &RowPlan::Row);
        if (rename.renamed) {
            plan.RenamedTo = rename.new_name;
        } else if (!rename.already_named) {
            plan.Error = rename.error;
        }
    }
}

FolderRename AlbumJob::RenameFolder(const std::vector<RowPlan>& plans, MessageService& messages,
                                    const std::function<void()>& release_folder) {
    if (options_.Policy == RenamePolicy::kWrittenFiles &&
        !std::ranges::all_of(plans, &RowPlan::Written)) {
        // A folder named after the album must hold the album: not while a
        // file of it kept its old tags.
        FolderRename held;
        held.error = kFolderHeldBack;
        return held;
    }
    FolderRename folder = CheckFolderRename(tracks_.CurrentFolder(), album_.Album, messages);
    if (options_.DryRun) {
        folder.renamed = !folder.new_path.empty() && !folder.already_named && folder.error.empty();
        return folder;
    }
    if (!folder.new_path.empty() && !folder.already_named && folder.error.empty() &&
        release_folder) {
        release_folder();
    }
    RenameCheckedFolder(folder, messages);
    return folder;
}

}  // namespace kalvex
