// Lookups over both services against the project's stand-ins on 127.0.0.1:
// what is found, told and loaded when either, both or neither know a disc,
// and how the MusicBrainz requests keep its rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "cddb_server_process.h"
#include "cdrom/disc_id.h"
#include "cdrom/toc_text.h"
#include "test_files.h"
#include "workflow/cd_lookup.h"

namespace kalvex {
namespace {

using test::CddbServerProcess;
using test::MusicBrainzServerProcess;
using test::TestDataPath;

constexpr const char* kKnownToBoth = "1 2 0:2:0 3:0:0 5:30:10";
constexpr const char* kJazz =
    "1 11 0:2:0 6:21:40 11:20:27 16:51:10 22:48:20 26:59:35 33:6:27 39:2:47 45:24:22 51:21:7 "
    "59:33:27 63:46:0";
constexpr const char* kCompilation = "1 3 0:2:0 2:30:0 5:0:0 7:30:0";
constexpr const char* kSecondOfTwo = "1 2 0:2:0 4:0:0 8:0:0";
constexpr const char* kUnknown = "1 2 0:2:0 1:0:0 2:0:0";

DiscToc Toc(const std::string& text) {
    return *ParseTocText(text).toc;
}

class ScriptedChooser : public MatchChooser {
public:
    void ChooseMatch(const std::vector<std::string>& rows,
                     const std::function<void(int)>& load_match) override {
        offered = rows;
        if (choice) {
            load_match(*choice);
        }
    }
    std::optional<int> choice;
    std::vector<std::string> offered;
};

class MusicBrainzLookupTest : public ::testing::Test {
protected:
    // Both stand-ins; `cddb_options` and `musicbrainz_options` add faults.
    void Start(std::vector<std::string> cddb_options = {},
               std::vector<std::string> musicbrainz_options = {}) {
        cddb_options.insert(cddb_options.begin(), {"--db", TestDataPath("cddb/db")});
        musicbrainz_options.insert(musicbrainz_options.begin(),
                                   {"--db", TestDataPath("musicbrainz")});
        cddb.emplace(cddb_options);
        musicbrainz.emplace(musicbrainz_options);
        lookup.emplace([this] { return std::make_unique<CurlFetcher>(limits); }, chooser, messages,
                       ProgramHelloSuffix());
        lookup->SetSources({true, true, musicbrainz->BaseUrl()});
    }
    bool LookUp(const std::string& toc) {
        messages = {};
        return lookup->LookUpToc(Toc(toc), {cddb->BaseUrl(), kDefaultRoot, cddb->PortText()});
    }
    // The moments the stand-in received disc id requests, in seconds.
    std::vector<double> RequestTimes() const {
        CurlFetcher fetcher;
        const FetchResult stats =
            fetcher.Fetch(HttpRequest{musicbrainz->BaseUrl() + "/stats", {}, {}, {}});
        const nlohmann::json seen = nlohmann::json::parse(stats.body);
        std::vector<double> times;
        for (const auto& request : seen["requests"]) {
            times.push_back(request["time"].get<double>());
        }
        return times;
    }

