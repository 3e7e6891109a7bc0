// The drive commands (INQUIRY, TEST UNIT READY, READ TOC) and reading a disc's TOC.
#include "cdrom/drive_commands.h"

#include "cdrom/mmc_commands.h"

namespace kalvex {
namespace {

constexpr std::array<std::uint8_t, 6> kInquiryCdb = {0x12, 0, 0, 0, kInquiryLength, 0};

}  // namespace

std::int32_t InquiryCommand(ISCSI& scsi, const std::string& handle, InquiryData& buffer) {
    return scsi.ExecCMD(handle, kInquiryCdb.data(), kInquiryCdb.size(), 0, buffer.data(),
                        buffer.size(), kDriveCommandTimeoutSeconds);
}

std::int32_t TestUnitReady(ISCSI& scsi, const std::string& handle) {
    const auto cdb = TestUnitReadyCdb();
    return scsi.ExecCMD(handle, cdb.data(), cdb.size(), 0, nullptr, 0, kDriveCommandTimeoutSeconds);
}

std::int32_t ReadTocCommand(ISCSI& scsi, const std::string& handle, bool msf, DiscToc& buffer) {
    const auto cdb = ReadTocCdb(msf);
    return scsi.ExecCMD(handle, cdb.data(), cdb.size(), 0, buffer.bytes.data(), buffer.bytes.size(),
                        kDriveCommandTimeoutSeconds);
}

bool TocReplyComplete(const DiscToc& reply) {
    if (TocProblem(reply)) {
        return false;
    }
    // The data length counts the bytes after itself: two header bytes and
    // the descriptors, the lead-out's included.
    const size_t data_length = (size_t{reply.bytes[0]} << 8) | reply.bytes[1];
    const size_t needed = 2 + 8 * static_cast<size_t>(TrackCount(reply) + 1);
    return data_length >= needed;
}

bool ReadDiscToc(ISCSI* scsi, const DriveBox& box, MessageService& messages, DiscToc& toc) {
    const std::string handle =
        scsi == nullptr ? std::string()
                        : scsi->DriveHandle(static_cast<std::int16_t>(box.SelectedDriveIndex()));
    if (scsi == nullptr || TestUnitReady(*scsi, handle) != kScsiStatusGood) {
        messages.ShowExclamation(kNoDiscMessage);
        return false;
    }
    // A fresh buffer: a short reply must not leave an older disc's
    // descriptors behind its own.
    DiscToc reply;
    if (ReadTocCommand(*scsi, handle, true, reply) != kScsiStatusGood || !TocReplyComplete(reply)) {
        messages.ShowExclamation(kTocErrorMessage);
        return false;
    }
    toc = reply;
    return true;
}

}  // namespace kalvex
