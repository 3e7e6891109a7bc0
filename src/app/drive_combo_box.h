#pragma once

#include <QComboBox>
#include <functional>

#include "cdrom/drive_box.h"
#include "common/message_service.h"

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

// Chooses the SCSI back end and fills the drive box; may throw.
using DriveSelection = std::function<bool(DriveBox&, MessageService&)>;

// Fills the box by `select`; what goes wrong is told as a drive access error.
void FillDriveBox(DriveComboBox& box, const DriveSelection& select, MessageService& messages);

}  // namespace kalvex
