// The track list: a folder's MP3 files, their tracks, ticks, sorting and track numbers.
#include "workflow/track_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "common/date_values.h"
#include "common/numbers.h"
#include "common/text_helpers.h"
#include "id3/file_tags.h"

namespace kalvex {
namespace {

// Sorting ignores the case of ASCII letters; names that differ only in case
// keep a fixed order among themselves.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
    const std::string fa = ToLowerAscii(a);
    const std::string fb = ToLowerAscii(b);
    return fa != fb ? fa < fb : a < b;
}

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool EndsWithMp3(const std::string& name) {
    return name.size() > 4 &&
           EqualsIgnoringCase(std::string_view(name).substr(name.size() - 4), ".mp3");
}

std::string TrackFromFileName(const std::string& name) {
    // "07 - Intro.mp3" is track 7; without a space the whole name counts.
    const std::string number_part =
        name.find(' ') == std::string::npos ? name : GetField(name, " ", 1);
    return PlainNumberText(LeadingDecimal(number_part));
}

std::string TrackFromTags(const FileTags& tags) {
    if (tags.HasTagV2) {
        return tags.TagV2.TNR;
    }
    return tags.HasTagV1 ? tags.TagV1.TNR : std::string();
}

std::string TitleFromTags(const FileTags& tags) {
    if (tags.HasTagV2) {
        return tags.TagV2.Title;
    }
    return tags.HasTagV1 ? tags.TagV1.Title : std::string();
}

// The "Track" text of the file at `position` (from 0) of the listing; `tags`
// only for the track tag option.
std::string TrackText(const std::string& name, std::size_t position, TrackOption option,
                      const FileTags& tags) {
    switch (option) {
        case TrackOption::kFileName:
            return TrackFromFileName(name);
        case TrackOption::kTrackTag:
            return TrackFromTags(tags);
        case TrackOption::kFileCount:
            break;
    }
    return std::to_string(position + 1);
}

const std::string& Cell(const TrackRow& row, int column) {
    switch (column) {
        case kTrackColumn:
            return row.Track;
        case kTitleColumn:
            return row.Title;
        case kLengthColumn:
            return row.Length;
        default:
            return row.FileName;
    }
}

}  // namespace

std::vector<std::string> ListMp3Files(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with('.') && EndsWithMp3(name) &&
            IsRegularFile(AddBackslash(folder) + name)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

std::vector<std::string> ListTrackTexts(const std::string& folder,
                                        const std::vector<std::string>& names, TrackOption option) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Only the track tag option needs the tags read.
        const FileTags tags = option == TrackOption::kTrackTag
                                  ? LoadFileTags(AddBackslash(folder) + names[i])
                                  : FileTags{};
        texts.push_back(TrackText(names[i], i, option, tags));
    }
    return texts;
}

std::string FormatLength(std::int64_t seconds) {
    const std::int64_t rest = seconds % 60;
    return std::to_string(seconds / 60) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

void TrackList::Refresh(const std::string& folder, TrackOption option, bool tick_all,
                        Progress& progress) {
    progress.Start();
    rows_.clear();
    folder_ = folder;
    const std::vector<std::string> names = ListMp3Files(folder);
    rows_.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        progress.Step(
            ProgressPercent(static_cast<long long>(i), static_cast<long long>(names.size())));
        TrackRow& row = rows_.emplace_back();
        row.FileName = names[i];
        // A file removed since the listing keeps its name only.
        const std::string path = PathOf(rows_.size() - 1);
        if (!IsRegularFile(path)) {
            continue;
        }
        const FileTags tags = LoadFileTags(path);
        row.Track = TrackText(row.FileName, i, option, tags);
        row.Title = TitleFromTags(tags);
        row.Length = FormatLength(tags.Stream.LengthSeconds);
    }
    progress.Finish();
    if (text_sort_column_ != 0) {
        SortByText(text_sort_column_);
    }
    if (tick_all) {
        SetTicks(true, true);
    }
}

void TrackList::RefreshRow(std::size_t index) {
    if (index >= rows_.size()) {
        return;
    }
    const FileTags tags = LoadFileTags(PathOf(index));
    rows_[index].Title = TitleFromTags(tags);
    rows_[index].Length = FormatLength(tags.Stream.LengthSeconds);
}

void TrackList::SetTicks(bool tick, bool all_rows) {
    for (TrackRow& row : rows_) {
        if (all_rows || row.Selected) {
            row.Ticked = tick;
        }
    }
}

bool TrackList::ChangeTrackNumber(std::optional<std::size_t> index, InputBox& input) {
    if (!index || *index >= rows_.size()) {
        return false;
    }
    TrackRow& row = rows_[*index];
    const std::optional<std::string> answer = input.Ask("Change track number to:", row.Track);
    if (!answer || answer->empty()) {
        return false;
    }
    row.Track = PlainNumberText(LeadingDecimal(*answer));
    return true;
}

void TrackList::SortByColumn(int column) {
    ascending_ = !ascending_;
    if (column != kTrackColumn && column != kLengthColumn) {
        text_sort_column_ = column;
        SortByText(column);
        return;
    }
    // One sort by the leading number; later refreshes keep the file order.
    text_sort_column_ = 0;
    std::vector<std::pair<std::string, TrackRow>> keyed;
    keyed.reserve(rows_.size());
    for (TrackRow& row : rows_) {
        keyed.emplace_back(BuildSortKey(Cell(row, column), 2), std::move(row));
    }
    std::stable_sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) {
        return ascending_ ? a.first < b.first : b.first < a.first;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        rows_[i] = std::move(keyed[i].second);
    }
}

void TrackList::SortByText(int column) {
    std::stable_sort(rows_.begin(), rows_.end(), [this, column](const auto& a, const auto& b) {
        const std::string fa = ToLowerAscii(Cell(a, column));
        const std::string fb = ToLowerAscii(Cell(b, column));
        return ascending_ ? fa < fb : fb < fa;
    });
}

std::string TrackList::PathOf(std::size_t index) const {
    return AddBackslash(folder_) + rows_.at(index).FileName;
}

std::optional<std::size_t> TrackList::FirstSelected() const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].Selected) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace kalvex
