// How fast a folder of MP3 files is listed: for every file both tags and the
// stream facts, ours (ReadTagV1 + ReadTagV2 + ReadStreamInfo) against TagLib
// reading its ID3 v1 and v2 tags and audio properties, same files, same run,
// warm cache.
//
//   id3_bench TEMPLATE.mp3 [--files N] [--rounds R] [--only ours|taglib]
//
// TEMPLATE.mp3 is untagged audio that every generated file carries. With
// --only, one reader runs once over the files (for strace -c); --only none
// just makes and removes the files.
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "id3/stream_info.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

Bytes SyncSafe(std::uint32_t v) {
    return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
            static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

Bytes Plain(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

Bytes Frame(int version, const Bytes& id, const Bytes& data) {
    const auto size = static_cast<std::uint32_t>(data.size());
    return id + (version == 4 ? SyncSafe(size) : Plain(size)) + Bytes(2, '\0') + data;
}

Bytes Text(const Bytes& text) {
    return Bytes(1, '\0') + text;
}

// A tag like the ones real folders hold: the usual text frames, often a
// comment and a picture of a few to tens of kilobytes, and padding.
Bytes MakeTagV2(int index, std::mt19937& random) {
    const int version = index % 3 == 0 ? 4 : 3;
    const Bytes n = std::to_string(index);
    Bytes body = Frame(version, "TIT2", Text("Title of track " + n)) +
                 Frame(version, "TPE1", Text("Some Artist")) +
                 Frame(version, "TALB", Text("An Album Name")) +
                 Frame(version, version == 4 ? "TDRC" : "TYER", Text("2004")) +
                 Frame(version, "TCON", Text("(17)Rock")) +
                 Frame(version, "TRCK", Text(std::to_string(index % 20 + 1) + "/20"));
    if (index % 2 == 0) {
        body += Frame(version, "COMM", Bytes("\0eng\0", 5) + Bytes(random() % 200, 'c'));
    }
    if (index % 4 == 0) {
        Bytes picture(2048 + random() % (60 * 1024), '\0');
        for (char& c : picture) {
            c = static_cast<char>(random());
        }
        body += Frame(version, "APIC", Bytes("\0image/jpeg\0\3\0", 14) + picture);
    }
    body += Bytes(random() % 4096, '\0');
    return "ID3" + Bytes(1, static_cast<char>(version)) + Bytes(2, '\0') +
           SyncSafe(static_cast<std::uint32_t>(body.size())) + body;
}

Bytes MakeTagV1(int index) {
    Bytes block(128, '\0');
    block.replace(0, 3, "TAG");
    const Bytes title = "Title of track " + std::to_string(index);
    block.replace(3, title.size(), title);
    block.replace(33, 11, "Some Artist");
    block[126] = static_cast<char>(index % 20 + 1);
    block[127] = 17;
    return block;
}

std::vector<std::string> MakeFiles(const fs::path& folder, const Bytes& audio, int count) {
    std::mt19937 random(12345);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const fs::path path = folder / ("track" + std::to_string(i) + ".mp3");
        std::ofstream out(path, std::ios::binary);
        out << MakeTagV2(i, random) << audio << (i % 2 == 0 ? MakeTagV1(i) : "");
        paths.push_back(path.string());
    }
    return paths;
}

// Keeps the compiler from dropping work whose result is not otherwise used.
std::uint64_t g_sink = 0;

void ReadOurs(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        kalvex::TagRecord v1;
        kalvex::TagRecord v2;
        kalvex::StreamInfo info;
        g_sink += kalvex::ReadTagV1(path, v1) + v1.Title.size();
        g_sink += kalvex::ReadTagV2(path, v2) + v2.Title.size();
        g_sink +=
            kalvex::ReadStreamInfo(path, info) + static_cast<std::uint64_t>(info.LengthSeconds);
    }
}

void ReadTagLib(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Average);
        if (TagLib::ID3v1::Tag* v1 = file.ID3v1Tag()) {
            g_sink += v1->title().size();
        }
        if (TagLib::ID3v2::Tag* v2 = file.ID3v2Tag()) {
            g_sink += v2->title().size();
        }
        if (const TagLib::AudioProperties* audio = file.audioProperties()) {
            g_sink += static_cast<std::uint64_t>(audio->lengthInSeconds() + audio->bitrate());
        }
    }
}

double Seconds(void (*reader)(const std::vector<std::string>&),
               const std::vector<std::string>& paths) {
    const auto start = std::chrono::steady_clock::now();
    reader(paths);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: id3_bench TEMPLATE.mp3 [--files N] [--rounds R] "
                     "[--only ours|taglib]\n");
        return 2;
    }
    int count = 2000;
    int rounds = 5;
    std::string only;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--files") {
            count = std::atoi(argv[i + 1]);
        } else if (option == "--rounds") {
            rounds = std::atoi(argv[i + 1]);
        } else if (option == "--only") {
            only = argv[i + 1];
        }
    }
    std::ifstream template_file(argv[1], std::ios::binary);
    const Bytes audio((std::istreambuf_iterator<char>(template_file)),
                      std::istreambuf_iterator<char>());
    if (audio.empty()) {
        std::fprintf(stderr, "id3_bench: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string pattern = (fs::temp_directory_path() / "kalvex-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    const fs::path folder = pattern;
    const std::vector<std::string> paths = MakeFiles(folder, audio, count);

    if (only == "ours") {
        ReadOurs(paths);
    } else if (only == "taglib") {
        ReadTagLib(paths);
    } else if (only.empty()) {
        // Warm the page cache, then take the best of several alternating rounds.
        ReadOurs(paths);
        ReadTagLib(paths);
        double ours = 1e9;
        double taglib = 1e9;
        for (int round = 0; round < rounds; ++round) {
            ours = std::min(ours, Seconds(ReadOurs, paths));
            taglib = std::min(taglib, Seconds(ReadTagLib, paths));
        }
        std::uintmax_t bytes = 0;
        for (const std::string& path : paths) {
            bytes += fs::file_size(path);
        }
        std::printf("%d files, %.1f MB, best of %d rounds, warm cache\n", count,
                    static_cast<double>(bytes) / 1e6, rounds);
        std::printf("ours   (v1 + v2 + stream): %9.0f files/s  (%.1f us/file)\n", count / ours,
                    ours / count * 1e6);
        std::printf("TagLib (v1 + v2 + audio):  %9.0f files/s  (%.1f us/file)\n", count / taglib,
                    taglib / count * 1e6);
        std::printf("our time / TagLib's time:  %.3f\n", ours / taglib);
    }
    fs::remove_all(folder);
    return g_sink == 42 ? 3 : 0;  // never 42 in practice; keeps g_sink alive
}
