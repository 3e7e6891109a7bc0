#pragma once

#include <cstdint>
#include <string>

#include "cdrom/drive_box.h"
#include "cdrom/drive_commands.h"
#include "cdrom/iscsi.h"
#include "common/message_service.h"

namespace kalvex {

// "<drive>: <vendor><product><revision> (<adapter>:<target>:<lun>)": the
// three INQUIRY fields as they stand, blanks included, NULs removed.
std::string DriveEntryText(const std::string& drive_char, const InquiryData& inquiry,
                           int host_adapter, int target, int lun);

// Sends INQUIRY to drive `index` and adds its entry to the box with the index
// as item data; tells the user "INQUIRY failed for device <index>" instead
// when the drive does not answer.
void EnumerateCdDrives(ISCSI& scsi, DriveBox& box, MessageService& messages, std::int16_t index);

}  // namespace kalvex
