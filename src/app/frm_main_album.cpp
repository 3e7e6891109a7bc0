// The main window's album road: lookup, import, and renaming files and folder.
#include <QCheckBox>

#include "app/frm_main.h"
#include "app/page_widgets.h"
#include "common/text_helpers.h"
#include "workflow/album_job.h"
#include "workflow/rename_operations.h"
#include "workflow/toc_from_files.h"

namespace kalvex {

void frmMain::ReadCd() {
    RunLookupOperation([this] {
        // Only an album this lookup loaded may go into the files: after a
        // failed one the previous disc's titles would land in this one's.
        if (lookup_->ReadCd(*cboDrives, LookupAddress()) && !close_pending_ &&
            options_->chkAutoImport->isChecked()) {
            ImportAlbum();
        }
    });
}

void frmMain::LookUpFiles() {
    RunLookupOperation([this] {
        if (current_folder_.empty()) {
            messages_->ShowExclamation(kNoFolderForFiles);
            return;
        }
        const FilesToc toc = TocFromFiles(current_folder_, options_->ChosenTrackOption());
        if (!toc.Toc) {
            messages_->ShowExclamation("The files of '" + current_folder_ +
                                       "' give no table of contents: " + toc.Problem);
            return;
        }
        // As after the disc's lookup: only an album this lookup loaded.
        if (lookup_->LookUpToc(*toc.Toc, LookupAddress(), FilesTocNote(toc)) && !close_pending_ &&
            options_->chkAutoImport->isChecked()) {
            ImportAlbum();
        }
    });
}

ServerAddress frmMain::LookupAddress() const {
    ServerAddress address = freedb_->Address();
    options_->Introduce(address);
    return address;
}

void frmMain::RunLookupOperation(const std::function<void()>& operation) {
    if (lookup_->Busy()) {
        return;
    }
    EnableControls(false);
    lookup_->SetSources(options_->Sources());
    operation();
    album_valid_ = lookup_->AlbumReady();
    EnableControls(true);
    if (close_pending_) {
        close_pending_ = false;
        close();
    }
}

void frmMain::ImportAlbum() {
    EnableControls(false);
    tags_->ReadFields();
    AlbumToImport album{Text(freedb_->txtFArtist), Text(freedb_->txtFAlbum),
                        Text(freedb_->txtFGenre),  Text(freedb_->txtFYear),
                        lookup_->Album(),          lookup_->TrackCount()};
    // One download an album; one that fails is noted on the FreeDB page and
    // the import goes on without it.
    if (options_->chkEmbedCover->isChecked() && options_->chkSaveImport->isChecked()) {
        album.Cover = lookup_->FrontCover(cover_server_);
        if (close_pending_) {
            close_pending_ = false;
            EnableControls(true);
            close();
            return;
        }
    }
    const AlbumJobOptions options{.ImportTicked = options_->chkImportChecked->isChecked(),
                                  .Optimise = options_->chkOptimiseTags->isChecked(),
                                  .SaveTags = options_->chkSaveImport->isChecked(),
                                  .Rename = options_->chkAutoRename->isChecked()};
    // The folder the files were imported into, whatever is highlighted.
    const std::string folder = current_folder_;
    AlbumJob job(tracks_->Rows(), tags_->Editor(), std::move(album), options);
    const AlbumJobResult result =
        job.Run(tracks_->BarProgress(), *messages_, [this, &folder] { folders_->Release(folder); });
    const bool released = folders_->EndRelease();
    for (const RowPlan& row : result.Rows) {
        if (row.RenamedTo) {
            tags_->Editor().FollowRename(AddBackslash(folder) + row.FileName,
                                         AddBackslash(folder) + *row.RenamedTo);
        }
    }
    // The editor shows the last imported file's fields, ready to be saved.
    tags_->ShowFields();
    if (released) {
        ShowRenamedFolder(folder, result.Folder);
    } else if (options.Rename) {
        RefreshTrackList();  // the files' new names
    } else {
        tracks_->ShowRows();
    }
    EnableControls(true);
}

void frmMain::RenameTickedFiles() {
    if (current_folder_.empty()) {
        return;
    }
    EnableControls(false);
    const std::vector<FileRename> renames = RenameTrackFiles(
        current_folder_, tracks_->Rows().Rows(), tracks_->BarProgress(), *messages_, false);
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
    const std::string album = Text(freedb_->txtFAlbum);
    if (album.empty() || folder.empty()) {
        return;
    }
    EnableControls(false);
    // The checks first, so that a clash is told before the lists move.
    FolderRename rename = CheckFolderRename(folder, album, *messages_);
    if (!rename.new_path.empty() && !rename.already_named && rename.error.empty()) {
        folders_->Release(folder);
        RenameCheckedFolder(rename, *messages_);
        folders_->EndRelease();
        ShowRenamedFolder(folder, rename);
    }
    EnableControls(true);
}

void frmMain::ShowRenamedFolder(const std::string& folder, const FolderRename& rename) {
    if (rename.renamed) {
        tags_->Editor().FollowRename(folder, rename.new_path);
    }
    folders_->SetDir1Path(rename.renamed ? rename.new_path : folder);
}

}  // namespace kalvex
