// The virtual CD drive: INQUIRY, TEST UNIT READY and READ TOC answered from a TOC file.
#include "virtual_drive.h"

#include <algorithm>
#include <cstring>

#include "cdrom/disc_toc.h"
#include "cdrom/toc_text.h"

namespace kalvex::virtual_drive {
namespace {

constexpr std::uint8_t kTestUnitReady = 0x00;
constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kReadToc = 0x43;
constexpr std::uint8_t kLeadOut = 0xAA;

Reply CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    return {2, key, asc, ascq, {}};
}
Reply NotReady() {
    return CheckCondition(0x02, 0x3A, 0x00);
}  // medium not present
Reply InvalidOpcode() {
    return CheckCondition(0x05, 0x20, 0x00);
}  // illegal request
Reply InvalidField() {
    return CheckCondition(0x05, 0x24, 0x00);
}  // invalid field in CDB
Reply TocUnreadable() {
    return CheckCondition(0x03, 0x57, 0x00);
}  // cannot recover TOC

void PutPadded(std::vector<std::uint8_t>& data, size_t offset, size_t width, const char* text) {
    const size_t length = std::min(std::strlen(text), width);
    std::memset(&data[offset], ' ', width);
    std::memcpy(&data[offset], text, length);
}

Reply Inquiry(const std::uint8_t* cdb) {
    std::vector<std::uint8_t> data(36, 0);
    data[0] = 0x05;  // CD/DVD device
    data[1] = 0x80;  // removable medium
    data[2] = 0x05;  // SPC-3
    data[3] = 0x02;  // response data format
    data[4] = 31;    // additional length
    PutPadded(data, 8, 8, kVendor);
    PutPadded(data, 16, 16, kProduct);
    PutPadded(data, 32, 4, kRevision);
    data.resize(std::min<size_t>(data.size(), cdb[4]));
    return {0, 0, 0, 0, std::move(data)};
}

void PutAddress(std::vector<std::uint8_t>& data, int frames, bool msf) {
    if (msf) {
        data.insert(data.end(), {0, static_cast<std::uint8_t>(frames / (60 * kFramesPerSecond)),
                                 static_cast<std::uint8_t>(frames / kFramesPerSecond % 60),
                                 static_cast<std::uint8_t>(frames % kFramesPerSecond)});
        return;
    }
    const std::uint32_t lba = static_cast<std::uint32_t>(frames - 150);
    data.insert(data.end(),
                {static_cast<std::uint8_t>(lba >> 24), static_cast<std::uint8_t>(lba >> 16),
                 static_cast<std::uint8_t>(lba >> 8), static_cast<std::uint8_t>(lba)});
}

Reply ReadToc(const std::uint8_t* cdb, const std::string& disc) {
    const bool msf = (cdb[1] & 0x02) != 0;
    const int format = cdb[2] & 0x0F;
    const int start_track = cdb[6];
    const size_t allocation = (size_t{cdb[7]} << 8) | cdb[8];
    if (format != 0) {
        return InvalidField();
    }
    const TocTextResult parsed = ParseTocText(disc);
    if (!parsed.toc) {
        return TocUnreadable();
    }
    const DiscToc& toc = *parsed.toc;
    const int first = toc.FirstTrack();
    const int last = toc.LastTrack();
    if (start_track > last && start_track != kLeadOut) {
        return InvalidField();
    }
    std::vector<std::uint8_t> data = {0, 0, static_cast<std::uint8_t>(first),
                                      static_cast<std::uint8_t>(last)};
    const int count = TrackCount(toc);
    for (int n = 1; n <= count + 1; ++n) {
        const bool lead_out = n == count + 1;
        const int number = lead_out ? kLeadOut : first + n - 1;
        if (number < start_track) {
            continue;
        }
        data.insert(data.end(), {0, 0x10, static_cast<std::uint8_t>(number), 0});
        PutAddress(data, TrackStartFrames(toc, n), msf);
    }
    const size_t data_length = data.size() - 2;
    data[0] = static_cast<std::uint8_t>(data_length >> 8);
    data[1] = static_cast<std::uint8_t>(data_length & 0xFF);
    data.resize(std::min(data.size(), allocation));
    return {0, 0, 0, 0, std::move(data)};
}

}  // namespace

Reply Execute(const std::uint8_t* cdb, size_t cdb_length, const std::optional<std::string>& disc) {
    if (cdb_length == 0) {
        return InvalidOpcode();
    }
    switch (cdb[0]) {
        case kInquiry:
            return cdb_length >= 6 ? Inquiry(cdb) : InvalidField();
        case kTestUnitReady:
            return disc ? Reply{} : NotReady();
        case kReadToc:
            if (cdb_length < 10) {
                return InvalidField();
            }
            return disc ? ReadToc(cdb, *disc) : NotReady();
        default:
            return InvalidOpcode();
    }
}

std::vector<std::uint8_t> SenseData(const Reply& reply) {
    std::vector<std::uint8_t> sense(18, 0);
    if (reply.target_status == 0) {
        return sense;
    }
    sense[0] = 0x70;  // current error, fixed format
    sense[2] = reply.sense_key;
    sense[7] = 10;  // additional length
    sense[12] = reply.asc;
    sense[13] = reply.ascq;
    return sense;
}

}  // namespace kalvex::virtual_drive
