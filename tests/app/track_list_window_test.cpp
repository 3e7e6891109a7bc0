// The track list and the tag pages of the real window, driven by mouse
// clicks on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <filesystem>

#include "app/frm_main.h"
#include "id3/id3v2_reader.h"
#include "id3/tag_bytes.h"
#include "main_window_fixture.h"

namespace kalvex {
namespace {

namespace fs = std::filesystem;

class RecordingDesktop : public DesktopServices {
public:
    void OpenFile(const std::string& path) override { opened.push_back(path); }
    std::vector<std::string> opened;
};

// Answers every question with "7".
class SevenInput : public InputBox {
public:
    std::optional<std::string> Ask(const std::string&, const std::string&) override { return "7"; }
};

class TrackListWindowTest : public test::MainWindowTest {
protected:
    void SetUp() override {
        fs::create_directories(folder / "album");
        // Made before the window opens: the tree's first listing of the parent
        // would drop a folder made later and highlighted before it is listed.
        fs::create_directories(folder / "empty");
        const std::string data = test::TestDataPath("id3/mutagen/");
        fs::copy_file(data + "silence-44-s.mp3", folder / "album" / "b.mp3");
        fs::copy_file(data + "xing.mp3", folder / "album" / "A.mp3");
        auto recording = std::make_unique<RecordingDesktop>();
        desktop = recording.get();
        Open({}, std::move(recording), std::make_unique<SevenInput>());
        window->Folders().SetDir1Path((folder / "album").string());
    }
    std::string Bytes(const char* name) const {
        return test::ReadFileBytes((folder / "album" / name).string());
    }

