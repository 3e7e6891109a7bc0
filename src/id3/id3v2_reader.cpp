#include "id3/id3v2_reader.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "common/numbers.h"
#include "common/text_helpers.h"
#include "id3/id3v1.h"
#include "id3/id3v2_frames.h"
#include "id3/stream_info.h"
#include "id3/tag_fields.h"
#include "id3/tag_text.h"

namespace kalvex {
namespace {

constexpr std::int64_t kHeaderLength = 10;
constexpr std::int64_t kFooterLength = 10;
constexpr std::uint32_t kLargestSize = 0x7FFFFFFF;

// Header flags.
constexpr std::uint8_t kUnsyncFlag = 0x80, kExtendedFlag = 0x40, kFooterFlag = 0x10;
// Extended header flag of version 2.4: the tag updates the ones before it.
constexpr std::uint8_t kUpdateFlag = 0x40;

bool HasMarker(const Mp3File& file, std::int64_t offset, const char* marker) {
    std::array<std::uint8_t, 3> bytes{};
    return file.ReadAt(offset, bytes) == bytes.size() && bytes[0] == marker[0] &&
           bytes[1] == marker[1] && bytes[2] == marker[2];
}

// What the format flags of a version 2.3 or 2.4 frame ask for.
struct FrameFormat {
    bool skipped = false;  // compressed or encrypted: never decoded
    bool unsynchronised = false;
    size_t prefix = 0;  // group byte and data length indicator
};

FrameFormat ReadFrameFormat(int version, std::uint8_t flags, bool tag_unsync) {
    FrameFormat format;
    if (version == 3) {
        format.skipped = (flags & 0xC0) != 0;
        format.prefix = (flags & 0x20) ? 1 : 0;
    } else {
        format.skipped = (flags & 0x0C) != 0;
        format.unsynchronised = (flags & 0x02) != 0 || tag_unsync;
        format.prefix = ((flags & 0x40) ? 1 : 0) + ((flags & 0x01) ? 4 : 0);
    }
    return format;
}

// Puts the text of one frame where the editor wants it; SEEK sets the offset
// of the next tag instead.
void ApplyFrameText(std::string_view id, std::string text, TagRecord& record, std::int64_t tag_end,
                    std::int64_t& next_tag) {
    if (id == "SEEK") {
        if (!text.empty()) {
            next_tag = tag_end + LeadingInteger(text);
        }
        return;
    }
    // Some version 2.2 writers pad the comment id to four characters.
    const TagField* field = FieldOfFrame(id == "COM " ? "COM" : id);
    if (field == nullptr) {
        return;
    }
    if (id == "TDRC") {
        text = FirstCharacters(text, 4);  // a full date: the year is what the editor holds
    } else if (field->member == &TagRecord::Genre) {
        text = NormaliseGenreText(text);
    }
    record.*field->member = std::move(text);
}

void Keep(KeptFrames& frames, std::string id, std::span<const std::uint8_t> data) {
    frames.push_back({std::move(id), static_cast<std::int32_t>(data.size()),
                      std::vector<std::uint8_t>(data.begin(), data.end())});
    ConvertKeptFrame(frames, frames.size() - 1);
}

// One tag body in memory, with what the frame loops need to know about it.
struct TagBody {
    std::vector<std::uint8_t> bytes;
    std::int64_t usable = 0;  // after whole-tag de-unsynchronisation
    std::int64_t footer = 0;
    std::int64_t frames_start = 0;
    std::int64_t tag_end = 0;  // where a SEEK offset counts from
    bool unsync = false;
};

void ReadFramesV22(TagBody& body, TagRecord& record, KeptFrames* collect, std::int64_t& next_tag) {
    std::int64_t pos = body.frames_start;
    while (pos >= 0 && pos <= body.usable - 6) {
        const std::uint8_t* header = body.bytes.data() + pos;
        if (header[0] == 0 && header[1] == 0 && header[2] == 0) {
            break;
        }
        const std::int64_t size = header[3] << 16 | header[4] << 8 | header[5];
        if (pos + 6 + size > body.usable) {
            break;
        }
        const std::string id(header, header + 3);
        const std::span<const std::uint8_t> data(header + 6, static_cast<size_t>(size));
        std::string text;
        if (collect == nullptr) {
            text = DecodeFrameText(data, id);
        } else if (id != "CRM" && size > 0) {
            Keep(*collect, id, data);
        }
        ApplyFrameText(id, std::move(text), record, body.tag_end, next_tag);
        pos += 6 + size;
    }
}

void ReadFramesV23(int version, TagBody& body, TagRecord& record, KeptFrames* collect,
                   std::int64_t& next_tag) {
    const std::int64_t end = body.usable - body.footer;
    std::int64_t pos = body.frames_start;
    while (pos >= 0 && pos <= end - 10) {
        std::uint8_t* header = body.bytes.data() + pos;
        if (header[0] == 0 && header[1] == 0 && header[2] == 0 && header[3] == 0) {
            break;
        }
        std::uint32_t size = ReadSize32(header + 4, version == 4);
        if (size > kLargestSize || pos + 10 + size > end) {
            break;
        }
        // Some writers store plain sizes in version 2.4 frames: when the
        // sync-safe size does not land on another frame id, the plain one is
        // tried.
        const std::int64_t after = pos + 10 + size;
        if (after <= end - 4 && !IsFrameIdValid(body.bytes.data() + after)) {
            size = ReadSize32(header + 4, false);
            if (size > kLargestSize || pos + 10 + size > end) {
                break;
            }
        }
        const std::string id(header, header + 4);
        const FrameFormat format = ReadFrameFormat(version, header[9], body.unsync);
        std::string text;
        if (!format.skipped) {
            std::span<std::uint8_t> frame(header + 10, size);
            if (version == 4 && format.unsynchronised) {
                frame = frame.first(frame.size() - RemoveUnsync(frame));
            }
            const std::span<const std::uint8_t> data =
                frame.subspan(std::min(format.prefix, frame.size()));
            if (collect == nullptr || id == "SEEK") {
                text = DecodeFrameText(data, id);
            } else if (!data.empty()) {
                Keep(*collect, id, data);
            }
        }
        ApplyFrameText(id, std::move(text), record, body.tag_end, next_tag);
        pos += 10 + size;
    }
}

// Where the frames start behind an extended header, and whether it marks the
// tag as an update. A flag without an extended header behind it (the body
// starts with a frame id) is ignored, as other readers do.
void ReadExtendedHeader(int version, TagBody& body, bool& update) {
    if (body.usable < 4) {
        body.frames_start = body.usable;
        return;
    }
    const std::uint8_t* first = body.bytes.data();
    const bool looks_like_frame = first[0] >= 'A' && first[0] <= 'Z' && IsFrameIdValid(first) &&
                                  first[1] != 0 && first[2] != 0 && first[3] != 0;
    if (looks_like_frame) {
        return;
    }
    if (version == 3) {
        body.frames_start = std::int64_t{ReadSize32(first, false)} + 4;
    } else {
        body.frames_start = ReadSize32(first, true);
        update = body.usable > 5 && (body.bytes[5] & kUpdateFlag) != 0;
    }
}

}  // namespace

std::int64_t TagV2Size(const Mp3File& file, std::int64_t offset) {
    std::array<std::uint8_t, kHeaderLength> header{};
    if (file.ReadAt(offset, header) != header.size() || header[0] != 'I' || header[1] != 'D' ||
        header[2] != '3') {
        return 0;
    }
    std::int64_t size = kHeaderLength + ReadSize32(header.data() + 6, true);
    if (header[3] >= 4 && (header[5] & kFooterFlag) != 0) {
        size += kFooterLength;
    }
    return size;
}

std::int64_t TagV2Extent(const Mp3File& file) {
    const std::int64_t claimed = TagV2Size(file, 0);
    // A tag that leaves room for a v1 tag behind it cannot reach into one; a
    // normal file is settled without reading its end.
    if (claimed <= file.Length() - kTagV1Length) {
        return claimed;
    }
    const std::int64_t end = HasTagV1AtEnd(file) ? file.Length() - kTagV1Length : file.Length();
    if (claimed <= end) {
        return claimed;
    }
    std::array<std::uint8_t, 4> header{};
    const std::int64_t frame = FindFrameHeader(file, kHeaderLength, header);
    return frame >= 0 && frame < end ? frame : end;
}

std::int64_t ParseTagV2(const Mp3File& file, std::int64_t tag_start, TagRecord& record,
                        KeptFrames* collect) {
    std::array<std::uint8_t, kHeaderLength> header{};
    if (file.ReadAt(tag_start, header) != header.size()) {
        return -1;
    }
    const int version = header[3];
    std::uint32_t declared = ReadSize32(header.data() + 6, true);
    if (version < 2 || version > 4 || declared > kLargestSize - kFooterLength) {
        return -1;
    }
    TagBody body;
    const std::uint8_t flags = header[5];
    body.unsync = (flags & kUnsyncFlag) != 0;
    if (version == 4 && (flags & kFooterFlag) != 0) {
        declared += kFooterLength;
        body.footer = kFooterLength;
    }
    body.tag_end = tag_start + kHeaderLength + declared;

    // A tag that claims more than the file holds is read as far as it goes.
    const std::int64_t available = file.Length() - (tag_start + kHeaderLength);
    body.bytes.resize(static_cast<size_t>(
        std::max<std::int64_t>(0, std::min<std::int64_t>(declared, available))));
    body.usable = static_cast<std::int64_t>(file.ReadAt(tag_start + kHeaderLength, body.bytes));
    if (version <= 3 && body.unsync) {
        body.usable -= static_cast<std::int64_t>(
            RemoveUnsync(std::span(body.bytes).first(static_cast<size_t>(body.usable))));
    }
    bool update = false;
    if (version >= 3 && (flags & kExtendedFlag) != 0) {
        ReadExtendedHeader(version, body, update);
    }
    if (!update) {
        ClearTagRecord(record);
    }
    std::int64_t next_tag = -1;
    if (version == 2) {
        ReadFramesV22(body, record, collect, next_tag);
    } else {
        ReadFramesV23(version, body, record, collect, next_tag);
    }
    return next_tag;
}

namespace {

// Walks the chain of tags from the start of the file. A SEEK offset must lead
// forward to another tag inside the file, so a chain always ends.
bool WalkTagChain(const Mp3File& file, TagRecord& record, KeptFrames* collect) {
    bool found = false;
    std::int64_t pos = 0;
    while (pos >= 0 && pos < file.Length() && HasMarker(file, pos, "ID3")) {
        found = true;
        const std::int64_t next = ParseTagV2(file, pos, record, collect);
        pos = next > pos ? next : -1;
    }
    return found;
}

}  // namespace

bool ReadTagV2(const std::string& path, TagRecord& record) {
    const std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kRead);
    if (!file) {
        return false;
    }
    if (WalkTagChain(*file, record, nullptr)) {
        return true;
    }
    // A version 2.4 tag may sit at the end, found by its footer.
    const std::int64_t length = file->Length();
    const std::int64_t end =
        length >= 128 && HasMarker(*file, length - 128, "TAG") ? length - 128 : length;
    std::array<std::uint8_t, kFooterLength> footer{};
    if (file->ReadAt(std::max<std::int64_t>(end - kFooterLength, 0), footer) != footer.size() ||
        footer[0] != '3' || footer[1] != 'D' || footer[2] != 'I') {
        return false;
    }
    const std::int64_t start =
        end - kFooterLength - ReadSize32(footer.data() + 6, true) - kHeaderLength;
    if (start < 0 || !HasMarker(*file, start, "ID3")) {
        return false;
    }
    ParseTagV2(*file, start, record, nullptr);
    return true;
}

void CollectTagV2Frames(const Mp3File& file, KeptFrames& frames) {
    TagRecord scratch;
    WalkTagChain(file, scratch, &frames);
}

}  // namespace kalvex
