#pragma once

#include <QComboBox>

#include "cdrom/drive_box.h"

namespace kalvex {

// The CD drive box: each entry carries its drive index as item data. An
// entry (vendor, product, revision and address) is often wider than the box:
// the list that drops down is as wide as the longest entry, and the closed
// box shortens the middle of its entry, so the drive letter and the address
// stay visible; the tooltip gives the whole entry.
class DriveComboBox : public QComboBox, public DriveBox {
    Q_OBJECT
public:
    explicit DriveComboBox(QWidget* parent = nullptr);
    void AddDrive(const std::string& text, int drive_index) override;
    bool SelectFirst() override;
    int SelectedDriveIndex() const override;

    // The selected entry as the closed box shows it.
    QString DisplayedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kalvex
