#pragma once

#include <array>

#include "workflow/track_list.h"

class QCheckBox;
class QFrame;
class QPushButton;
class QRadioButton;

namespace kalvex {

// The Options page: how the track list numbers the files, what reading a
// CD and importing its album do, and the buttons that list the folder again
// and rename its files and the folder itself. The window wires the buttons.
class OptionsPanel {
public:
    explicit OptionsPanel(QFrame* page);

    // The track option chosen; the file count when none is.
    TrackOption ChosenTrackOption() const;

    std::array<QRadioButton*, 3> optTrack{};
    QCheckBox* chkTickRead = nullptr;
    QCheckBox* chkImportChecked = nullptr;
    QCheckBox* chkSaveImport = nullptr;
    QCheckBox* chkOptimiseTags = nullptr;
    QCheckBox* chkAutoImport = nullptr;
    QCheckBox* chkAutoRename = nullptr;
    QPushButton* cmdRefreshTracks = nullptr;
    QPushButton* cmdRenameFile = nullptr;
    QPushButton* cmdRenameFolder = nullptr;
};

}  // namespace kalvex
