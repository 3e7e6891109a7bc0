// The main window: its controls, settings, folders and enabled states, wired to the panels.
#include "app/frm_main.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTreeView>
#include <QTreeWidget>
#include <filesystem>

#include "app/drive_combo_box.h"
#include "app/folder_panel.h"
#include "app/frm_matches.h"
#include "app/options_panel.h"
#include "app/page_widgets.h"
#include "app/qt_dialogs.h"
#include "app/settings_table.h"
#include "app/tab_pages.h"
#include "app/wrap_button.h"
#include "common/product.h"
#include "common/text_helpers.h"
#include "controls/caption.h"
#include "controls/twips.h"
#include "controls/varnith_tab.h"
#include "freedb/cddb_protocol.h"
#include "freedb/http_fetch.h"
#include "kalvex/version.h"
#include "workflow/cd_lookup.h"
#include "workflow/settings_location.h"

namespace kalvex {

frmMain::frmMain(MainWindowServices services, QWidget* parent)
    : QWidget(parent),
      messages_(std::move(services.messages)),
      input_(std::move(services.input)),
      desktop_(std::move(services.desktop)),
      select_drives_(std::move(services.select_drives)),
      layout_(InitialMainLayout()) {
    setObjectName("frmMain");
    if (!messages_) {
        messages_ = std::make_unique<QtMessageService>(this);
    }
    if (!input_) {
        input_ = std::make_unique<QtInputBox>(this);
    }
    if (!desktop_) {
        desktop_ = std::make_unique<QtDesktopServices>();
    }
    QFont window_font = font();
    window_font.setPointSizeF(8.25);
    setFont(window_font);
    CreateControls();

    // Start-up, in this order.
    resize(TwipsToPixels(kMainWindowWidth - kWindowFrameWidth),
           TwipsToPixels(kMainWindowHeight - kWindowFrameHeight));
    const std::string program_folder =
        services.program_folder.empty()
            ? AddBackslash(QCoreApplication::applicationDirPath().toStdString())
            : AddBackslash(services.program_folder);
    pages_->Prepare(layout_);
    tracks_->SetColumnHeaders("Filename,Track,Title,Length");
    settings_file_ = SettingsFilePath(program_folder);
    setWindowTitle(QString::fromUtf8(std::string(kApplicationTitle) + " - " + kProductWebAddress +
                                     " - v" + kVersionText));
    // The window keeps repainting while a fetch waits for its reply.
    auto fetchers = [] {
        return std::make_unique<CurlFetcher>(DefaultFetchLimits(),
                                             [] { QCoreApplication::processEvents(); });
    };
    matches_ = new frmMatches(this);
    lookup_ = std::make_unique<CdLookup>(fetchers, *matches_, *messages_, ProgramHelloSuffix());
    freedb_->Connect(
        *lookup_, [this](const auto& operation) { RunLookupOperation(operation); },
        [this] { return LookupAddress(); });
    connect(cmdRead, &QPushButton::clicked, this, &frmMain::ReadCd);
    connect(freedb_->cmdLookupFiles, &QPushButton::clicked, this, &frmMain::LookUpFiles);
    LoadSettings();
    freedb_->FillEmptyServerBoxes();
    FillDriveBox(*cboDrives, select_drives_, *messages_);
}

frmMain::~frmMain() = default;

// ---- controls ------------------------------------------------------------------

void frmMain::CreateControls() {
    const MainLayout& l = layout_;
    capDrive = new Caption("capDrive", this);
    Place(capDrive, l.capDrive);
    cboDrives = new DriveComboBox(this);
    cboDrives->setObjectName("cboDrives");
    Place(cboDrives, l.cboDrives);
    cmdRead = Make<WrapButton>(this, "cmdRead", l.cmdRead);
    cmdRead->setText("&Get album data for CD");
    cmdRead->setDefault(true);
    capDisc = new Caption("capDisc", this);
    Place(capDisc, l.capDisc);
    lblFreeDB = MakeLabel(this, "lblFreeDB", "", l.lblFreeDB);
    capMP3Folder = new Caption("capMP3Folder", this);
    Place(capMP3Folder, l.capMP3Folder);
    folders_ = new FolderPanel(this, capMP3Folder, l);
    lblMP3 = MakeLabel(this, "lblMP3", "MP3 files / tracks", l.lblMP3);
    pbFiles = Make<QProgressBar>(this, "pbFiles", l.pbFiles);
    pbFiles->setRange(0, 100);
    pbFiles->setValue(0);
    pbFiles->hide();
    lvwTracks = Make<QTreeWidget>(this, "lvwTracks", l.lvwTracks);
    lvwTracks->setRootIsDecorated(false);
    lvwTracks->setAllColumnsShowFocus(true);

    pages_ = std::make_unique<TabPages>(this, l);
    const std::array<QFrame*, 4>& pages = pages_->fraTab;
    options_ = std::make_unique<OptionsPanel>(pages[0]);
    freedb_ = std::make_unique<FreeDbPanel>(pages[3], lblFreeDB);

    cmdUpdate = Make<WrapButton>(this, "cmdUpdate", l.cmdUpdate);
    cmdUpdate->setText("&Save tags for selected file");
    cmdImport = Make<WrapButton>(this, "cmdImport", l.cmdImport);
    cmdImport->setText("&Import from FreeDB");
    cmdImport->setEnabled(false);  // usable once an album has been read
    chkVersion1 = MakeCheck(this, "chkVersion1", "ID3 v1 tag", l.chkVersion1);
    chkVersion2 = MakeCheck(this, "chkVersion2", "ID3 v2 tag", l.chkVersion2);
    tags_ = std::make_unique<TagEditorPanel>(pages[1], pages[2], chkVersion1, chkVersion2);
    tracks_ = new TrackListPanel(lvwTracks, pbFiles, *tags_, *input_, *desktop_);

    FitCaptions();
    ConfigureCaptions();
    folders_->FillVolumeList();

    connect(folders_, &FolderPanel::FolderOpened, this, &frmMain::OnFolderOpened);
    connect(options_->cmdRefreshTracks, &QPushButton::clicked, this, &frmMain::RefreshTrackList);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmMain::SaveSelectedFileTags);
    connect(cmdImport, &QPushButton::clicked, this, &frmMain::ImportAlbum);
    connect(options_->cmdRenameFile, &QPushButton::clicked, this, &frmMain::RenameTickedFiles);
    connect(options_->cmdRenameFolder, &QPushButton::clicked, this,
            [this] { RenameFolder(folders_->Dir1Path()); });
    // Enter presses the focused button, or else the default button.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, &frmMain::PressDefaultButton);
    }
}

