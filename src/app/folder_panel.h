#pragma once

#include <QObject>
#include <string>

#include "app/main_layout.h"

class QComboBox;
class QFileSystemModel;
class QTreeView;
class QWidget;

namespace kalvex {

class Caption;

// The volume list and the folder tree under the "MP3 Folder" caption. A
// folder opens with a double click or Enter (the window passes Enter on);
// highlighting one with a single click or the arrow keys only marks it, for
// the folder rename. A click on the caption reads the tree from the disk
// again.
class FolderPanel : public QObject {
    Q_OBJECT
public:
    // Makes the two lists on `window`, at the layout's places.
    FolderPanel(QWidget* window, Caption* caption, const MainLayout& layout);

    // Lists the mounted volumes and highlights the process's current folder,
    // without counting that as opening it.
    void FillVolumeList();
    // The folder highlighted in the tree, as a path.
    std::string Dir1Path() const;
    // Highlights and opens the folder, as a double click on it would.
    void SetDir1Path(const std::string& folder);
    // Opens a remembered folder that still exists; its volume is chosen
    // quietly, so that only the folder itself counts as a change.
    void Restore(const std::string& folder);
    // Opens the highlighted folder.
    void OpenHighlighted();
    // Lets go of a folder about to be renamed: the lists move to its parent,
    // and until EndRelease their moves are not the user's.
    void Release(const std::string& folder);
    // Whether a folder was released; the lists are the user's again.
    bool EndRelease();

    QComboBox* Drive1 = nullptr;
    QTreeView* Dir1 = nullptr;

signals:
    // Another folder was opened.
    void FolderOpened(const QString& folder);

private:
    void OnDriveChanged(int index);
    void OnFolderOpened(const QString& folder);
    void RereadFolderTree();

    QFileSystemModel* folders_ = nullptr;
    bool restoring_ = false;
    bool renaming_ = false;
    bool following_ = false;  // the tree keeps its folder in view
};

}  // namespace kalvex
