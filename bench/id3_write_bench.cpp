// Tag writing speed and memory.
//
//   id3_write_bench inplace TEMPLATE.mp3 FOLDER [--files N] [--rounds R]
//     Saves a changed title into N tagged files whose tag has room for it,
//     ours (ReadTagV2 + WriteTagV2) against TagLib (MPEG::File, setTitle,
//     save as ID3 v2.3), alternating, best of R rounds each, warm cache.
//
//   id3_write_bench grow FOLDER [--mb M] [--rounds R] [--reflink]
//     A tag that outgrows the old one on an M MB file (a new file written
//     beside it, flushed, renamed over it) against `cp` of the same file,
//     against `cp` followed by `sync` of the copy, and against the same done
//     by hand: `cp`, `sync` of the copy, `mv` of the copy over the original.
//     Only the last pays, as ours does, for freeing the original's blocks,
//     which is far from free on a file system mounted with online discard.
//     Every `cp` copies the bytes (--reflink=never), as a tagger that copies
//     the audio does; on a file system that shares blocks (XFS, btrfs) our
//     write shares them, and --reflink adds `cp --reflink=always` + `sync`,
//     the same sharing by hand. Also the peak memory of a process doing only
//     that write, at M MB and at M/10 MB.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "id3/id3v2_reader.h"
#include "id3/id3v2_writer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Option(int argc, char** argv, const std::string& name, const std::string& fallback) {
    for (int i = 0; i + 1 < argc; ++i) {
        if (argv[i] == name) {
            return argv[i + 1];
        }
    }
    return fallback;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

kalvex::TagRecord RecordFor(int index) {
    kalvex::TagRecord record;
    record.Artist = "Some Artist";
    record.Album = "An Album Name";
    record.Title = "Title of track " + std::to_string(index);
    record.Year = "2004";
    record.Genre = "Rock";
    record.TNR = std::to_string(index % 20 + 1) + "/20";
    record.Comment = std::string(static_cast<size_t>(index % 200), 'c');
    return record;
}

int InPlace(int argc, char** argv) {
    const std::string audio = ReadAll(argv[2]);
    const fs::path folder = argv[3];
    const int files = std::stoi(Option(argc, argv, "--files", "2000"));
    const int rounds = std::stoi(Option(argc, argv, "--rounds", "5"));
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i) {
        paths.push_back((folder / ("track" + std::to_string(i) + ".mp3")).string());
        std::ofstream(paths.back(), std::ios::binary) << audio;
        if (const kalvex::FileResult written = kalvex::WriteTagV2(
                paths.back(), RecordFor(i), {.version = kalvex::TagV2Version::k23});
            !written) {
            std::fprintf(stderr, "our first write failed: %s: %s\n", paths.back().c_str(),
                         written.Reason().c_str());
            return 1;
        }
    }
    double best_ours = 1e9, best_taglib = 1e9;
    for (int round = 0; round < rounds; ++round) {
        // Same length every round, so every save fits the tag's space.
        const std::string suffix = " (take " + std::to_string(round % 10) + ")";
        auto start = Clock::now();
        for (const std::string& path : paths) {
            kalvex::TagRecord record;
            kalvex::ReadTagV2(path, record);
            record.Title = "Title" + suffix;
            if (const kalvex::FileResult written =
                    kalvex::WriteTagV2(path, record, {.version = kalvex::TagV2Version::k23});
                !written) {
                std::fprintf(stderr, "our write failed: %s: %s\n", path.c_str(),
                             written.Reason().c_str());
                return 1;
            }
        }
        best_ours = std::min(best_ours, Seconds(start));
        start = Clock::now();
        for (const std::string& path : paths) {
            TagLib::MPEG::File file(path.c_str());
            file.ID3v2Tag(true)->setTitle(TagLib::String("Title" + suffix, TagLib::String::UTF8));
            if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3)) {
                std::fprintf(stderr, "TagLib's save failed: %s\n", path.c_str());
                return 1;
            }
        }
        best_taglib = std::min(best_taglib, Seconds(start));
    }
    std::printf("in-place title change on %d files, best of %d rounds:\n", files, rounds);
    std::printf("  ours   %.3f s (%.0f files/s)\n", best_ours, files / best_ours);
    std::printf("  TagLib %.3f s (%.0f files/s)\n", best_taglib, files / best_taglib);
    std::printf("  ours takes %.2fx TagLib's time\n", best_ours / best_taglib);
    return 0;
}

void MakeBigFile(const std::string& path, long megabytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string chunk(1 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : chunk) {
        c = static_cast<char>(random());
    }
    for (long i = 0; i < megabytes; ++i) {
        out << chunk;
    }
}