    FetchLimits limits;
    ScriptedChooser chooser;
    CollectingMessageService messages;
    std::optional<CddbServerProcess> cddb;
    std::optional<MusicBrainzServerProcess> musicbrainz;
    std::optional<CdLookup> lookup;
};

TEST_F(MusicBrainzLookupTest, MatchesOfBothServicesAreOfferedAndEitherIsRead) {
    Start();
    chooser.choice = 2;
    ASSERT_TRUE(LookUp(kKnownToBoth));
    EXPECT_EQ(chooser.offered,
              (std::vector<std::string>{
                  "CDDB: Other Artist / Same Id (misc)", "CDDB: Test Artist / Two Tracks (rock)",
                  "MusicBrainz: Stand-In Band / Second Source (2001, GB, CD)"}));
    const AlbumPanel& panel = lookup->Panel();
    EXPECT_EQ(panel.Artist, "Stand-In Band");
    EXPECT_EQ(panel.Album, "Second Source");
    EXPECT_EQ(panel.Genre, "Rock");
    EXPECT_EQ(panel.Year, "2001");
    EXPECT_EQ(panel.Details,
              (std::vector<std::string>{"Track 1 : First of Two", "Track 2 : Second of Two"}));
    EXPECT_TRUE(messages.Texts().empty());

    chooser.choice = 1;
    ASSERT_TRUE(LookUp(kKnownToBoth));
    EXPECT_EQ(lookup->Panel().Album, "Two Tracks");
}

// One match over both services is read without asking; a compilation's
// tracks name their own artists, as CDDB writes them; a disc of a two-CD
// release gives that medium's tracks.
TEST_F(MusicBrainzLookupTest, OneMatchOverBothIsReadWithoutAsking) {
    Start();
    for (const auto& [toc, caption, first_track] :
         {std::tuple{kJazz, "Jazz Group / Eleven", "Track 1 of 920ef00b"},
          std::tuple{kCompilation, "Various Artists / Summer Hits", "The Waves / Beach Song"},
          std::tuple{kSecondOfTwo, "Alder & Birch / Double Set", "Four"}}) {
        ASSERT_TRUE(LookUp(toc)) << caption;
        EXPECT_TRUE(chooser.offered.empty());
        EXPECT_EQ(lookup->Panel().Caption, caption);
        EXPECT_EQ(GetTrackTitle(lookup->Album(), 0), first_track);
        EXPECT_TRUE(messages.Texts().empty()) << messages.Texts().front();
    }
    EXPECT_EQ(GetTrackTitle(lookup->Album(), 1), "Five");
    const MusicBrainzRelease& set = lookup->Matches().front().Release;
    EXPECT_EQ(MatchRowText(lookup->Matches().front(), true),
              "MusicBrainz: Alder & Birch / Double Set (1999, DE, CD, disc 2 of 2)");
    EXPECT_EQ(set.Medium, 2);
    EXPECT_EQ(lookup->Panel().Genre, "");  // its most-voted genre is not on the list

    ASSERT_TRUE(LookUp(kCompilation));
    EXPECT_EQ(GetTrackTitle(lookup->Album(), 1), "Sol feat. Luna / Sunset");
    EXPECT_EQ(GetTrackTitle(lookup->Album(), 2), "Heatwave");  // credited as the release
    EXPECT_EQ(lookup->Panel().Year, "0");
}

// A table of contents a few frames off (as from files) misses the disc id,
// and the lookup by table of contents finds the release.
TEST_F(MusicBrainzLookupTest, AnUnknownIdIsLookedUpByItsTableOfContents) {
    Start();
    lookup->SetSources({false, true, musicbrainz->BaseUrl()});
    ASSERT_TRUE(LookUp("1 2 0:2:0 3:1:3 5:31:12"));
    EXPECT_EQ(lookup->Panel().Album, "Second Source");
    const std::vector<double> times = RequestTimes();
    EXPECT_EQ(times.size(), 2u);  // the disc id, then the table of contents
}

TEST_F(MusicBrainzLookupTest, NothingFoundTellsOnceWithTheReasonsOfTheServicesThatFailed) {
    Start();
    EXPECT_FALSE(LookUp(kUnknown));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{kNoMatchMessage});

