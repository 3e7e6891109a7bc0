// The lookup road against the project's CDDB server and MusicBrainz stand-in
// on 127.0.0.1, over real HTTP: what is found, told and loaded when either,
// both or neither know a disc, each way a fetch can fail, and how the
// MusicBrainz requests keep its rules.
#include "workflow/cd_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "cddb_server_process.h"
#include "cdrom/disc_id.h"
#include "cdrom/random_disc.h"
#include "test_files.h"

namespace kalvex {
namespace {

using test::CddbServerProcess;
using test::MusicBrainzServerProcess;

constexpr const char* kJazz =
    "1 11 0:2:0 6:21:40 11:20:27 16:51:10 22:48:20 26:59:35 33:6:27 39:2:47 45:24:22 51:21:7 "
    "59:33:27 63:46:0";
// One id in two CDDB categories (misc, then rock), and a MusicBrainz release.
constexpr const char* kKnownToBoth = "1 2 0:2:0 3:0:0 5:30:10";
constexpr const char* kCompilation = "1 3 0:2:0 2:30:0 5:0:0 7:30:0";
constexpr const char* kSecondOfTwo = "1 2 0:2:0 4:0:0 8:0:0";
constexpr const char* kUnknown = "1 2 0:2:0 1:0:0 2:0:0";

DiscToc Toc(const std::string& text) {
    return *ParseTocText(text).toc;
}

// A stand-in's options: the records in `folder` of the test data, then `more`.
std::vector<std::string> Db(const std::string& folder, std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"--db", test::TestDataPath(folder)});
    return more;
}

