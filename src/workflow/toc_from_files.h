#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cdrom/disc_toc.h"
#include "workflow/track_list.h"

namespace kalvex {

inline constexpr int kCdSampleRate = 44100;
inline constexpr int kSamplesPerCdFrame = 588;  // 1/75 of a second at 44.1 kHz

// How near the table of contents is to the disc's own.
enum class TocConfidence {
    // Every file gave its exact length (the encoder's gapless information),
    // each a whole number of CD frames: the disc ids are the disc's.
    kExact,
    // A length came from a frame count alone, or was not whole CD frames and
    // was rounded to the nearest: the ids are likely not the disc's, but a
    // lookup by table of contents or an inexact CDDB match finds it.
    kEstimated,
};

// One file of the album, in track order.
struct FileLength {
    std::string File;
    std::int64_t Samples = 0;
    std::int32_t CdFrames = 0;  // rounded to the nearest
    bool Exact = false;
};

struct FilesToc {
    std::optional<DiscToc> Toc;  // none when the folder cannot give one
    TocConfidence Confidence = TocConfidence::kExact;
    std::vector<FileLength> Files;
    std::string Problem;  // why the folder cannot give one
};

// The table of contents of the disc a folder's MP3 files were ripped from,
// track by track: the files in the order of the track list's numbers under
// `option` (each number from 1 to the file count once), track 1 at frame 150
// (the lead-in), each next track where the one before ends, the lead-out
// after the last. Only each file's first frames are read. Files that hold no
// MPEG audio, or audio of another sample rate than a CD's, leave the folder
// without one.
FilesToc TocFromFiles(const std::string& folder, TrackOption option);

// What the reply page says of a table of contents from files.
std::string FilesTocNote(const FilesToc& toc);

}  // namespace kalvex
