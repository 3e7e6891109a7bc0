#include <cstdint>
#include <string>

#include "common/cp1252.h"
#include "freedb/cddb_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string page = kalvex::Cp1252ToUtf8({reinterpret_cast<const char*>(data), size});
    kalvex::MatchList matches;
    kalvex::CollectingMessageService messages;
    const bool found = kalvex::ParseQueryReply(page, matches, messages);
    // A query always leaves at least entry 0 behind.
    if (matches.empty() || (found && !messages.Messages().empty())) {
        __builtin_trap();
    }
    return 0;
}
