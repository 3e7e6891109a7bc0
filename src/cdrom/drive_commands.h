#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "cdrom/disc_toc.h"
#include "cdrom/drive_box.h"
#include "cdrom/iscsi.h"
#include "common/message_service.h"

namespace kalvex {

inline constexpr size_t kInquiryLength = 76;
using InquiryData = std::array<std::uint8_t, kInquiryLength>;

inline constexpr const char* kNoDiscMessage =
    "Could not read CD drive - please ensure an audio CD has been inserted.";
inline constexpr const char* kTocErrorMessage = "Error reading TOC";

// The drive commands, each with data from the device and a 5-second time-out.
// They return ExecCMD's status: 0 when the command completed with good status.
std::int32_t InquiryCommand(ISCSI& scsi, const std::string& handle, InquiryData& buffer);
std::int32_t TestUnitReady(ISCSI& scsi, const std::string& handle);
std::int32_t ReadTocCommand(ISCSI& scsi, const std::string& handle, bool msf, DiscToc& buffer);

// Whether a READ TOC reply can be used: a sound track range whose lead-out
// descriptor lies within the data the drive said it sent.
bool TocReplyComplete(const DiscToc& reply);

// TEST UNIT READY and READ TOC (MSF) on the drive selected in the box. On
// success `toc` holds the reply; on failure the user is told why and `toc`
// keeps what it held.
bool ReadDiscToc(ISCSI* scsi, const DriveBox& box, MessageService& messages, DiscToc& toc);

}  // namespace kalvex
