#pragma once

#include <functional>
#include <memory>

#include "cdrom/disc_toc.h"
#include "cdrom/drive_box.h"
#include "cdrom/iscsi.h"
#include "common/message_service.h"

namespace kalvex {

inline constexpr const char* kNoInterfaceMessage = "No working interface found!";
// DriveAccessError number when the chosen back end lists no usable drive.
inline constexpr int kNoCdDriveError = 1;

// How the two back ends are made; tests put in their own. A missing factory
// counts as a back end that does not work.
struct ScsiBackends {
    std::function<std::unique_ptr<ISCSI>()> pass_through;
    std::function<std::unique_ptr<ISCSI>()> aspi;
};

// The system's pass-through and the ASPI library of DefaultAspiLibrary().
ScsiBackends SystemScsiBackends();

// Chooses the back end once: the pass-through when it is installed and
// initialised, else ASPI; with neither, tells the user "No working interface
// found!" and returns false. Then adds an entry per drive that answers
// INQUIRY and selects the first. Throws DriveAccessError when no drive could
// be listed, and lets errors of the ASPI library's cdecl caller through; the
// caller reports them as "Error accessing CD drive: <number> - <description>".
bool SelectScsiInterface(DriveBox& box, MessageService& messages);
bool SelectScsiInterface(DriveBox& box, MessageService& messages, const ScsiBackends& backends);

// The chosen back end; nullptr before a successful selection.
ISCSI* CurrentScsiInterface();

// Reads the table of contents of the drive selected in the box into the one
// DiscToc of the program; tells the user and returns false on failure.
bool ReadDiscToc(const DriveBox& box, MessageService& messages);
const DiscToc& CurrentDiscToc();

}  // namespace kalvex
