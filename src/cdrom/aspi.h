#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cdrom/cdecl.h"
#include "cdrom/iscsi.h"

namespace kalvex {

// The ASPI library to load: $KALVEX_ASPI_LIBRARY when set; else WNASPI32.DLL
// on Windows, elsewhere libwnaspi32.so beside the program or, failing that,
// on the library path.
std::string DefaultAspiLibrary();

struct AspiOptions {
    std::string library = DefaultAspiLibrary();
    // How long ExecCMD lets a request complete before it waits for the event.
    int settle_milliseconds = 30;
    // How long one second of a caller's time-out lasts; only tests shorten it.
    int timeout_second_milliseconds = 1000;
    LibraryCalls library_calls = SystemLibraryCalls();
};

// ISCSI on an ASPI driver library, called through clsCDECL. Devices are
// enumerated once at construction; a handle is three characters whose codes
// are host adapter, target and LUN. Errors of the cdecl caller (a library
// without the ASPI functions) are raised, not caught.
class clsASPI : public ISCSI {
public:
    explicit clsASPI(AspiOptions options = {});
    ~clsASPI() override;
    clsASPI(const clsASPI&) = delete;
    clsASPI& operator=(const clsASPI&) = delete;

    std::string Interface() const override { return "ASPI"; }
    std::uint8_t LastASCQ() const override { return last_ascq_; }
    std::uint8_t LastASC() const override { return last_asc_; }
    std::uint8_t LastSK() const override { return last_sk_; }
    // The library's status byte says "completed"; false when it is not loaded.
    bool Initialized() override;
    bool Installed() override { return installed_; }
    std::int16_t DriveCount() const override { return static_cast<std::int16_t>(devices_.size()); }
    std::string DriveChar(const std::string& handle) override;
    std::string DriveHandle(std::int16_t index) const override;
    std::uint8_t HostAdapter(const std::string& handle) override { return HandleByte(handle, 0); }
    std::uint8_t TargetID(const std::string& handle) override { return HandleByte(handle, 1); }
    std::uint8_t LUN(const std::string& handle) override { return HandleByte(handle, 2); }
    std::int32_t ExecCMD(const std::string& handle, const std::uint8_t* cdb,
                         std::uint8_t cdb_length, std::int32_t data_out, void* buffer,
                         std::uint32_t buffer_length, std::int16_t timeout_seconds) override;

    static std::string MakeHandle(std::uint8_t host_adapter, std::uint8_t target, std::uint8_t lun);

private:
    struct Request;

    static std::uint8_t HandleByte(const std::string& handle, size_t position);
    std::uint32_t SupportInfo();
    void EnumerateDevices();
    std::unique_ptr<Request> TakeRequest();

    AspiOptions options_;
    clsCDECL library_;
    bool installed_ = false;
    std::vector<std::string> devices_;
    // The last request that completed in time, reused by the next one. Its
    // event stays open: a library may signal just after it set the status.
    std::unique_ptr<Request> idle_;
    // Requests that timed out: the library may still write into their block
    // and buffer and signal their event, so they live as long as it is loaded.
    std::vector<std::unique_ptr<Request>> abandoned_;
    std::uint8_t last_sk_ = 0;
    std::uint8_t last_asc_ = 0;
    std::uint8_t last_ascq_ = 0;
};

}  // namespace kalvex
