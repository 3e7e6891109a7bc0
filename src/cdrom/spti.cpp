// The pass-through back end: SCSI command blocks through the operating system (SG_IO on Linux).
#include "cdrom/spti.h"

#include "cdrom/spti_request.h"

namespace kalvex {

clsSPTI::clsSPTI(std::unique_ptr<SptiSystem> system)
    : system_(std::move(system)), drives_(system_->CdDrives()) {}

clsSPTI::~clsSPTI() {
    for (const DeviceHandle device : devices_) {
        if (device != kInvalidDevice) {
            system_->Close(device);
        }
    }
}

bool clsSPTI::Installed() {
    return !drives_.empty() && DeviceOf(drives_.front()) != kInvalidDevice;
}

std::int16_t clsSPTI::DriveCount() const {
    return static_cast<std::int16_t>(drives_.size());
}

std::string clsSPTI::DriveHandle(std::int16_t index) const {
    if (index < 1 || index > DriveCount()) {
        return {};
    }
    return drives_[static_cast<size_t>(index - 1)];
}

DeviceHandle clsSPTI::DeviceOf(const std::string& handle) {
    if (!devices_opened_) {
        devices_opened_ = true;
        for (const std::string& drive : drives_) {
            devices_.push_back(system_->Open(drive));
        }
    }
#ifdef _WIN32
    const int slot = MatchDriveLetter(drives_, handle);
#else
    const int slot = MatchDevicePath(drives_, handle);
#endif
    return slot < 0 ? kInvalidDevice : devices_[static_cast<size_t>(slot)];
}

ScsiAddress clsSPTI::Address(const std::string& handle) {
    const DeviceHandle device = DeviceOf(handle);
    ScsiAddress address;
    if (device == kInvalidDevice || !system_->GetAddress(device, address)) {
        return {};
    }
    return address;
}

std::int32_t clsSPTI::ExecCMD(const std::string& handle, const std::uint8_t* cdb,
                              std::uint8_t cdb_length, std::int32_t data_out, void* buffer,
                              std::uint32_t buffer_length, std::int16_t timeout_seconds) {
    const DeviceHandle device = DeviceOf(handle);
    if (device == kInvalidDevice) {
        return kScsiStatusNoDrive;
    }
    PassThroughRequest request;
    FillPassThrough(request, cdb, cdb_length, data_out, buffer, buffer_length, timeout_seconds);
    const bool delivered = system_->PassThrough(device, request);
    const std::uint8_t* sense = PassThroughSense(request);
    last_sk_ = sense[2];
    last_asc_ = sense[12];
    last_ascq_ = sense[13];
    return PassThroughStatus(request, delivered);
}

}  // namespace kalvex
