// Looks for the first MPEG audio frame in arbitrary file content, and reads
// the stream's length (frame counts, the encoder's gapless information).
#include <cstdint>

#include "fuzz_input_file.h"
#include "id3/stream_info.h"
#include "id3/stream_length.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string path = kalvex::fuzz::InputFile(data, size);
    kalvex::StreamInfo info;
    const bool found = kalvex::ReadStreamInfo(path, info);
    if (found && (info.Bitrate < 0 || info.LengthSeconds < 0 || info.Frequency > 48000 ||
                  info.VersionLayer.empty())) {
        __builtin_trap();
    }
    if (size >= 4 && info.FileSize != static_cast<std::int64_t>(size)) {
        __builtin_trap();
    }
    std::string reason;
    const std::optional<kalvex::StreamLength> length = kalvex::ReadStreamLength(path, reason);
    if (length && (length->Samples < 0 || length->SampleRate <= 0)) {
        __builtin_trap();
    }
    if (!length && reason.empty()) {
        __builtin_trap();
    }
    return 0;
}
