#include "app/frm_main.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <filesystem>

#include "app/drive_combo_box.h"
#include "app/wrap_button.h"
#include "cdrom/drive_error.h"
#include "controls/twips.h"
#include "controls/varnith_tab.h"
#include "main_window_fixture.h"
#include "workflow/ini_file.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;

using FrmMainTest = test::MainWindowTest;

TEST_F(FrmMainTest, FirstStartShowsTheOptionsPageAndTheDefaultsAndOddSettingsFallBackSensibly) {
    frmMain& first = Open();
    EXPECT_TRUE(first.Pages().fraTab[0]->isVisible());
    EXPECT_FALSE(first.Pages().fraTab[1]->isVisible());
    for (QCheckBox* box : first.findChildren<QCheckBox*>()) {
        // Asking MusicBrainz and embedding its covers are on until the user
        // turns them off.
        EXPECT_EQ(box->isChecked(),
                  box == first.Options().chkAskMusicBrainz || box == first.Options().chkEmbedCover)
            << box->objectName().toStdString();
    }
    EXPECT_TRUE(messages->Messages().empty());
    EXPECT_FALSE(fs::exists(settings));  // created at the first close

    // Odd stored values fall back sensibly.
    Store("[Paths]\nMP3 Folder=" + (folder / "gone").string() +
          "\n[Options]\nTrack option=7\nImport ticked=\nAuto rename=0.5\nTick on read=1.5\n"
          "[FreeDB]\nPort=\n[MusicBrainz]\nAsk=0\nServer=\n");
    frmMain& w = Open();
    EXPECT_TRUE(w.Options().optTrack[0]->isChecked());
    EXPECT_FALSE(w.Options().chkImportChecked->isChecked());
    EXPECT_FALSE(w.Options().chkAutoRename->isChecked());  // 0.5 rounds to 0
    EXPECT_TRUE(w.Options().chkTickRead->isChecked());     // 1.5 rounds to 2
    EXPECT_EQ(w.FreeDb().txtPort->text(), "80");
    // A stored value stands, "0" or empty, where a missing key reads its fallback.
    EXPECT_FALSE(w.Options().chkAskMusicBrainz->isChecked());
    EXPECT_EQ(w.Options().txtMusicBrainz->text(), "");
    // A remembered folder that no longer exists is ignored without a word.
    EXPECT_EQ(w.CurrentFolder(), "");
    EXPECT_TRUE(messages->Messages().empty());
}

TEST_F(FrmMainTest, AtFirstStartTheFolderListScrollsTheCurrentFolderIntoView) {
    // Enough folders before it that it starts out of view.
    for (int i = 10; i < 70; ++i) {
        fs::create_directories(folder / ("a" + std::to_string(i)));
    }
    const fs::path here = folder / "zz";
    fs::create_directories(here);
    const fs::path started_in = fs::current_path();
    fs::current_path(here);
    frmMain& w = Open();
    fs::current_path(started_in);
    ASSERT_EQ(w.Folders().Dir1Path(), here.string());
    // The tree fills in the background: once the folders before it are in,
    // it must still be in view.
    QTreeView* tree = w.Folders().Dir1;
    auto* folders = static_cast<QFileSystemModel*>(tree->model());
    const QModelIndex parent = folders->index(QString::fromStdString(folder.string()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return folders->rowCount(parent) > 60; }));
    QTest::qWait(50);
    EXPECT_TRUE(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
}

