// Reads an ID3 v1 tag from arbitrary file content.
#include <cstdint>

#include "fuzz_input_file.h"
#include "id3/id3v1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    kalvex::TagRecord record;
    const bool found = kalvex::ReadTagV1(kalvex::fuzz::InputFile(data, size), record);
    // A field never holds more characters than its 30 bytes (4 for the year).
    if (found && (record.Title.size() > 3 * 30 || record.Year.size() > 3 * 4)) {
        __builtin_trap();
    }
    return 0;
}
