// The ASPI back end: SCSI command blocks through an ASPI library called by cdecl.
#include "cdrom/aspi.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
// after windows.h, whose types it uses
#include <ntddscsi.h>
#endif

#include "cdrom/aspi_event.h"
#include "cdrom/aspi_layout.h"

namespace kalvex {
namespace {

using namespace aspi;

constexpr const char* kSupportInfo = "GetASPI32SupportInfo";
constexpr const char* kSendCommand = "SendASPI32Command";

// One request block, cleared to its full size, read through whichever layout
// the command uses.
union RequestBlock {
    SRB_GDEVBlock device_type;
    SRB_GetDiskInfo disk_info;
    SRB_ExecSCSICmd exec;
    std::uint8_t bytes[kRequestSize];
};

std::intptr_t AddressOf(void* block) {
    return reinterpret_cast<std::intptr_t>(block);
}

// The library writes SRB_Status from its own thread when it completes late.
std::uint8_t LoadStatus(std::uint8_t& status) {
    return std::atomic_ref<std::uint8_t>(status).load(std::memory_order_acquire);
}

}  // namespace

// One execute request with everything the library may touch until it
// completes: the block, the data the block points at and the event it names.
// The caller's own buffer is never handed to the library.
struct clsASPI::Request {
    RequestBlock block{};
    std::vector<std::uint8_t> data;
    AspiEvent event;

    // True once the library has set SRB_Status, false when the time ran out
    // first. The status decides, not the event: the previous request on
    // this event may signal after its status was seen.
    bool AwaitCompletion(int milliseconds) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            if (LoadStatus(block.exec.SRB_Status) != SS_PENDING) {
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            if (event.Wait(static_cast<int>(left.count()))) {
                // A signal always follows the status, so one that arrives
                // after this reset is seen by the next wait.
                event.Reset();
            }
        }
    }
};

std::string DefaultAspiLibrary() {
    if (const char* named = std::getenv("KALVEX_ASPI_LIBRARY"); named != nullptr && *named != 0) {
        return named;
    }
#ifdef _WIN32
    return "WNASPI32.DLL";
#else
    constexpr const char* kLibrary = "libwnaspi32.so";
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto beside = program.parent_path() / kLibrary;
        if (std::filesystem::exists(beside, error)) {
            return beside.string();
        }
    }
    return kLibrary;
#endif
}

clsASPI::clsASPI(AspiOptions options)
    : options_(std::move(options)), library_(options_.library_calls) {
    installed_ = library_.DllLoad(options_.library);
    if (installed_) {
        EnumerateDevices();
    }
}

clsASPI::~clsASPI() {
    library_.DllUnload();
}

std::string clsASPI::MakeHandle(std::uint8_t host_adapter, std::uint8_t target, std::uint8_t lun) {
    return {static_cast<char>(host_adapter), static_cast<char>(target), static_cast<char>(lun)};
}

std::uint8_t clsASPI::HandleByte(const std::string& handle, size_t position) {
    return position < handle.size() ? static_cast<std::uint8_t>(handle[position]) : 0;
}

std::uint32_t clsASPI::SupportInfo() {
    return static_cast<std::uint32_t>(library_.CallFunc(kSupportInfo, {}));
}

bool clsASPI::Initialized() {
    return installed_ && ((SupportInfo() >> 8) & 0xFF) == SS_COMP;
}

void clsASPI::EnumerateDevices() {
    // Host adapters 0 up to and including the count; one beyond the last
    // adapter answers "invalid host adapter" and adds nothing.
    const int adapters = static_cast<int>(SupportInfo() & 0xFF);
    for (int host = 0; host <= adapters; ++host) {
        for (int target = 0; target < 8; ++target) {
            for (int lun = 0; lun < 8; ++lun) {
                RequestBlock block{};
                block.device_type.SRB_Cmd = SC_GET_DEV_TYPE;
                block.device_type.SRB_HaId = static_cast<std::uint8_t>(host);
                block.device_type.SRB_Target = static_cast<std::uint8_t>(target);
                block.device_type.SRB_Lun = static_cast<std::uint8_t>(lun);
                library_.CallFunc(kSendCommand, {AddressOf(&block)});
                if (block.device_type.SRB_Status == SS_COMP &&
                    block.device_type.SRB_DeviceType == kDeviceTypeCdRom) {
                    devices_.push_back(MakeHandle(static_cast<std::uint8_t>(host),
                                                  static_cast<std::uint8_t>(target),
                                                  static_cast<std::uint8_t>(lun)));
                }
            }
        }
    }
}

std::string clsASPI::DriveHandle(std::int16_t index) const {
    if (index < 1 || index > DriveCount()) {
        return {};
    }
    return devices_[static_cast<size_t>(index - 1)];
}

#ifdef _WIN32

