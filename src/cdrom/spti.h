#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cdrom/iscsi.h"
#include "cdrom/spti_system.h"

namespace kalvex {

// ISCSI on the operating system's own SCSI pass-through (SG_IO on Linux,
// IOCTL_SCSI_PASS_THROUGH_DIRECT on Windows). The drive list is taken once at
// construction; the devices are opened together at the first use and stay
// open for the life of the object, so a drive that fails to open then stays
// unusable. Handles are device paths on Linux and drive letters on Windows.
class clsSPTI : public ISCSI {
public:
    explicit clsSPTI(std::unique_ptr<SptiSystem> system = MakeSystemSpti());
    ~clsSPTI() override;
    clsSPTI(const clsSPTI&) = delete;
    clsSPTI& operator=(const clsSPTI&) = delete;

    std::string Interface() const override { return "SPTI"; }
    std::uint8_t LastASCQ() const override { return last_ascq_; }
    std::uint8_t LastASC() const override { return last_asc_; }
    std::uint8_t LastSK() const override { return last_sk_; }
    bool Initialized() override { return true; }
    // Whether the first drive opens; false when there is no drive at all.
    bool Installed() override;
    std::int16_t DriveCount() const override;
    std::string DriveChar(const std::string& handle) override { return handle; }
    std::string DriveHandle(std::int16_t index) const override;
    std::uint8_t HostAdapter(const std::string& handle) override { return Address(handle).host; }
    std::uint8_t TargetID(const std::string& handle) override { return Address(handle).target; }
    std::uint8_t LUN(const std::string& handle) override { return Address(handle).lun; }
    std::int32_t ExecCMD(const std::string& handle, const std::uint8_t* cdb,
                         std::uint8_t cdb_length, std::int32_t data_out, void* buffer,
                         std::uint32_t buffer_length, std::int16_t timeout_seconds) override;

private:
    // The open device of a handle text, kInvalidDevice when it has none.
    DeviceHandle DeviceOf(const std::string& handle);
    ScsiAddress Address(const std::string& handle);

    std::unique_ptr<SptiSystem> system_;
    std::vector<std::string> drives_;
    std::vector<DeviceHandle> devices_;
    bool devices_opened_ = false;
    std::uint8_t last_sk_ = 0;
    std::uint8_t last_asc_ = 0;
    std::uint8_t last_ascq_ = 0;
};

}  // namespace kalvex
