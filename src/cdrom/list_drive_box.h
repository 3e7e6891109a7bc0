#pragma once

#include <string>
#include <vector>

#include "cdrom/drive_box.h"

namespace kalvex {

// A drive box without a window: the command line's and the tests'.
class ListDriveBox : public DriveBox {
public:
    struct Entry {
        std::string text;
        int drive_index;
    };

    void AddDrive(const std::string& text, int drive_index) override {
        entries_.push_back({text, drive_index});
    }
    bool SelectFirst() override {
        selected_ = entries_.empty() ? 0 : entries_.front().drive_index;
        return !entries_.empty();
    }
    int SelectedDriveIndex() const override { return selected_; }

    // Selects the entry whose item data is `drive_index`; false when none.
    bool SelectDrive(int drive_index) {
        for (const Entry& entry : entries_) {
            if (entry.drive_index == drive_index) {
                selected_ = drive_index;
                return true;
            }
        }
        return false;
    }
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
    int selected_ = 0;
};

}  // namespace kalvex