TEST_F(FrmMainTest, SettingsAreReadAtStartAndWrittenBackAtCloseKeepingForeignOnes) {
    const fs::path album = folder / "music" / "Album";
    fs::create_directories(album);
    const std::string stored =
        "; mine\n[Paths]\nMP3 Folder=" + album.string() +
        "\nOld=keep\n[Options]\nImport ticked=1\nSave tags on import=0\nAuto rename=1\n"
        "Tick on read=1\nTrack option=2\nOptimise tags=1\nAuto Import=0\n"
        "[FreeDB]\nServer=http://127.0.0.1:8880\nURL start=cddb.cgi\nPort=8880\n"
        "[Elsewhere]\nX=y\n";
    Store(stored);
    frmMain& w = Open();
    const OptionsPanel& o = w.Options();
    EXPECT_EQ((std::vector<bool>{o.chkImportChecked->isChecked(), o.chkSaveImport->isChecked(),
                                 o.chkAutoRename->isChecked(), o.chkTickRead->isChecked(),
                                 o.chkOptimiseTags->isChecked(), o.chkAutoImport->isChecked()}),
              (std::vector<bool>{true, false, true, true, true, false}));
    EXPECT_TRUE(o.optTrack[2]->isChecked());
    EXPECT_EQ(w.FreeDb().txtRoot->text(), "cddb.cgi");
    // The server and port read, and the remembered folder reopened in the
    // folder and track lists: window_road_test.py starts from demo.sh's
    // settings and looks up on that server in that folder.
    // Closing unchanged writes every key back in its place, none lost or moved;
    // the keys of the online lookup join their sections.
    w.close();
    std::string expected = stored;
    expected.insert(expected.find("[FreeDB]"), "Embed cover art=1\n");
    expected.insert(expected.find("[Elsewhere]"), "Email=\nProtocol=5\n");
    expected +=
        "[MusicBrainz]\nAsk=1\nServer=https://musicbrainz.org\n"
        "Cover server=https://coverartarchive.org\n";
    EXPECT_EQ(test::ReadFileBytes(settings), expected);

    frmMain& again = Open();
    again.Options().chkSaveImport->setChecked(true);
    again.Options().optTrack[1]->setChecked(true);
    again.FreeDb().txtPort->setText("81");
    again.close();
    EXPECT_EQ(ReadIniValue("Options", "Save tags on import", settings), "1");
    EXPECT_EQ(ReadIniValue("Options", "Track option", settings), "1");
    EXPECT_EQ(ReadIniValue("FreeDB", "Port", settings), "81");
}

TEST_F(FrmMainTest, ErrorsOfTheDriveSelectionAreShown) {
    const std::pair<std::function<void()>, std::string> failures[] = {
        {[] { throw DriveAccessError(48, "No CD drive interface could be loaded"); },
         "Error accessing CD drive: 48 - No CD drive interface could be loaded"},
        {[] { throw std::runtime_error("boom"); }, "Error accessing CD drive: 0 - boom"}};
    for (const auto& [raise, text] : failures) {
        Open([&raise](DriveBox&, MessageService&) { return raise(), false; });
        EXPECT_EQ(messages->Texts(), std::vector<std::string>{text});
        EXPECT_EQ(messages->Messages()[0].icon, CollectingMessageService::Icon::Exclamation);
    }
}

// Enabled again, the page's controls and the import that waits for an album
// are the lookup window's test's (lookup_window_test.cpp).
TEST_F(FrmMainTest, DisabledControlsLeaveTheTabsWorking) {
    frmMain& w = Open();
    const TabPages& pages = w.Pages();
    w.EnableControls(false);
    EXPECT_FALSE(w.cmdRead->isEnabled());
    EXPECT_FALSE(w.lvwTracks->isEnabled());
    const TabBox& freedb = pages.nTab->BodyBox(3);
    QTest::mouseClick(pages.nTab, Qt::LeftButton, {},
                      QPoint(TwipsToPixels(freedb.left + freedb.width / 2), 5));
    EXPECT_TRUE(pages.fraTab[3]->isVisible());
    EXPECT_FALSE(pages.fraTab[0]->isVisible());
    EXPECT_FALSE(w.FreeDb().txtServer->isEnabled());  // through its page
    // Setting the selection from code does not switch.
    pages.nTab->SetSelected(2);
    EXPECT_TRUE(pages.fraTab[3]->isVisible());
}

