// The folder tree and volume list: where the MP3 folder is opened and followed.
#include "app/folder_panel.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTreeView>
#include <filesystem>

#include "app/page_widgets.h"
#include "common/text_helpers.h"
#include "controls/caption.h"

namespace kalvex {

FolderPanel::FolderPanel(QWidget* window, Caption* caption, const MainLayout& layout)
    : QObject(window) {
    caption->setToolTip("Click to refresh the directories");
    Drive1 = Make<QComboBox>(window, "Drive1", layout.Drive1);
    Dir1 = Make<QTreeView>(window, "Dir1", layout.Dir1);
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    Dir1->setModel(folders_);
    Dir1->setHeaderHidden(true);
    for (int column = 1; column < folders_->columnCount(); ++column) {
        Dir1->hideColumn(column);
    }

    connect(Drive1, &QComboBox::currentIndexChanged, this, &FolderPanel::OnDriveChanged);
    connect(Dir1, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { OnFolderOpened(folders_->filePath(index)); });
    // The tree fills and sorts itself in the background, moving the rows:
    // the highlighted folder (at first start the process's current folder)
    // stays in view until the user scrolls the list.
    const auto keep_in_view = [this] {
        if (following_) {
            Dir1->scrollTo(Dir1->currentIndex());
        }
    };
    connect(folders_, &QFileSystemModel::directoryLoaded, this, keep_in_view);
    connect(folders_, &QAbstractItemModel::layoutChanged, this, keep_in_view);
    connect(folders_, &QAbstractItemModel::rowsInserted, this, keep_in_view);
    connect(Dir1->verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { following_ = false; });
    connect(caption, &Caption::Click, this, &FolderPanel::RereadFolderTree);
}

void FolderPanel::FillVolumeList() {
    QSignalBlocker quiet(Drive1);
    Drive1->clear();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath())) {
            roots.append(volume.rootPath());
        }
    }
    roots.sort();
    Drive1->addItems(roots);
    // The tree starts in the process's current folder.
    const QString here = QDir::currentPath();
    Drive1->setCurrentIndex(Drive1->findText(QStorageInfo(here).rootPath()));
    folders_->setRootPath(Drive1->currentText());
    Dir1->setRootIndex(folders_->index(Drive1->currentText()));
    restoring_ = true;
    SetDir1Path(here.toStdString());
    restoring_ = false;
}

std::string FolderPanel::Dir1Path() const {
    return folders_->filePath(Dir1->currentIndex()).toStdString();
}

void FolderPanel::SetDir1Path(const std::string& folder) {
    const QModelIndex index = folders_->index(QString::fromStdString(folder));
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        Dir1->expand(parent);
    }
    Dir1->setCurrentIndex(index);
    Dir1->scrollTo(index);
    following_ = true;
    OnFolderOpened(QString::fromStdString(folder));
}

void FolderPanel::Restore(const std::string& folder) {
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
        return;
    }
    const QString path = QString::fromStdString(folder);
    const QString root = QStorageInfo(path).rootPath();
    const int volume = Drive1->findText(root);
    if (volume >= 0) {
        const QSignalBlocker quiet(Drive1);
        Drive1->setCurrentIndex(volume);
        folders_->setRootPath(root);
        Dir1->setRootIndex(folders_->index(root));
    }
    SetDir1Path(folder);
}

void FolderPanel::OpenHighlighted() {
    OnFolderOpened(QString::fromStdString(Dir1Path()));
}

void FolderPanel::Release(const std::string& folder) {
    // Nothing of the program stays inside the folder while it is renamed.
    renaming_ = true;
    SetDir1Path(GetParentFolder(folder));
}

bool FolderPanel::EndRelease() {
    const bool released = renaming_;
    renaming_ = false;
    return released;
}

void FolderPanel::OnDriveChanged(int index) {
    if (index < 0 || renaming_) {
        return;
    }
    const QString root = Drive1->itemText(index);
    folders_->setRootPath(root);
    Dir1->setRootIndex(folders_->index(root));
    SetDir1Path(root.toStdString());
}

void FolderPanel::OnFolderOpened(const QString& folder) {
    if (restoring_ || renaming_ || folder.isEmpty()) {
        return;
    }
    emit FolderOpened(folder);
}

void FolderPanel::RereadFolderTree() {
    // A model with a new root reads the tree from the disk again.
    const QString root = folders_->rootPath();
    const QString highlighted = QString::fromStdString(Dir1Path());
    folders_->setRootPath(QString());
    folders_->setRootPath(root);
    Dir1->setRootIndex(folders_->index(root));
    Dir1->setCurrentIndex(folders_->index(highlighted));
}

}  // namespace kalvex
