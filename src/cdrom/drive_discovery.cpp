// Finds the CD drives of a back end and lists them by their INQUIRY data.
#include "cdrom/drive_discovery.h"

#include <algorithm>

#include "common/cp1252.h"

namespace kalvex {

std::string DriveEntryText(const std::string& drive_char, const InquiryData& inquiry,
                           int host_adapter, int target, int lun) {
    // Vendor (bytes 8-15), product (16-31) and revision (32-35) run together.
    const std::string identification(inquiry.begin() + 8, inquiry.begin() + 36);
    std::string text = drive_char + ": " + Cp1252ToUtf8(identification) + " (" +
                       std::to_string(host_adapter) + ":" + std::to_string(target) + ":" +
                       std::to_string(lun) + ")";
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}

void EnumerateCdDrives(ISCSI& scsi, DriveBox& box, MessageService& messages, std::int16_t index) {
    const std::string handle = scsi.DriveHandle(index);
    InquiryData inquiry{};
    if (InquiryCommand(scsi, handle, inquiry) != kScsiStatusGood) {
        messages.ShowExclamation("INQUIRY failed for device " + std::to_string(index));
        return;
    }
    box.AddDrive(DriveEntryText(scsi.DriveChar(handle), inquiry, scsi.HostAdapter(handle),
                                scsi.TargetID(handle), scsi.LUN(handle)),
                 index);
}

}  // namespace kalvex
