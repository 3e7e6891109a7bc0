// Chooses the SCSI back end (pass-through first, ASPI as the fall-back) and fills the drive box.
#include "cdrom/scsi_interface.h"

#include "cdrom/drive_commands.h"
#include "cdrom/drive_discovery.h"
#include "cdrom/drive_error.h"

namespace kalvex {
namespace {

// The program's one back end and one table of contents.
std::unique_ptr<ISCSI>& CurrentBackend() {
    static std::unique_ptr<ISCSI> backend;
    return backend;
}

DiscToc& ModuleDiscToc() {
    static DiscToc toc;
    return toc;
}

std::unique_ptr<ISCSI> MakeWorking(const std::function<std::unique_ptr<ISCSI>()>& factory) {
    if (!factory) {
        return nullptr;
    }
    std::unique_ptr<ISCSI> backend = factory();
    // Both are asked, as either may be the one that is false.
    const bool installed = backend != nullptr && backend->Installed();
    const bool initialized = backend != nullptr && backend->Initialized();
    return installed && initialized ? std::move(backend) : nullptr;
}

}  // namespace

bool SelectScsiInterface(DriveBox& box, MessageService& messages, const ScsiBackends& backends) {
    std::unique_ptr<ISCSI>& current = CurrentBackend();
    current.reset();
    std::unique_ptr<ISCSI> chosen = MakeWorking(backends.pass_through);
    if (chosen == nullptr) {
        chosen = MakeWorking(backends.aspi);
    }
    if (chosen == nullptr) {
        messages.ShowExclamation(kNoInterfaceMessage);
        return false;
    }
    current = std::move(chosen);
    // The powers of two behind ShiftLeft32 are a constant table, ready before
    // any drive is touched.
    const std::int16_t count = current->DriveCount();
    for (std::int16_t index = 1; index <= count; ++index) {
        EnumerateCdDrives(*current, box, messages, index);
    }
    if (!box.SelectFirst()) {
        throw DriveAccessError(kNoCdDriveError,
                               current->Interface() + " found no CD drive that answers INQUIRY");
    }
    return true;
}

ISCSI* CurrentScsiInterface() {
    return CurrentBackend().get();
}

bool ReadDiscToc(const DriveBox& box, MessageService& messages) {
    return ReadDiscToc(CurrentScsiInterface(), box, messages, ModuleDiscToc());
}

const DiscToc& CurrentDiscToc() {
    return ModuleDiscToc();
}

}  // namespace kalvex
