// The main window's album workflow: the import of the loaded album into the
// files and the renaming of the files and the folder after it.
#include <QCheckBox>
#include <QTreeView>

#include "app/frm_main.h"
#include "app/page_widgets.h"
#include "common/text_helpers.h"
#include "workflow/album_import.h"
#include "workflow/rename_operations.h"

namespace kalvex {

void frmMain::ImportAlbum() {
    EnableControls(false);
    tags_->ReadFields();
    AlbumToImport album{Text(txtFArtist), Text(txtFAlbum),  Text(txtFGenre),
                        Text(txtFYear),   lookup_->Album(), lookup_->TrackCount()};
    const ImportOptions options{.ImportTicked = chkImportChecked->isChecked(),
                                .Optimise = chkOptimiseTags->isChecked(),
                                .SaveTags = chkSaveImport->isChecked()};
    AlbumImporter importer(tracks_->Rows(), tags_->Editor(), std::move(album), options);
    const std::vector<TrackImport> imported = importer.Run(tracks_->BarProgress(), *messages_);
    // The editor shows the last imported file's fields, ready to be saved.
    tags_->ShowFields();
    tracks_->ShowRows();
    if (chkAutoRename->isChecked()) {
        // A file the album has no track for keeps its name as well as its tags.
        std::vector<TrackRow> rows = tracks_->Rows().Rows();
        for (const TrackImport& result : imported) {
            if (!result.Skipped.empty()) {
                rows[result.Row].Ticked = false;
            }
        }
        RenameFiles(rows);
        // The folder the files were imported into, whatever is highlighted.
        RenameFolder(current_folder_);
    }
    EnableControls(true);
}

void frmMain::RenameTickedFiles() {
    RenameFiles(tracks_->Rows().Rows());
}

void frmMain::RenameFiles(const std::vector<TrackRow>& rows) {
    if (current_folder_.empty()) {
        return;
    }
    EnableControls(false);
    const std::vector<FileRename> renames =
        RenameTrackFiles(current_folder_, rows, tracks_->BarProgress(), *messages_, false);
    for (const FileRename& rename : renames) {
        if (rename.renamed) {
            tags_->Editor().FollowRename(AddBackslash(current_folder_) + rename.old_name,
                                         AddBackslash(current_folder_) + rename.new_name);
        }
    }
    RefreshTrackList();
    EnableControls(true);
}

void frmMain::RenameFolder(const std::string& folder) {
    const std::string album = Text(txtFAlbum);
    if (album.empty() || folder.empty()) {
        return;
    }
    EnableControls(false);
    renaming_folder_ = true;
    // The checks first, so that a clash is told before the lists move.
    const FolderRename plan = RenameAlbumFolder(folder, album, *messages_, true);
    if (plan.renamed) {
        // Nothing of the program stays inside the folder while it is renamed.
        SetDir1Path(GetParentFolder(folder));
        const FolderRename done = RenameAlbumFolder(folder, album, *messages_, false);
        if (done.renamed) {
            tags_->Editor().FollowRename(folder, done.new_path);
        }
        renaming_folder_ = false;
        SetDir1Path(done.renamed ? done.new_path : folder);
    }
    renaming_folder_ = false;
    EnableControls(true);
}

}  // namespace kalvex
