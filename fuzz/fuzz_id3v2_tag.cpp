// Reads ID3 v2 tags from arbitrary file content in both modes: reading (the
// editor) and collecting (what a rewrite carries over), and the pictures
// among the collected frames with their images' facts.
#include <cstdint>

#include "fuzz_input_file.h"
#include "id3/id3v2_reader.h"
#include "id3/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string path = kalvex::fuzz::InputFile(data, size);
    kalvex::TagRecord record;
    (void)kalvex::ReadTagV2(path, record);

    const std::optional<kalvex::Mp3File> file =
        kalvex::Mp3File::Open(path, kalvex::Mp3File::Mode::kRead);
    if (!file) {
        __builtin_trap();
    }
    kalvex::KeptFrames frames;
    kalvex::CollectTagV2Frames(*file, frames);
    for (const kalvex::KeptFrame& frame : frames) {
        // Every kept frame has data to write and never claims more than it has.
        if (frame.Size < 1 || static_cast<size_t>(frame.Size) > frame.Data.size() ||
            frame.Data.size() > size + 16) {
            __builtin_trap();
        }
    }
    for (const kalvex::TagPicture& picture : kalvex::PicturesOf(frames)) {
        const kalvex::ImageFacts facts = kalvex::ReadImageFacts(picture.Data);
        if (picture.Data.size() > size || (facts.Width && *facts.Width <= 0) ||
            (facts.Height && *facts.Height <= 0)) {
            __builtin_trap();
        }
    }
    return 0;
}