// What a stand-in's /stats reply counts.
nlohmann::json Stats(const test::ServerProcess& server) {
    CurlFetcher fetcher;
    return nlohmann::json::parse(
        fetcher.Fetch(HttpRequest{server.BaseUrl() + "/stats", {}, {}, {}}).body);
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

class LookupTest : public ::testing::Test {
protected:
    CdLookup MakeLookup(FetchLimits limits = {}) {
        return CdLookup([limits] { return std::make_unique<CurlFetcher>(limits); }, chooser,
                        messages, ProgramHelloSuffix());
    }
    static ServerAddress At(const CddbServerProcess& server) {
        return {server.BaseUrl(), kDefaultRoot, server.PortText()};
    }
    std::vector<std::string> Texts() const { return messages.Texts(); }

    ScriptedChooser chooser;
    CollectingMessageService messages;
};

// CDDB alone, on the test records.
class CdLookupTest : public LookupTest {
protected:
    // Loads the jazz album so that later failures have something to keep.
    void LoadJazz(CdLookup& into) {
        ASSERT_TRUE(into.LookUpToc(Toc(kJazz), At(server)));
        messages = {};
    }

    CddbServerProcess server{Db("cddb/db")};
    CdLookup lookup = MakeLookup();
};

// The caption, the details and the raw reply of this read are checked as the
// window shows them (lookup_window_test.cpp).
TEST_F(CdLookupTest, ExactMatchFillsThePanelOverOneKeptAliveConnection) {
    ASSERT_TRUE(lookup.LookUpToc(Toc(kJazz), At(server)));
    EXPECT_TRUE(chooser.offered.empty());
    const AlbumPanel& panel = lookup.Panel();
    EXPECT_EQ((std::vector{panel.Artist, panel.Album, panel.Genre, panel.Year}),
              (std::vector<std::string>{"Jazz Group", "Eleven", "Jazz", "1999"}));
    EXPECT_TRUE(Texts().empty());

    // The query and the read went over one connection.
    EXPECT_EQ(Stats(server), nlohmann::json({{"connections", 1}, {"requests", 2}}));
}

// A manual read the server refuses (401) is told and loads nothing in the
// window's test (lookup_window_test.cpp) and kalvex-cli's (cli_test.cpp).
TEST_F(CdLookupTest, ServerAnswersWithoutAnAlbumAreToldAndLoadNothing) {
    LoadJazz(lookup);

    EXPECT_FALSE(lookup.LookUpToc(Toc(kUnknown), At(server)));
    EXPECT_EQ(Texts(), std::vector<std::string>{"No match found"});
    EXPECT_EQ(lookup.Panel().Album, "Eleven");

    // A stored reply with an empty title in the middle keeps the tracks after it.
    ASSERT_TRUE(lookup.LoadAlbumReply(
        "210 blues 0a000003 CD database entry follows\r\nDTITLE=Band / Blues\r\n"
        "TTITLE0=Morning Blues\r\nTTITLE1=\r\nTTITLE2=Evening Blues\r\n.\r\n"));
    EXPECT_EQ(lookup.Panel().Details,
              (std::vector<std::string>{"Track 1 : Morning Blues",
                                        "Track 2 : ", "Track 3 : Evening Blues"}));
}

TEST_F(CdLookupTest, ManualLookupTrimsAndLowersTheCategoryAndDecodesTheCodePage) {
    ASSERT_TRUE(lookup.LookUpManually(" Rock ", "0B014802", At(server)));
    EXPECT_EQ(lookup.Matches().front().Cddb.Category, "rock");
    EXPECT_EQ(lookup.Matches().front().Cddb.DiscId, "0b014802");
    EXPECT_FALSE(lookup.LookUpManually("rock", "", At(server)));
    // A record in Windows-1252 arrives as UTF-8.
    ASSERT_TRUE(lookup.LookUpManually("newage", "1701c003", At(server)));
    EXPECT_NE(lookup.Panel().Caption.find("\xC3"), std::string::npos) << lookup.Panel().Caption;
}

// A server with a message of the day: the window's test (lookup_window_test.cpp)
// and kalvex-cli's cddb motd (cli_test.cpp).
TEST_F(CdLookupTest, ConnectionTestAcceptsAServerWithoutAMessageOfTheDay) {
    CddbServerProcess without(Db("cddb/db", {"--no-motd"}));
    EXPECT_TRUE(lookup.TestConnection(At(without)));
    EXPECT_TRUE(lookup.RawReply().starts_with("401"));
    EXPECT_EQ(Texts(), std::vector<std::string>{kConnectedMessage});
    EXPECT_EQ(messages.Messages()[0].icon, CollectingMessageService::Icon::Information);
}

// Each way a fetch or a query fails ends the lookup with one short line that
// says why, and leaves the panel as it was.
TEST_F(CdLookupTest, FailuresTellTheReasonInOneShortLineAndKeepThePanel) {
    struct Case {
        std::vector<std::string> fault;  // on the read (a manual lookup), or on every request
        std::string told_start;
        std::string told_part = {};
    };
    const std::string failed = kFetchFailedPrefix;
    const Case cases[] = {
        {{"--fault", "delay:3", "--fault-on", "read"}, failed, "timed out"},
        {{"--fault", "status:503", "--fault-on", "read"}, failed, "HTTP status 503"},
        {{"--fault", "cut", "--fault-on", "read"}, failed, "transfer closed"},
        {{"--fault", "huge", "--fault-on", "read"}, failed, "larger than 4 MiB"},
        {{"--fault", "redirect:4", "--fault-on", "read"}, failed, "redirects"},
        {{"--fault", "redirect-scheme", "--fault-on", "read"}, failed, "not supported"},
        // The query refused: a 5xx status with the server's line.
        {{"--fault", "refuse-hello"}, std::string(kRefusedPrefix) + "500 "},
        // A reply that is no CDDB reply at all, cut and cleaned for the message.
        {{"--fault", "garbage"}, kServerAnsweredPrefix},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault[1]);
        CdLookup quick_lookup = MakeLookup({.connect_timeout_ms = 1000, .total_timeout_ms = 1000});
        LoadJazz(quick_lookup);
        CddbServerProcess faulty(Db("cddb/db", c.fault));
        EXPECT_FALSE(c.fault.size() > 2
                         ? quick_lookup.LookUpManually("rock", "0b014802", At(faulty))
                         : quick_lookup.LookUpToc(Toc(kKnownToBoth), At(faulty)));
        ASSERT_EQ(Texts().size(), 1u);
        const std::string told = Texts()[0];
        EXPECT_TRUE(told.starts_with(c.told_start)) << told;
        EXPECT_NE(told.find(c.told_part), std::string::npos) << told;
        EXPECT_LE(told.size(), 500u);
        EXPECT_TRUE(std::ranges::none_of(told, [](unsigned char b) { return b < 0x20; })) << told;
        EXPECT_EQ(quick_lookup.Panel().Album, "Eleven");
        EXPECT_TRUE(quick_lookup.RawReply().starts_with("210 jazz"));
        EXPECT_FALSE(quick_lookup.Busy());
    }
    CddbServerProcess redirecting(Db("cddb/db", {"--fault", "redirect:3"}));
    EXPECT_TRUE(lookup.LookUpManually("rock", "0b014802", At(redirecting)));
}

