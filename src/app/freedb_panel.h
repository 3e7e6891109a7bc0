#pragma once

#include <functional>

#include "workflow/cd_lookup.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace kalvex {

// The FreeDB page: the server boxes and the connection test, the album panel
// with the track details, the raw reply under them ("Debug" uncovers it) and
// the manual lookup. The disc caption label outside the page shows the album
// title line.
class FreeDbPanel {
public:
    // Runs one lookup operation between the window's disabling and enabling
    // of its controls.
    using Operation = std::function<void(const std::function<void()>&)>;

    FreeDbPanel(QFrame* page, QLabel* album_caption);

    // Wires the connection test and the manual lookup to `lookup`, and the
    // page to what the lookup shows; `address` gives the server they ask.
    void Connect(CdLookup& lookup, Operation run, std::function<ServerAddress()> address);
    // What the three server boxes hold.
    ServerAddress Address() const;
    // The default server for boxes left empty.
    void FillEmptyServerBoxes();
    // Shows what changed: the raw reply, and for a loaded album the panel.
    void Show(const CdLookup& lookup, LookupChange change);

    QLineEdit* txtServer = nullptr;
    QLineEdit* txtRoot = nullptr;
    QLineEdit* txtPort = nullptr;
    QPushButton* cmdTestFreeDB = nullptr;
    QCheckBox* chkDebug = nullptr;
    QLineEdit* txtFArtist = nullptr;
    QLineEdit* txtFAlbum = nullptr;
    QLineEdit* txtFGenre = nullptr;
    QLineEdit* txtFYear = nullptr;
    QListWidget* lstDetails = nullptr;
    QPlainTextEdit* txtData = nullptr;
    QLineEdit* txtDiscID = nullptr;
    QComboBox* cboGenre = nullptr;
    QPushButton* cmdLookup = nullptr;
    QPushButton* cmdLookupFiles = nullptr;

private:
    void ShowRawReply(bool shown);

    QLabel* album_caption_;
};

}  // namespace kalvex
