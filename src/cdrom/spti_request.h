#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cdrom/spti_system.h"

namespace kalvex {

// The pass-through request for one command block: the CDB copied with the
// rest of its 16 bytes zero, data from the device unless `data_out` is
// nonzero (even when no data moves), the time-out, an empty sense buffer.
void FillPassThrough(PassThroughRequest& request, const std::uint8_t* cdb, std::uint8_t cdb_length,
                     std::int32_t data_out, void* buffer, std::uint32_t buffer_length,
                     std::int16_t timeout_seconds);

// ExecCMD's status for a request the system was handed: 255 when the call
// failed or failed below the device, else the device's SCSI status byte.
std::int32_t PassThroughStatus(const PassThroughRequest& request, bool call_succeeded);

// The sense data the system returned (fixed format: key in byte 2, ASC in 12,
// ASCQ in 13), 32 bytes.
const std::uint8_t* PassThroughSense(const PassThroughRequest& request);

// Which drive of the list a handle text names, or -1. Linux handles are
// device paths and must match exactly; Windows handles are drive letters of
// which only the first character counts, in either case.
int MatchDevicePath(const std::vector<std::string>& drives, const std::string& handle);
int MatchDriveLetter(const std::vector<std::string>& drives, const std::string& handle);

}  // namespace kalvex
