// The "CD Matches" dialog: the user picks one of several albums.
#include "app/frm_matches.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "controls/twips.h"

namespace kalvex {
namespace {

void PlaceTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                        TwipsToPixels(height));
}

}  // namespace

frmMatches::frmMatches(QWidget* parent) : QDialog(parent) {
    setObjectName("frmMatches");
    setWindowTitle("CD Matches");
    setModal(true);
    setFixedSize(TwipsToPixels(5400), TwipsToPixels(3600));

    lblInfo = new QLabel(
        "Several matches were found for the CD in the drive. Please select one from the list "
        "below:",
        this);
    lblInfo->setObjectName("lblInfo");
    lblInfo->setTextFormat(Qt::PlainText);
    lblInfo->setWordWrap(true);
    PlaceTwips(lblInfo, 120, 120, 5160, 495);

    lstMatches = new QListWidget(this);
    lstMatches->setObjectName("lstMatches");
    PlaceTwips(lstMatches, 120, 720, 5160, 2160);

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    PlaceTwips(OKButton, 2760, 3000, 1200, 375);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    PlaceTwips(CancelButton, 4080, 3000, 1200, 375);

    connect(OKButton, &QPushButton::clicked, this, &frmMatches::OnOk);
    connect(CancelButton, &QPushButton::clicked, this, &frmMatches::reject);
    connect(lstMatches, &QListWidget::itemDoubleClicked, this, &frmMatches::OnOk);
}

void frmMatches::ChooseMatch(const std::vector<std::string>& rows,
                             const std::function<void(int)>& load_match) {
    load_match_ = load_match;
    FillList(rows);
    exec();
    load_match_ = nullptr;
}

void frmMatches::FillList(const std::vector<std::string>& rows) {
    lstMatches->clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        auto* row = new QListWidgetItem(QString::fromUtf8(rows[i]), lstMatches);
        row->setData(Qt::UserRole, static_cast<int>(i));
    }
    lstMatches->setCurrentRow(0);
}

void frmMatches::OnOk() {
    QListWidgetItem* row = lstMatches->currentItem();
    if (loading_ || row == nullptr || !load_match_) {
        return;
    }
    loading_ = true;
    OKButton->setEnabled(false);
    CancelButton->setEnabled(false);
    load_match_(row->data(Qt::UserRole).toInt());
    OKButton->setEnabled(true);
    CancelButton->setEnabled(true);
    loading_ = false;
    accept();
}

void frmMatches::reject() {
    if (!loading_) {
        QDialog::reject();
    }
}

}  // namespace kalvex
