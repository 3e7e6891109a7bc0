// The Options page: track option, reading and importing, renaming and online lookup.
#include "app/options_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/option_group.h"
#include "app/page_widgets.h"

namespace kalvex {

OptionsPanel::OptionsPanel(QFrame* page) {
    auto* track =
        MakeGroup(page, "fraTrackOption", "Track option", {120, 60, kPageContentWidth, 615});
    const char* const names[] = {"Use file count", "Use file name", "Use track tag"};
    for (int i = 0; i < 3; ++i) {
        optTrack[i] = Make<QRadioButton>(track, "optTrack", {120 + i * 1620, 270, 1560, 255});
        optTrack[i]->setText(names[i]);
        optTrack[i]->setProperty(kOptionIndexProperty, i);
    }
    optTrack[0]->setChecked(true);

    auto* import =
        MakeGroup(page, "fraImport", "Reading and importing", {120, 780, kPageContentWidth, 2160});
    const TwipRect row{120, 270, 4770, 255};
    auto row_at = [&row](int k) {
        return TwipRect{row.left, row.top + k * 300, row.width, row.height};
    };
    chkTickRead = MakeCheck(import, "chkTickRead", "Tick all files / tracks on read", row_at(0));
    chkImportChecked = MakeCheck(import, "chkImportChecked", "Import ticked tracks", row_at(1));
    chkSaveImport =
        MakeCheck(import, "chkSaveImport", "Save tags on import from FreeDB", row_at(2));
    chkOptimiseTags =
        MakeCheck(import, "chkOptimiseTags", "Optimise MP3 tags for compatibility", row_at(3));
    chkAutoImport = MakeCheck(import, "chkAutoImport", "Auto import on CD read", row_at(4));
    chkAutoRename =
        MakeCheck(import, "chkAutoRename", "Auto rename files and folder on import", row_at(5));

    auto* files = MakeGroup(page, "fraFiles", "Track list and renaming",
                            {120, 3060, kPageContentWidth, 1635});
    cmdRefreshTracks =
        MakeButton(files, "cmdRefreshTracks", "Refresh track list", {120, 270, 4770, 375});
    cmdRenameFile = MakeButton(files, "cmdRenameFile", "Rename ticked files based on title",
                               {120, 705, 4770, 375});
    cmdRenameFolder = MakeButton(files, "cmdRenameFolder", "Rename folder based on FreeDB album",
                                 {120, 1140, 4770, 375});

    // Below the groups above, so that none of them moves.
    auto* online =
        MakeGroup(page, "fraOnline", "Online lookup", {120, 4800, kPageContentWidth, 1380});
    chkAskMusicBrainz =
        MakeCheck(online, "chkAskMusicBrainz", "Ask MusicBrainz too, at", {120, 300, 2220, 255});
    chkAskMusicBrainz->setChecked(true);
    txtMusicBrainz = MakeEdit(online, "txtMusicBrainz", {2400, 270, 2490, 315});
    txtMusicBrainz->setText(kDefaultMusicBrainzServer);
    MakeLabel(online, "lblEmail", "CDDB e-mail:", {120, 675, 1260, 255});
    txtEmail = MakeEdit(online, "txtEmail", {1440, 630, 3450, 315});
    txtEmail->setPlaceholderText("address registered at the CDDB service (gnudb.org asks)");
    MakeLabel(online, "lblProtocol", "CDDB protocol:", {120, 1035, 1260, 255});
    cboProtocol = Make<QComboBox>(online, "cboProtocol", {1440, 990, 750, 315});
    cboProtocol->addItems({"5", "6"});
    cboProtocol->setToolTip("Level 6 sends titles in UTF-8, so that any script arrives whole");
    chkEmbedCover =
        MakeCheck(online, "chkEmbedCover", "Embed cover art on import", {2400, 1050, 2490, 255});
    chkEmbedCover->setToolTip(
        "For an album from MusicBrainz: its front cover from the Cover Art Archive goes into "
        "every file imported");
    chkEmbedCover->setChecked(true);
}

LookupSources OptionsPanel::Sources() const {
    return {true, chkAskMusicBrainz->isChecked(), Text(txtMusicBrainz)};
}

void OptionsPanel::Introduce(ServerAddress& address) const {
    address.email = Text(txtEmail);
    address.protocol = cboProtocol->currentText() == "6" ? 6 : 5;
}

TrackOption OptionsPanel::ChosenTrackOption() const {
    int option = 0;
    for (int i = 0; i < static_cast<int>(optTrack.size()); ++i) {
        option = optTrack[i]->isChecked() ? i : option;
    }
    return static_cast<TrackOption>(option);
}

}  // namespace kalvex
