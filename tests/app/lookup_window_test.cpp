// The window's lookup road end to end: the virtual CD drive, the project's
// CDDB server on 127.0.0.1 over real HTTP, the match dialog, the FreeDB page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "app/frm_main.h"
#include "app/frm_matches.h"
#include "cddb_server_process.h"
#include "cdrom/aspi.h"
#include "cdrom/scsi_interface.h"
#include "cdrom/virtual_drive_env.h"
#include "cli_runner.h"
#include "id3/id3v2_reader.h"
#include "id3/tag_bytes.h"
#include "main_window_fixture.h"
#include "workflow/cd_lookup.h"

// Failures show the texts compared, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kalvex {
namespace {

namespace fs = std::filesystem;
using test::CddbServerProcess;

constexpr const char* kJazzDisc =
    "1 11 0:2:0 6:21:40 11:20:27 16:51:10 22:48:20 26:59:35 33:6:27 39:2:47 45:24:22 51:21:7 "
    "59:33:27 63:46:0";
// One id in two categories: misc, then rock, as the server lists them.
constexpr const char* kTwoMatchDisc = "1 2 0:2:0 3:0:0 5:30:10";

class LookupWindowTest : public test::MainWindowTest {
protected:
    LookupWindowTest() { setenv("KALVEX_TEST_FETCH_TIMEOUT_MS", "3000", 1); }
    ~LookupWindowTest() override { unsetenv("KALVEX_TEST_FETCH_TIMEOUT_MS"); }

    // Starts the server on the records in `db`, with `faults` of its options,
    // and opens the window on it and, unless told otherwise, the virtual drive.
    frmMain& Open(std::vector<std::string> faults = {},
                  const std::string& db = test::TestDataPath("cddb/db"), bool drive = true) {
        faults.insert(faults.begin(), {"--db", db});
        server.emplace(faults);
        const auto virtual_drive = [](DriveBox& box, MessageService& shown) {
            return SelectScsiInterface(
                box, shown, {{}, [] { return std::make_unique<clsASPI>(test::VirtualAspi()); }});
        };
        frmMain& w = MainWindowTest::Open(drive ? DriveSelection(virtual_drive) : DriveSelection());
        w.FreeDb().txtServer->setText(QString::fromStdString(server->BaseUrl()));
        w.FreeDb().txtPort->setText(QString::fromStdString(server->PortText()));
        // The tests' CDDB server alone, unless a test starts the MusicBrainz stand-in.
        w.Options().chkAskMusicBrainz->setChecked(false);
        return w;
    }
    // What the page and the caption show, to compare before and after.
    static std::vector<QString> Shown(const frmMain& w) {
        std::vector<QString> shown = {
            w.FreeDb().txtFArtist->text(),     w.FreeDb().txtFAlbum->text(),
            w.FreeDb().txtFGenre->text(),      w.FreeDb().txtFYear->text(),
            w.FreeDb().txtData->toPlainText(), w.lblFreeDB->text()};
        for (int i = 0; i < w.FreeDb().lstDetails->count(); ++i) {
            shown.push_back(w.FreeDb().lstDetails->item(i)->text());
        }
        return shown;
    }
    // Acts on the match dialog once it is up: the fetch before it processes
    // events too, so the check repeats until the dialog is there.
    static void WhenDialogOpens(std::function<void(frmMatches&)> act) {
        QTimer::singleShot(20, [act] {
            auto* dialog = qobject_cast<frmMatches*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                WhenDialogOpens(act);
                return;
            }
            act(*dialog);
        });
    }

    test::VirtualDisc disc;
    std::optional<CddbServerProcess> server;
};