// A record whose tag outgrows the one written before it (the comment grows by
// more than the largest zero fill a tag gets: 16 KiB, and less than a block
// more where blocks are shared).
kalvex::TagRecord Growing(int round) {
    kalvex::TagRecord record = RecordFor(round);
    record.Comment = std::string(static_cast<size_t>(24000 * (round + 1)), 'g');
    return record;
}

ino_t InodeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

// Peak resident memory (KiB) of a child process doing one grown-tag write.
long PeakOfOneWrite(const std::string& path, int round) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(kalvex::WriteTagV2(path, Growing(round), {.version = kalvex::TagV2Version::k23})
                    ? 0
                    : 1);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
}

// Two decimals, three below 0.1: a shared rewrite takes thousandths of a copy.
std::string Ratio(double ratio) {
    char text[32];
    std::snprintf(text, sizeof text, ratio < 0.1 ? "%.3f" : "%.2f", ratio);
    return text;
}

double TimeShell(const std::string& command) {
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
    }
    return Seconds(start);
}

int Grow(int argc, char** argv) {
    const fs::path folder = argv[2];
    const long megabytes = std::stol(Option(argc, argv, "--mb", "500"));
    const int rounds = std::stoi(Option(argc, argv, "--rounds", "3"));
    const std::string path = (folder / "big.mp3").string();
    const std::string copy = (folder / "copy.mp3").string();
    const bool reflink = std::find(argv, argv + argc, std::string("--reflink")) != argv + argc;
    const std::string cp = "cp --reflink=never '" + path + "' '" + copy + "'";
    const std::string sync_copy = " && sync '" + copy + "'";
    MakeBigFile(path, megabytes);
    double best_ours = 1e9, best_cp = 1e9, best_cp_sync = 1e9, best_replace = 1e9;
    double best_shared = 1e9;
    int round = 0;
    for (; round < rounds; ++round) {
        ::sync();
        const ino_t before = InodeOf(path);
        auto start = Clock::now();
        if (const kalvex::FileResult written =
                kalvex::WriteTagV2(path, Growing(round), {.version = kalvex::TagV2Version::k23});
            !written) {
            std::fprintf(stderr, "our write failed: %s\n", written.Reason().c_str());
            return 1;
        }
        best_ours = std::min(best_ours, Seconds(start));
        if (InodeOf(path) == before) {
            std::fprintf(stderr, "the grown tag fit in place: nothing was measured\n");
            return 1;
        }
        ::sync();
        best_cp = std::min(best_cp, TimeShell(cp));
        fs::remove(copy);
        ::sync();
        best_cp_sync = std::min(best_cp_sync, TimeShell(cp + sync_copy));
        fs::remove(copy);
        if (reflink) {
            ::sync();
            best_shared = std::min(best_shared, TimeShell("cp --reflink=always '" + path + "' '" +
                                                          copy + "'" + sync_copy));
            fs::remove(copy);
        }
        ::sync();
        best_replace = std::min(best_replace,
                                TimeShell(cp + sync_copy + " && mv '" + copy + "' '" + path + "'"));
    }
    const long peak = PeakOfOneWrite(path, round++);
    const std::string small = (folder / "small.mp3").string();
    MakeBigFile(small, std::max(1L, megabytes / 10));
    const long peak_small = PeakOfOneWrite(small, round++);
    std::printf("grown tag on a %ld MB file, best of %d rounds:\n", megabytes, rounds);
    std::printf("  ours (new file, flushed, renamed) %.3f s\n", best_ours);
    std::printf("  cp (each cp --reflink=never)      %.3f s  -> ours %sx cp\n", best_cp,
                Ratio(best_ours / best_cp).c_str());
    std::printf("  cp + sync of the copy             %.3f s  -> ours %sx cp+sync\n", best_cp_sync,
                Ratio(best_ours / best_cp_sync).c_str());
    std::printf("  cp + sync + mv over the original  %.3f s  -> ours %sx cp+sync+mv\n",
                best_replace, Ratio(best_ours / best_replace).c_str());
    if (reflink) {
        std::printf("  cp --reflink=always + sync        %.3f s  -> ours %sx that\n", best_shared,
                    Ratio(best_ours / best_shared).c_str());
    }
    std::printf("  peak memory of one write: %.1f MB (%ld MB file), %.1f MB (%ld MB file)\n",
                peak / 1024.0, megabytes, peak_small / 1024.0, std::max(1L, megabytes / 10));
    fs::remove(path);
    fs::remove(small);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "inplace" && argc >= 4) {
        return InPlace(argc, argv);
    }
    if (mode == "grow" && argc >= 3) {
        return Grow(argc, argv);
    }
    std::fprintf(stderr,
                 "usage: id3_write_bench inplace TEMPLATE.mp3 FOLDER [--files N] [--rounds R]\n"
                 "       id3_write_bench grow FOLDER [--mb M] [--rounds R] [--reflink]\n");
    return 2;
}
