#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cdrom/spti_system.h"

namespace kalvex::test {

// A pass-through system with no devices behind it: tests say which drives
// exist, which refuse to open, and how each request is answered. The state
// is shared so the test can still look at it after clsSPTI took ownership.
struct FakeSptiState {
    struct Sent {
        sg_io_hdr_t header;
        std::vector<std::uint8_t> cdb;  // all 16 bytes of the request's CDB
    };

    std::vector<std::string> drives;
    std::set<std::string> refused;
    std::map<std::string, ScsiAddress> addresses;
    // Fills the reply into the request; false makes the ioctl fail.
    std::function<bool(const std::string& drive, PassThroughRequest&)> answer =
        [](const std::string&, PassThroughRequest&) { return true; };

    std::vector<Sent> sent;
    int opened = 0;
    int closed = 0;
};

class FakeSpti : public SptiSystem {
public:
    explicit FakeSpti(std::shared_ptr<FakeSptiState> state) : state_(std::move(state)) {}

    std::vector<std::string> CdDrives() override { return state_->drives; }
    DeviceHandle Open(const std::string& drive) override {
        const auto& drives = state_->drives;
        const auto found = std::find(drives.begin(), drives.end(), drive);
        if (state_->refused.count(drive) != 0 || found == drives.end()) {
            return kInvalidDevice;
        }
        ++state_->opened;
        return 100 + (found - drives.begin());
    }
    void Close(DeviceHandle) override { ++state_->closed; }
    bool GetAddress(DeviceHandle device, ScsiAddress& address) override {
        const auto found = state_->addresses.find(Drive(device));
        if (found != state_->addresses.end()) {
            address = found->second;
        }
        return found != state_->addresses.end();
    }
    bool PassThrough(DeviceHandle device, PassThroughRequest& request) override {
        const auto* cdb = static_cast<const std::uint8_t*>(request.header.cmdp);
        state_->sent.push_back({request.header, {cdb, cdb + 16}});
        return state_->answer(Drive(device), request);
    }

private:
    std::string Drive(DeviceHandle device) const {
        return state_->drives.at(static_cast<size_t>(device - 100));
    }
    std::shared_ptr<FakeSptiState> state_;
};

// Sets the reply of a request that completed with a status byte and, for a
// check condition, fixed-format sense data.
inline void Reply(PassThroughRequest& request, std::uint8_t status, std::uint8_t key = 0,
                  std::uint8_t asc = 0, std::uint8_t ascq = 0) {
    request.header.status = status;
    if (status == 2) {
        auto* sense = static_cast<std::uint8_t*>(request.header.sbp);
        sense[0] = 0x70;
        sense[2] = key;
        sense[12] = asc;
        sense[13] = ascq;
        request.header.sb_len_wr = 18;
        request.header.driver_status = 0x08;
    }
}

// Copies reply bytes into the request's data buffer.
inline void ReplyData(PassThroughRequest& request, const std::vector<std::uint8_t>& data) {
    std::memcpy(request.header.dxferp, data.data(),
                std::min<size_t>(data.size(), request.header.dxfer_len));
}

}  // namespace kalvex::test
