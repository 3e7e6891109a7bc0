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

using Bytes = std::string;
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

// As "Name=value; ...", the fields that differ from a fresh value, or with
// `like` the fields it names in its order: one comparison checks them all,
// and a failure shows which differ.
template <class T>
std::string Fields(const T& value, const std::string& like = "") {
    const FieldList all = AllFields(value);
    const FieldList fresh = AllFields(T{});
    std::string out;
    const auto add = [&out](const auto& field) {
        out += (out.empty() ? "" : "; ") + field.first + "=" + field.second;
    };
    for (size_t i = 0; like.empty() && i < all.size(); ++i) {
        if (all[i] != fresh[i]) {
            add(all[i]);
        }
    }
    for (const auto& [name, unused] : ParseFields(like)) {
        for (const auto& field : all) {
            if (field.first == name) {
                add(field);
            }
        }
    }
    return out;
}

// The fields of the file's tag that `read` (ReadTagV1 or ReadTagV2) finds, as
// Fields gives them, or "no tag".
inline std::string TagFields(bool (*read)(const std::string&, TagRecord&), const std::string& path,
                             const std::string& like = "") {
    TagRecord record;
    return read(path, record) ? Fields(record, like) : "no tag";
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

// Four bytes, most significant first, of 8 bits each or of 7 (sync-safe).
inline Bytes Be32(std::uint32_t v, int bits = 8) {
    Bytes out;
    for (int i = 3; i >= 0; --i) {
        out += static_cast<char>((v >> (i * bits)) & ((1u << bits) - 1));
    }
    return out;
}

inline Bytes SyncSafe32(std::uint32_t v) {
    return Be32(v, 7);
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
    return id + Be32(static_cast<std::uint32_t>(data.size())).substr(1) + data;
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
