// The lookup road against the project's CDDB server on 127.0.0.1, over real
// HTTP: what the user sees for each answer and each way a fetch can fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "cddb_server_process.h"
#include "cdrom/toc_text.h"
#include "test_files.h"
#include "workflow/cd_lookup.h"

namespace kalvex {
namespace {

using test::CddbServerProcess;
using test::TestDataPath;

constexpr const char* kJazzDisc =
    "1 11 0:2:0 6:21:40 11:20:27 16:51:10 22:48:20 26:59:35 33:6:27 39:2:47 45:24:22 51:21:7 "
    "59:33:27 63:46:0";
// One id in two categories: misc, then rock.
constexpr const char* kTwoMatchDisc = "1 2 0:2:0 3:0:0 5:30:10";

DiscToc Toc(const char* text) {
    return *ParseTocText(text).toc;
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
        ASSERT_TRUE(lookup.LookUpToc(Toc(kJazzDisc), address));
        messages = {};
    }
    std::vector<std::string> Texts() const { return messages.Texts(); }

    ScriptedChooser chooser;
    CollectingMessageService messages;
};

TEST_F(CdLookupTest, ExactMatchFillsThePanelOverOneKeptAliveConnection) {
    CddbServerProcess server(Db());
    CdLookup lookup = MakeLookup();
    ASSERT_TRUE(lookup.LookUpToc(Toc(kJazzDisc), At(server)));
    EXPECT_TRUE(chooser.offered.empty());
    const AlbumPanel& panel = lookup.Panel();
    EXPECT_EQ(panel.Artist, "Jazz Group");
    EXPECT_EQ(panel.Album, "Eleven");
    EXPECT_EQ(panel.Genre, "Jazz");
    EXPECT_EQ(panel.Year, "1999");
    EXPECT_EQ(panel.Caption, "Jazz Group / Eleven");
    ASSERT_EQ(panel.Details.size(), 11u);
    EXPECT_EQ(panel.Details.back(), "Track 11 : Track 11 of 920ef00b");
    EXPECT_TRUE(lookup.RawReply().starts_with("210 jazz 920ef00b"));
    EXPECT_TRUE(Texts().empty());

    // The query and the read went over one connection.
    EXPECT_EQ(Stat(server, "connections"), 1);
    EXPECT_EQ(Stat(server, "requests"), 2);
}

// Reading the chosen match is the two-service test's.
TEST_F(CdLookupTest, SeveralMatchesAskTheChooserAndCancelKeepsEverything) {
    CddbServerProcess server(Db());
    CdLookup lookup = MakeLookup();
    LoadJazz(lookup, At(server));
    const std::string raw = lookup.RawReply();

    EXPECT_FALSE(lookup.LookUpToc(Toc(kTwoMatchDisc), At(server)));
    ASSERT_EQ(chooser.offered.size(), 2u);
    EXPECT_EQ(lookup.Panel().Artist, "Jazz Group");
    EXPECT_EQ(lookup.RawReply(), raw);
    EXPECT_TRUE(lookup.Album().AlbumValid);
}

TEST_F(CdLookupTest, ServerAnswersWithoutAnAlbumAreToldAndLoadNothing) {
    CddbServerProcess server(Db());
    CdLookup lookup = MakeLookup();
    LoadJazz(lookup, At(server));

    EXPECT_FALSE(lookup.LookUpToc(Toc("1 2 0:2:0 1:0:0 2:0:0"), At(server)));
    EXPECT_EQ(Texts(), std::vector<std::string>{"No match found"});

    messages = {};
    EXPECT_FALSE(lookup.LookUpManually("rock", "12345678", At(server)));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Could not read album data from FreeDB server.",
                                                 kInvalidAlbumMessage}));
    EXPECT_EQ(lookup.Panel().Album, "Eleven");
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

