// Looks for the first MPEG audio frame in arbitrary file content.
#include <cstdint>

#include "fuzz_input_file.h"
#include "id3/stream_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    kalvex::StreamInfo info;
    const bool found = kalvex::ReadStreamInfo(kalvex::fuzz::InputFile(data, size), info);
    if (found && (info.Bitrate < 0 || info.LengthSeconds < 0 || info.Frequency > 48000 ||
                  info.VersionLayer.empty())) {
        __builtin_trap();
    }
    if (size >= 4 && info.FileSize != static_cast<std::int64_t>(size)) {
        __builtin_trap();
    }
    return 0;
}
