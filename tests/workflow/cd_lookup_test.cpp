// The lookup road against the project's CDDB server on 127.0.0.1, over real
// HTTP: what the user sees for each answer and each way a fetch can fail.
#include <gtest/gtest.h>

#include <optional>

#include "cddb_server_process.h"
#include "cdrom/random_disc.h"
#include "cdrom/toc_text.h"
#include "test_files.h"
#include "workflow/cd_lookup.h"

namespace kalvex {
namespace {

using test::CddbServerProcess;
using test::TestDataPath;

// A TOC from frame offsets and the disc length in seconds, as a record's
// comment block gives them.
DiscToc TocFromFrames(const std::vector<int>& offsets, int seconds) {
    std::vector<MsfAddress> starts;
    for (int offset : offsets) {
        starts.push_back(test::FramesToMsf(offset));
    }
    starts.push_back(test::FramesToMsf(seconds * 75));
    return MakeDiscToc(1, static_cast<int>(offsets.size()), starts);
}

const std::vector<int> kElevenTracks = {150,    28615,  51027,  75835,  102620, 121460,
                                        148977, 175697, 204322, 231082, 268002};

DiscToc TwoCategoryDisc() {
    return TocFromFrames({150, 13500}, 330);
}
DiscToc JazzDisc() {
    return TocFromFrames(kElevenTracks, 3826);
}

// A number from the server's /stats reply.
long Stat(const CddbServerProcess& server, const std::string& key) {
    CurlFetcher fetcher;
    const FetchResult reply = fetcher.Fetch(server.BaseUrl() + "/stats", server.PortText());
    const size_t at = reply.body.find("\"" + key + "\"");
    if (!reply.ok || at == std::string::npos) {
        ADD_FAILURE() << "no " << key << " in /stats: " << reply.reason << reply.body;
        return -1;
    }
    return std::stol(reply.body.substr(reply.body.find(':', at) + 1));
}

class ScriptedChooser : public MatchChooser {
public:
    void ChooseMatch(const std::vector<std::string>& matches,
                     const std::function<void(int)>& load_match) override {
        offered = matches;
        if (choice) {
            load_match(*choice);
        }
    }
    std::optional<int> choice;
    std::vector<std::string> offered;
};

class CdLookupTest : public ::testing::Test {
protected:
    CdLookup MakeLookup(FetchLimits limits = {}) {
        return CdLookup([limits] { return std::make_unique<CurlFetcher>(limits); }, chooser,
                        messages, "&hello=anon+localhost+Kalvex%5FTagger+1.0.0&proto=5");
    }
    static ServerAddress At(const CddbServerProcess& server) {
        return {server.BaseUrl(), kDefaultRoot, server.PortText()};
    }
    static std::vector<std::string> Db(std::vector<std::string> extra = {}) {
        std::vector<std::string> options = {"--db", TestDataPath("cddb/db")};
        options.insert(options.end(), extra.begin(), extra.end());
        return options;
    }
    // Loads the jazz album so that later failures have something to keep.
    void LoadJazz(CdLookup& lookup, const ServerAddress& address) {
        ASSERT_TRUE(lookup.LookUpToc(JazzDisc(), address));
        messages = {};
    }
    std::vector<std::string> Texts() const { return messages.Texts(); }

