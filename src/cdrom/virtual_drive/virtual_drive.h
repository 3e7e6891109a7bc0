#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kalvex::virtual_drive {

// Identification in the drive's INQUIRY reply.
inline constexpr const char* kVendor = "KALVEX";
inline constexpr const char* kProduct = "VIRTUAL CD-ROM";
inline constexpr const char* kRevision = "1.0";
// Where the one drive sits, and the letter SC_GET_DISK_INFO gives it (D).
inline constexpr std::uint8_t kDriveNumber = 3;

// What the drive answers to one command block.
struct Reply {
    std::uint8_t target_status = 0;  // 0 good, 2 check condition
    std::uint8_t sense_key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    std::vector<std::uint8_t> data;  // cut to the allocation length already
};

// The disc in the drive: the text of the TOC file, or nullopt when there is
// none (no such file or it cannot be read).
Reply Execute(const std::uint8_t* cdb, size_t cdb_length, const std::optional<std::string>& disc);

// Fixed-format sense data for a reply.
std::vector<std::uint8_t> SenseData(const Reply& reply);

}  // namespace kalvex::virtual_drive