void frmMain::FitCaptions() {
    // The places were drawn for other fonts: a button whose caption needs a
    // second line grows downwards, a tag box widens to its text.
    for (auto [button, place] :
         {std::pair{cmdUpdate, &layout_.cmdUpdate}, std::pair{cmdImport, &layout_.cmdImport}}) {
        auto* wrapping = static_cast<WrapButton*>(button);
        place->height = std::max(place->height, PixelsToTwips(wrapping->NeededHeight()));
        Place(button, *place);
    }
    for (auto [box, place] : {std::pair{chkVersion1, &layout_.chkVersion1},
                              std::pair{chkVersion2, &layout_.chkVersion2}}) {
        place->width = std::max(place->width, PixelsToTwips(box->sizeHint().width()));
        Place(box, *place);
    }
}

void frmMain::ConfigureCaptions() {
    QFont heading("Arial");
    heading.setPointSizeF(8.25);
    heading.setBold(true);
    struct Look {
        Caption* caption;
        const char* text;
        ColourValue from;
        ColourValue to;
    };
    const Look looks[] = {{capMP3Folder, " MP3 Folder", 0x800000, 0xFFC0C0},
                          {capDrive, "CD Drive", 0x008000, 0xC0FFC0},
                          {capDisc, "Disc", 0x004080, 0xC0E0FF}};
    for (const Look& look : looks) {
        look.caption->SetFont(heading);
        look.caption->SetCaptionOutlined(false);
        look.caption->SetCaptionShadowed(false);
        look.caption->SetCaption(look.text);
        look.caption->SetCaptionGradientStart(look.from);
        look.caption->SetCaptionGradientEnds(look.to);
    }
    capMP3Folder->SetDisplayVertikal(true);
    capMP3Folder->SetDisplayType(2);
    capMP3Folder->SetCaptionGradientTyp(1);
    for (Caption* caption : {capDrive, capDisc}) {
        caption->SetCaptionAligmend(1);
        caption->SetCaptionGradientTyp(2);
    }
}

// ---- start-up and closing --------------------------------------------------------

std::vector<Setting> frmMain::SettingsTable() {
    const OptionsPanel& o = *options_;
    const FreeDbPanel& f = *freedb_;
    // In the order they are written.
    return {TextSetting("Paths", "MP3 Folder", mp3_folder_),
            CheckSetting("Options", "Import ticked", o.chkImportChecked),
            CheckSetting("Options", "Save tags on import", o.chkSaveImport),
            CheckSetting("Options", "Auto rename", o.chkAutoRename),
            CheckSetting("Options", "Tick on read", o.chkTickRead),
            ChoiceSetting("Options", "Track option", o.optTrack),
            CheckSetting("Options", "Optimise tags", o.chkOptimiseTags),
            CheckSetting("Options", "Auto Import", o.chkAutoImport),
            EditSetting("FreeDB", "Server", f.txtServer),
            EditSetting("FreeDB", "URL start", f.txtRoot), EditSetting("FreeDB", "Port", f.txtPort),
            // Ours, beside the eleven keys the program has always kept.
            EditSetting("FreeDB", "Email", o.txtEmail, ""),
            ComboSetting("FreeDB", "Protocol", o.cboProtocol, "5"),
            CheckSetting("MusicBrainz", "Ask", o.chkAskMusicBrainz, "1"),
            EditSetting("MusicBrainz", "Server", o.txtMusicBrainz, kDefaultMusicBrainzServer),
            TextSetting("MusicBrainz", "Cover server", cover_server_, kDefaultCoverServer),
            CheckSetting("Options", "Embed cover art", o.chkEmbedCover, "1")};
}

