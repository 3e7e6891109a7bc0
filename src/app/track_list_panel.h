#pragma once

#include <QObject>
#include <optional>
#include <string>

#include "common/progress.h"
#include "workflow/desktop_services.h"
#include "workflow/input_box.h"
#include "workflow/track_list.h"

class QAction;
class QMenu;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace kalvex {

class TagEditorPanel;

// The progress bar under the folder list, repainting the window after every
// step of a long operation.
class ProgressBarProgress : public Progress {
public:
    explicit ProgressBarProgress(QProgressBar* bar) : bar_(bar) {}
    void Start() override;
    void Step(int percent) override;
    void Finish() override;

private:
    QProgressBar* bar_;
};

// The track list as a view of its rows: the tick boxes and the selection go
// into the rows as the user changes them, a click shows the row's file in
// the tag editor, a double click opens it with the desktop's program, the
// headers sort, and the pop-up menu ticks and changes track numbers.
class TrackListPanel : public QObject {
    Q_OBJECT
public:
    TrackListPanel(QTreeWidget* list, QProgressBar* bar, TagEditorPanel& editor, InputBox& input,
                   DesktopServices& desktop);

    // Empties the list and gives it one column for each comma-separated name.
    void SetColumnHeaders(const std::string& names);

    TrackList& Rows() { return rows_; }
    Progress& BarProgress() { return progress_; }
    // Lists the folder's files anew.
    void Refresh(const std::string& folder, TrackOption option, bool tick_all);
    // Re-reads one row's file (title and length).
    void RefreshRow(std::size_t index);
    // Shows the rows as they are now.
    void ShowRows();
    // Sizes every visible column to its header and its widest cell.
    void AutoSizeColumns();

    QMenu* mnTrack = nullptr;
    QAction* mnTickAll = nullptr;
    QAction* mnUntickAll = nullptr;
    QAction* mnTickSel = nullptr;
    QAction* mnUntickSel = nullptr;
    QAction* mnChangeTrack = nullptr;

private:
    void CreateMenu();
    void ShowRow(std::size_t index, QTreeWidgetItem* item) const;
    void OnItemChanged(QTreeWidgetItem* item);
    void OnSelectionChanged();
    void OnRowClicked(QTreeWidgetItem* item);
    void OnDoubleClicked(QTreeWidgetItem* item);
    std::optional<std::size_t> CurrentRow() const;
    void OnHeaderClicked(int section);
    void ApplyTicks(bool tick, bool all_rows);

    QTreeWidget* list_;
    TagEditorPanel& editor_;
    InputBox& input_;
    DesktopServices& desktop_;
    ProgressBarProgress progress_;
    TrackList rows_;
    bool showing_ = false;  // the view is being filled from the rows
};

}  // namespace kalvex
