// Reading ID3 v2 tags: one frame walk for the fields and the frames kept.
#include "id3/id3v2_reader.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "common/numbers.h"
#include "common/text_helpers.h"
#include "id3/id3v1.h"
#include "id3/id3v2_format.h"
#include "id3/id3v2_frames.h"
#include "id3/stream_info.h"
#include "id3/tag_fields.h"
#include "id3/tag_text.h"

namespace kalvex {
namespace {

constexpr std::uint32_t kLargestSize = 0x7FFFFFFF;

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

// Puts the text of one frame where the editor wants it.
void ApplyFrameText(std::string_view id, std::string text, TagRecord& record) {
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

// One tag body in memory, with what the frame walk needs to know about it.
struct TagBody {
    int version = 0;
    std::vector<std::uint8_t> bytes;
    std::int64_t usable = 0;  // after whole-tag de-unsynchronisation
    std::int64_t footer = 0;
    std::int64_t frames_start = 0;
    std::int64_t tag_end = 0;  // where a SEEK offset counts from
    bool unsync = false;
    bool update = false;  // the tag updates the ones before it
};

// One frame as the walk hands it on.
struct TagFrame {
    std::string id;  // three characters in version 2.2, four after
    std::span<const std::uint8_t> data;
    // False for a frame never decoded (compressed, encrypted): its data is empty.
    bool readable = true;
};

using FrameVisit = std::function<void(const TagFrame&)>;

// Where one frame of the body lies, once its header has been checked.
struct FramePlace {
    std::int64_t size = 0;
    std::string id;
    FrameFormat format;
};

void WalkFramesV22(TagBody& body, const FrameVisit& visit) {
    std::int64_t pos = body.frames_start;
    while (pos >= 0 && pos <= body.usable - kV22FrameHeaderLength) {
        const std::uint8_t* header = body.bytes.data() + pos;
        if (header[0] == 0 && header[1] == 0 && header[2] == 0) {
            break;
        }
        const std::int64_t size = header[3] << 16 | header[4] << 8 | header[5];
        if (pos + kV22FrameHeaderLength + size > body.usable) {
            break;
        }
        const std::string id(header, header + 3);
        const std::span<const std::uint8_t> data(header + kV22FrameHeaderLength,
                                                 static_cast<size_t>(size));
        // An encrypted meta frame cannot be decoded or carried over.
        visit({id, id == "CRM" ? std::span<const std::uint8_t>() : data, id != "CRM"});
        pos += kV22FrameHeaderLength + size;
    }
}

// Returns the offset of the next tag a SEEK frame names, or -1.
std::int64_t WalkFramesV23(TagBody& body, const FrameVisit& visit) {
    std::int64_t next_tag = -1;
    const int version = body.version;
    const std::int64_t end = body.usable - body.footer;
    std::int64_t pos = body.frames_start;
    while (pos >= 0 && pos <= end - kFrameHeaderLength) {
        std::uint8_t* header = body.bytes.data() + pos;
        if (header[0] == 0 && header[1] == 0 && header[2] == 0 && header[3] == 0) {
            break;
        }
        std::uint32_t size = ReadSize32(header + 4, version == 4);
        if (size > kLargestSize || pos + kFrameHeaderLength + size > end) {
            break;
        }
        // Some writers store plain sizes in version 2.4 frames: when the
        // sync-safe size does not land on another frame id, the plain one is
        // tried.
        const std::int64_t after = pos + kFrameHeaderLength + size;
        if (after <= end - 4 && !IsFrameIdValid(body.bytes.data() + after)) {
            size = ReadSize32(header + 4, false);
            if (size > kLargestSize || pos + kFrameHeaderLength + size > end) {
                break;
            }
        }
        const std::string id(header, header + 4);
        const FrameFormat format = ReadFrameFormat(version, header[9], body.unsync);
        TagFrame frame{id, {}, !format.skipped};
        if (!format.skipped) {
            std::span<std::uint8_t> bytes(header + kFrameHeaderLength, size);
            if (version == 4 && format.unsynchronised) {
                bytes = bytes.first(bytes.size() - RemoveUnsync(bytes));
            }
            frame.data = bytes.subspan(std::min(format.prefix, bytes.size()));
        }
        if (id == "SEEK") {
            const std::string offset = DecodeFrameText(frame.data, id);
            if (!offset.empty()) {
                next_tag = body.tag_end + LeadingInteger(offset);
            }
        } else {
            visit(frame);
        }
        pos += kFrameHeaderLength + size;
    }
    return next_tag;
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

// The body of the tag whose header is at `tag_start` (the caller has seen
// "ID3"): whole-tag unsynchronisation removed, the extended header read.
// Sizes that run past the file give what the file holds.
std::optional<TagBody> ReadTagBody(const Mp3File& file, std::int64_t tag_start) {
    std::array<std::uint8_t, kTagHeaderLength> header{};
    if (file.ReadAt(tag_start, header) != header.size()) {
        return std::nullopt;
    }
    TagBody body;
    body.version = header[3];
    std::uint32_t declared = ReadSize32(header.data() + 6, true);
    if (body.version < 2 || body.version > 4 || declared > kLargestSize - kTagFooterLength) {
        return std::nullopt;
    }
    const std::uint8_t flags = header[5];
    body.unsync = (flags & kUnsyncFlag) != 0;
    if (body.version == 4 && (flags & kFooterFlag) != 0) {
        declared += kTagFooterLength;
        body.footer = kTagFooterLength;
    }
    body.tag_end = tag_start + kTagHeaderLength + declared;
    const std::int64_t available = file.Length() - (tag_start + kTagHeaderLength);
    body.bytes.resize(static_cast<size_t>(
        std::max<std::int64_t>(0, std::min<std::int64_t>(declared, available))));
    body.usable = static_cast<std::int64_t>(file.ReadAt(tag_start + kTagHeaderLength, body.bytes));
    if (body.version <= 3 && body.unsync) {
        body.usable -= static_cast<std::int64_t>(
            RemoveUnsync(std::span(body.bytes).first(static_cast<size_t>(body.usable))));
    }
    if (body.version >= 3 && (flags & kExtendedFlag) != 0) {
        ReadExtendedHeader(body.version, body, body.update);
    }
    return body;
}

// The one walk over a tag's frames, for reading and for carrying frames
// over alike: each frame in order to `visit`, the SEEK frame kept to itself.
// Returns the offset of the next tag a SEEK frame names, or -1.
std::int64_t WalkFrames(TagBody& body, const FrameVisit& visit) {
    if (body.version == 2) {
        WalkFramesV22(body, visit);
        return -1;
    }
    return WalkFramesV23(body, visit);
}

// Walks the chain of tags from the start of the file, each through `tag`,
// which returns the offset of the next one. A SEEK offset must lead forward
// to another tag inside the file, so a chain always ends.
bool WalkTagChain(const Mp3File& file, const std::function<std::int64_t(std::int64_t)>& tag) {
    bool found = false;
    std::int64_t pos = 0;
    while (pos >= 0 && pos < file.Length() && HasMarker(file, pos, "ID3")) {
        found = true;
        const std::int64_t next = tag(pos);
        pos = next > pos ? next : -1;
    }
    return found;
}

}  // namespace

std::int64_t TagV2Size(const Mp3File& file, std::int64_t offset) {
    std::array<std::uint8_t, kTagHeaderLength> header{};
    if (file.ReadAt(offset, header) != header.size() || header[0] != 'I' || header[1] != 'D' ||
        header[2] != '3') {
        return 0;
    }
    std::int64_t size = kTagHeaderLength + ReadSize32(header.data() + 6, true);
    if (header[3] >= 4 && (header[5] & kFooterFlag) != 0) {
        size += kTagFooterLength;
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
    const std::int64_t frame = FindFrameHeader(file, kTagHeaderLength, header);
    return frame >= 0 && frame < end ? frame : end;
}

std::int64_t ParseTagV2(const Mp3File& file, std::int64_t tag_start, TagRecord& record) {
    std::optional<TagBody> body = ReadTagBody(file, tag_start);
    if (!body) {
        return -1;
    }
    if (!body->update) {
        ClearTagRecord(record);
    }
    return WalkFrames(*body, [&record](const TagFrame& frame) {
        ApplyFrameText(frame.id, DecodeFrameText(frame.data, frame.id), record);
    });
}

bool ReadTagV2(const std::string& path, TagRecord& record) {
    const std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kRead);
    if (!file) {
        return false;
    }
    if (WalkTagChain(*file, [&](std::int64_t pos) { return ParseTagV2(*file, pos, record); })) {
        return true;
    }
    // A version 2.4 tag may sit at the end, found by its footer.
    const std::int64_t length = file->Length();
    const std::int64_t end =
        length >= 128 && HasMarker(*file, length - 128, "TAG") ? length - 128 : length;
    std::array<std::uint8_t, kTagFooterLength> footer{};
    if (file->ReadAt(std::max<std::int64_t>(end - kTagFooterLength, 0), footer) != footer.size() ||
        footer[0] != '3' || footer[1] != 'D' || footer[2] != 'I') {
        return false;
    }
    const std::int64_t start =
        end - kTagFooterLength - ReadSize32(footer.data() + 6, true) - kTagHeaderLength;
    if (start < 0 || !HasMarker(*file, start, "ID3")) {
        return false;
    }
    ParseTagV2(*file, start, record);
    return true;
}

void CollectTagV2Frames(const Mp3File& file, KeptFrames& frames) {
    WalkTagChain(file, [&](std::int64_t pos) {
        std::optional<TagBody> body = ReadTagBody(file, pos);
        if (!body) {
            return std::int64_t{-1};
        }
        return WalkFrames(*body, [&frames](const TagFrame& frame) {
            if (frame.readable && !frame.data.empty()) {
                Keep(frames, frame.id, frame.data);
            }
        });
    });
}

}  // namespace kalvex