void frmMain::LoadSettings() {
    // The remembered folder is listed with the options just read.
    if (ReadSettings(SettingsTable(), settings_file_)) {
        folders_->Restore(mp3_folder_);
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A lookup waiting for its server still needs the window it reports to:
    // it is aborted, and the window closes as soon as it has unwound.
    if (lookup_->Busy()) {
        close_pending_ = true;
        lookup_->Abort();
        event->ignore();
        return;
    }
    WriteSettings(SettingsTable(), settings_file_);
    event->accept();
}

// ---- folders ---------------------------------------------------------------------

void frmMain::OnFolderOpened(const QString& folder) {
    current_folder_ = folder.toStdString();
    mp3_folder_ = current_folder_;
    RefreshTrackList();
}

// ---- the track list and the tag editor ----------------------------------------

void frmMain::RefreshTrackList() {
    if (current_folder_.empty()) {
        return;
    }
    EnableControls(false);
    tracks_->Refresh(current_folder_, options_->ChosenTrackOption(),
                     options_->chkTickRead->isChecked());
    EnableControls(true);
}

void frmMain::SaveSelectedFileTags() {
    // The fields belong to the file the editor loaded, whichever rows are
    // selected now: saving them anywhere else would give that file another
    // file's tags.
    const std::string path = tags_->Editor().LoadedPath();
    if (path.empty()) {
        messages_->ShowExclamation(kNoFileShownMessage);
        return;
    }
    EnableControls(false);
    const FileResult saved = tags_->Save(path);
    if (saved) {
        const std::vector<TrackRow>& rows = tracks_->Rows().Rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (tracks_->Rows().PathOf(i) == path) {
                tracks_->RefreshRow(i);
            }
        }
    } else {
        messages_->ShowExclamation("Could not save the tags of '" +
                                   std::filesystem::path(path).filename().string() +
                                   "': " + saved.Reason());
    }
    EnableControls(true);
}

// ---- states and layout -------------------------------------------------------------

void frmMain::EnableControls(bool enabled) {
    const TagEditorPanel& t = *tags_;
    const OptionsPanel& o = *options_;
    const std::array<QFrame*, 4>& p = pages_->fraTab;
    const FolderPanel& f = *folders_;
    QWidget* const listed[] = {cmdRead,
                               cmdUpdate,
                               t.cmdCopyTo1,
                               t.cmdCopyTo2,
                               o.optTrack[0],
                               o.optTrack[1],
                               o.optTrack[2],
                               o.chkImportChecked,
                               o.chkSaveImport,
                               o.cmdRenameFolder,
                               o.cmdRenameFile,
                               o.cmdRefreshTracks,
                               p[0],
                               p[1],
                               p[2],
                               p[3],
                               cboDrives,
                               f.Drive1,
                               f.Dir1,
                               chkVersion1,
                               chkVersion2,
                               lvwTracks};
    for (QWidget* widget : listed) {
        widget->setEnabled(enabled);
    }
    // The import needs an album: re-enabled only when one is loaded.
    if (!enabled) {
        cmdImport->setEnabled(false);
    } else if (album_valid_) {
        cmdImport->setEnabled(true);
    }
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The layout works on the outer width and the inner height, in twips.
    ResizeMainLayout(layout_, PixelsToTwips(width()) + kWindowFrameWidth, PixelsToTwips(height()));
    ApplyLayout();
}

void frmMain::ApplyLayout() {
    const MainLayout& l = layout_;
    const std::pair<QWidget*, TwipRect> places[] = {
        {capDrive, l.capDrive},       {cboDrives, l.cboDrives}, {cmdRead, l.cmdRead},
        {capDisc, l.capDisc},         {lblFreeDB, l.lblFreeDB}, {capMP3Folder, l.capMP3Folder},
        {folders_->Drive1, l.Drive1}, {folders_->Dir1, l.Dir1}, {lblMP3, l.lblMP3},
        {pbFiles, l.pbFiles},         {lvwTracks, l.lvwTracks}, {pages_->nTab, l.nTab},
        {cmdUpdate, l.cmdUpdate},     {cmdImport, l.cmdImport}, {chkVersion1, l.chkVersion1},
        {chkVersion2, l.chkVersion2}};
    for (const auto& [widget, place] : places) {
        Place(widget, place);
    }
    for (QFrame* page : pages_->fraTab) {
        Place(page, l.fraTab);
    }
}

void frmMain::PressDefaultButton() {
    if (focusWidget() == folders_->Dir1) {
        folders_->OpenHighlighted();
    } else if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) {
        focused->animateClick();
    } else if (cmdRead->isEnabled()) {
        cmdRead->animateClick();
    }
}

}  // namespace kalvex
