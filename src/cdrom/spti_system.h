#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// after windows.h, whose types it uses
#include <ntddscsi.h>
#else
#include <scsi/sg.h>
#endif

namespace kalvex {

// An open CD device: a file descriptor on Linux, a HANDLE on Windows.
using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kInvalidDevice = -1;

#ifdef _WIN32
// SCSI_PASS_THROUGH_DIRECT followed by room for the sense data the system
// writes at SenseInfoOffset.
struct PassThroughRequest {
    SCSI_PASS_THROUGH_DIRECT sptd;
    ULONG filler;
    UCHAR sense[36];
};
#else
// The SG_IO request; its sense pointer leads into `sense`.
struct PassThroughRequest {
    sg_io_hdr_t header;
    std::uint8_t cdb[16];
    std::uint8_t sense[32];
};
#endif

struct ScsiAddress {
    std::uint8_t host = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
};

// The word SCSI_IOCTL_GET_IDLUN answers: target in bits 0-7, LUN 8-15,
// channel 16-23, host 24-31.
ScsiAddress DecodeIdLun(std::uint32_t id_lun);

// The operating-system calls of the pass-through back end, behind one seam so
// tests can stand in a device that is not there.
class SptiSystem {
public:
    virtual ~SptiSystem() = default;
    // The CD drives, in the system's order: Linux devices /dev/srN that open
    // and answer CDROM_GET_CAPABILITY; Windows letters of drive type 5.
    virtual std::vector<std::string> CdDrives() = 0;
    // Opens a drive from CdDrives(); kInvalidDevice when refused.
    virtual DeviceHandle Open(const std::string& drive) = 0;
    virtual void Close(DeviceHandle device) = 0;
    virtual bool GetAddress(DeviceHandle device, ScsiAddress& address) = 0;
    // Hands the request to the system; false when the call itself failed.
    virtual bool PassThrough(DeviceHandle device, PassThroughRequest& request) = 0;
};

// The real system calls of this platform.
std::unique_ptr<SptiSystem> MakeSystemSpti();

}  // namespace kalvex
