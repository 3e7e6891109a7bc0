// ID3 v2 frame contents: their text, unsynchronisation and genre text.
#include "id3/id3v2_frames.h"

#include <algorithm>

#include "common/numbers.h"
#include "id3/genres.h"
#include "id3/tag_text.h"

namespace kalvex {
namespace {

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Where the text after a zero-terminated description starts.
size_t AfterDescription(std::span<const std::uint8_t> bytes, std::uint8_t encoding) {
    return TerminatedLength(bytes, encoding);
}

}  // namespace

std::size_t RemoveUnsync(std::span<std::uint8_t> buffer) {
    size_t out = 0;
    for (size_t in = 0; in < buffer.size(); ++in) {
        buffer[out++] = buffer[in];
        if (buffer[in] == 0xFF && in + 1 < buffer.size() && buffer[in + 1] == 0x00) {
            ++in;
        }
    }
    return buffer.size() - out;
}

bool IsFrameIdValid(const std::uint8_t* id) {
    return std::all_of(id, id + 4, [](std::uint8_t c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == 0;
    });
}

std::string DecodeFrameText(std::span<const std::uint8_t> data, std::string_view id) {
    if (data.empty()) {
        return {};
    }
    const std::uint8_t encoding = data[0];
    if (id.starts_with('T')) {
        return BytesToText(data.subspan(1), encoding, true);
    }
    if (id == "COMM" || id == "COM" || id == "COM ") {
        // Encoding, three bytes of language, description, text.
        if (data.size() <= 4) {
            return {};
        }
        const auto rest = data.subspan(4);
        return BytesToText(rest.subspan(AfterDescription(rest, encoding)), encoding, true);
    }
    if (id == "WXXX" || id == "WXX") {
        // Encoding, description, then the URL, always single-byte.
        const auto rest = data.subspan(1);
        return BytesToText(rest.subspan(AfterDescription(rest, encoding)), kLatin1, true);
    }
    if (id == "SEEK" && data.size() >= 4) {
        return std::to_string(ReadSize32(data.data(), false));
    }
    return {};
}

std::string NormaliseGenreText(std::string_view text) {
    const size_t open = text.find('(');
    const size_t close = text.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return std::string(text);
    }
    const std::string_view inner = text.substr(open + 1, close - open - 1);
    if (IsDigits(inner)) {
        // Leading zeros keep the value ("(0017)" is Rock); the reading
        // saturates, so a number of any length is merely out of the list.
        const std::int64_t value = LeadingInteger(inner);
        return value > kNoGenre ? std::string() : GenreName(static_cast<std::int32_t>(value));
    }
    if (inner == "RX") {
        return "Remix";
    }
    if (inner == "CR") {
        return "Cover";
    }
    return std::string(text);
}

}  // namespace kalvex
