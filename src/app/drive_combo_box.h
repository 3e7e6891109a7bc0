#pragma once

#include <QComboBox>

#include "cdrom/drive_box.h"

namespace kalvex {

// The CD drive box: each entry carries its drive index as item data.
class DriveComboBox : public QComboBox, public DriveBox {
    Q_OBJECT
public:
    explicit DriveComboBox(QWidget* parent = nullptr) : QComboBox(parent) {}
    void AddDrive(const std::string& text, int drive_index) override;
    bool SelectFirst() override;
    int SelectedDriveIndex() const override;
};

}  // namespace kalvex
