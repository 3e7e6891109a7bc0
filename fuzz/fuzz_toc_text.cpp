#include <cstdint>
#include <string>

#include "cdrom/disc_id.h"
#include "cdrom/toc_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const kalvex::TocTextResult result = kalvex::ParseTocText(text);
    if (!result.toc) {
        if (result.error.empty()) {
            __builtin_trap();
        }
        return 0;
    }
    // Whatever the reader accepts must be a TOC every later step can use.
    if (kalvex::TocProblem(*result.toc)) {
        __builtin_trap();
    }
    (void)kalvex::BuildQueryCommand(*result.toc);
    if (kalvex::ParseTocText(kalvex::FormatTocText(*result.toc)).toc->bytes != result.toc->bytes) {
        __builtin_trap();
    }
    return 0;
}
