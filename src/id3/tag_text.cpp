// Single-byte and Unicode text in tag fields, decoded and encoded.
#include "id3/tag_text.h"

#include <algorithm>
#include <optional>

#include "common/cp1252.h"

namespace kalvex {
namespace {

// Appends one character with the line-break rules of every tag text.
void AppendCharacter(std::string& out, char32_t cp) {
    if (cp == U'\r') {
        return;
    }
    if (cp == U'\n') {
        out += "\r\n";
        return;
    }
    AppendUtf8(out, cp);
}

std::string Cp1252Text(std::span<const std::uint8_t> bytes, bool stop_at_nul) {
    std::string raw;
    raw.reserve(bytes.size());
    for (std::uint8_t b : bytes) {
        if (b == 0 && stop_at_nul) {
            break;
        }
        if (b == '\r') {
            continue;
        }
        if (b == '\n') {
            raw += '\r';
        }
        raw += static_cast<char>(b);
    }
    return Cp1252ToUtf8(raw);
}

std::string Utf8Text(std::span<const std::uint8_t> bytes, bool stop_at_nul) {
    if (stop_at_nul) {
        const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
        bytes = bytes.first(static_cast<size_t>(zero - bytes.begin()));
    }
    const std::optional<std::u32string> decoded =
        StrictUtf8ToCodePoints({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    if (!decoded) {
        return Cp1252Text(bytes, stop_at_nul);
    }
    std::string out;
    out.reserve(bytes.size());
    for (char32_t cp : *decoded) {
        AppendCharacter(out, cp);
    }
    return out;
}

std::string Utf16Text(std::span<const std::uint8_t> bytes, bool big_endian, bool stop_at_nul) {
    std::string out;
    out.reserve(bytes.size());
    char32_t high = 0;  // a pending high surrogate
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char32_t unit =
            big_endian ? (bytes[i] << 8 | bytes[i + 1]) : (bytes[i + 1] << 8 | bytes[i]);
        if (high != 0) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                AppendCharacter(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
                high = 0;
                continue;
            }
            AppendUtf8(out, 0xFFFD);
            high = 0;
        }
        if (unit == 0 && stop_at_nul) {
            return out;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            high = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendCharacter(out, unit);
        }
    }
    if (high != 0) {
        AppendUtf8(out, 0xFFFD);
    }
    return out;
}

}  // namespace

std::string BytesToText(std::span<const std::uint8_t> bytes, std::uint8_t encoding,
                        bool stop_at_nul) {
    switch (encoding) {
        case kLatin1:
            return Cp1252Text(bytes, stop_at_nul);
        case kUtf8:
            return Utf8Text(bytes, stop_at_nul);
        case kUtf16Bom:
            if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
                return Utf16Text(bytes.subspan(2), true, stop_at_nul);
            }
            if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
                return Utf16Text(bytes.subspan(2), false, stop_at_nul);
            }
            return Utf16Text(bytes, false, stop_at_nul);
        case kUtf16Be:
            return Utf16Text(bytes, true, stop_at_nul);
        default:
            return {};
    }
}

std::size_t TerminatedLength(std::span<const std::uint8_t> bytes, std::uint8_t encoding) {
    if (encoding == kUtf16Bom || encoding == kUtf16Be) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            if (bytes[i] == 0 && bytes[i + 1] == 0) {
                return i + 2;
            }
        }
        return bytes.size();
    }
    const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return zero == bytes.end() ? bytes.size() : static_cast<size_t>(zero - bytes.begin()) + 1;
}

std::int32_t TextToBytes(std::string_view text, std::int32_t max_length,
                         std::span<std::uint8_t> destination, bool add_nul) {
    const std::string bytes = Utf8ToCp1252(text);
    size_t n = bytes.size();
    if (max_length >= 1 && static_cast<size_t>(max_length) <= n) {
        n = static_cast<size_t>(max_length);
    }
    const size_t room = destination.size() - (add_nul && !destination.empty() ? 1 : 0);
    n = std::min(n, room);
    std::copy_n(bytes.begin(), n, destination.begin());
    if (add_nul && n < destination.size()) {
        destination[n] = 0;
        return static_cast<std::int32_t>(n + 1);
    }
    return static_cast<std::int32_t>(n);
}

}  // namespace kalvex