TEST_F(FrmMainTest, ResizingMovesAndStretchesTheControls) {
    frmMain& w = Open();
    const TabPages& pages = w.Pages();
    const int tab_left = pages.nTab->x();
    const int list_width = w.lvwTracks->width();
    w.resize(w.width() + 100, w.height() + 40);
    QCoreApplication::processEvents();
    EXPECT_EQ(pages.nTab->x() - tab_left, 100);
    EXPECT_EQ(pages.fraTab[0]->x(), pages.nTab->x() + 4);
    EXPECT_EQ(w.lvwTracks->width() - list_width, 100);
    EXPECT_EQ(w.lvwTracks->geometry().bottom() + 1, w.height() - 8);
    EXPECT_EQ(w.cmdRead->geometry().right() + 1, pages.nTab->x() - 8);
}

TEST_F(FrmMainTest, EnterPressesTheDefaultButtonUnlessAnotherButtonHasTheFocus) {
    frmMain& w = Open();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QSignalSpy read(w.cmdRead, &QPushButton::clicked);
    QSignalSpy update(w.cmdUpdate, &QPushButton::clicked);
    w.Pages().nTab->SelectTabManually(3);
    w.FreeDb().txtDiscID->setFocus();
    QTest::keyClick(w.FreeDb().txtDiscID, Qt::Key_Return);
    EXPECT_TRUE(read.wait(1000));
    w.cmdUpdate->setFocus();
    QTest::keyClick(w.cmdUpdate, Qt::Key_Return);
    EXPECT_TRUE(update.wait(1000));
    EXPECT_EQ(read.count(), 1);
    // The captions' accelerators.
    QTest::keyClick(&w, Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(read.wait(1000));
    EXPECT_EQ(read.count(), 2);
}

// Whether a button's caption has room: on one line inside the contents less
// the style's margin, or, for a wrapping button, in its height.
bool CaptionFits(QPushButton* button) {
    if (auto* wrapping = qobject_cast<WrapButton*>(button)) {
        return wrapping->NeededHeight() <= wrapping->height();
    }
    QStyleOptionButton option;
    option.initFrom(button);
    const QStyle* style = button->style();
    const int room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button).width() -
                     style->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
    return button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&')) <= room;
}

TEST_F(FrmMainTest, TheDrivesFillTheBoxAndEntriesCaptionsAndTagBoxesHaveTheRoomTheyNeed) {
    const QString entry = "D: KALVEX  VIRTUAL CD-ROM    1.0  (0:0:0)";
    frmMain& w = Open([&](DriveBox& box, MessageService&) {
        box.AddDrive(entry.toStdString(), 1);
        box.AddDrive("E: ACME CD", 2);
        return box.SelectFirst();
    });
    ASSERT_EQ(w.cboDrives->count(), 2);
    EXPECT_EQ(w.cboDrives->currentText(), entry);
    // The dropped-down list shows the whole entry; the closed box keeps both
    // ends of it within its field.
    EXPECT_GT(w.cboDrives->view()->minimumWidth(),
              w.cboDrives->view()->fontMetrics().horizontalAdvance(entry));
    QStyleOptionComboBox option;
    option.initFrom(w.cboDrives);
    const QRect field = w.cboDrives->style()->subControlRect(
        QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, w.cboDrives);
    const QString shown = w.cboDrives->DisplayedText();
    EXPECT_LE(w.cboDrives->fontMetrics().horizontalAdvance(shown), field.width());
    EXPECT_TRUE(shown.startsWith("D: ") && shown.endsWith("(0:0:0)")) << shown.toStdString();
    EXPECT_EQ(w.cboDrives->toolTip(), entry);

    for (QPushButton* button : w.findChildren<QPushButton*>()) {
        EXPECT_TRUE(CaptionFits(button)) << button->objectName().toStdString();
    }
    for (QCheckBox* box : {w.chkVersion1, w.chkVersion2}) {
        EXPECT_GE(box->width(), box->sizeHint().width());
        EXPECT_LE(box->geometry().right(), w.width());
    }
}

}  // namespace
}  // namespace kalvex
