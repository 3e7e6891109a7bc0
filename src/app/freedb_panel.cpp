// The FreeDB page: the CDDB server, the album panel, the raw reply and the lookups.
#include "app/freedb_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/page_widgets.h"
#include "controls/twips.h"
#include "freedb/cddb_protocol.h"
#include "id3/genres.h"

namespace kalvex {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int TopTwips(const QWidget* widget) {
    return PixelsToTwips(widget->y());
}

}  // namespace

FreeDbPanel::FreeDbPanel(QFrame* page, QLabel* album_caption) : album_caption_(album_caption) {
    MakeLabel(page, "lblServer", "Server:", LabelAt(120, 120, 900));
    txtServer = MakeEdit(page, "txtServer", {1080, 120, 4050, 315});
    MakeLabel(page, "lblRoot", "URL start:", LabelAt(480, 120, 900));
    txtRoot = MakeEdit(page, "txtRoot", {1080, 480, 2340, 315});
    MakeLabel(page, "lblPort", "Port:", LabelAt(480, 3540, 480));
    txtPort = MakeEdit(page, "txtPort", {4080, 480, 1050, 315});
    cmdTestFreeDB =
        MakeButton(page, "cmdTestFreeDB", "&Test FreeDB connection", {1080, 840, 2340, 375});
    chkDebug = MakeCheck(page, "chkDebug", "Debug", {3540, 900, 1590, 255});

    auto* album = MakeGroup(page, "fraAlbum", "Album", {120, 1320, kPageContentWidth, 1440});
    constexpr int kAlbumField = 1080;
    MakeLabel(album, "lblFArtist", "Artist:", LabelAt(270, 120, 900));
    txtFArtist = MakeEdit(album, "txtFArtist", FieldAt(270, 3810, kAlbumField));
    MakeLabel(album, "lblFAlbum", "Album:", LabelAt(630, 120, 900));
    txtFAlbum = MakeEdit(album, "txtFAlbum", FieldAt(630, 3810, kAlbumField));
    MakeLabel(album, "lblFGenre", "Genre:", LabelAt(990, 120, 900));
    txtFGenre = MakeEdit(album, "txtFGenre", FieldAt(990, 1800, kAlbumField));
    MakeLabel(album, "lblFYear", "Year:", LabelAt(990, 3000, 600));
    txtFYear = MakeEdit(album, "txtFYear", FieldAt(990, 1290, 3600));

    // The raw reply lies under the details list; "Debug" shortens the list to
    // show it.
    txtData = Make<QPlainTextEdit>(page, "txtData", {120, 4260, kPageContentWidth, 1140});
    txtData->setReadOnly(true);
    constexpr int kDiscIdTop = 5460;
    constexpr int kDetailsTop = 2880;
    lstDetails = Make<QListWidget>(
        page, "lstDetails", {120, kDetailsTop, kPageContentWidth, kDiscIdTop - 60 - kDetailsTop});
    MakeLabel(page, "lblDiscID", "Disc ID:", LabelAt(kDiscIdTop, 120, 780));
    txtDiscID = MakeEdit(page, "txtDiscID", {900, kDiscIdTop, 1320, 315});
    MakeLabel(page, "lblCategory", "Category:", LabelAt(kDiscIdTop, 2340, 780));
    cboGenre = Make<QComboBox>(page, "cboGenre", {3120, kDiscIdTop, 2010, 315});
    cboGenre->setEditable(true);
    cboGenre->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& name : GenreNames()) {
        cboGenre->addItem(QString::fromUtf8(name));
    }
    cboGenre->setCurrentIndex(-1);
    cmdLookup = MakeButton(page, "cmdLookup", "&Manually look up CD", {2880, 5850, 2250, 375});
    // Beside the manual lookup, in room the page had to spare.
    cmdLookupFiles =
        MakeButton(page, "cmdLookupFiles", "Look up album by its &files", {120, 5850, 2640, 375});
    cmdLookupFiles->setToolTip(
        "Finds the album of the open folder from its MP3 files, without the disc: the files' "
        "lengths give the disc's table of contents");

    QObject::connect(chkDebug, &QCheckBox::toggled, page,
                     [this](bool ticked) { ShowRawReply(ticked); });
}

void FreeDbPanel::Connect(CdLookup& lookup, Operation run, std::function<ServerAddress()> address) {
    lookup.SetChangeListener([this, &lookup](LookupChange change) { Show(lookup, change); });
    QObject::connect(cmdTestFreeDB, &QPushButton::clicked, cmdTestFreeDB,
                     [&lookup, run, address] { run([&] { lookup.TestConnection(address()); }); });
    QObject::connect(cmdLookup, &QPushButton::clicked, cmdLookup, [this, &lookup, run, address] {
        if (txtDiscID->text().isEmpty()) {
            return;
        }
        run([&] {
            lookup.LookUpManually(cboGenre->currentText().toStdString(), Text(txtDiscID),
                                  address());
        });
    });
}

ServerAddress FreeDbPanel::Address() const {
    return {Text(txtServer), Text(txtRoot), Text(txtPort)};
}

void FreeDbPanel::FillEmptyServerBoxes() {
    const std::pair<QLineEdit*, const char*> boxes[] = {
        {txtServer, kDefaultServer}, {txtRoot, kDefaultRoot}, {txtPort, kDefaultPort}};
    for (const auto& [box, value] : boxes) {
        if (box->text().isEmpty()) {
            box->setText(value);
        }
    }
}

void FreeDbPanel::Show(const CdLookup& lookup, LookupChange change) {
    // Replies end their lines in CR LF; the box wants one line break.
    txtData->setPlainText(FromUtf8(lookup.RawReply()).replace("\r\n", "\n"));
    if (change != LookupChange::kAlbum) {
        return;  // the boxes keep what the user may have corrected
    }
    const AlbumPanel& panel = lookup.Panel();
    txtFArtist->setText(FromUtf8(panel.Artist));
    txtFAlbum->setText(FromUtf8(panel.Album));
    txtFGenre->setText(FromUtf8(panel.Genre));
    txtFYear->setText(FromUtf8(panel.Year));
    lstDetails->clear();
    for (const std::string& line : panel.Details) {
        lstDetails->addItem(FromUtf8(line));
    }
    album_caption_->setText(FromUtf8(panel.Caption));
}

void FreeDbPanel::ShowRawReply(bool shown) {
    const int bottom = shown ? TopTwips(txtData) : TopTwips(txtDiscID);
    const int height = bottom - 60 - TopTwips(lstDetails);
    if (height >= 0) {
        lstDetails->resize(lstDetails->width(), TwipsToPixels(height));
    }
}

}  // namespace kalvex
