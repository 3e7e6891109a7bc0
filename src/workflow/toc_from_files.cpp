// A disc's table of contents from the MP3 files ripped from it.
#include "workflow/toc_from_files.h"

#include <algorithm>

#include "cdrom/toc_text.h"
#include "common/text_helpers.h"
#include "id3/stream_length.h"
#include "workflow/album_job.h"

namespace kalvex {
namespace {

constexpr int kLeadIn = 150;
constexpr std::size_t kMostTracks = 99;

MsfAddress Msf(std::int64_t frames) {
    return {static_cast<int>(frames / (60 * 75)), static_cast<int>(frames / 75 % 60),
            static_cast<int>(frames % 75)};
}

FilesToc Unusable(std::string problem) {
    FilesToc toc;
    toc.Problem = std::move(problem);
    return toc;
}

}  // namespace

FilesToc TocFromFiles(const std::string& folder, TrackOption option) {
    const std::vector<std::string> names = ListMp3Files(folder);
    if (names.empty()) {
        return Unusable("the folder holds no MP3 files");
    }
    if (names.size() > kMostTracks) {
        return Unusable("the folder holds " + std::to_string(names.size()) +
                        " MP3 files, more than a CD's 99 tracks");
    }
    // Each track number from 1 to the file count names exactly one file.
    const std::vector<std::string> texts = ListTrackTexts(folder, names, option);
    std::vector<std::string> ordered(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::optional<int> track = ImportTrackNumber(texts[i]);
        if (!track || *track > static_cast<int>(names.size())) {
            return Unusable("'" + names[i] + "' gives no track from 1 to " +
                            std::to_string(names.size()) + " (its track text is '" + texts[i] +
                            "')");
        }
        std::string& slot = ordered[static_cast<std::size_t>(*track - 1)];
        if (!slot.empty()) {
            return Unusable("'" + slot + "' and '" + names[i] + "' both give track " +
                            std::to_string(*track));
        }
        slot = names[i];
    }

    FilesToc toc;
    std::vector<MsfAddress> starts;
    std::int64_t frame = kLeadIn;
    for (const std::string& name : ordered) {
        std::string reason;
        const std::optional<StreamLength> length =
            ReadStreamLength(AddBackslash(folder) + name, reason);
        if (!length) {
            return Unusable("'" + name + "' " + reason);
        }
        if (length->SampleRate != kCdSampleRate) {
            return Unusable("'" + name + "' has a sample rate of " +
                            std::to_string(length->SampleRate) + " Hz, not a CD's 44100 Hz");
        }
        FileLength& file = toc.Files.emplace_back();
        file.File = name;
        file.Samples = length->Samples;
        file.CdFrames = static_cast<std::int32_t>((length->Samples + kSamplesPerCdFrame / 2) /
                                                  kSamplesPerCdFrame);
        file.Exact = length->Gapless && length->Samples % kSamplesPerCdFrame == 0;
        if (!file.Exact) {
            toc.Confidence = TocConfidence::kEstimated;
        }
        if (file.CdFrames == 0) {
            return Unusable("'" + name + "' is shorter than a CD frame");
        }
        starts.push_back(Msf(frame));
        frame += file.CdFrames;
    }
    starts.push_back(Msf(frame));
    DiscToc made = MakeDiscToc(1, static_cast<int>(ordered.size()), starts);
    if (const std::optional<std::string> problem = TocProblem(made)) {
        return Unusable("the files give no disc: " + *problem);
    }
    toc.Toc = made;
    return toc;
}

std::string FilesTocNote(const FilesToc& toc) {
    if (toc.Confidence == TocConfidence::kExact) {
        return "The table of contents comes from the files' exact lengths: the disc ids are the "
               "disc's own.";
    }
    return "The table of contents is estimated from the files (a length without the encoder's "
           "gapless information, or not whole CD frames, was rounded): the disc ids are likely "
           "not the disc's own, so MusicBrainz's lookup by table of contents and the CDDB "
           "server's inexact match (211) are the ones expected to find the album.";
}

}  // namespace kalvex
