// Builds one pass-through request and reads its outcome.
#include "cdrom/spti_request.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kalvex {

#ifdef _WIN32

void FillPassThrough(PassThroughRequest& request, const std::uint8_t* cdb, std::uint8_t cdb_length,
                     std::int32_t data_out, void* buffer, std::uint32_t buffer_length,
                     std::int16_t timeout_seconds) {
    std::memset(&request, 0, sizeof request);
    SCSI_PASS_THROUGH_DIRECT& sptd = request.sptd;
    sptd.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    sptd.CdbLength = std::min<std::uint8_t>(cdb_length, sizeof sptd.Cdb);
    sptd.SenseInfoLength = 31;
    sptd.DataIn = data_out == 0 ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
    sptd.DataTransferLength = buffer_length;
    sptd.TimeOutValue = static_cast<ULONG>(timeout_seconds);
    sptd.DataBuffer = buffer;
    sptd.SenseInfoOffset = offsetof(PassThroughRequest, sense);
    std::memcpy(sptd.Cdb, cdb, sptd.CdbLength);
}

std::int32_t PassThroughStatus(const PassThroughRequest& request, bool call_succeeded) {
    return call_succeeded ? request.sptd.ScsiStatus : 255;
}

const std::uint8_t* PassThroughSense(const PassThroughRequest& request) {
    return request.sense;
}

#else

void FillPassThrough(PassThroughRequest& request, const std::uint8_t* cdb, std::uint8_t cdb_length,
                     std::int32_t data_out, void* buffer, std::uint32_t buffer_length,
                     std::int16_t timeout_seconds) {
    std::memset(&request, 0, sizeof request);
    const std::uint8_t length = std::min<std::uint8_t>(cdb_length, sizeof request.cdb);
    std::memcpy(request.cdb, cdb, length);
    sg_io_hdr_t& header = request.header;
    header.interface_id = 'S';
    header.dxfer_direction = data_out == 0 ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
    header.cmd_len = length;
    header.mx_sb_len = sizeof request.sense;
    header.dxfer_len = buffer_length;
    header.dxferp = buffer;
    header.cmdp = request.cdb;
    header.sbp = request.sense;
    header.timeout = static_cast<unsigned>(std::max<std::int16_t>(timeout_seconds, 0)) * 1000u;
}

std::int32_t PassThroughStatus(const PassThroughRequest& request, bool call_succeeded) {
    if (!call_succeeded) {
        return 255;
    }
    const sg_io_hdr_t& header = request.header;
    // The driver byte is the low nibble; DRIVER_SENSE (8) only says that
    // sense data came back, which the status byte reports on its own.
    const unsigned driver = header.driver_status & 0x0F;
    const bool below_device = header.host_status != 0 || (driver != 0 && driver != 8);
    if (header.status == 0 && below_device) {
        return 255;
    }
    return header.status;
}

const std::uint8_t* PassThroughSense(const PassThroughRequest& request) {
    return request.sense;
}

#endif

ScsiAddress DecodeIdLun(std::uint32_t id_lun) {
    return {static_cast<std::uint8_t>(id_lun >> 24), static_cast<std::uint8_t>(id_lun & 0xFF),
            static_cast<std::uint8_t>((id_lun >> 8) & 0xFF)};
}

int MatchDevicePath(const std::vector<std::string>& drives, const std::string& handle) {
    const auto found = std::find(drives.begin(), drives.end(), handle);
    return found == drives.end() ? -1 : static_cast<int>(found - drives.begin());
}

int MatchDriveLetter(const std::vector<std::string>& drives, const std::string& handle) {
    if (handle.empty()) {
        return -1;
    }
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(handle[0])));
    for (size_t i = 0; i < drives.size(); ++i) {
        if (!drives[i].empty() &&
            std::toupper(static_cast<unsigned char>(drives[i][0])) == letter) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace kalvex
