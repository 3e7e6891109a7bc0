#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "id3/stream_info.h"
#include "id3/tag_fields.h"
#include "id3/tag_record.h"
#include "test_files.h"

// Designated initializers name only the fields a case sets.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kalvex::test {

using FieldList = std::vector<std::pair<std::string, std::string>>;

inline FieldList AllFields(const TagRecord& r) {
    FieldList fields;
    for (const TagField& field : kTagFields) {
        fields.emplace_back(field.name, r.*field.member);
    }
    return fields;
}

inline FieldList AllFields(const StreamInfo& i) {
    const auto yes = [](bool v) { return std::string(v ? "yes" : "no"); };
    const auto number = [](auto v) { return std::to_string(v); };
    return {{"VersionLayer", i.VersionLayer},
            {"UsesChecksums", yes(i.UsesChecksums)},
            {"Bitrate", number(i.Bitrate)},
            {"Frequency", number(i.Frequency)},
            {"VariableBitrate", yes(i.VariableBitrate)},
            {"ChannelMode", i.ChannelMode},
            {"Copyrighted", yes(i.Copyrighted)},
            {"Original", yes(i.Original)},
            {"Emphasis", yes(i.Emphasis)},
            {"LengthSeconds", number(i.LengthSeconds)},
            {"TagV1Minor", number(i.TagV1Minor)},
            {"TagV2Major", number(i.TagV2Major)},
            {"FileSize", number(i.FileSize)}};
}

inline void AddField(std::string& out, const std::string& name, const std::string& value) {
    out += (out.empty() ? "" : "; ") + name + "=" + value;
}

// The fields that differ from a fresh value, as "Name=value; ...": one
// comparison checks every field, and a failure shows which differ.
template <class T>
std::string Fields(const T& value) {
    const FieldList all = AllFields(value);
    const FieldList fresh = AllFields(T{});
    std::string out;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].second != fresh[i].second) {
            AddField(out, all[i].first, all[i].second);
        }
    }
    return out;
}

// "Name=value; ..." split into its pairs.
inline FieldList ParseFields(const std::string& text) {
    FieldList fields;
    for (size_t at = 0; at < text.size();) {
        const size_t equals = text.find('=', at);
        const size_t next = std::min(text.find("; ", equals), text.size());
        fields.emplace_back(text.substr(at, equals - at),
                            text.substr(equals + 1, next - equals - 1));
        at = next + 2;
    }
    return fields;
}

// Only the fields `expected` names, in its order.
template <class T>
std::string FieldsLike(const T& value, const std::string& expected) {
    const FieldList all = AllFields(value);
    std::string out;
    for (const auto& [name, unused] : ParseFields(expected)) {
        for (const auto& [field, text] : all) {
            if (field == name) {
                AddField(out, field, text);
            }
        }
    }
    return out;
}

// A record with the given fields set, the others empty.
inline TagRecord Record(const std::string& fields) {
    TagRecord r;
    for (const auto& [name, value] : ParseFields(fields)) {
        for (const TagField& field : kTagFields) {
            if (field.name == name) {
                r.*field.member = value;
            }
        }
    }
    return r;
}

// Builders for tags and MPEG frames as bytes, for what no public file holds.

using Bytes = std::string;

inline Bytes Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

inline Bytes SyncSafe32(std::uint32_t v) {
    return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
            static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

// Stands for the audio: an MPEG frame header and bytes that differ along
// the way, so any shift or cut shows.
inline Bytes Audio(size_t size = 6000) {
    Bytes audio("\xFF\xFB\x90\x64", 4);
    for (size_t i = 0; audio.size() < size; ++i) {
        audio += static_cast<char>((i * 31 + 7) & 0xFF);
    }
    return audio;
}

inline std::string Quote(const std::string& path) {
    return "'" + path + "'";
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

// While it lives, this process and the programs it starts cannot make any
// file longer than `bytes`: such a write fails with EFBIG ("File too large")
// instead of raising SIGXFSZ. Unlike permission bits this holds for root too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::size_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_limit_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_limit_;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_limit_);
        std::signal(SIGXFSZ, old_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_limit_{};
    void (*old_handler_)(int) = SIG_DFL;
};

// A file in a fresh temporary folder, removed with the object.
class TempFile {
public:
    explicit TempFile(const Bytes& content, const std::string& name = "track.mp3")
        : path_((folder_.path() / name).string()) {
        std::ofstream(path_, std::ios::binary) << content;
    }

    const std::string& path() const { return path_; }
    Bytes Read() const { return ReadFileBytes(path_); }

private:
    TempFolder folder_{"kalvex-id3"};
    std::string path_;
};

}  // namespace kalvex::test