// The letter whose device answers the address query with this adapter,
// target and LUN; a later match replaces an earlier one; empty when none.
std::string clsASPI::DriveChar(const std::string& handle) {
    std::string letter;
    for (char drive = 'A'; drive <= 'Z'; ++drive) {
        const std::string root = std::string(1, drive) + ":";
        if (GetDriveTypeA(root.c_str()) != DRIVE_CDROM) {
            continue;
        }
        const std::string path = "\\\\.\\" + root;
        const HANDLE device = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (device == INVALID_HANDLE_VALUE) {
            continue;
        }
        SCSI_ADDRESS address{};
        address.Length = sizeof address;
        DWORD returned = 0;
        const bool answered =
            DeviceIoControl(device, IOCTL_SCSI_GET_ADDRESS, &address, sizeof address, &address,
                            sizeof address, &returned, nullptr) != 0;
        CloseHandle(device);
        if (answered && address.PortNumber == HostAdapter(handle) &&
            address.TargetId == TargetID(handle) && address.Lun == LUN(handle)) {
            letter = std::string(1, drive);
        }
    }
    return letter;
}

#else

std::string clsASPI::DriveChar(const std::string& handle) {
    // Outside Windows there are no drive letters to match by address, so the
    // library's own disk information names the drive.
    RequestBlock block{};
    block.disk_info.SRB_Cmd = SC_GET_DISK_INFO;
    block.disk_info.SRB_HaId = HostAdapter(handle);
    block.disk_info.SRB_Flags = 8;
    block.disk_info.SRB_Target = TargetID(handle);
    block.disk_info.SRB_Lun = LUN(handle);
    library_.CallFunc(kSendCommand, {AddressOf(&block)});
    return std::string(1, static_cast<char>('A' + block.disk_info.SRB_Int13HDriveInfo));
}

#endif

std::unique_ptr<clsASPI::Request> clsASPI::TakeRequest() {
    std::unique_ptr<Request> request = std::move(idle_);
    if (request == nullptr || !request->event.Valid()) {
        request = std::make_unique<Request>();
    }
    return request;
}

std::int32_t clsASPI::ExecCMD(const std::string& handle, const std::uint8_t* cdb,
                              std::uint8_t cdb_length, std::int32_t data_out, void* buffer,
                              std::uint32_t buffer_length, std::int16_t timeout_seconds) {
    if (handle.size() != 3) {
        return kScsiStatusNoDrive;
    }
    std::unique_ptr<Request> request = TakeRequest();
    if (!request->event.Valid()) {
        return kScsiStatusFailed;
    }
    request->event.Reset();
    request->block = RequestBlock{};
    if (buffer == nullptr) {
        buffer_length = 0;
    }
    request->data.assign(buffer_length, 0);
    if (data_out != 0 && buffer_length != 0) {
        std::memcpy(request->data.data(), buffer, buffer_length);
    }
    SRB_ExecSCSICmd& srb = request->block.exec;
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = HostAdapter(handle);
    srb.SRB_Flags =
        static_cast<std::uint8_t>((data_out == 0 ? SRB_DIR_IN : SRB_DIR_OUT) | SRB_EVENT_NOTIFY);
    srb.SRB_Target = TargetID(handle);
    srb.SRB_Lun = LUN(handle);
    srb.SRB_BufLen = buffer_length;
    srb.SRB_BufPointer =
        buffer_length == 0 ? 0 : reinterpret_cast<std::uintptr_t>(request->data.data());
    srb.SRB_SenseLen = kSenseLength;
    const std::uint8_t length = std::min<std::uint8_t>(cdb_length, sizeof srb.CDBByte);
    srb.SRB_CDBLen = length;
    srb.SRB_PostProc = request->event.PostProcValue();
    std::memcpy(srb.CDBByte, cdb, length);

    library_.CallFunc(kSendCommand, {AddressOf(&request->block)});
    SleepMilliseconds(options_.settle_milliseconds);
    if (!request->AwaitCompletion(timeout_seconds * options_.timeout_second_milliseconds)) {
        // The library still owns the request; its sense area is not ours to read.
        last_sk_ = last_asc_ = last_ascq_ = 0;
        abandoned_.push_back(std::move(request));
        return kScsiStatusFailed;
    }
    if (data_out == 0 && buffer_length != 0) {
        std::memcpy(buffer, request->data.data(), buffer_length);
    }
    std::int32_t status = srb.SRB_TargStat;
    if (srb.SRB_Status >= SS_INVALID_CMD) {
        // Refused before reaching a device (no such adapter or device):
        // there is no target status to report.
        status = kScsiStatusFailed;
    }
    last_sk_ = srb.SenseArea[2] & 0x0F;
    last_asc_ = srb.SenseArea[12];
    last_ascq_ = srb.SenseArea[13];
    idle_ = std::move(request);
    return status;
}

}  // namespace kalvex
