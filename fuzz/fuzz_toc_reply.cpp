// A drive's READ TOC reply is input from hardware: whatever bytes arrive,
// judging the reply and working with one that is judged complete must not
// crash.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "cdrom/disc_id.h"
#include "cdrom/drive_commands.h"
#include "cdrom/toc_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    kalvex::DiscToc reply;
    std::memcpy(reply.bytes.data(), data, std::min(size, reply.bytes.size()));
    if (!kalvex::TocReplyComplete(reply)) {
        return 0;
    }
    if (kalvex::TocProblem(reply)) {
        __builtin_trap();
    }
    (void)kalvex::BuildQueryCommand(reply);
    (void)kalvex::FormatTocText(reply);
    return 0;
}
