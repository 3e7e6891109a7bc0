#include "freedb/cddb_protocol.h"

#include <gtest/gtest.h>

#include "common/cp1252.h"
#include "test_files.h"

namespace kalvex {
namespace {

TEST(UrlEncode, KeepsLettersDigitsAndDotsAndEscapesTheRestAsCodePageBytes) {
    EXPECT_EQ(UrlEncode("a.b_c-d~ \x05{\u20AC"), "a.b%5Fc%2Dd%7E+%05%7B%80");
    EXPECT_EQ(BuildHello("anon", "my-host", "Kalvex_Tagger", "1.2.3"),
              "&hello=anon+my%2Dhost+Kalvex%5FTagger+1.2.3&proto=5");
    // The maker's host, never this machine's name.
    EXPECT_TRUE(
        ProgramHelloSuffix().starts_with("&hello=anon+kalvex%2Dtagger.example+Kalvex%5FTagger+"))
        << ProgramHelloSuffix();
}

std::string Recorded(const std::string& name) {
    return Cp1252ToUtf8(test::ReadFileBytes(test::TestDataPath("cddb/cddbd-replies/" + name)));
}

// Replies recorded from a classic server and replies made for one rule each:
// whether they name albums, which ones, and what the user is told. Every
// reply must read the same with line feeds alone and without its last line end.
TEST(QueryReply, ClassifiesRepliesListsTheirMatchesAndTellsTheUserWhy) {
    struct Case {
        std::string page;
        MatchList matches;  // empty: the reply names no album
        std::vector<std::string> messages = {};
    };
    const Case cases[] = {
        {Recorded("query-210-two-categories.txt"),
         {{"misc", "0b014802", "Other Artist / Same Id"},
          {"rock", "0b014802", "Test Artist / Two Tracks"}}},
        {Recorded("query-200-exact.txt"), {{"jazz", "920ef00b", " Jazz Group / Eleven"}}},
        {Recorded("query-211-inexact.txt"), {{"jazz", "920ef00b", "Jazz Group / Eleven"}}},
        // An empty list still counts as an answer, of one empty match.
        {"210 Found exact matches (until terminating `.')\r\n.\r\n", {FreeDbMatch{}}},
        // Without a terminator the list ends with the reply.
        {"210 list follows\r\nrock 1 A / B\r\nmisc 2 C / D\r\n",
         {{"rock", "1", "A / B"}, {"misc", "2", "C / D"}}},
        // The terminator the header names; blank lines and lines without a
        // title skipped.
        {"210 list (until terminating `END')\r\nrock 1 A / B\r\n\r\nmisc 2\r\n  end  \r\n"
         "jazz 3 never read\r\n",
         {{"rock", "1", "A / B"}}},
        {Recorded("query-202-no-match.txt"), {}, {"No match found"}},
        {"403 Database entry is corrupt.\r\n", {}, {"Database entry is corrupt"}},
        {"409 No handshake.\r\n", {}, {"No handshake"}},
        {Recorded("query-500-bad-arguments.txt"), {}},
        {"2000 rock 1 x\r\n", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        std::string line_feeds = c.page;
        std::erase(line_feeds, '\r');
        const std::string torn =
            c.page.ends_with("\r\n") ? c.page.substr(0, c.page.size() - 2) : c.page;
        for (const std::string& page : {c.page, line_feeds, torn}) {
            SCOPED_TRACE(page);
            MatchList matches;
            CollectingMessageService messages;
            EXPECT_EQ(ParseQueryReply(page, matches, messages), !c.matches.empty());
            if (!c.matches.empty()) {
                EXPECT_EQ(matches, c.matches);
            }
            EXPECT_EQ(messages.Texts(), c.messages);
        }
    }
}

}  // namespace
}  // namespace kalvex
