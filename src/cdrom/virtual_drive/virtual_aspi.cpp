// A virtual CD drive behind the two functions of an ASPI library: one drive
// at host adapter 0, target 0, LUN 0 whose disc is the table of contents in
// the file $KALVEX_VIRTUAL_TOC. Like real ASPI libraries it answers execute
// requests "pending", completes them from another thread, writes SRB_Status
// last and then signals the request's event (an eventfd).

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "cdrom/aspi_layout.h"
#include "virtual_drive.h"

namespace {

using namespace kalvex::aspi;
namespace drive = kalvex::virtual_drive;

constexpr std::uint32_t kHostAdapterCount = 1;
constexpr std::streamsize kLargestTocFile = 64 * 1024;

std::optional<std::string> DiscInDrive() {
    const char* path = std::getenv("KALVEX_VIRTUAL_TOC");
    if (path == nullptr || *path == 0) {
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string text(static_cast<size_t>(kLargestTocFile), '\0');
    file.read(text.data(), kLargestTocFile);
    if (file.bad()) {
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(file.gcount()));
    return text;
}

// How long an execute request stays pending: $KALVEX_VIRTUAL_ASPI_DELAY_MS,
// 0 to 1000 ms, well inside any caller's time-out.
int CompletionDelayMilliseconds() {
    const char* text = std::getenv("KALVEX_VIRTUAL_ASPI_DELAY_MS");
    return text == nullptr ? 0 : std::clamp(std::atoi(text), 0, 1000);
}

std::uint8_t AddressStatus(std::uint8_t host_adapter, std::uint8_t target, std::uint8_t lun) {
    if (host_adapter >= kHostAdapterCount) {
        return SS_INVALID_HA;
    }
    return target == 0 && lun == 0 ? SS_COMP : SS_NO_DEVICE;
}

void StoreStatus(std::uint8_t& field, std::uint8_t status) {
    std::atomic_ref<std::uint8_t>(field).store(status, std::memory_order_release);
}

void Complete(SRB_ExecSCSICmd& srb) {
    const size_t cdb_length = std::min<size_t>(srb.SRB_CDBLen, sizeof srb.CDBByte);
    const drive::Reply reply = drive::Execute(srb.CDBByte, cdb_length, DiscInDrive());
    if (srb.SRB_BufPointer != 0 && (srb.SRB_Flags & SRB_DIR_IN) != 0 && !reply.data.empty()) {
        const size_t length = std::min<size_t>(reply.data.size(), srb.SRB_BufLen);
        std::memcpy(reinterpret_cast<void*>(srb.SRB_BufPointer), reply.data.data(), length);
    }
    const std::vector<std::uint8_t> sense = drive::SenseData(reply);
    const size_t sense_length =
        std::min({sense.size(), sizeof srb.SenseArea, size_t{srb.SRB_SenseLen}});
    std::memcpy(srb.SenseArea, sense.data(), sense_length);
    srb.SRB_HaStat = 0;
    srb.SRB_TargStat = reply.target_status;
    StoreStatus(srb.SRB_Status, reply.target_status == 0 ? SS_COMP : SS_ERR);
}

void Signal(int event) {
    if (event >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(event, &one, sizeof one);
        close(event);
    }
}

std::uint32_t Execute(SRB_ExecSCSICmd& srb) {
    const std::uint8_t address = AddressStatus(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (address != SS_COMP) {
        StoreStatus(srb.SRB_Status, address);
        return address;
    }
    // Our own copy of the event: the caller may close its descriptor as soon
    // as it sees the status, before the signal arrives.
    int event = -1;
    if ((srb.SRB_Flags & SRB_EVENT_NOTIFY) != 0 && srb.SRB_PostProc != 0) {
        event = dup(static_cast<int>(srb.SRB_PostProc));
    }
    const int delay = CompletionDelayMilliseconds();
    try {
        std::thread([&srb, event, delay] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            Complete(srb);
            Signal(event);
        }).detach();
    } catch (const std::system_error&) {
        Complete(srb);
        Signal(event);
        return srb.SRB_Status;
    }
    return SS_PENDING;
}

template <typename Block>
std::uint32_t AnswerDeviceQuery(Block& block, std::uint8_t& status_field) {
    const std::uint8_t status = AddressStatus(block.SRB_HaId, block.SRB_Target, block.SRB_Lun);
    StoreStatus(status_field, status);
    return status;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) std::uint32_t GetASPI32SupportInfo() {
    return (std::uint32_t{SS_COMP} << 8) | kHostAdapterCount;
}

__attribute__((visibility("default"))) std::uint32_t SendASPI32Command(void* request) {
    if (request == nullptr) {
        return SS_ERR;
    }
    switch (static_cast<std::uint8_t*>(request)[0]) {
        case SC_GET_DEV_TYPE: {
            auto& block = *static_cast<SRB_GDEVBlock*>(request);
            if (AddressStatus(block.SRB_HaId, block.SRB_Target, block.SRB_Lun) == SS_COMP) {
                block.SRB_DeviceType = kDeviceTypeCdRom;
            }
            return AnswerDeviceQuery(block, block.SRB_Status);
        }
        case SC_GET_DISK_INFO: {
            auto& block = *static_cast<SRB_GetDiskInfo*>(request);
            if (AddressStatus(block.SRB_HaId, block.SRB_Target, block.SRB_Lun) == SS_COMP) {
                block.SRB_Int13HDriveInfo = drive::kDriveNumber;
            }
            return AnswerDeviceQuery(block, block.SRB_Status);
        }
        case SC_EXEC_SCSI_CMD:
            return Execute(*static_cast<SRB_ExecSCSICmd*>(request));
        default:
            StoreStatus(static_cast<std::uint8_t*>(request)[1], SS_INVALID_CMD);
            return SS_INVALID_CMD;
    }
}

}  // extern "C"
