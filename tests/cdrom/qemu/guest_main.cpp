// Runs inside the QEMU guest as the one program of its initramfs: chooses the
// pass-through interface as the program does, lists the drives and reads
// each drive's state and table of contents. The host side compares the
// "KALVEX-" lines with what the virtual machine was given.
#include <grp.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

int main(int argc, char** argv) {
    // "--as-uid N": first give up root for user N without groups.
    if (argc == 3 && std::strcmp(argv[1], "--as-uid") == 0) {
        const auto id = static_cast<uid_t>(std::atoi(argv[2]));
        if (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0 || getuid() == 0) {
            std::printf("KALVEX-ERROR cannot become user %s\n", argv[2]);
            return 1;
        }
    }
    try {
        return Run();
    } catch (const std::exception& error) {
        std::printf("KALVEX-ERROR %s\n", error.what());
        return 1;
    }
}
