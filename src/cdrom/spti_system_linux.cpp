// The pass-through's system calls on Linux: the CD devices and SG_IO.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "cdrom/spti_system.h"

namespace kalvex {
namespace {

// "sr12" -> 12; -1 for any other name.
int SrNumber(const std::string& name) {
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0 || name.size() > 6) {
        return -1;
    }
    int number = 0;
    for (size_t i = 2; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return -1;
        }
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

class LinuxSpti : public SptiSystem {
public:
    std::vector<std::string> CdDrives() override {
        std::vector<std::pair<int, std::string>> found;
        if (DIR* dev = opendir("/dev")) {
            while (const dirent* entry = readdir(dev)) {
                const int number = SrNumber(entry->d_name);
                if (number >= 0) {
                    found.emplace_back(number, std::string("/dev/") + entry->d_name);
                }
            }
            closedir(dev);
        }
        std::sort(found.begin(), found.end());
        std::vector<std::string> drives;
        for (const auto& [number, path] : found) {
            const DeviceHandle device = Open(path);
            if (device == kInvalidDevice) {
                continue;
            }
            // Any answer but an error means the driver is a CD driver.
            if (ioctl(static_cast<int>(device), CDROM_GET_CAPABILITY, 0) >= 0) {
                drives.push_back(path);
            }
            Close(device);
        }
        return drives;
    }

    DeviceHandle Open(const std::string& drive) override {
        // O_NONBLOCK lets a drive without a disc (or with its tray open) open.
        const int fd = open(drive.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        return fd < 0 ? kInvalidDevice : fd;
    }

    void Close(DeviceHandle device) override {
        if (device != kInvalidDevice) {
            close(static_cast<int>(device));
        }
    }

    bool GetAddress(DeviceHandle device, ScsiAddress& address) override {
        struct {
            std::uint32_t id_lun;
            std::uint32_t host_unique_id;
        } idlun{};
        if (ioctl(static_cast<int>(device), SCSI_IOCTL_GET_IDLUN, &idlun) < 0) {
            return false;
        }
        address = DecodeIdLun(idlun.id_lun);
        return true;
    }

    bool PassThrough(DeviceHandle device, PassThroughRequest& request) override {
        return ioctl(static_cast<int>(device), SG_IO, &request.header) >= 0;
    }
};

}  // namespace

std::unique_ptr<SptiSystem> MakeSystemSpti() {
    return std::make_unique<LinuxSpti>();
}

}  // namespace kalvex

#endif  // !_WIN32
