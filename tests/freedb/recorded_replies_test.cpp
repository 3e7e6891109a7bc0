// Replies recorded from a real CDDB server and xmcd records from another
// project's suite, read with the expectations their text states.
#include <gtest/gtest.h>

#include "common/cp1252.h"
#include "freedb/album_record.h"
#include "freedb/cddb_protocol.h"
#include "test_files.h"

namespace kalvex {
namespace {

using test::ReadFileBytes;
using test::TestDataPath;

std::string Reply(const std::string& name) {
    return Cp1252ToUtf8(ReadFileBytes(TestDataPath("cddb/cddbd-replies/" + name)));
}

// A stored record wrapped as the server would send it.
AlbumData ParseStoredRecord(const std::string& category, const std::string& id,
                            const std::string& path) {
    const std::string page = "210 " + category + " " + id +
                             " CD database entry follows (until terminating `.')\r\n" +
                             Cp1252ToUtf8(ReadFileBytes(TestDataPath(path))) + ".\r\n";
    AlbumData album;
    CollectingMessageService messages;
    ParseAlbumReply(page, album, messages);
    EXPECT_TRUE(messages.Messages().empty());
    return album;
}

TEST(RecordedReplies, QueryRepliesClassify) {
    MatchList matches;
    CollectingMessageService messages;
    EXPECT_TRUE(ParseQueryReply(Reply("query-210-two-categories.txt"), matches, messages));
    EXPECT_EQ(matches, (MatchList{{"misc", "0b014802", "Other Artist / Same Id"},
                                  {"rock", "0b014802", "Test Artist / Two Tracks"}}));
    EXPECT_TRUE(ParseQueryReply(Reply("query-200-exact.txt"), matches, messages));
    EXPECT_EQ(matches, (MatchList{{"jazz", "920ef00b", " Jazz Group / Eleven"}}));
    EXPECT_TRUE(ParseQueryReply(Reply("query-211-inexact.txt"), matches, messages));
    EXPECT_EQ(matches, (MatchList{{"jazz", "920ef00b", "Jazz Group / Eleven"}}));
    EXPECT_TRUE(messages.Messages().empty());

    EXPECT_FALSE(ParseQueryReply(Reply("query-202-no-match.txt"), matches, messages));
    for (const char* silent :
         {"query-500-bad-arguments.txt", "query-501-bad-proto.txt", "query-no-hello.txt"}) {
        EXPECT_FALSE(ParseQueryReply(Reply(silent), matches, messages)) << silent;
    }
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"No match found"});
}

TEST(RecordedReplies, ReadRepliesFillTheAlbum) {
    CollectingMessageService messages;
    AlbumData album;
    ParseAlbumReply(Reply("read-210-rock.txt"), album, messages);
    EXPECT_TRUE(album.AlbumValid);
    EXPECT_EQ(album.AlbumTitle, "Test Artist / Two Tracks");
    EXPECT_EQ(album.AlbumYear, 1994);
    EXPECT_EQ(album.ExtendedData, "YEAR: 1994");
    EXPECT_EQ(album.TrackTitles,
              (std::vector<TrackText>{{0, "Track 1 of 0b014802"}, {1, "Track 2 of 0b014802"}}));

    ParseAlbumReply(Reply("read-210-latin1-proto5.txt"), album, messages);
    EXPECT_EQ(album.AlbumTitle, "Caf\u00E9 Ensemble / Un \u00E9t\u00E9");
    EXPECT_EQ(album.AlbumYear, 2004);
    EXPECT_EQ(album.TrackTitles.size(), 3u);
    EXPECT_TRUE(messages.Messages().empty());

    for (const char* rejected : {"read-401-not-found.txt", "read-501-bad-category.txt"}) {
        ParseAlbumReply(Reply(rejected), album, messages);
        EXPECT_FALSE(album.AlbumValid) << rejected;
        EXPECT_EQ(album.TrackTitles.size(), 3u) << "previous album kept";
    }
    EXPECT_EQ(messages.Messages().size(), 2u);
}

TEST(RecordedReplies, DatabaseFolderRecords) {
    const AlbumData jazz = ParseStoredRecord("jazz", "920ef00b", "cddb/db/jazz/920ef00b");
    EXPECT_EQ(jazz.AlbumTitle, "Jazz Group / Eleven");
    EXPECT_EQ(jazz.AlbumYear, 1999);
    ASSERT_EQ(jazz.TrackTitles.size(), 11u);
    EXPECT_EQ(GetTrackTitle(jazz, 10), "Track 11 of 920ef00b");
    // Empty EXTT lines make no entries beyond the first.
    EXPECT_EQ(jazz.TrackExtras, (std::vector<TrackText>{{0, ""}}));

    const AlbumData misc = ParseStoredRecord("misc", "0b014802", "cddb/db/misc/0b014802");
    EXPECT_EQ(misc.AlbumTitle, "Other Artist / Same Id");
}

struct StoredRecord {
    const char* id;
    const char* title;
    const char* extended;
    size_t tracks;
};

TEST(RecordedReplies, LibraryTestCacheRecordsJoinSplitValues) {
    // Values split at any point, blanks on either side of the cut kept.
    const StoredRecord records[] = {
        {"12345675", "DiscTitle", "DiscExt", 1},
        {"12345676", "DiscTitle cntd.", "DiscExt cntd.", 1},
        {"12345677", "DiscTitle cntd.", "DiscExt cntd.", 1},
        {"12345678", "DiscArtist / DiscTitle", "", 16},
        {"1234567b", "DiscArtist / DiscTitle", "", 1},
        // Stored as UTF-8; at protocol level 5 every byte is one character.
        {"12340000", "A\u00C3\u00AFi / A\u00C3\u00AFi", "A\u00C3\u00AFi", 1},
    };
    for (const StoredRecord& r : records) {
        SCOPED_TRACE(r.id);
        const AlbumData album =
            ParseStoredRecord("misc", r.id, std::string("cddb/libcddb/testcache/misc/") + r.id);
        EXPECT_TRUE(album.AlbumValid);
        EXPECT_EQ(album.AlbumTitle, r.title);
        EXPECT_EQ(album.ExtendedData, r.extended);
        EXPECT_EQ(album.TrackTitles.size(), r.tracks);
        EXPECT_EQ(album.AlbumYear, 2003 + (std::string(r.id) == "12340000"));
    }
    const AlbumData sixteen =
        ParseStoredRecord("misc", "12345678", "cddb/libcddb/testcache/misc/12345678");
    EXPECT_EQ(GetTrackTitle(sixteen, 2), "TrackArtist3 cntd. / TrackTitle3");
    EXPECT_EQ(GetTrackTitle(sixteen, 4), "TrackArtist5 / TrackTitle5");
    EXPECT_EQ(GetTrackTitle(sixteen, 5), "TrackArtist6 / TrackTitle6 cntd.");
}

}  // namespace
}  // namespace kalvex