    QStringList Column(int column) const {
        QStringList cells;
        for (int i = 0; i < window->lvwTracks->topLevelItemCount(); ++i) {
            cells << window->lvwTracks->topLevelItem(i)->text(column);
        }
        return cells;
    }
    void ClickRow(int row, Qt::KeyboardModifiers keys = {}) {
        QTreeWidget* list = window->lvwTracks;
        const QRect place = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, place.center());
    }
    void ClickHeader(int section) {
        QHeaderView* header = window->lvwTracks->header();
        const QPoint middle(
            header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    }
    QAction* MenuEntry(const char* name) const {
        return window->findChild<QMenu*>("mnTrack")->findChild<QAction*>(name);
    }

    RecordingDesktop* desktop = nullptr;
};

TEST_F(TrackListWindowTest, OpeningAFolderListsItAndAClickShowsTheFileOnTheTagPages) {
    frmMain& w = *window;
    EXPECT_EQ(Column(0), (QStringList{"A.mp3", "b.mp3"}));
    EXPECT_EQ(Column(3), (QStringList{"0:02", "0:04"}));
    EXPECT_FALSE(w.pbFiles->isVisible());

    // Focus coming into the list, as when a lookup disables the button that
    // had it, leaves the boxes as the user ticked them; an arrow key moves on.
    w.chkVersion2->setChecked(true);
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(w.lvwTracks, &focus);
    EXPECT_TRUE(w.chkVersion2->isChecked());
    QTest::keyClick(w.lvwTracks, Qt::Key_Down);
    EXPECT_EQ(w.TagPages().v2Title->text(), "Silence");
    EXPECT_EQ(w.TagPages().v2TNR->text(), "02/10");
    EXPECT_TRUE(w.chkVersion1->isChecked());
    EXPECT_TRUE(
        w.TagPages().txtDetails->toPlainText().startsWith("Version 1 Layer 3\nLength: 0:04"));
    ClickRow(0);
    EXPECT_EQ(w.TagPages().v2Title->text(), "");
    EXPECT_FALSE(w.chkVersion2->isChecked());

    // Highlighting another folder does not list it; opening it does.
    auto* folders = static_cast<QFileSystemModel*>(w.Folders().Dir1->model());
    w.Folders().Dir1->setCurrentIndex(
        folders->index(QString::fromStdString((folder / "empty").string())));
    EXPECT_EQ(w.Folders().Dir1Path(), (folder / "empty").string());
    EXPECT_EQ(w.lvwTracks->topLevelItemCount(), 2);
    w.Folders().SetDir1Path((folder / "empty").string());
    EXPECT_EQ(w.lvwTracks->topLevelItemCount(), 0);
}

// The save and the track number go to the row the user clicked last,
// whichever rows a Ctrl- or Shift-click left selected; the save refreshes its
// row, and a failed one says why.
TEST_F(TrackListWindowTest, SaveAndRowActionsGoToTheRowClickedLast) {
    frmMain& w = *window;
    const std::string a = Bytes("A.mp3");
    QTest::mouseClick(w.cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(messages->Texts(), std::vector<std::string>{kNoFileShownMessage});
    EXPECT_EQ(Bytes("A.mp3"), a);
    *messages = {};

    using Clicks = std::vector<std::pair<int, Qt::KeyboardModifiers>>;
    const Clicks ways[] = {
        {{0, {}}, {1, Qt::ControlModifier}},
        {{0, {}}, {1, Qt::ShiftModifier}},
        {{1, {}}, {0, Qt::ControlModifier}, {1, Qt::ControlModifier}},
    };
    int way = 0;
    for (const Clicks& clicks : ways) {
        for (const auto& [row, keys] : clicks) {
            ClickRow(row, keys);
        }
        const QString title = "Quiet " + QString::number(++way);
        w.TagPages().v2Title->setText(title);
        w.TagPages().v2TNR->setText(QString::number(way) + "/12");
        QTest::mouseClick(w.cmdUpdate, Qt::LeftButton);
        EXPECT_EQ(test::TagFields(ReadTagV2, (folder / "album" / "b.mp3").string(), "Title=; TNR="),
                  "Title=" + title.toStdString() + "; TNR=" + std::to_string(way) + "/12");
        EXPECT_EQ(Column(2)[1], title);
        EXPECT_EQ(Bytes("A.mp3"), a) << way;
    }
    EXPECT_TRUE(messages->Texts().empty());
    MenuEntry("mnChangeTrack")->trigger();
    EXPECT_EQ(Column(1), (QStringList{"1", "7"}));

    fs::remove(folder / "album" / "b.mp3");
    QTest::mouseClick(w.cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(messages->Texts(),
              (std::vector<std::string>{
                  "Could not save the tags of 'b.mp3': No such file or directory"}));
    EXPECT_TRUE(w.cmdUpdate->isEnabled());
}

TEST_F(TrackListWindowTest, MenuHeadersAndDoubleClickWorkOnTheRows) {
    frmMain& w = *window;
    ClickRow(0);
    MenuEntry("mnTickSel")->trigger();
    EXPECT_EQ(w.lvwTracks->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(w.lvwTracks->topLevelItem(1)->checkState(0), Qt::Unchecked);
    MenuEntry("mnTickAll")->trigger();
    EXPECT_EQ(w.lvwTracks->topLevelItem(1)->checkState(0), Qt::Checked);
    MenuEntry("mnUntickAll")->trigger();
    EXPECT_EQ(w.lvwTracks->topLevelItem(0)->checkState(0), Qt::Unchecked);
    // A tick set by hand reaches the rows the import works on.
    w.lvwTracks->topLevelItem(1)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(w.Tracks().Rows().Rows()[1].Ticked);

    // The order is the list model's; here only that a header click sorts the
    // rows with their ticks: "Filename" after "Length" sorts descending.
    ClickHeader(3);
    ClickHeader(0);
    EXPECT_EQ(Column(0), (QStringList{"b.mp3", "A.mp3"}));
    EXPECT_TRUE(w.Tracks().Rows().Rows()[0].Ticked);

    ClickRow(1);
    QTest::mouseDClick(w.lvwTracks->viewport(), Qt::LeftButton, {},
                       w.lvwTracks->visualItemRect(w.lvwTracks->topLevelItem(1)).center());
    EXPECT_EQ(desktop->opened, (std::vector<std::string>{(folder / "album" / "A.mp3").string()}));
}

}  // namespace
}  // namespace kalvex
