// The track list as a view of its rows: ticks, clicks, sorting and its menu.
#include "app/track_list_panel.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenu>
#include <QProgressBar>
#include <QTreeWidget>

#include "app/tag_editor_panel.h"

namespace kalvex {

void ProgressBarProgress::Start() {
    bar_->setValue(0);
    bar_->show();
    QCoreApplication::processEvents();
}

void ProgressBarProgress::Step(int percent) {
    bar_->setValue(percent);
    QCoreApplication::processEvents();
}

void ProgressBarProgress::Finish() {
    bar_->setValue(100);
    bar_->hide();
}

TrackListPanel::TrackListPanel(QTreeWidget* list, QProgressBar* bar, TagEditorPanel& editor,
                               InputBox& input, DesktopServices& desktop)
    : QObject(list),
      list_(list),
      editor_(editor),
      input_(input),
      desktop_(desktop),
      progress_(bar) {
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    CreateMenu();
    connect(list_, &QTreeWidget::itemChanged, this, &TrackListPanel::OnItemChanged);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &TrackListPanel::OnSelectionChanged);
    connect(list_, &QTreeWidget::itemClicked, this, &TrackListPanel::OnRowClicked);
    // The arrow keys move the editor along with the selection. Focus coming
    // into the list also makes a row current, but selects nothing: following
    // that would replace what the user set in the editor (its tag boxes say
    // which versions an import writes) with the first file's tags.
    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!showing_ && item != nullptr && item->isSelected()) {
            OnRowClicked(item);
        }
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &TrackListPanel::OnDoubleClicked);
    connect(list_->header(), &QHeaderView::sectionClicked, this, &TrackListPanel::OnHeaderClicked);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { mnTrack->popup(list_->viewport()->mapToGlobal(at)); });
}

void TrackListPanel::CreateMenu() {
    mnTrack = new QMenu(list_);
    mnTrack->setObjectName("mnTrack");
    auto add = [this](const char* name, const char* text, auto handler) {
        QAction* action = mnTrack->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnTickAll = add("mnTickAll", "Tick All", [this] { ApplyTicks(true, true); });
    mnUntickAll = add("mnUntickAll", "Untick All", [this] { ApplyTicks(false, true); });
    mnTickSel = add("mnTickSel", "Tick selected", [this] { ApplyTicks(true, false); });
    mnUntickSel = add("mnUntickSel", "Untick selected", [this] { ApplyTicks(false, false); });
    mnTrack->addSeparator();
    mnChangeTrack = add("mnChangeTrack", "Change track number", [this] {
        if (rows_.ChangeTrackNumber(CurrentRow(), input_)) {
            ShowRows();
        }
    });
}

void TrackListPanel::SetColumnHeaders(const std::string& names) {
    showing_ = true;
    list_->clear();
    showing_ = false;
    rows_.Rows().clear();
    list_->setSortingEnabled(false);
    const QStringList headers = QString::fromUtf8(names).split(',');
    list_->setColumnCount(static_cast<int>(headers.size()));
    list_->setHeaderLabels(headers);
    // The rows sort themselves; the headers only report the clicks.
    list_->header()->setSectionsClickable(true);
}

void TrackListPanel::Refresh(const std::string& folder, TrackOption option, bool tick_all) {
    // The old rows go at once: a list that still showed them while the new
    // folder is read would offer clicks on files of another folder.
    showing_ = true;
    list_->clear();
    showing_ = false;
    rows_.Refresh(folder, option, tick_all, progress_);
    ShowRows();
    AutoSizeColumns();
}

void TrackListPanel::RefreshRow(std::size_t index) {
    rows_.RefreshRow(index);
    if (QTreeWidgetItem* item = list_->topLevelItem(static_cast<int>(index))) {
        showing_ = true;
        ShowRow(index, item);
        showing_ = false;
    }
    AutoSizeColumns();
}

void TrackListPanel::ShowRow(std::size_t index, QTreeWidgetItem* item) const {
    const TrackRow& row = rows_.Rows()[index];
    item->setText(0, QString::fromUtf8(row.FileName));
    item->setText(1, QString::fromUtf8(row.Track));
    item->setText(2, QString::fromUtf8(row.Title));
    item->setText(3, QString::fromUtf8(row.Length));
    item->setCheckState(0, row.Ticked ? Qt::Checked : Qt::Unchecked);
    item->setSelected(row.Selected);
}

void TrackListPanel::ShowRows() {
    showing_ = true;
    const std::vector<TrackRow>& rows = rows_.Rows();
    const int current = list_->currentIndex().row();
    while (list_->topLevelItemCount() > static_cast<int>(rows.size())) {
        delete list_->takeTopLevelItem(list_->topLevelItemCount() - 1);
    }
    QList<QTreeWidgetItem*> added;
    for (int i = list_->topLevelItemCount(); i < static_cast<int>(rows.size()); ++i) {
        auto* item = new QTreeWidgetItem;
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        added.append(item);
    }
    list_->addTopLevelItems(added);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ShowRow(i, list_->topLevelItem(static_cast<int>(i)));
    }
    if (current >= 0 && current < static_cast<int>(rows.size())) {
        list_->setCurrentItem(list_->topLevelItem(current), 0, QItemSelectionModel::NoUpdate);
    }
    showing_ = false;
}

