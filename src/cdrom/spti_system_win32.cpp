// The pass-through's system calls on Windows: DeviceIoControl on the drive letters.
#ifdef _WIN32

#include <windows.h>
// after windows.h, whose types it uses
#include <ntddscsi.h>

#include "cdrom/spti_system.h"

namespace kalvex {
namespace {

class WindowsSpti : public SptiSystem {
public:
    std::vector<std::string> CdDrives() override {
        std::vector<std::string> drives;
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const std::string root = std::string(1, letter) + ":";
            if (GetDriveTypeA(root.c_str()) == DRIVE_CDROM) {
                drives.emplace_back(1, letter);
            }
        }
        return drives;
    }

    DeviceHandle Open(const std::string& drive) override {
        // Every Windows the program still runs on is NT 5 or later, where
        // pass-through needs read and write access.
        const std::string path = "\\\\.\\" + drive.substr(0, 1) + ":";
        const HANDLE device =
            CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return device == INVALID_HANDLE_VALUE ? kInvalidDevice
                                              : reinterpret_cast<DeviceHandle>(device);
    }

    void Close(DeviceHandle device) override { CloseHandle(reinterpret_cast<HANDLE>(device)); }

    bool GetAddress(DeviceHandle device, ScsiAddress& address) override {
        SCSI_ADDRESS query{};
        query.Length = sizeof query;
        DWORD returned = 0;
        if (!DeviceIoControl(reinterpret_cast<HANDLE>(device), IOCTL_SCSI_GET_ADDRESS, &query,
                             sizeof query, &query, sizeof query, &returned, nullptr)) {
            return false;
        }
        address = {query.PortNumber, query.TargetId, query.Lun};
        return true;
    }

    bool PassThrough(DeviceHandle device, PassThroughRequest& request) override {
        DWORD returned = 0;
        return DeviceIoControl(reinterpret_cast<HANDLE>(device), IOCTL_SCSI_PASS_THROUGH_DIRECT,
                               &request, sizeof request, &request, sizeof request, &returned,
                               nullptr) != 0;
    }
};

}  // namespace

std::unique_ptr<SptiSystem> MakeSystemSpti() {
    return std::make_unique<WindowsSpti>();
}

}  // namespace kalvex

#endif  // _WIN32
