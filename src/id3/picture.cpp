// Pictures in ID3 v2 tags: APIC frames read and made, and images' own facts.
#include "id3/picture.h"

#include <array>

#include "common/cp1252.h"
#include "id3/id3v2_reader.h"
#include "id3/mp3_file.h"
#include "id3/tag_text.h"

namespace kalvex {
namespace {

constexpr std::array<const char*, 21> kTypeNames = {"other",
                                                    "icon",
                                                    "other-icon",
                                                    "front",
                                                    "back",
                                                    "leaflet",
                                                    "media",
                                                    "lead-artist",
                                                    "artist",
                                                    "conductor",
                                                    "band",
                                                    "composer",
                                                    "lyricist",
                                                    "recording-location",
                                                    "during-recording",
                                                    "during-performance",
                                                    "screen-capture",
                                                    "fish",
                                                    "illustration",
                                                    "band-logo",
                                                    "publisher-logo"};

int BigEndian16(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) << 8 | static_cast<unsigned char>(bytes[at + 1]);
}

std::optional<int> BigEndian31(std::string_view bytes, std::size_t at) {
    const unsigned value = static_cast<unsigned>(BigEndian16(bytes, at)) << 16 |
                           static_cast<unsigned>(BigEndian16(bytes, at + 2));
    if (value == 0 || value > 0x7FFFFFFF) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// A JPEG's size from its first start-of-frame segment (SOF0 to SOF15 but
// DHT, JPG and DAC), walking the segments' lengths.
void ReadJpegSize(std::string_view bytes, ImageFacts& facts) {
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF) {
            return;
        }
        const unsigned char marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        const int length = BigEndian16(bytes, at + 2);
        const bool start_of_frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (start_of_frame && at + 9 <= bytes.size()) {
            const int height = BigEndian16(bytes, at + 5);
            const int width = BigEndian16(bytes, at + 7);
            if (width > 0 && height > 0) {
                facts.Width = width;
                facts.Height = height;
            }
            return;
        }
        if (length < 2 || marker == 0xD9 || marker == 0xDA) {
            return;  // the image data or its end: no size before it
        }
        at += 2 + static_cast<std::size_t>(length);
    }
}

}  // namespace

ImageFacts ReadImageFacts(std::string_view bytes) {
    ImageFacts facts;
    if (bytes.starts_with("\xFF\xD8\xFF")) {
        facts.Mime = "image/jpeg";
        ReadJpegSize(bytes, facts);
    } else if (bytes.starts_with("\x89PNG\r\n\x1A\n")) {
        facts.Mime = "image/png";
        // The IHDR chunk comes first: its width and height follow its type.
        if (bytes.size() >= 24 && bytes.substr(12, 4) == "IHDR") {
            facts.Width = BigEndian31(bytes, 16);
            facts.Height = BigEndian31(bytes, 20);
        }
    }
    return facts;
}

std::string PictureTypeName(std::uint8_t type) {
    return type < kTypeNames.size() ? kTypeNames[type] : "type " + std::to_string(type);
}

std::optional<std::uint8_t> PictureTypeOf(std::string_view name) {
    for (std::size_t i = 0; i < kTypeNames.size(); ++i) {
        if (name == kTypeNames[i]) {
            return static_cast<std::uint8_t>(i);
        }
    }
    return std::nullopt;
}

std::optional<TagPicture> DecodePictureFrame(std::span<const std::uint8_t> data) {
    if (data.size() < 4) {
        return std::nullopt;
    }
    TagPicture picture;
    const std::uint8_t encoding = data[0];
    std::span<const std::uint8_t> rest = data.subspan(1);
    const std::size_t mime = TerminatedLength(rest, kLatin1);
    picture.Mime = BytesToText(rest.first(mime), kLatin1, true);
    rest = rest.subspan(mime);
    if (rest.empty()) {
        return std::nullopt;
    }
    picture.Type = rest[0];
    rest = rest.subspan(1);
    const std::size_t description = TerminatedLength(rest, encoding);
    picture.Description = BytesToText(rest.first(description), encoding, true);
    rest = rest.subspan(description);
    picture.Data.assign(rest.begin(), rest.end());
    return picture;
}

std::vector<std::uint8_t> EncodePictureFrame(const TagPicture& picture) {
    std::vector<std::uint8_t> content{0};  // encoding 0: the description in one byte a character
    content.insert(content.end(), picture.Mime.begin(), picture.Mime.end());
    content.push_back(0);
    content.push_back(picture.Type);
    const std::string description = Utf8ToCp1252(picture.Description);
    content.insert(content.end(), description.begin(), description.end());
    content.push_back(0);
    content.insert(content.end(), picture.Data.begin(), picture.Data.end());
    return content;
}

std::vector<TagPicture> PicturesOf(const KeptFrames& frames) {
    std::vector<TagPicture> pictures;
    for (const KeptFrame& frame : frames) {
        if (frame.Id != "APIC") {
            continue;
        }
        const std::span<const std::uint8_t> data(frame.Data.data(),
                                                 static_cast<std::size_t>(frame.Size));
        if (std::optional<TagPicture> picture = DecodePictureFrame(data)) {
            pictures.push_back(std::move(*picture));
        }
    }
    return pictures;
}

std::vector<TagPicture> ReadTagV2Pictures(const std::string& path) {
    const std::optional<Mp3File> file = Mp3File::Open(path, Mp3File::Mode::kRead);
    if (!file) {
        return {};
    }
    KeptFrames frames;
    CollectTagV2Frames(*file, frames);
    return PicturesOf(frames);
}

}  // namespace kalvex
