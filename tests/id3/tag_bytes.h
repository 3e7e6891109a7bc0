#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "test_files.h"

// Builders for tags and MPEG frames as bytes, for what no public file holds.
namespace kalvex::test {

using Bytes = std::string;

inline Bytes Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

inline Bytes SyncSafe32(std::uint32_t v) {
    return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
            static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

// A whole tag: header with version and flags, then the body as given.
inline Bytes Tag(int version, std::uint8_t flags, const Bytes& body) {
    return Bytes("ID3") + static_cast<char>(version) + '\0' + static_cast<char>(flags) +
           SyncSafe32(static_cast<std::uint32_t>(body.size())) + body;
}

inline Bytes Frame22(const Bytes& id, const Bytes& data) {
    const auto n = static_cast<std::uint32_t>(data.size());
    return id + static_cast<char>(n >> 16) + static_cast<char>(n >> 8) + static_cast<char>(n) +
           data;
}

inline Bytes Frame23(const Bytes& id, const Bytes& data, std::uint8_t format = 0) {
    return id + Be32(static_cast<std::uint32_t>(data.size())) + '\0' + static_cast<char>(format) +
           data;
}

inline Bytes Frame24(const Bytes& id, const Bytes& data, std::uint8_t format = 0) {
    return id + SyncSafe32(static_cast<std::uint32_t>(data.size())) + '\0' +
           static_cast<char>(format) + data;
}

// A Latin-1 text frame's content: encoding 0, the text, a terminator.
inline Bytes Latin(const Bytes& text) {
    return Bytes(1, '\0') + text + Bytes(1, '\0');
}

// A 128-byte ID3 v1.1 block.
inline Bytes TagV1(const Bytes& title, int track, int genre) {
    Bytes block(128, '\0');
    block.replace(0, 3, "TAG");
    block.replace(3, title.size(), title);
    block[126] = static_cast<char>(track);
    block[127] = static_cast<char>(genre);
    return block;
}

// A file in a fresh temporary folder, removed with the object.
class TempFile {
public:
    explicit TempFile(const Bytes& content, const std::string& name = "track.mp3") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kalvex-id3-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        path_ = (folder_ / name).string();
        Write(content);
    }
    ~TempFile() { std::filesystem::remove_all(folder_); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }
    void Write(const Bytes& content) const {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << content;
    }
    Bytes Read() const { return ReadFileBytes(path_); }

private:
    std::filesystem::path folder_;
    std::string path_;
};

}  // namespace kalvex::test
