// The CDDB protocol's requests and the replies it reads: query lists and
// album records.
#include <gtest/gtest.h>

#include "freedb/album_record.h"
#include "freedb/cddb_protocol.h"

#include <tuple>

#include "common/cp1252.h"
#include "test_files.h"

namespace kalvex {
namespace {

// A record wrapped as a server sends it. The same reply with line feeds
// alone, and without its final "." and the line end before it, must read the
// same.
AlbumData Parse(const std::string& record, AlbumData album = {},
                const std::string& category_and_id = "rock 0b014802") {
    const std::string page = "210 " + category_and_id +
                             " CD database entry follows (until terminating `.')\r\n" + record +
                             ".\r\n";
    std::string line_feeds = page;
    std::erase(line_feeds, '\r');
    AlbumData lf = album, torn = album;
    CollectingMessageService messages;
    ParseAlbumReply(page, album, messages);
    ParseAlbumReply(line_feeds, lf, messages);
    ParseAlbumReply(line_feeds.substr(0, line_feeds.size() - 3), torn, messages);
    EXPECT_TRUE(messages.Messages().empty());
    const auto fields = [](const AlbumData& a) {
        return std::tie(a.AlbumTitle, a.AlbumYear, a.ExtendedData, a.TrackTitles, a.TrackExtras);
    };
    EXPECT_EQ(fields(lf), fields(album));
    EXPECT_EQ(fields(torn), fields(album));
    return album;
}

TEST(AlbumRecord, EscapesResolvedInTrackTextsButNotInTheTitle) {
    const AlbumData album = Parse(
        "DTITLE=A\\nB\r\nTTITLE0=A\\nB\r\nTTITLE1=x\\ty\r\nTTITLE2=C:\\\\new\r\n"
        "EXTD=line\\nnext\r\nEXTT5=far\\naway\r\n");
    // An escaped backslash followed by n is a backslash and an n.
    EXPECT_EQ((std::vector<std::string>{album.AlbumTitle, GetTrackTitle(album, 0),
                                        GetTrackTitle(album, 1), GetTrackTitle(album, 2),
                                        album.ExtendedData, GetTrackExtra(album, 5)}),
              (std::vector<std::string>{"A\\nB", "A\r\nB", "x\ty", "C:\\new", "line\r\nnext",
                                        "far\r\naway"}));
}

TEST(AlbumRecord, CommentsDiscIdEmptyValuesAndKeyCase) {
    const AlbumData album =
        Parse("# DTITLE=not this\r\nDISCID=0b014802\r\ndtitle=x\r\nTtItLe0=y\r\nTTITLE1=\r\n");
    EXPECT_EQ(album.AlbumTitle, "x");
    EXPECT_EQ(album.TrackTitles, (std::vector<TrackText>{{0, "y"}}));
    EXPECT_EQ(GetXmcdValue("TTITLE", "TTITLE12=a=b"), "a=b");
    EXPECT_EQ(GetXmcdValue("TTITLE", "TTITLE"), "");
    EXPECT_EQ(GetXmcdValue("EXTD", "EXTDno equals"), "EXTDno equals");
    EXPECT_EQ(GetXmcdTrackNumber("TTITLE99999=Song", "TTITLE"), -1);
    EXPECT_EQ(GetXmcdTrackNumber("T=x", "TTITLE"), 0);
}

TEST(AlbumRecord, YearFromDyearOrExtendedData) {
    EXPECT_EQ(Parse("DYEAR=2001\r\nEXTD=YEAR: 1994\r\n").AlbumYear, 2001);
    EXPECT_EQ(Parse("EXTD= year: 1987\r\n").AlbumYear, 1987);
    // Four characters must follow the marker, counted as code-page characters
    // rather than UTF-8 bytes, before and after it.
    EXPECT_EQ(Parse("EXTD=YEAR: 12\xC3\xA9\r\n").AlbumYear, 0);
    EXPECT_EQ(Parse("EXTD=\xC3\xA9 YEAR: 1994\xC3\xA9\r\n").AlbumYear, 1994);
    EXPECT_EQ(Parse("DYEAR=99999\r\n").AlbumYear, 0);
    // Nothing is kept of the album read before.
    EXPECT_EQ(Parse("DTITLE=New\r\n", Parse("DYEAR=2001\r\n")).AlbumYear, 0);
}

// The tracks run to the highest numbered title, empty ones between, at
// least the disc's own count and at most a CD's 99.
TEST(AlbumRecord, TrackCountRunsToTheLastTitle) {
    const AlbumData album = Parse("TTITLE0=Morning Blues\r\nTTITLE1=\r\nTTITLE2=Evening Blues\r\n");
    EXPECT_EQ(AlbumTrackCount(album), 3);
    EXPECT_EQ(AlbumTrackCount(album, 5), 5);
    EXPECT_EQ(AlbumTrackCount(Parse("TTITLE30000=x\r\n")), 1);
}

std::string Stored(const std::string& path) {
    return Cp1252ToUtf8(test::ReadFileBytes(test::TestDataPath("cddb/" + path)));
}

// Replies recorded from a classic server; a rejected one tells the user and
// keeps the album read before. The Windows-1252 record's title is kalvex-cli's
// cddb parse-album test's (cli_test.cpp), which decodes and parses as here.
TEST(AlbumRecord, RecordedReadRepliesFillTheAlbumOrKeepThePreviousOne) {
    CollectingMessageService messages;
    AlbumData album;
    ParseAlbumReply(Stored("cddbd-replies/read-210-rock.txt"), album, messages);
    EXPECT_EQ(
        std::tie(album.AlbumValid, album.AlbumTitle, album.AlbumYear, album.ExtendedData,
                 album.TrackTitles),
        std::tuple(true, "Test Artist / Two Tracks", 1994, "YEAR: 1994",
                   std::vector<TrackText>{{0, "Track 1 of 0b014802"}, {1, "Track 2 of 0b014802"}}));
    EXPECT_TRUE(messages.Messages().empty());

    for (const char* rejected : {"read-401-not-found.txt", "read-501-bad-category.txt"}) {
        ParseAlbumReply(Stored("cddbd-replies/" + std::string(rejected)), album, messages);
        EXPECT_FALSE(album.AlbumValid) << rejected;
        EXPECT_EQ(album.TrackTitles.size(), 2u) << "previous album kept";
    }
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>(2, "Could not read album data from FreeDB server."));
}

// Records from another project's suite: values split at any point, blanks on
// either side of the cut kept.
TEST(AlbumRecord, LibraryTestCacheRecordsJoinSplitValues) {
    const std::tuple<std::string, const char*, const char*, size_t> records[] = {
        {"12345675", "DiscTitle", "DiscExt", 1},
        {"12345676", "DiscTitle cntd.", "DiscExt cntd.", 1},
        {"12345677", "DiscTitle cntd.", "DiscExt cntd.", 1},
        {"12345678", "DiscArtist / DiscTitle", "", 16},
        {"1234567b", "DiscArtist / DiscTitle", "", 1},
        // Stored as UTF-8; at protocol level 5 every byte is one character.
        {"12340000", "A\u00C3\u00AFi / A\u00C3\u00AFi", "A\u00C3\u00AFi", 1},
    };
    for (const auto& [id, title, extended, tracks] : records) {
        SCOPED_TRACE(id);
        const AlbumData album = Parse(Stored("libcddb/testcache/misc/" + id), {}, "misc " + id);
        EXPECT_EQ(std::tuple(album.AlbumValid, album.AlbumTitle, album.ExtendedData,
                             album.TrackTitles.size(), album.AlbumYear),
                  std::tuple(true, title, extended, tracks, id == "12340000" ? 2004 : 2003));
    }
    const AlbumData sixteen = Parse(Stored("libcddb/testcache/misc/12345678"), {}, "misc 12345678");
    EXPECT_EQ(GetTrackTitle(sixteen, 2), "TrackArtist3 cntd. / TrackTitle3");
    EXPECT_EQ(GetTrackTitle(sixteen, 4), "TrackArtist5 / TrackTitle5");
    EXPECT_EQ(GetTrackTitle(sixteen, 5), "TrackArtist6 / TrackTitle6 cntd.");
}

TEST(UrlEncode, KeepsLettersDigitsAndDotsAndEscapesTheRestAsCodePageBytes) {
    EXPECT_EQ(UrlEncode("a.b_c-d~ \x05{\u20AC"), "a.b%5Fc%2Dd%7E+%05%7B%80");
    EXPECT_EQ(BuildHello("anon", "my-host", "Kalvex_Tagger", "1.2.3"),
              "&hello=anon+my%2Dhost+Kalvex%5FTagger+1.2.3&proto=5");
    // The maker's host, never this machine's name.
    EXPECT_TRUE(
        ProgramHelloSuffix().starts_with("&hello=anon+kalvex%2Dtagger.example+Kalvex%5FTagger+"))
        << ProgramHelloSuffix();
}

// Replies recorded from a classic server and replies made for one rule each:
// whether they name albums, which ones, and what the user is told. Every
// reply must read the same with line feeds alone and without its last line end.
// The recorded two-category list and no-match reply are kalvex-cli's cddb
// parse-query test's (cli_test.cpp), which decodes and parses them as here.
TEST(QueryReply, ClassifiesRepliesListsTheirMatchesAndTellsTheUserWhy) {
    struct Case {
        std::string page;
        MatchList matches;  // empty: the reply names no album
        std::vector<std::string> messages = {};
    };
    const Case cases[] = {
        {Stored("cddbd-replies/query-200-exact.txt"),
         {{"jazz", "920ef00b", " Jazz Group / Eleven"}}},
        {Stored("cddbd-replies/query-211-inexact.txt"),
         {{"jazz", "920ef00b", "Jazz Group / Eleven"}}},
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
        {"403 Database entry is corrupt.\r\n", {}, {"Database entry is corrupt"}},
        {"409 No handshake.\r\n", {}, {"No handshake"}},
        {Stored("cddbd-replies/query-500-bad-arguments.txt"), {}},
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
