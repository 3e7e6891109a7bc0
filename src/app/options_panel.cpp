#include "app/options_panel.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
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
}

TrackOption OptionsPanel::ChosenTrackOption() const {
    int option = 0;
    for (int i = 0; i < static_cast<int>(optTrack.size()); ++i) {
        option = optTrack[i]->isChecked() ? i : option;
    }
    return static_cast<TrackOption>(option);
}

}  // namespace kalvex