void TrackListPanel::AutoSizeColumns() {
    for (int column = 0; column < list_->columnCount(); ++column) {
        // A hidden column stays hidden.
        if (list_->columnWidth(column) > 0 && !list_->isColumnHidden(column)) {
            list_->resizeColumnToContents(column);
        }
    }
}

void TrackListPanel::OnItemChanged(QTreeWidgetItem* item) {
    const int index = list_->indexOfTopLevelItem(item);
    if (showing_ || index < 0 || index >= static_cast<int>(rows_.Rows().size())) {
        return;
    }
    rows_.Rows()[index].Ticked = item->checkState(0) == Qt::Checked;
}

void TrackListPanel::OnSelectionChanged() {
    if (showing_) {
        return;
    }
    std::vector<TrackRow>& rows = rows_.Rows();
    for (int i = 0; i < list_->topLevelItemCount() && i < static_cast<int>(rows.size()); ++i) {
        rows[i].Selected = list_->topLevelItem(i)->isSelected();
    }
}

void TrackListPanel::OnRowClicked(QTreeWidgetItem* item) {
    const int index = list_->indexOfTopLevelItem(item);
    if (index >= 0 && index < static_cast<int>(rows_.Rows().size())) {
        editor_.LoadAndShow(rows_.PathOf(static_cast<std::size_t>(index)));
    }
}

void TrackListPanel::OnDoubleClicked(QTreeWidgetItem* item) {
    const int index = list_->indexOfTopLevelItem(item);
    if (index >= 0 && index < static_cast<int>(rows_.Rows().size())) {
        desktop_.OpenFile(rows_.PathOf(static_cast<std::size_t>(index)));
    }
}

std::optional<std::size_t> TrackListPanel::CurrentRow() const {
    // The row the user clicked last, also when a Ctrl-click took it out of
    // the selection again.
    const int index = list_->indexOfTopLevelItem(list_->currentItem());
    if (index < 0 || index >= static_cast<int>(rows_.Rows().size())) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(index);
}

void TrackListPanel::OnHeaderClicked(int section) {
    rows_.SortByColumn(section + 1);
    list_->header()->setSortIndicatorShown(true);
    list_->header()->setSortIndicator(
        section, rows_.SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    ShowRows();
}

void TrackListPanel::ApplyTicks(bool tick, bool all_rows) {
    rows_.SetTicks(tick, all_rows);
    ShowRows();
}

}  // namespace kalvex
