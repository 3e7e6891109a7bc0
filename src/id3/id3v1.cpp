// ID3 v1 and v1.1 tags: reading, writing and removing the 128 bytes at the end.
#include "id3/id3v1.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "common/text_helpers.h"
#include "id3/genres.h"
#include "id3/mp3_file.h"
#include "id3/tag_text.h"

namespace kalvex {
namespace {

using Block = std::array<std::uint8_t, kTagV1Length>;

// Offsets and widths of the block's fields.
constexpr size_t kTitle = 3, kArtist = 33, kAlbum = 63, kYear = 93, kComment = 97;
constexpr size_t kTextWidth = 30, kYearWidth = 4, kShortCommentWidth = 28;
constexpr size_t kVersionMarker = 125, kTrack = 126, kGenre = 127;

bool StartsWithTag(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] == 'T' && bytes[1] == 'A' && bytes[2] == 'G';
}

std::string FieldText(const Block& block, size_t offset, size_t width) {
    return std::string(
        TrimBlanks(BytesToText(std::span(block).subspan(offset, width), kLatin1, true)));
}

// The track byte for a track text: its value when the trimmed text is shorter
// than four characters, is a number and rounds to 1..255; else 0.
std::uint8_t TrackByte(std::string_view tnr) {
    const std::string text(TrimBlanks(tnr));
    if (text.empty() || text.size() >= 4) {
        return 0;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    const bool whole_text_is_number =
        end == text.c_str() + text.size() && text.find_first_of("xXeEnNiI") == std::string::npos;
    const double rounded = std::nearbyint(value);
    if (!whole_text_is_number || rounded < 1 || rounded > 255) {
        return 0;
    }
    return static_cast<std::uint8_t>(rounded);
}

std::string ReplaceLineBreaks(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

Block BuildBlock(const TagRecord& record) {
    Block block{};
    const auto field = [&block](size_t offset, size_t width) {
        return std::span(block).subspan(offset, width);
    };
    TextToBytes("TAG", 0, field(0, 3), false);
    TextToBytes(record.Title, kTextWidth, field(kTitle, kTextWidth), false);
    TextToBytes(record.Artist, kTextWidth, field(kArtist, kTextWidth), false);
    TextToBytes(record.Album, kTextWidth, field(kAlbum, kTextWidth), false);
    TextToBytes(ReplaceLineBreaks(record.Comment), kShortCommentWidth,
                field(kComment, kShortCommentWidth), false);
    TextToBytes(record.Year, kYearWidth, field(kYear, kYearWidth), false);
    block[kVersionMarker] = 0;
    block[kTrack] = TrackByte(record.TNR);
    block[kGenre] = static_cast<std::uint8_t>(GenreIndex(record.Genre));
    return block;
}

}  // namespace

bool HasTagV1AtEnd(const Mp3File& file) {
    std::array<std::uint8_t, 3> marker{};
    return file.Length() >= kTagV1Length &&
           file.ReadAt(file.Length() - kTagV1Length, marker) == marker.size() &&
           StartsWithTag(marker);
}

bool ReadTagV1(const std::string& path, TagRecord& record) {
    Block block{};
    {
        const std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kRead);
        if (!file || file->Length() < kTagV1Length ||
            file->ReadAt(file->Length() - kTagV1Length, block) != block.size()) {
            return false;
        }
    }
    if (!StartsWithTag(block)) {
        return false;
    }
    ClearTagRecord(record);
    record.Title = FieldText(block, kTitle, kTextWidth);
    record.Artist = FieldText(block, kArtist, kTextWidth);
    record.Album = FieldText(block, kAlbum, kTextWidth);
    if (block[kVersionMarker] == 0 && block[kTrack] != 0) {
        record.Comment =
            BytesToText(std::span(block).subspan(kComment, kShortCommentWidth), kLatin1, true);
        record.TNR = std::to_string(block[kTrack]);
    } else {
        record.Comment = BytesToText(std::span(block).subspan(kComment, kTextWidth), kLatin1, true);
    }
    record.Genre = GenreName(block[kGenre]);
    record.Year = FieldText(block, kYear, kYearWidth);
    return true;
}

// Both v1 writes are done in place: they touch no byte before the old end of
// the audio (an overwrite of the old block, an append after it, or a cut at
// its start), so a crash half way can at worst leave a torn 128-byte block
// behind the audio, never damage or lose the audio itself.
FileResult WriteTagV1(const std::string& path, const TagRecord& record, ReadOnlyFiles read_only) {
    if (read_only == ReadOnlyFiles::kMakeWritable) {
        ClearReadOnly(path);
    }
    FileResult failure;
    std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kReadWrite, &failure);
    if (!file) {
        return failure;
    }
    const std::int64_t old_length = file->Length();
    const bool replaces = HasTagV1AtEnd(*file);
    const std::int64_t position = replaces ? old_length - kTagV1Length : old_length;
    const Block block = BuildBlock(record);
    FileResult written = file->WriteAt(position, block);
    if (!written && !replaces) {
        // A torn append (disk full) would leave a partial block behind the
        // audio; cut it off so the file is as it was. The write's reason is
        // the one to report; a shrinking truncate has nothing to add.
        static_cast<void>(file->Truncate(old_length));
    }
    return written;
}

FileResult RemoveTagV1(const std::string& path, ReadOnlyFiles read_only) {
    if (read_only == ReadOnlyFiles::kMakeWritable) {
        ClearReadOnly(path);
    }
    FileResult failure;
    std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kReadWrite, &failure);
    if (!file) {
        return failure;
    }
    if (HasTagV1AtEnd(*file)) {
        return file->Truncate(file->Length() - kTagV1Length);
    }
    return {};
}

}  // namespace kalvex
