// The two real SCSI back ends, and the drive box filled through them.
#include "cdrom/aspi.h"
#include "cdrom/scsi_interface.h"
#include "cdrom/spti.h"

namespace kalvex {

ScsiBackends SystemScsiBackends() {
    return {[] { return std::make_unique<clsSPTI>(); }, [] { return std::make_unique<clsASPI>(); }};
}

bool SelectScsiInterface(DriveBox& box, MessageService& messages) {
    return SelectScsiInterface(box, messages, SystemScsiBackends());
}

}  // namespace kalvex
