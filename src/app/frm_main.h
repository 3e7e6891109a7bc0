#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/drive_combo_box.h"
#include "app/folder_panel.h"
#include "app/freedb_panel.h"
#include "app/main_layout.h"
#include "app/options_panel.h"
#include "app/settings_table.h"
#include "app/tab_pages.h"
#include "app/tag_editor_panel.h"
#include "app/track_list_panel.h"
#include "common/message_service.h"
#include "workflow/desktop_services.h"
#include "workflow/input_box.h"
#include "workflow/rename_operations.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace kalvex {

class Caption;
class frmMatches;

inline constexpr const char* kNoFolderForFiles =
    "Open the folder of the album's MP3 files in the folder list first.";
inline constexpr const char* kNoFileShownMessage =
    "No file is shown on the tag pages: click a file in the track list first.";

// What the main window needs from outside. Empty members get the real thing:
// message boxes, the input dialog, the desktop, the folder of the running
// program.
struct MainWindowServices {
    DriveSelection select_drives;
    std::unique_ptr<MessageService> messages;
    std::unique_ptr<InputBox> input;
    std::unique_ptr<DesktopServices> desktop;
    std::string program_folder;  // ends in a separator
};

// The main window: drive, disc and folder on the left, the track list below
// them, the tab strip with the Options, Tag v1, Tag v2 and FreeDB pages on the
// right. It reads "Settings.ini" when it opens and writes it when it closes.
// The pages' controls are their panels'.
class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(MainWindowServices services, QWidget* parent = nullptr);
    ~frmMain() override;

    FreeDbPanel& FreeDb() const { return *freedb_; }
    FolderPanel& Folders() { return *folders_; }
    OptionsPanel& Options() { return *options_; }
    TrackListPanel& Tracks() { return *tracks_; }
    TagEditorPanel& TagPages() { return *tags_; }
    TabPages& Pages() { return *pages_; }
    CdLookup& Lookup() { return *lookup_; }
    frmMatches& MatchDialog() { return *matches_; }

    // The folder last opened, remembered in the settings.
    const std::string& Mp3Folder() const { return mp3_folder_; }
    // The folder whose files the track list shows.
    const std::string& CurrentFolder() const { return current_folder_; }
    // Whether a loaded album lets the import be enabled.
    void SetAlbumValid(bool valid) { album_valid_ = valid; }
    // The one switch for long operations; the tab strip stays usable.
    void EnableControls(bool enabled);

    // Controls outside the pages.
    Caption* capDrive = nullptr;
    DriveComboBox* cboDrives = nullptr;
    QPushButton* cmdRead = nullptr;
    Caption* capDisc = nullptr;
    QLabel* lblFreeDB = nullptr;
    Caption* capMP3Folder = nullptr;
    QLabel* lblMP3 = nullptr;
    QProgressBar* pbFiles = nullptr;
    QTreeWidget* lvwTracks = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdImport = nullptr;
    QCheckBox* chkVersion1 = nullptr;
    QCheckBox* chkVersion2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    // "Get album data for CD": the disc's album, then the automatic import.
    void ReadCd();
    // "Import from FreeDB": the album into the ticked (or the selected)
    // files, then the renaming when "Auto rename" is ticked.
    void ImportAlbum();
    // "Rename ticked files based on title".
    void RenameTickedFiles();
    // Renames `folder` to the album title ("Rename folder based on FreeDB
    // album" passes the highlighted folder); the lists follow it.
    void RenameFolder(const std::string& folder);
    // Lists the open folder's files with the chosen track option.
    void RefreshTrackList();
    // "Save tags for selected file".
    void SaveSelectedFileTags();
    void FitCaptions();
    void ConfigureCaptions();
    // Every key of "Settings.ini" with what it stands for here.
    std::vector<Setting> SettingsTable();
    void LoadSettings();
    void ApplyLayout();
    // The track list follows the folder the user opened.
    void OnFolderOpened(const QString& folder);
    void PressDefaultButton();
    // Runs one lookup step with the controls disabled; nothing while a
    // lookup is under way.
    // "Look up album by its files": the open folder's files stand in for the
    // disc, then the road is the disc's.
    void LookUpFiles();
    // The CDDB server as the FreeDB page names it, with the e-mail and the
    // protocol level of the Options page.
    ServerAddress LookupAddress() const;
    void RunLookupOperation(const std::function<void()>& operation);
    // The lists back on a released folder, under its new name if it has one.
    void ShowRenamedFolder(const std::string& folder, const FolderRename& rename);

    std::unique_ptr<MessageService> messages_;
    std::unique_ptr<InputBox> input_;
    std::unique_ptr<DesktopServices> desktop_;
    std::unique_ptr<TabPages> pages_;
    std::unique_ptr<OptionsPanel> options_;
    std::unique_ptr<FreeDbPanel> freedb_;
    std::unique_ptr<TagEditorPanel> tags_;
    FolderPanel* folders_ = nullptr;
    TrackListPanel* tracks_ = nullptr;
    frmMatches* matches_ = nullptr;
    std::unique_ptr<CdLookup> lookup_;
    DriveSelection select_drives_;

    MainLayout layout_;
    std::string settings_file_;
    std::string mp3_folder_;
    std::string current_folder_;
    bool album_valid_ = false;
    bool close_pending_ = false;                      // asked to close while a lookup ran
    std::string cover_server_ = kDefaultCoverServer;  // the Cover Art Archive
};

}  // namespace kalvex
