#include "freedb/cddb_protocol.h"

#include <gtest/gtest.h>

namespace kalvex {
namespace {

TEST(UrlEncode, KeepsLettersDigitsAndDotsAndEscapesTheRest) {
    EXPECT_EQ(UrlEncode("cddb query b014802 2 150 13500 330"),
              "cddb+query+b014802+2+150+13500+330");
    EXPECT_EQ(UrlEncode("a.b_c-d~"), "a.b%5Fc%2Dd%7E");
    EXPECT_EQ(UrlEncode(std::string("\x05\n{", 3)), "%05%0A%7B");
    EXPECT_EQ(UrlEncode("\u00E9"), "%E9");  // one byte in Windows-1252
    EXPECT_EQ(UrlEncode("\u20AC"), "%80");  // the euro sign
    EXPECT_EQ(UrlEncode("\u03A9"), "%3F");  // not in the code page: "?"
}

TEST(UrlEncode, HelloEncodesUnderscoreButNotDots) {
    EXPECT_EQ(BuildHello("anon", "my-host", "Kalvex_Tagger", "1.2.3"),
              "&hello=anon+my%2Dhost+Kalvex%5FTagger+1.2.3&proto=5");
    EXPECT_EQ(BuildRequestUrl("http://s", "~cddb/cddb.cgi", "cddb read rock 0b014802", "&h"),
              "http://s/~cddb/cddb.cgi?cmd=cddb+read+rock+0b014802&h");
    // The maker's host, never this machine's name.
    EXPECT_TRUE(
        ProgramHelloSuffix().starts_with("&hello=anon+kalvex%2Dtagger.example+Kalvex%5FTagger+"))
        << ProgramHelloSuffix();
}

struct QueryOutcome {
    bool result;
    MatchList matches;
    std::vector<std::string> messages;
};

QueryOutcome Query(const std::string& page) {
    QueryOutcome outcome;
    CollectingMessageService messages;
    outcome.result = ParseQueryReply(page, outcome.matches, messages);
    outcome.messages = messages.Texts();
    return outcome;
}

const char* const kTwoMatches =
    "210 Found exact matches, list follows (until terminating `.')\r\n"
    "rock 12345678 Artist / One\r\n"
    "misc 12345678 Artist / One\r\n"
    ".\r\n";

// An empty list still counts as an answer, of one empty match.
TEST(QueryReply, EmptyListGivesOneEmptyMatch) {
    const QueryOutcome none = Query("210 Found exact matches (until terminating `.')\r\n.\r\n");
    EXPECT_TRUE(none.result);
    EXPECT_EQ(none.matches, (MatchList{FreeDbMatch{}}));
}

TEST(QueryReply, ListWithoutTerminatorEndsWithTheReply) {
    const QueryOutcome q =
        Query("210 Found exact matches, list follows\r\nrock 1 A / B\r\nmisc 2 C / D\r\n");
    EXPECT_TRUE(q.result);
    EXPECT_EQ(q.matches.size(), 2u);
    EXPECT_EQ(q.matches[1].Title, "C / D");
}

TEST(QueryReply, OtherTerminatorAndShortLines) {
    const QueryOutcome q = Query(
        "210 list (until terminating `END')\r\n"
        "rock 1 A / B\r\n"
        "\r\n"        // blank: skipped
        "misc 2\r\n"  // no title: skipped
        "  end  \r\n"
        "jazz 3 never read\r\n");
    EXPECT_TRUE(q.result);
    EXPECT_EQ(q.matches, (MatchList{{"rock", "1", "A / B"}}));
}

TEST(QueryReply, FailuresShowTheirMessages) {
    EXPECT_EQ(Query("403 Database entry is corrupt.\r\n").messages,
              std::vector<std::string>{"Database entry is corrupt"});
    EXPECT_EQ(Query("409 No handshake.\r\n").messages, std::vector<std::string>{"No handshake"});
    for (const char* page : {"202 x\r\n", "403 x\r\n", "409 x\r\n", "500 Command syntax error.\r\n",
                             "2000 rock 1 x\r\n", "20 rock 1 x\r\n", "", "<html>"}) {
        EXPECT_FALSE(Query(page).result) << page;
    }
    EXPECT_TRUE(Query("2000 rock 1 x\r\n").messages.empty());
}

TEST(QueryReply, LineFeedsAloneAndAMissingLastLineEndReadTheSame) {
    const std::string crlf = kTwoMatches;
    std::string lf = crlf;
    std::erase(lf, '\r');
    const std::string torn = crlf.substr(0, crlf.size() - 2);
    EXPECT_EQ(Query(lf).matches, Query(crlf).matches);
    EXPECT_EQ(Query(torn).matches, Query(crlf).matches);
    EXPECT_EQ(Query("200 rock 87654321 Artist / Album").matches,
              Query("200 rock 87654321 Artist / Album\r\n").matches);
    EXPECT_EQ(Query("200 rock 87654321 Artist / Album\n").matches,
              Query("200 rock 87654321 Artist / Album\r\n").matches);
}

}  // namespace
}  // namespace kalvex
