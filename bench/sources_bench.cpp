// A lookup over both services against the project's stand-ins on 127.0.0.1,
// with one of them (or both) answering 2 seconds late: the two run at once,
// so the lookup takes the slower one's time, not the sum. The peer is the
// same two lookups one after the other (CDDB alone, then MusicBrainz alone).
//   sources_bench [ROUNDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cddb_server_process.h"
#include "cdrom/toc_text.h"
#include "workflow/cd_lookup.h"

namespace {

using Clock = std::chrono::steady_clock;
using kalvex::test::CddbServerProcess;
using kalvex::test::MusicBrainzServerProcess;

class FirstChooser : public kalvex::MatchChooser {
public:
    void ChooseMatch(const std::vector<std::string>&,
                     const std::function<void(int)>& load_match) override {
        load_match(0);
    }
};

// Seconds of one lookup of the disc both services know, asking `sources`.
double LookupSeconds(const CddbServerProcess& cddb, const MusicBrainzServerProcess& musicbrainz,
                     bool ask_cddb, bool ask_musicbrainz) {
    FirstChooser chooser;
    kalvex::CollectingMessageService messages;
    kalvex::CdLookup lookup([] { return std::make_unique<kalvex::CurlFetcher>(); }, chooser,
                            messages, kalvex::ProgramHelloSuffix());
    lookup.SetSources({ask_cddb, ask_musicbrainz, musicbrainz.BaseUrl()});
    const kalvex::DiscToc toc = *kalvex::ParseTocText("1 2 0:2:0 3:0:0 5:30:10").toc;
    const Clock::time_point start = Clock::now();
    if (!lookup.LookUpToc(toc, {cddb.BaseUrl(), kalvex::kDefaultRoot, cddb.PortText()})) {
        std::fprintf(stderr, "the lookup loaded no album\n");
        std::exit(1);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Measure(const char* late, const std::vector<std::string>& cddb_fault,
             const std::vector<std::string>& musicbrainz_fault, int rounds) {
    const std::string data = std::string(KALVEX_SOURCE_DIR) + "/tests/data/";
    std::vector<std::string> cddb_options = {"--db", data + "cddb/db"};
    cddb_options.insert(cddb_options.end(), cddb_fault.begin(), cddb_fault.end());
    std::vector<std::string> musicbrainz_options = {"--db", data + "musicbrainz"};
    musicbrainz_options.insert(musicbrainz_options.end(), musicbrainz_fault.begin(),
                               musicbrainz_fault.end());
    const CddbServerProcess cddb(cddb_options);
    const MusicBrainzServerProcess musicbrainz(musicbrainz_options);
    double both = 1e9;
    double one_after_the_other = 1e9;
    for (int i = 0; i < rounds; ++i) {
        both = std::min(both, LookupSeconds(cddb, musicbrainz, true, true));
        one_after_the_other =
            std::min(one_after_the_other, LookupSeconds(cddb, musicbrainz, true, false) +
                                              LookupSeconds(cddb, musicbrainz, false, true));
    }
    std::printf("%s 2 s late (best of %d)\n", late, rounds);
    std::printf("  both services at once:    %.3f s\n", both);
    std::printf("  one after the other:      %.3f s\n", one_after_the_other);
    std::printf("  ratio at once/one after the other: %.2f\n", both / one_after_the_other);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::vector<std::string> cddb_late = {"--fault", "delay:2", "--fault-on", "query"};
    const std::vector<std::string> musicbrainz_late = {"--fault", "delay:2"};
    Measure("CDDB answering", cddb_late, {}, rounds);
    Measure("MusicBrainz answering", {}, musicbrainz_late, rounds);
    Measure("both answering", cddb_late, musicbrainz_late, rounds);
    return 0;
}
