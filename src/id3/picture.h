#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "id3/kept_frames.h"

namespace kalvex {

inline constexpr std::uint8_t kFrontCover = 3;

// A picture of an ID3 v2 tag (an APIC frame, or a version 2.2 PIC).
struct TagPicture {
    std::uint8_t Type = kFrontCover;  // what it shows: 3 the front cover, 4 the back ...
    std::string Mime;                 // "image/jpeg", "image/png"
    std::string Description;
    std::string Data;  // the image file's bytes

    bool operator==(const TagPicture&) const = default;
};

// What an image's own header says: its kind by its magic bytes (JPEG or PNG
// only; empty Mime for anything else) and, where the header gives them, its
// size in pixels. Nothing is decoded.
struct ImageFacts {
    std::string Mime;
    std::optional<int> Width;
    std::optional<int> Height;
};
ImageFacts ReadImageFacts(std::string_view bytes);

// The names of the picture types ("other", "icon", "other-icon", "front",
// "back", "leaflet", "media", "lead-artist" ...), and back; nullopt for a
// name the list does not have.
std::string PictureTypeName(std::uint8_t type);
std::optional<std::uint8_t> PictureTypeOf(std::string_view name);

// Reads an APIC frame's content (version 2.3 form, as kept frames hold it);
// nullopt when it is too short or cut.
std::optional<TagPicture> DecodePictureFrame(std::span<const std::uint8_t> data);

// The APIC frame content of a picture: encoding 0, its MIME type, type,
// description and bytes.
std::vector<std::uint8_t> EncodePictureFrame(const TagPicture& picture);

// The pictures among a tag's frames, in order.
std::vector<TagPicture> PicturesOf(const KeptFrames& frames);

// The pictures of the file's ID3 v2 tag(s).
std::vector<TagPicture> ReadTagV2Pictures(const std::string& path);

}  // namespace kalvex
