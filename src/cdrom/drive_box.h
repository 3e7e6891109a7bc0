#pragma once

#include <string>

namespace kalvex {

// The window's CD drive box as the drive code sees it: a drop-down list whose
// entries carry the back end's 1-based drive index as item data. The window
// implements it with its combo box; the command line and tests with a list.
class DriveBox {
public:
    virtual ~DriveBox() = default;
    // Appends an entry with its text and item data.
    virtual void AddDrive(const std::string& text, int drive_index) = 0;
    // Selects the first entry; returns false when the box is empty.
    virtual bool SelectFirst() = 0;
    // The item data of the selected entry, or 0 when nothing is selected.
    virtual int SelectedDriveIndex() const = 0;
};

}  // namespace kalvex