    Start({"--fault", "refuse-hello"}, {"--fault", "garbage"});
    EXPECT_FALSE(LookUp(kUnknown));
    ASSERT_EQ(messages.Texts().size(), 1u);
    const std::string told = messages.Texts()[0];
    EXPECT_TRUE(told.starts_with(std::string(kNoMatchMessage) + "\r\n" + kRefusedPrefix + "500 "))
        << told;
    EXPECT_NE(told.find("register your e-mail address"), std::string::npos) << told;
    EXPECT_NE(told.find("\r\nMusicBrainz answered: the MusicBrainz reply is not a JSON object"),
              std::string::npos)
        << told;
}

// When MusicBrainz found the album, CDDB's refusal goes to the reply page only.
TEST_F(MusicBrainzLookupTest, ARefusalIsOnlyNotedWhenMusicBrainzFoundTheAlbum) {
    Start({"--fault", "refuse-hello"});
    ASSERT_TRUE(LookUp(kKnownToBoth));
    EXPECT_TRUE(messages.Texts().empty()) << messages.Texts().front();
    EXPECT_TRUE(lookup->RawReply().starts_with(kRefusedPrefix)) << lookup->RawReply();
    EXPECT_NE(lookup->RawReply().find("\"Second Source\""), std::string::npos);
}

// A service slower than its time-out costs that time-out; the other's album
// is loaded.
TEST_F(MusicBrainzLookupTest, AServicePastItsTimeOutLeavesTheOthersAlbum) {
    limits.total_timeout_ms = 1000;
    Start({}, {"--fault", "delay:3"});
    ASSERT_TRUE(LookUp(kJazz));
    EXPECT_EQ(lookup->Panel().Album, "Eleven");
    EXPECT_TRUE(messages.Texts().empty());
}

// At most one request a second, across lookups; a 503 is retried once after
// the time the reply asks for.
TEST_F(MusicBrainzLookupTest, RequestsKeepTheRateLimitAndA503IsRetriedOnce) {
    Start({}, {"--fault", "503:2"});
    ASSERT_TRUE(LookUp(kSecondOfTwo));
    ASSERT_TRUE(LookUp(kCompilation));
    const std::vector<double> times = RequestTimes();
    ASSERT_EQ(times.size(), 3u);
    EXPECT_GE(times[1] - times[0], 2.0);  // the 503's Retry-After
    EXPECT_GE(times[2] - times[1], 1.0);

    Start({}, {"--fault", "busy"});
    EXPECT_TRUE(LookUp(kJazz));  // CDDB's album; MusicBrainz stays busy
    EXPECT_EQ(RequestTimes().size(), 2u);
}

// The replies recorded from the web service, served by the stand-in: a
// two-CD release, a compilation and an enhanced CD whose data tracks the
// disc id leaves out.
TEST_F(MusicBrainzLookupTest, RecordedRepliesOfTheWebService) {
    const std::filesystem::path recorded =
        std::string(KALVEX_SOURCE_DIR) + "/../shared/testdata/musicbrainz";
    if (!std::filesystem::is_directory(recorded)) {
        GTEST_SKIP() << "no recorded replies in " << recorded;
    }
    cddb.emplace(std::vector<std::string>{"--db", TestDataPath("cddb/db")});
    musicbrainz.emplace(std::vector<std::string>{"--db", recorded.string()});
    lookup.emplace([] { return std::make_unique<CurlFetcher>(); }, chooser, messages,
                   ProgramHelloSuffix());
    lookup->SetSources({false, true, musicbrainz->BaseUrl()});
    // Each disc's table of contents from a recorded disc id's offsets and sectors.
    struct Case {
        const char* release;
        std::size_t medium;
        bool enhanced;
        const char* caption;
        const char* second_track;
    };
    for (const Case& c :
         {Case{"59211ea4-ffd2-4ad9-9a4e-941d3148024a", 1, false,
               "Autechre & The Hafler Trio / æ³o & h³æ", ""},
          Case{"b1dc9838-adf3-43f2-93f9-802b46e5fe59", 0, false,
               "Various Artists / A Hot Summer Night in ’59", "Phil Phillips / Sea of Love"},
          Case{"c9d52105-5c20-3216-bc1b-e54918f8f688", 0, true, "Linkin Park / Meteora",
               "Don’t Stay"}}) {
        const auto release = nlohmann::json::parse(
            test::ReadFileBytes((recorded / (std::string(c.release) + ".json")).string()));
        const auto& disc = release["media"][c.medium]["discs"][0];
        std::vector<MsfAddress> starts;
        for (int offset : disc["offsets"]) {
            starts.push_back({offset / 4500, offset / 75 % 60, offset % 75});
        }
        const int sectors = disc["sectors"];
        int tracks = static_cast<int>(starts.size());
        if (c.enhanced) {  // the data track lies 11400 frames behind the audio
            const int data = sectors + 11400;
            starts.push_back({data / 4500, data / 75 % 60, data % 75, true});
            ++tracks;
        }
        const int lead_out = c.enhanced ? sectors + 11400 + 30000 : sectors;
        starts.push_back({lead_out / 4500, lead_out / 75 % 60, lead_out % 75});
        const DiscToc toc = MakeDiscToc(1, tracks, starts);
        EXPECT_EQ(MusicBrainzDiscId(toc), disc["id"].get<std::string>()) << c.caption;
        messages = {};
        ASSERT_TRUE(lookup->LookUpToc(toc, {})) << c.caption;
        EXPECT_EQ(lookup->Panel().Caption, c.caption);
        EXPECT_EQ(GetTrackTitle(lookup->Album(), 1), c.second_track);
    }
}

}  // namespace
}  // namespace kalvex
