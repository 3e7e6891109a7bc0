#include "app/drive_combo_box.h"

namespace kalvex {

void DriveComboBox::AddDrive(const std::string& text, int drive_index) {
    addItem(QString::fromUtf8(text), drive_index);
}

bool DriveComboBox::SelectFirst() {
    if (count() == 0) {
        return false;
    }
    setCurrentIndex(0);
    return true;
}

int DriveComboBox::SelectedDriveIndex() const {
    return currentIndex() < 0 ? 0 : currentData().toInt();
}

}  // namespace kalvex