    ScriptedChooser chooser;
    CollectingMessageService messages;
};

TEST_F(CdLookupTest, ExactMatchFillsThePanelOverOneKeptAliveConnection) {
    CddbServerProcess server(Db());
    CdLookup lookup = MakeLookup();
    ASSERT_TRUE(lookup.LookUpToc(JazzDisc(), At(server)));
    EXPECT_TRUE(chooser.offered.empty());
    const AlbumPanel& panel = lookup.Panel();
    EXPECT_EQ(panel.Artist, "Jazz Group");
    EXPECT_EQ(panel.Album, "Eleven");
    EXPECT_EQ(panel.Genre, "Jazz");
    EXPECT_EQ(panel.Year, "1999");
    EXPECT_EQ(panel.Caption, "Jazz Group / Eleven");
    ASSERT_EQ(panel.Details.size(), 11u);
    EXPECT_EQ(panel.Details.front(), "Track 1 : Track 1 of 920ef00b");
    EXPECT_EQ(panel.Details.back(), "Track 11 : Track 11 of 920ef00b");
    EXPECT_TRUE(lookup.RawReply().starts_with("210 jazz 920ef00b"));
    EXPECT_TRUE(Texts().empty());

    // The query and the read went over one connection.
    EXPECT_EQ(Stat(server, "connections"), 1);
    EXPECT_EQ(Stat(server, "requests"), 2);
}

TEST_F(CdLookupTest, SeveralMatchesAskTheChooserAndCancelKeepsEverything) {
    CddbServerProcess server(Db());
    CdLookup lookup = MakeLookup();
    LoadJazz(lookup, At(server));
    const std::string raw = lookup.RawReply();

    EXPECT_FALSE(lookup.LookUpToc(TwoCategoryDisc(), At(server)));
    ASSERT_EQ(chooser.offered.size(), 2u);
    EXPECT_EQ(lookup.Panel().Artist, "Jazz Group");
    EXPECT_EQ(lookup.RawReply(), raw);
    EXPECT_TRUE(lookup.Album().AlbumValid);

    chooser.choice = 1;
    ASSERT_TRUE(lookup.LookUpToc(TwoCategoryDisc(), At(server)));
    EXPECT_EQ(lookup.ChosenMatch(), 1);
    EXPECT_EQ(lookup.Panel().Genre, "Rock");
    EXPECT_EQ(lookup.Panel().Artist, "Test Artist");
    EXPECT_EQ(lookup.Panel().Details.size(), 2u);
}

TEST_F(CdLookupTest, InexactSingleMatchIsReadWithoutAsking) {
    CddbServerProcess server(Db());
    std::vector<int> shifted = kElevenTracks;
    for (int& offset : shifted) {
        offset += 2;
    }
    CdLookup lookup = MakeLookup();
    ASSERT_TRUE(lookup.LookUpToc(TocFromFrames(shifted, 3826), At(server)));
    EXPECT_TRUE(chooser.offered.empty());
    EXPECT_EQ(lookup.Panel().Album, "Eleven");
}

TEST_F(CdLookupTest, CodePageRecordArrivesAsUtf8) {
    CddbServerProcess server(Db());
    CdLookup lookup = MakeLookup();
    ASSERT_TRUE(lookup.LookUpManually("newage", "1701c003", At(server)));
    EXPECT_NE(lookup.Panel().Caption.find("\xC3"), std::string::npos) << lookup.Panel().Caption;
    EXPECT_EQ(lookup.Panel().Genre, "Newage");
}

TEST_F(CdLookupTest, ServerAnswersWithoutAnAlbumAreToldAndLoadNothing) {
    CddbServerProcess server(Db());
    CdLookup lookup = MakeLookup();
    LoadJazz(lookup, At(server));

    EXPECT_FALSE(lookup.LookUpToc(TocFromFrames({150, 600}, 60), At(server)));
    EXPECT_EQ(Texts(), std::vector<std::string>{"No match found"});

    messages = {};
    EXPECT_FALSE(lookup.LookUpManually("rock", "12345678", At(server)));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Could not read album data from FreeDB server.",
                                                 kInvalidAlbumMessage}));
    EXPECT_EQ(lookup.Panel().Album, "Eleven");
    EXPECT_EQ(lookup.Panel().Details.size(), 11u);
    EXPECT_TRUE(lookup.RawReply().starts_with("401"));
}

TEST_F(CdLookupTest, AnEmptyTitleInTheMiddleKeepsTheTracksAfterIt) {
    CdLookup lookup = MakeLookup();
    ASSERT_TRUE(lookup.LoadAlbumReply(
        "210 blues 0a000003 CD database entry follows\r\nDTITLE=Band / Blues\r\n"
        "TTITLE0=Morning Blues\r\nTTITLE1=\r\nTTITLE2=Evening Blues\r\n.\r\n"));
    EXPECT_EQ(lookup.Panel().Details,
              (std::vector<std::string>{"Track 1 : Morning Blues",
                                        "Track 2 : ", "Track 3 : Evening Blues"}));
}

TEST_F(CdLookupTest, AStatusTheProgramDoesNotKnowIsShownToTheUser) {
    CddbServerProcess server(Db({"--fault", "refuse-hello"}));
    CdLookup lookup = MakeLookup();
    EXPECT_FALSE(lookup.LookUpToc(JazzDisc(), At(server)));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Texts()[0].starts_with(std::string(kRefusedPrefix) + "500 ")) << Texts()[0];
}

TEST_F(CdLookupTest, ManualLookupTrimsAndLowersTheCategory) {
    CddbServerProcess server(Db());
    CdLookup lookup = MakeLookup();
    ASSERT_TRUE(lookup.LookUpManually(" Rock ", "0B014802", At(server)));
    EXPECT_EQ(lookup.Matches().front().Cddb.Category, "rock");
    EXPECT_EQ(lookup.Matches().front().Cddb.DiscId, "0b014802");
    EXPECT_EQ(lookup.Panel().Genre, "Rock");
    EXPECT_FALSE(lookup.LookUpManually("rock", "", At(server)));
}

