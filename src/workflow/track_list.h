#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/progress.h"
#include "workflow/input_box.h"

namespace kalvex {

// How a file is linked to an album track ("Track option").
enum class TrackOption { kFileCount = 0, kFileName = 1, kTrackTag = 2 };

// One row of the track list: the file, the album track it is taken to hold,
// the title from its tags and its playing length.
struct TrackRow {
    std::string FileName;  // without the folder
    std::string Track;
    std::string Title;
    std::string Length;
    bool Ticked = false;
    bool Selected = false;

    bool operator==(const TrackRow&) const = default;
};

// The column numbers, from 1, as the list's headers count them.
inline constexpr int kFilenameColumn = 1;
inline constexpr int kTrackColumn = 2;
inline constexpr int kTitleColumn = 3;
inline constexpr int kLengthColumn = 4;

// The MP3 files of a folder: regular files whose names end in ".mp3" in any
// letter case, hidden (dot) files left out, sorted by name ignoring case.
std::vector<std::string> ListMp3Files(const std::string& folder);

// The "Track" text each of `names` (ListMp3Files of `folder`) gets under the
// option, as the track list would give it, reading tags only when the
// option asks for them.
std::vector<std::string> ListTrackTexts(const std::string& folder,
                                        const std::vector<std::string>& names, TrackOption option);

// Whole seconds as minutes and two-digit seconds: 245 gives "4:05".
std::string FormatLength(std::int64_t seconds);

// The rows of one folder and what the user does to them: ticks, selection,
// a track number changed by hand, sorting. The window's list is a view of
// these rows, and the import and the renaming work on them.
class TrackList {
public:
    // Rebuilds every row from the folder's files (Progress steps per file).
    // Ticks, hand-made track numbers and the selection are lost.
    void Refresh(const std::string& folder, TrackOption option, bool tick_all, Progress& progress);
    // Re-reads one file after its tags were written: title and length only.
    void RefreshRow(std::size_t index);
    // Ticks or unticks every row, or only the selected ones.
    void SetTicks(bool tick, bool all_rows);
    // Asks for the row's new track number (the row the user clicked last);
    // its leading number becomes the row's track text. False when nothing
    // changed (no such row, cancelled, or an empty answer).
    bool ChangeTrackNumber(std::optional<std::size_t> row, InputBox& input);
    // What a click on the header of `column` (from 1) does. "Track" and
    // "Length" sort once by their leading number; the other columns switch
    // on a text sort that also orders the rows of later refreshes. Every
    // click reverses the direction of the click before, on any column.
    void SortByColumn(int column);

    std::vector<TrackRow>& Rows() { return rows_; }
    const std::vector<TrackRow>& Rows() const { return rows_; }
    const std::string& CurrentFolder() const { return folder_; }
    std::string PathOf(std::size_t index) const;
    std::optional<std::size_t> FirstSelected() const;
    bool SortAscending() const { return ascending_; }

private:
    void SortByText(int column);

    std::vector<TrackRow> rows_;
    std::string folder_;
    // The list's one direction, shared by both ways of sorting; the first
    // click sorts ascending.
    bool ascending_ = false;
    int text_sort_column_ = 0;  // 0 while no text sort is switched on
};

}  // namespace kalvex
