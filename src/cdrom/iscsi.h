#pragma once

#include <cstdint>
#include <string>

namespace kalvex {

// Statuses of ExecCMD besides the SCSI status byte of the device (0 good,
// 2 check condition, ...).
inline constexpr std::int32_t kScsiStatusGood = 0;
inline constexpr std::int32_t kScsiStatusCheckCondition = 2;
// The drive named by the handle could not be opened or does not exist.
inline constexpr std::int32_t kScsiStatusNoDrive = 24;
// The command could not be delivered, timed out, or failed below the device.
inline constexpr std::int32_t kScsiStatusFailed = 255;

// Sends SCSI/MMC command blocks to CD drives. The two back ends (the
// system's pass-through and the ASPI library) implement it, so the rest of
// the program never knows which one is in use. Drives are named by a handle
// text that only the back end understands; callers just pass it back.
class ISCSI {
public:
    virtual ~ISCSI() = default;

    // "SPTI" or "ASPI".
    virtual std::string Interface() const = 0;
    // Sense bytes of the last ExecCMD.
    virtual std::uint8_t LastASCQ() const = 0;
    virtual std::uint8_t LastASC() const = 0;
    virtual std::uint8_t LastSK() const = 0;
    // The back end's driver answers / is present.
    virtual bool Initialized() = 0;
    virtual bool Installed() = 0;
    virtual std::int16_t DriveCount() const = 0;
    // The name the user knows the drive by (a drive letter on Windows).
    virtual std::string DriveChar(const std::string& handle) = 0;
    // The handle of drive `index` (1 = first); empty when there is none.
    virtual std::string DriveHandle(std::int16_t index) const = 0;
    virtual std::uint8_t HostAdapter(const std::string& handle) = 0;
    virtual std::uint8_t TargetID(const std::string& handle) = 0;
    virtual std::uint8_t LUN(const std::string& handle) = 0;
    // Sends one command block and waits for it. `data_out` 0 means data
    // flows from the device into `buffer`. Returns 0 when the command
    // completed with good status.
    virtual std::int32_t ExecCMD(const std::string& handle, const std::uint8_t* cdb,
                                 std::uint8_t cdb_length, std::int32_t data_out, void* buffer,
                                 std::uint32_t buffer_length, std::int16_t timeout_seconds) = 0;
};

}  // namespace kalvex
