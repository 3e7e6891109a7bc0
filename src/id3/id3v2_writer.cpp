// Writing and removing ID3 v2 tags, in place or by a safe rewrite.
#include "id3/id3v2_writer.h"

#include <algorithm>
#include <optional>

#include "common/cp1252.h"
#include "common/text_helpers.h"
#include "id3/genres.h"
#include "id3/id3v2_reader.h"
#include "id3/mp3_file.h"
#include "id3/picture.h"
#include "id3/safe_rewrite.h"
#include "id3/tag_fields.h"
#include "id3/tag_text.h"

namespace kalvex {
namespace {

constexpr std::int64_t kStep = 2048;
// The largest body a sync-safe header size can give.
constexpr std::int64_t kLargestBody = (1 << 28) - 1;

// True when every character is one ISO-8859-1 and Windows-1252 store as the
// same byte (U+0001..U+007F, U+00A0..U+00FF): such text keeps encoding 0.
bool IsPlainLatin(const std::u32string& code_points) {
    return std::all_of(code_points.begin(), code_points.end(), [](char32_t c) {
        return (c >= 0x01 && c <= 0x7F) || (c >= 0xA0 && c <= 0xFF);
    });
}

void AppendUtf16Le(ByteBuffer& out, const std::u32string& code_points) {
    const auto unit = [&out](std::uint32_t u) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (const char32_t c : code_points) {
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    unit(0);
}

void AppendText(ByteBuffer& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

// The content of one record frame (everything after the frame header).
ByteBuffer FrameContent(std::string_view id, std::string_view text, TagV2Version version) {
    ByteBuffer content;
    if (id == "WXXX") {
        // Empty description; a URL is single-byte text by definition.
        content = {0, 0};
        AppendText(content, Utf8ToCp1252(text));
        content.push_back(0);
        return content;
    }
    const std::u32string code_points = Utf8ToCodePoints(text);
    const std::uint8_t encoding = IsPlainLatin(code_points)      ? kLatin1
                                  : version == TagV2Version::k24 ? kUtf8
                                                                 : kUtf16Bom;
    content.push_back(encoding);
    if (id == "COMM") {
        AppendText(content, "eng");
        if (encoding == kUtf16Bom) {
            AppendUtf16Le(content, {});  // the empty description
        } else {
            content.push_back(0);
        }
    }
    if (encoding == kLatin1) {
        AppendText(content, Utf8ToCp1252(text));
        content.push_back(0);
    } else if (encoding == kUtf8) {
        AppendText(content, text);
        content.push_back(0);
    } else {
        AppendUtf16Le(content, code_points);
    }
    return content;
}

void AppendFrameHeader(ByteBuffer& out, std::string_view id, std::uint32_t size,
                       TagV2Version version) {
    for (size_t i = 0; i < 4; ++i) {
        out.push_back(i < id.size() ? static_cast<std::uint8_t>(id[i]) : 0);
    }
    WriteSize32(size, version == TagV2Version::k24, out);
    out.push_back(0);
    out.push_back(0);
}

// The id a kept frame is written under in the chosen version.
std::string KeptFrameId(const KeptFrame& frame, TagV2Version version) {
    if (version == TagV2Version::k24 && frame.Id == "TORY") {
        return "TDOR";
    }
    if (version == TagV2Version::k24 && frame.Id == "IPLS") {
        return "TIPL";
    }
    return frame.Id;
}

// Only frames with a proper 4-character id are carried over: a 2.2 frame
// without a 2.3 name would otherwise be written as three letters and a zero,
// an id other readers stop at, losing every frame after it.
bool IsWritableId(std::string_view id) {
    return id.size() == 4 && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
}

bool CarriesOver(const KeptFrame& frame) {
    return IsKeptFrame(frame.Id) && IsWritableId(frame.Id) && frame.Size > 0;
}

// The text a field's frame holds: genre names go with their list index.
std::string FrameText(const TagField& field, const TagRecord& record) {
    const std::string& text = record.*field.member;
    return field.member == &TagRecord::Genre ? GenreFrameText(text) : text;
}

}  // namespace

std::string GenreFrameText(std::string_view genre) {
    const std::int32_t index = GenreIndex(genre);
    if (index == kNoGenre) {
        return std::string(genre);
    }
    std::string text = "(";
    text += std::to_string(index);
    text += ')';
    text += GenreName(index);
    return text;
}

bool IsKeptFrame(std::string_view id) {
    // Both years: a 2.4 tag's TDRC must not survive beside a new TYER.
    return std::none_of(kTagFields.begin(), kTagFields.end(),
                        [id](const TagField& f) { return id == f.id23 || id == f.id24; });
}

std::uint32_t FrameSize(std::string_view id, std::string_view text, TagV2Version version) {
    if (TrimBlanks(text).empty()) {
        return 0;
    }
    return static_cast<std::uint32_t>(FrameContent(id, text, version).size() + kFrameHeaderLength);
}

std::uint32_t WriteTextFrame(ByteBuffer& out, std::string_view id, std::string_view text,
                             TagV2Version version) {
    if (TrimBlanks(text).empty()) {
        return 0;
    }
    const ByteBuffer content = FrameContent(id, text, version);
    AppendFrameHeader(out, id, static_cast<std::uint32_t>(content.size()), version);
    out.insert(out.end(), content.begin(), content.end());
    return static_cast<std::uint32_t>(content.size() + kFrameHeaderLength);
}

std::uint32_t WriteKeptFrame(ByteBuffer& out, const KeptFrame& frame, TagV2Version version) {
    const auto size = static_cast<std::uint32_t>(frame.Size);
    AppendFrameHeader(out, KeptFrameId(frame, version), size, version);
    out.insert(out.end(), frame.Data.begin(), frame.Data.begin() + frame.Size);
    return size + kFrameHeaderLength;
}

std::int64_t TagBlockLength(std::int64_t needed, std::int64_t old_length) {
    if (needed <= old_length) {
        return old_length;
    }
    const std::int64_t steps = needed / kStep;
    const std::int64_t rest = needed % kStep;
    return steps * kStep + (rest < kStep / 2 ? kStep : 2 * kStep) + kTagHeaderLength;
}

namespace {

// The tag's header and frames; `length` is the whole block's length, of which
// the bytes not returned are zero fill. Empty when no tag could hold them.
ByteBuffer BuildTagHead(const TagRecord& record, const KeptFrames& kept, TagV2Version version,
                        std::int64_t old_length, std::int64_t& length) {
    std::int64_t needed = kTagHeaderLength;
    for (const TagField& field : kTagFields) {
        needed += FrameSize(FrameIdOf(field, version), FrameText(field, record), version);
    }
    for (const KeptFrame& frame : kept) {
        if (CarriesOver(frame)) {
            needed += frame.Size + kFrameHeaderLength;
        }
    }
    length = TagBlockLength(needed, old_length);
    if (length - kTagHeaderLength > kLargestBody) {
        return {};  // more than any ID3 v2 tag can hold
    }
    // "ID3", the major version, revision 0, no flags.
    ByteBuffer block{'I', 'D', '3', static_cast<std::uint8_t>(version), 0, 0};
    block.reserve(static_cast<size_t>(needed));
    WriteSize32(static_cast<std::uint32_t>(length - kTagHeaderLength), true, block);
    for (const TagField& field : kTagFields) {
        WriteTextFrame(block, FrameIdOf(field, version), FrameText(field, record), version);
    }
    for (const KeptFrame& frame : kept) {
        if (CarriesOver(frame)) {
            WriteKeptFrame(block, frame, version);
        }
    }
    return block;
}

// The old tag's frames the new one carries, then the pictures given: a
// cleared tag keeps only its pictures, and a picture given replaces the old
// ones of its type.
KeptFrames FramesToWrite(const Mp3File& file, std::int64_t old_length,
                         const TagV2WriteOptions& options) {
    KeptFrames kept;
    if (old_length != 0) {
        CollectTagV2Frames(file, kept);
    }
    std::erase_if(kept, [&options](const KeptFrame& frame) {
        if (frame.Id != "APIC") {
            return options.old_frames == OldFrames::kDrop;
        }
        if (options.remove_pictures) {
            return true;
        }
        const std::optional<TagPicture> old =
            DecodePictureFrame(std::span(frame.Data.data(), static_cast<std::size_t>(frame.Size)));
        return old && std::ranges::any_of(options.pictures, [&old](const TagPicture& given) {
                   return given.Type == old->Type;
               });
    });
    for (const TagPicture& picture : options.pictures) {
        std::vector<std::uint8_t> content = EncodePictureFrame(picture);
        const auto size = static_cast<std::int32_t>(content.size());
        kept.push_back({"APIC", size, std::move(content)});
    }
    return kept;
}

// Zero fill for the part of an in-place tag after its frames, in bounded pieces
// (an old tag may hold megabytes of padding).
FileResult WriteZeros(Mp3File& file, std::int64_t from, std::int64_t to) {
    const ByteBuffer zeros(static_cast<size_t>(std::min<std::int64_t>(to - from, 1 << 16)), 0);
    for (std::int64_t at = from; at < to; at += static_cast<std::int64_t>(zeros.size())) {
        const auto n = static_cast<size_t>(std::min<std::int64_t>(to - at, zeros.size()));
        if (FileResult written = file.WriteAt(at, std::span(zeros).first(n)); !written) {
            return written;
        }
    }
    return {};
}

}  // namespace

ByteBuffer BuildTagV2(const TagRecord& record, const KeptFrames& kept, TagV2Version version,
                      std::int64_t old_length) {
    std::int64_t length = 0;
    ByteBuffer block = BuildTagHead(record, kept, version, old_length, length);
    if (!block.empty()) {
        block.resize(static_cast<size_t>(length), 0);
    }
    return block;
}

FileResult WriteTagV2(const std::string& path, const TagRecord& record,
                      const TagV2WriteOptions& options) {
    if (options.read_only == ReadOnlyFiles::kMakeWritable) {
        ClearReadOnly(path);
    }
    FileResult failure;
    std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kReadWrite, &failure);
    if (!file) {
        return failure;
    }
    const std::int64_t old_length = TagV2Extent(*file);
    KeptFrames kept = FramesToWrite(*file, old_length, options);
    std::int64_t length = 0;
    ByteBuffer block = BuildTagHead(record, kept, options.version, old_length, length);
    if (block.empty()) {
        return FileResult::Failed("the tag is too large");
    }
    if (length == old_length) {
        // The new tag takes exactly the old one's place; nothing else moves.
        if (FileResult written = file->WriteAt(0, block); !written) {
            return written;
        }
        return WriteZeros(*file, static_cast<std::int64_t>(block.size()), length);
    }
    file.reset();
    block.resize(static_cast<size_t>(length), 0);
    return RewriteFileWithHead(path, block, old_length);
}

FileResult RemoveTagV2(const std::string& path, ReadOnlyFiles read_only) {
    if (read_only == ReadOnlyFiles::kMakeWritable) {
        ClearReadOnly(path);
    }
    FileResult failure;
    const std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kReadWrite, &failure);
    if (!file) {
        return failure;
    }
    const std::int64_t old_length = TagV2Extent(*file);
    if (old_length == 0) {
        return {};
    }
    return RewriteFileWithHead(path, {}, old_length);
}

}  // namespace kalvex