TEST_F(CdLookupTest, ManualLookupTrimsAndLowersTheCategoryAndDecodesTheCodePage) {
    CddbServerProcess server(Db());
    CdLookup lookup = MakeLookup();
    ASSERT_TRUE(lookup.LookUpManually(" Rock ", "0B014802", At(server)));
    EXPECT_EQ(lookup.Matches().front().Cddb.Category, "rock");
    EXPECT_EQ(lookup.Matches().front().Cddb.DiscId, "0b014802");
    EXPECT_FALSE(lookup.LookUpManually("rock", "", At(server)));
    // A record in Windows-1252 arrives as UTF-8.
    ASSERT_TRUE(lookup.LookUpManually("newage", "1701c003", At(server)));
    EXPECT_NE(lookup.Panel().Caption.find("\xC3"), std::string::npos) << lookup.Panel().Caption;
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
    EXPECT_EQ(messages.Messages()[0].icon, CollectingMessageService::Icon::Information);
}

// Each way a fetch or a query fails ends the lookup with one short line that
// says why, and leaves the panel as it was.
TEST_F(CdLookupTest, FailuresTellTheReasonInOneShortLineAndKeepThePanel) {
    FetchLimits quick;
    quick.connect_timeout_ms = 1000;
    quick.total_timeout_ms = 1000;
    struct Case {
        std::vector<std::string> fault;  // on the read, or on every request
        std::string told_start;
        std::string told_part = {};
    };
    const std::string failed = kFetchFailedPrefix;
    const Case cases[] = {
        {{"delay:3", "read"}, failed, "timed out"},
        {{"status:503", "read"}, failed, "HTTP status 503"},
        {{"cut", "read"}, failed, "transfer closed"},
        {{"huge", "read"}, failed, "larger than 4 MiB"},
        {{"redirect:4", "read"}, failed, "redirects"},
        {{"redirect-scheme", "read"}, failed, "not supported"},
        // The query refused: a 5xx status with the server's line.
        {{"refuse-hello"}, std::string(kRefusedPrefix) + "500 "},
        // A reply that is no CDDB reply at all, cut and cleaned for the message.
        {{"garbage"}, kServerAnsweredPrefix},
    };
    CddbServerProcess good(Db());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault[0]);
        CdLookup lookup = MakeLookup(quick);
        LoadJazz(lookup, At(good));
        std::vector<std::string> options = {"--fault", c.fault[0]};
        if (c.fault.size() > 1) {
            options.insert(options.end(), {"--fault-on", c.fault[1]});
        }
        CddbServerProcess server(Db(options));
        EXPECT_FALSE(c.fault.size() > 1 ? lookup.LookUpManually("rock", "0b014802", At(server))
                                        : lookup.LookUpToc(Toc(kTwoMatchDisc), At(server)));
        ASSERT_EQ(Texts().size(), 1u);
        const std::string told = Texts()[0];
        EXPECT_TRUE(told.starts_with(c.told_start)) << told;
        EXPECT_NE(told.find(c.told_part), std::string::npos) << told;
        EXPECT_LE(told.size(), 500u);
        EXPECT_TRUE(std::ranges::none_of(told, [](unsigned char b) { return b < 0x20; })) << told;
        EXPECT_EQ(lookup.Panel().Album, "Eleven");
        EXPECT_TRUE(lookup.RawReply().starts_with("210 jazz"));
        EXPECT_FALSE(lookup.Busy());
    }
    CddbServerProcess redirecting(Db({"--fault", "redirect:3"}));
    EXPECT_TRUE(MakeLookup().LookUpManually("rock", "0b014802", At(redirecting)));
}

TEST_F(CdLookupTest, BadPortsFailWithoutSendingAndAGoneServerFailsTheConnectionTest) {
    CdLookup lookup = MakeLookup();
    CddbServerProcess server(Db());
    const ServerAddress address = At(server);
    const long requests_before = Stat(server, "requests");
    for (const char* port : {"", "0", "70000", "abc"}) {
        messages = {};
        ServerAddress bad = address;
        bad.port = port;
        EXPECT_FALSE(lookup.TestConnection(bad));
        ASSERT_EQ(Texts().size(), 1u);
        EXPECT_NE(Texts()[0].find("is not a number from 1 to 65535"), std::string::npos);
    }
    EXPECT_EQ(Stat(server, "requests"), requests_before);
    messages = {};
    server.Stop();
    EXPECT_FALSE(lookup.TestConnection(address));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Texts()[0].starts_with(kFetchFailedPrefix)) << Texts()[0];
}

}  // namespace
}  // namespace kalvex
