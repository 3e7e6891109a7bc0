// Reply bytes as a fetch returns them, through the whole lookup: the query,
// the choice and the read see the input split at its first NUL byte (query
// reply, then album reply), as a hostile or broken server might send them.
#include <cstdint>
#include <string>

#include "cdrom/toc_text.h"
#include "workflow/cd_lookup.h"

namespace {

class CannedFetcher : public kalvex::SequentialFetcher {
public:
    CannedFetcher(std::string query, std::string album)
        : query_(std::move(query)), album_(std::move(album)) {}

protected:
    kalvex::FetchResult Answer(const kalvex::HttpRequest& request) override {
        const bool read = request.url.find("cmd=cddb+read") != std::string::npos;
        return {true, read ? album_ : query_, {}, 200, {}};
    }

private:
    std::string query_;
    std::string album_;
};

class LastMatchChooser : public kalvex::MatchChooser {
public:
    void ChooseMatch(const std::vector<std::string>& matches,
                     const std::function<void(int)>& load_match) override {
        load_match(static_cast<int>(matches.size()) - 1);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string query = input.substr(0, split);
    const std::string album = split == std::string::npos ? input : input.substr(split + 1);
    LastMatchChooser chooser;
    kalvex::CollectingMessageService messages;
    kalvex::CdLookup lookup([&] { return std::make_unique<CannedFetcher>(query, album); }, chooser,
                            messages, "");
    static const kalvex::DiscToc toc = *kalvex::ParseTocText("1 2 0:2:0 3:0:0 5:30:10").toc;
    const bool loaded = lookup.LookUpToc(toc, {});
    // An album loaded is the one shown; a lookup that loaded none always
    // says why (the chooser here never cancels).
    if (loaded &&
        (!lookup.Album().AlbumValid || lookup.Panel().Caption != lookup.Album().AlbumTitle)) {
        __builtin_trap();
    }
    if (!loaded && messages.Messages().empty()) {
        __builtin_trap();
    }
    return 0;
}