// A gone server fails the fetch every command goes through: the window's
// lookup after its server stopped (lookup_window_test.cpp).
TEST_F(CdLookupTest, BadPortsFailWithoutSending) {
    const nlohmann::json requests_before = Stats(server)["requests"];
    for (const char* port : {"", "0", "70000", "abc"}) {
        messages = {};
        ServerAddress bad = At(server);
        bad.port = port;
        EXPECT_FALSE(lookup.TestConnection(bad));
        ASSERT_EQ(Texts().size(), 1u);
        EXPECT_NE(Texts()[0].find("is not a number from 1 to 65535"), std::string::npos);
    }
    EXPECT_EQ(Stats(server)["requests"], requests_before);
}

// Both services asked at once.
class MusicBrainzLookupTest : public LookupTest {
protected:
    // Both stand-ins; the options add faults.
    void Start(std::vector<std::string> cddb_options = {},
               std::vector<std::string> musicbrainz_options = {}) {
        cddb.emplace(Db("cddb/db", cddb_options));
        musicbrainz.emplace(Db("musicbrainz", musicbrainz_options));
        lookup.emplace(MakeLookup(limits));
        lookup->SetSources({true, true, musicbrainz->BaseUrl()});
    }
    bool LookUp(const std::string& toc) {
        messages = {};
        return lookup->LookUpToc(Toc(toc), At(*cddb));
    }
    // The moments the stand-in received disc id requests, in seconds.
    std::vector<double> RequestTimes() const {
        std::vector<double> times;
        const nlohmann::json stats = Stats(*musicbrainz);
        for (const auto& request : stats["requests"]) {
            times.push_back(request["time"].get<double>());
        }
        return times;
    }

    FetchLimits limits;
    std::optional<CddbServerProcess> cddb;
    std::optional<MusicBrainzServerProcess> musicbrainz;
    std::optional<CdLookup> lookup;
};

// A MusicBrainz release as the album panel and the tags show it is the window
// road's (window_road_test.py), which chooses one beside a CDDB match.
TEST_F(MusicBrainzLookupTest, MatchesOfBothServicesAreOfferedAndEitherIsRead) {
    Start();
    chooser.choice = 2;
    ASSERT_TRUE(LookUp(kKnownToBoth));
    EXPECT_EQ(chooser.offered,
              (std::vector<std::string>{
                  "CDDB: Other Artist / Same Id (misc)", "CDDB: Test Artist / Two Tracks (rock)",
                  "MusicBrainz: Stand-In Band / Second Source (2001, GB, CD)"}));
    EXPECT_EQ(lookup->Panel().Caption, "Stand-In Band / Second Source");
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
    EXPECT_EQ(MatchRowText(lookup->Matches().front(), true),
              "MusicBrainz: Alder & Birch / Double Set (1999, DE, CD, disc 2 of 2)");
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
    EXPECT_EQ(RequestTimes().size(), 2u);  // the disc id, then the table of contents
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
    musicbrainz.emplace(std::vector<std::string>{"--db", recorded.string()});
    lookup.emplace(MakeLookup());
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
            starts.push_back(test::FramesToMsf(offset));
        }
        const int sectors = disc["sectors"];
        if (c.enhanced) {  // the data track lies 11400 frames behind the audio
            starts.push_back(test::FramesToMsf(sectors + 11400));
            starts.back().data = true;
        }
        starts.push_back(test::FramesToMsf(c.enhanced ? sectors + 11400 + 30000 : sectors));
        const DiscToc toc = MakeDiscToc(1, static_cast<int>(starts.size()) - 1, starts);
        EXPECT_EQ(MusicBrainzDiscId(toc), disc["id"].get<std::string>()) << c.caption;
        messages = {};
        ASSERT_TRUE(lookup->LookUpToc(toc, {})) << c.caption;
        EXPECT_EQ(lookup->Panel().Caption, c.caption);
        EXPECT_EQ(GetTrackTitle(lookup->Album(), 1), c.second_track);
    }
}

}  // namespace
}  // namespace kalvex
