#include <cstdint>
#include <set>
#include <string>

#include "common/cp1252.h"
#include "freedb/album_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string page = kalvex::Cp1252ToUtf8({reinterpret_cast<const char*>(data), size});
    kalvex::AlbumData album;
    kalvex::CollectingMessageService messages;
    kalvex::ParseAlbumReply(page, album, messages);
    // Track numbers occur once per list, and track 0 is always there.
    for (const auto* list : {&album.TrackTitles, &album.TrackExtras}) {
        std::set<int> seen;
        for (const kalvex::TrackText& entry : *list) {
            if (!seen.insert(entry.TrackNumber).second) {
                __builtin_trap();
            }
        }
        if (!seen.count(0)) {
            __builtin_trap();
        }
    }
    for (int n = -1; n < 100; ++n) {
        (void)kalvex::GetTrackTitle(album, n);
    }
    return 0;
}