// Choosing the second row with OK is the window road's (window_road_test.py).
TEST_F(LookupWindowTest, TwoMatchesAskInTheDialogAndACancelOrAFailedFetchKeepsThePage) {
    frmMain& w = Open();
    disc.Insert(kTwoMatchDisc);
    // A double click is OK; the entry is read while the dialog is still up.
    WhenDialogOpens([&w](frmMatches& dialog) {
        EXPECT_EQ(dialog.lstMatches->count(), 2);
        EXPECT_EQ(dialog.lstMatches->currentRow(), 0);
        emit dialog.lstMatches->itemDoubleClicked(dialog.lstMatches->item(0));
        EXPECT_EQ(w.FreeDb().txtFArtist->text(), "Other Artist");
    });
    w.cmdRead->click();
    EXPECT_FALSE(w.MatchDialog().isVisible());

    // Escape with the other row chosen reads nothing; nor does a server gone.
    const auto before = Shown(w);
    WhenDialogOpens([](frmMatches& dialog) {
        dialog.lstMatches->setCurrentRow(1);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    w.cmdRead->click();
    EXPECT_EQ(Shown(w), before);
    EXPECT_TRUE(messages->Texts().empty());
    EXPECT_TRUE(w.cmdRead->isEnabled());
    server->Stop();
    w.cmdRead->click();
    ASSERT_EQ(messages->Texts().size(), 1u);
    EXPECT_TRUE(messages->Texts()[0].starts_with(kFetchFailedPrefix)) << messages->Texts()[0];
    EXPECT_EQ(Shown(w), before);
    EXPECT_TRUE(w.FreeDb().txtServer->isEnabled());
}

TEST_F(LookupWindowTest, WhileAFetchWaitsNothingElseStartsAndACloseEndsTheLookupAndTheWindow) {
    frmMain& w = Open({"--fault", "delay:0.8", "--fault-on", "query"});
    disc.Insert(kJazzDisc);
    bool checked = false;
    QTimer::singleShot(300, [&] {
        checked = true;
        EXPECT_TRUE(w.Lookup().Busy());
        EXPECT_FALSE(w.cmdRead->isEnabled());
        EXPECT_FALSE(w.FreeDb().cmdLookup->isEnabled());
        w.FreeDb().txtDiscID->setText("0b014802");
        emit w.FreeDb().cmdLookup->clicked();  // a second lookup is refused
        emit w.cmdRead->clicked();
        w.close();  // the lookup is aborted and the window closes once it has unwound
        EXPECT_TRUE(w.isVisible());
    });
    w.cmdRead->click();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(fs::exists(settings));
    // Aborted quietly: no reply was waited for, nothing was told.
    EXPECT_EQ(w.FreeDb().txtFAlbum->text(), "");
    EXPECT_TRUE(messages->Texts().empty());
    EXPECT_TRUE(w.cmdRead->isEnabled());
}

// Get album data fills the album panel, the raw reply box, the caption and the
// details. A connection test or a read that fails keeps what the user then
// corrected in the panel; only a newly read album replaces it, and only then
// may the import go on.
TEST_F(LookupWindowTest,
       TheAlbumPanelKeepsTheUsersEditsAFailedReadStopsTheImportAndDebugShowsTheReply) {
    frmMain& w = Open();
    disc.Insert(kJazzDisc);
    w.cmdRead->click();
    EXPECT_TRUE(messages->Texts().empty()) << messages->Texts().front();
    // The four boxes are the window road's to check; here the rest of the page.
    const std::vector<QString> read = Shown(w);
    ASSERT_EQ(read.size(), 6u + 11u);
    EXPECT_TRUE(read[4].startsWith("210 jazz 920ef00b") && !read[4].contains('\r'));
    EXPECT_EQ(read[5], "Jazz Group / Eleven");
    EXPECT_EQ(read.back(), "Track 11 : Track 11 of 920ef00b");

    w.FreeDb().txtFAlbum->setText("Eleven (remastered)");
    // The panel and the caption; the raw reply box shows each reply.
    const auto panel = [&w] {
        std::vector<QString> shown = Shown(w);
        shown.erase(shown.begin() + 4);
        return shown;
    };
    const auto edited = panel();
    w.FreeDb().cmdTestFreeDB->click();
    EXPECT_EQ(w.FreeDb().txtFAlbum->text(), "Eleven (remastered)");
    EXPECT_TRUE(w.FreeDb().txtData->toPlainText().startsWith("210"));  // the message of the day
    EXPECT_TRUE(w.cmdImport->isEnabled());

    w.FreeDb().txtDiscID->setText("deadbeef");
    w.FreeDb().cboGenre->setEditText("rock");
    w.FreeDb().cmdLookup->click();
    EXPECT_EQ(messages->Texts().back(), kInvalidAlbumMessage);
    EXPECT_EQ(panel(), edited);
    EXPECT_FALSE(w.cmdImport->isEnabled());

    w.FreeDb().txtDiscID->setText("920ef00b");
    w.FreeDb().cboGenre->setEditText("jazz");
    w.FreeDb().cmdLookup->click();
    EXPECT_EQ(w.FreeDb().txtFAlbum->text(), "Eleven");
    EXPECT_TRUE(w.cmdImport->isEnabled());

    // Debug uncovers the raw reply under the details list.
    const int tall = w.FreeDb().lstDetails->height();
    w.FreeDb().chkDebug->click();
    EXPECT_LT(w.FreeDb().lstDetails->height(), tall);
    EXPECT_LE(w.FreeDb().lstDetails->geometry().bottom(), w.FreeDb().txtData->y());
    w.FreeDb().chkDebug->click();
    EXPECT_EQ(w.FreeDb().lstDetails->height(), tall);
}

// The import itself is the window road's (window_road_test.py), and the
// MusicBrainz matches its dialog offers; here the import a read starts by
// itself, and the folder button taking the page's title.
TEST_F(LookupWindowTest, AutoImportFollowsTheReadAndTheFolderButtonTakesThePagesTitle) {
    const fs::path old_folder = folder / "music" / "Track rip";
    fs::create_directories(old_folder);
    for (const char* name : {"Track01.mp3", "Track02.mp3"}) {
        fs::copy_file(test::TestDataPath("id3/mutagen/xing.mp3"), old_folder / name);
    }
    // Made before the window opens, as a user's folders are: one made just
    // before it is highlighted is dropped again by the tree's listing of the
    // parent taken before it existed, and the highlight moves to a neighbour.
    fs::create_directories(folder / "music" / "Old");
    frmMain& w = Open();
    const OptionsPanel& o = w.Options();
    for (QCheckBox* option :
         {o.chkTickRead, o.chkImportChecked, o.chkSaveImport, o.chkAutoImport, o.chkAutoRename}) {
        option->setChecked(true);
    }
    w.Folders().SetDir1Path(old_folder.string());
    w.chkVersion2->setChecked(true);  // the rip has no tags: the box says what to write

    disc.Insert(kTwoMatchDisc);
    WhenDialogOpens([](frmMatches& dialog) {
        dialog.lstMatches->setCurrentRow(1);
        dialog.OKButton->click();
    });
    w.cmdRead->click();
    EXPECT_TRUE(messages->Texts().empty()) << messages->Texts().front();
    // The list of the renamed folder is the window road's to check.
    const fs::path renamed = folder / "music" / "Two Tracks" / "02 Track 2 of 0b014802.mp3";
    EXPECT_EQ(test::TagFields(ReadTagV2, renamed.string(), "Artist="), "Artist=Test Artist");

    // Another folder given the album's name in other letters: taken already.
    w.Folders().SetDir1Path((folder / "music" / "Old").string());
    w.FreeDb().txtFAlbum->setText("two tracks");
    w.Options().cmdRenameFolder->click();
    // The message's wording is the renaming's; here that the page's title was asked for.
    ASSERT_EQ(messages->Texts().size(), 1u);
    EXPECT_NE(messages->Texts()[0].find((folder / "music" / "two tracks").string()),
              std::string::npos);
    EXPECT_EQ(w.CurrentFolder(), (folder / "music" / "Old").string());
}

// Without a disc, the demo's album is found from its files; the message of
// an empty drive says that the files can stand in for the disc.
TEST_F(LookupWindowTest, WithoutTheDiscTheAlbumIsFoundFromItsFiles) {
    const test::CliRun prepared =
        test::Shell(std::string(KALVEX_SOURCE_DIR) + "/tools/demo.sh --build " + KALVEX_BUILD_DIR +
                    " --prepare-only " + (folder / "demo").string());
    ASSERT_EQ(prepared.exit_code, 0) << prepared.out;
    const auto demo = nlohmann::json::parse(prepared.out);
    frmMain& w = Open({}, demo["Database"].get<std::string>(), false);  // no drive at all

    w.cmdRead->click();
    ASSERT_EQ(messages->Texts().size(), 1u);
    EXPECT_NE(messages->Texts()[0].find(kFilesHint), std::string::npos) << messages->Texts()[0];

    w.Folders().SetDir1Path(demo["Folder"]);
    w.FreeDb().cmdLookupFiles->click();
    EXPECT_EQ(w.FreeDb().txtFAlbum->text(), "Demo Sampler");
    EXPECT_TRUE(w.FreeDb().txtData->toPlainText().startsWith(
        "The table of contents comes from the files' exact lengths"));
    EXPECT_TRUE(w.cmdImport->isEnabled());
}

}  // namespace
}  // namespace kalvex