TEST_F(CdLookupTest, ConnectionTestAcceptsAMessageOrItsAbsence) {
    CddbServerProcess with_motd(Db());
    CdLookup lookup = MakeLookup();
    EXPECT_TRUE(lookup.TestConnection(At(with_motd)));
    EXPECT_TRUE(lookup.RawReply().starts_with("210"));
    CddbServerProcess without(Db({"--no-motd"}));
    EXPECT_TRUE(lookup.TestConnection(At(without)));
    EXPECT_TRUE(lookup.RawReply().starts_with("401"));
    EXPECT_EQ(Texts(), (std::vector<std::string>{kConnectedMessage, kConnectedMessage}));
}

// Each way a fetch fails ends the lookup with its reason and leaves the panel
// as it was.
TEST_F(CdLookupTest, FailedFetchesTellTheReasonAndKeepThePanel) {
    FetchLimits quick;
    quick.connect_timeout_ms = 1000;
    quick.total_timeout_ms = 1000;
    struct Case {
        std::vector<std::string> fault;
        std::string reason_part;
    };
    const Case cases[] = {
        {{"--fault", "delay:3"}, "timed out"},    {{"--fault", "status:503"}, "HTTP status 503"},
        {{"--fault", "cut"}, "transfer closed"},  {{"--fault", "huge"}, "larger than 4 MiB"},
        {{"--fault", "redirect:4"}, "redirects"}, {{"--fault", "redirect-scheme"}, "not supported"},
    };
    CddbServerProcess good(Db());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault[1]);
        CdLookup lookup = MakeLookup(quick);
        LoadJazz(lookup, At(good));
        CddbServerProcess server(Db({c.fault[0], c.fault[1], "--fault-on", "read"}));
        const ServerAddress address = At(server);
        EXPECT_FALSE(lookup.LookUpManually("rock", "0b014802", address));
        ASSERT_EQ(Texts().size(), 1u);
        EXPECT_TRUE(Texts()[0].starts_with(kFetchFailedPrefix)) << Texts()[0];
        EXPECT_NE(Texts()[0].find(c.reason_part), std::string::npos) << Texts()[0];
        EXPECT_EQ(lookup.Panel().Album, "Eleven");
        EXPECT_TRUE(lookup.RawReply().starts_with("210 jazz"));
        EXPECT_FALSE(lookup.Busy());
    }
}

TEST_F(CdLookupTest, RedirectsWithinTheLimitAreFollowed) {
    CddbServerProcess server(Db({"--fault", "redirect:3"}));
    CdLookup lookup = MakeLookup();
    EXPECT_TRUE(lookup.LookUpManually("rock", "0b014802", At(server)));
}

TEST_F(CdLookupTest, NoServerAndBadPortsFailWithoutSending) {
    CdLookup lookup = MakeLookup();
    {
        CddbServerProcess gone(Db());
        const ServerAddress address = At(gone);
        gone.Stop();
        EXPECT_FALSE(lookup.TestConnection(address));
        ASSERT_EQ(Texts().size(), 1u);
        EXPECT_TRUE(Texts()[0].starts_with(kFetchFailedPrefix)) << Texts()[0];
    }
    CddbServerProcess server(Db());
    const long requests_before = Stat(server, "requests");
    for (const char* port : {"", "0", "70000", "abc"}) {
        messages = {};
        ServerAddress address = At(server);
        address.port = port;
        EXPECT_FALSE(lookup.TestConnection(address));
        ASSERT_EQ(Texts().size(), 1u);
        EXPECT_NE(Texts()[0].find("is not a number from 1 to 65535"), std::string::npos);
    }
    EXPECT_EQ(Stat(server, "requests"), requests_before);
}

TEST_F(CdLookupTest, GarbageIsShownAsOneShortCleanLine) {
    CddbServerProcess server(Db({"--fault", "garbage"}));
    CdLookup lookup = MakeLookup();
    EXPECT_FALSE(lookup.LookUpToc(JazzDisc(), At(server)));
    ASSERT_EQ(Texts().size(), 1u);
    const std::string text = Texts()[0];
    EXPECT_TRUE(text.starts_with(kServerAnsweredPrefix)) << text;
    EXPECT_LE(text.size(), std::string(kServerAnsweredPrefix).size() + 2 * 200 + 3);
    for (char c : text) {
        EXPECT_GE(static_cast<unsigned char>(c), 0x20);
    }
}

}  // namespace
}  // namespace kalvex
