// Runs inside the QEMU guest as the one program of its initramfs: chooses the
// pass-through interface as the program does, lists the drives and reads
// each drive's state and table of contents. The host side compares the
// "KALVEX-" lines with what the virtual machine was given.
#include <cstdio>
#include <exception>
#include <memory>

#include "cdrom/disc_id.h"
#include "cdrom/drive_commands.h"
#include "cdrom/list_drive_box.h"
#include "cdrom/scsi_interface.h"
#include "cdrom/spti.h"
#include "cdrom/toc_text.h"

namespace {

using namespace kalvex;

void PrintNewMessages(const CollectingMessageService& messages, size_t& shown) {
    const std::vector<std::string> texts = messages.Texts();
    for (; shown < texts.size(); ++shown) {
        std::printf("KALVEX-MESSAGE %s\n", texts[shown].c_str());
    }
}

int Run() {
    ListDriveBox box;
    CollectingMessageService messages;
    size_t shown = 0;
    // Only the pass-through: there is no ASPI library to fall back to here.
    const ScsiBackends pass_through_only{[] { return std::make_unique<clsSPTI>(); }, nullptr};
    const bool selected = SelectScsiInterface(box, messages, pass_through_only);
    PrintNewMessages(messages, shown);
    if (!selected) {
        return 1;
    }
    ISCSI& scsi = *CurrentScsiInterface();
    std::printf("KALVEX-INTERFACE %s\n", scsi.Interface().c_str());
    for (const ListDriveBox::Entry& entry : box.Entries()) {
        std::printf("KALVEX-ENTRY %d %s\n", entry.drive_index, entry.text.c_str());
    }
    for (const ListDriveBox::Entry& entry : box.Entries()) {
        const int index = entry.drive_index;
        const std::int32_t status =
            TestUnitReady(scsi, scsi.DriveHandle(static_cast<std::int16_t>(index)));
        std::printf("KALVEX-TUR %d %d %02X/%02X/%02X\n", index, status, scsi.LastSK(),
                    scsi.LastASC(), scsi.LastASCQ());
        box.SelectDrive(index);
        if (ReadDiscToc(box, messages)) {
            std::printf("KALVEX-TOC %d %s\n", index, FormatTocText(CurrentDiscToc()).c_str());
            std::printf("KALVEX-DISCID %d %s\n", index, ComputeDiscId(CurrentDiscToc()).c_str());
        }
        PrintNewMessages(messages, shown);
    }
    return 0;
}

}  // namespace

int main() {
    try {
        return Run();
    } catch (const std::exception& error) {
        std::printf("KALVEX-ERROR %s\n", error.what());
        return 1;
    }
}
