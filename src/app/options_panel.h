#pragma once

#include <array>

#include "workflow/album_sources.h"
#include "workflow/cd_lookup.h"
#include "workflow/track_list.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kalvex {

// The Options page: how the track list numbers the files, what reading a
// CD and importing its album do, the buttons that list the folder again and
// rename its files and the folder itself, and which online services a lookup
// asks and how it introduces itself there. The window wires the buttons.
class OptionsPanel {
public:
    explicit OptionsPanel(QFrame* page);

    // The track option chosen; the file count when none is.
    TrackOption ChosenTrackOption() const;
    // The services "Get album data for CD" asks: CDDB, and MusicBrainz when
    // ticked.
    LookupSources Sources() const;
    // The CDDB server's address with the registered e-mail and the protocol
    // level filled in.
    void Introduce(ServerAddress& address) const;

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

    QCheckBox* chkAskMusicBrainz = nullptr;
    QLineEdit* txtMusicBrainz = nullptr;
    QLineEdit* txtEmail = nullptr;
    QComboBox* cboProtocol = nullptr;
    QCheckBox* chkEmbedCover = nullptr;
};

}  // namespace kalvex
