#include "freedb/album_record.h"

#include <gtest/gtest.h>

namespace kalvex {
namespace {

const std::string kHeader =
    "210 rock 0b014802 CD database entry follows (until terminating `.')\r\n";

AlbumData Parse(const std::string& lines, AlbumData album = {}) {
    CollectingMessageService messages;
    ParseAlbumReply(kHeader + lines + ".\r\n", album, messages);
    EXPECT_TRUE(messages.Messages().empty());
    return album;
}

TEST(AlbumRecord, SplitValuesJoinWithoutSeparator) {
    const AlbumData album = Parse(
        "DTITLE=Some Artist / Som\r\nDTITLE=e Album\r\n"
        "TTITLE0=Intro\r\nTTITLE1=Part one\r\nTTITLE1= and two\r\nTTITLE2=End\r\n");
    EXPECT_TRUE(album.AlbumValid);
    EXPECT_EQ(album.AlbumTitle, "Some Artist / Some Album");
    EXPECT_EQ(album.TrackTitles,
              (std::vector<TrackText>{{0, "Intro"}, {1, "Part one and two"}, {2, "End"}}));
    EXPECT_EQ(GetTrackTitle(album, 1), "Part one and two");
    EXPECT_EQ(GetTrackTitle(album, 7), "");
}

TEST(AlbumRecord, EscapesResolvedInTrackTextsButNotInTheTitle) {
    const AlbumData album = Parse(
        "DTITLE=A\\nB\r\nTTITLE0=A\\nB\r\nTTITLE1=x\\ty\r\nTTITLE2=C:\\\\new\r\n"
        "EXTD=line\\nnext\r\nEXTT0=e\\\\f\r\nEXTT5=far\\naway\r\n");
    EXPECT_EQ(album.AlbumTitle, "A\\nB");
    EXPECT_EQ(GetTrackTitle(album, 0), "A\r\nB");
    EXPECT_EQ(GetTrackTitle(album, 1), "x\ty");
    // An escaped backslash followed by n is a backslash and an n.
    EXPECT_EQ(GetTrackTitle(album, 2), "C:\\new");
    EXPECT_EQ(album.ExtendedData, "line\r\nnext");
    EXPECT_EQ(GetTrackExtra(album, 0), "e\\f");
    EXPECT_EQ(GetTrackExtra(album, 5), "far\r\naway");
}

TEST(AlbumRecord, CommentsDiscIdAndKeyCase) {
    const AlbumData album =
        Parse("# DTITLE=not this\r\nDISCID=0b014802\r\ndtitle=x\r\nTtItLe0=y\r\nTTITLE1=\r\n");
    EXPECT_EQ(album.AlbumTitle, "x");
    EXPECT_EQ(album.TrackTitles, (std::vector<TrackText>{{0, "y"}}));
}

TEST(AlbumRecord, YearFromDyearOrExtendedData) {
    EXPECT_EQ(Parse("DYEAR=\r\nEXTD=YEAR: 1994 ID3G: 17\r\n").AlbumYear, 1994);
    EXPECT_EQ(Parse("DYEAR=2001\r\nEXTD=YEAR: 1994\r\n").AlbumYear, 2001);
    EXPECT_EQ(Parse("EXTD= year: 1987\r\n").AlbumYear, 1987);
    EXPECT_EQ(Parse("EXTD=YEAR: 19\r\n").AlbumYear, 0);
    // Four characters must follow the marker; a character may be several
    // bytes of UTF-8, which do not make up for a missing one.
    EXPECT_EQ(Parse("EXTD=YEAR: 12\xC3\xA9\r\n").AlbumYear, 0);     // é
    EXPECT_EQ(Parse("EXTD=YEAR: 7\xE2\x82\xAC\r\n").AlbumYear, 0);  // €
    EXPECT_EQ(Parse("EXTD=\xC3\xA9 YEAR: 1994\xC3\xA9\r\n").AlbumYear, 1994);
    EXPECT_EQ(Parse("DYEAR=99999\r\n").AlbumYear, 0);
    EXPECT_EQ(Parse("DYEAR=soon\r\n").AlbumYear, 0);
    AlbumData previous = Parse("DYEAR=2001\r\nDTITLE=Old\r\n");
    EXPECT_EQ(Parse("DTITLE=New\r\n", previous).AlbumYear, 0);
}

TEST(AlbumRecord, RejectedReplyKeepsThePreviousAlbum) {
    AlbumData album = Parse("DTITLE=Kept\r\nTTITLE0=Kept track\r\n");
    CollectingMessageService messages;
    ParseAlbumReply("401 rock 12345678 No such CD entry in database.\r\n", album, messages);
    EXPECT_FALSE(album.AlbumValid);
    EXPECT_EQ(album.AlbumTitle, "Kept");
    EXPECT_EQ(GetTrackTitle(album, 0), "Kept track");
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"Could not read album data from FreeDB server."});
}

TEST(AlbumRecord, TrackNumbersAndKeys) {
    EXPECT_EQ(GetXmcdValue("TTITLE", "TTITLE12=Song"), "Song");
    EXPECT_EQ(GetXmcdValue("TTITLE", "TTITLE12=a=b"), "a=b");
    EXPECT_EQ(GetXmcdValue("TTITLE", "TTITLE"), "");
    EXPECT_EQ(GetXmcdValue("", "TTITLE1=x"), "");
    EXPECT_EQ(GetXmcdValue("EXTD", "EXTDno equals"), "EXTDno equals");
    EXPECT_EQ(GetXmcdTrackNumber("TTITLE12=Song", "TTITLE"), 12);
    EXPECT_EQ(GetXmcdTrackNumber("TTITLE=Song", "TTITLE"), 0);
    EXPECT_EQ(GetXmcdTrackNumber("TTITLE99999=Song", "TTITLE"), -1);
    EXPECT_EQ(GetXmcdTrackNumber("T=x", "TTITLE"), 0);
}

// The tracks run to the highest numbered title, empty ones between, at
// least the disc's own count and at most a CD's 99.
TEST(AlbumRecord, TrackCountRunsToTheLastTitle) {
    CollectingMessageService messages;
    AlbumData album;
    ParseAlbumReply(kHeader + "TTITLE0=Morning Blues\r\nTTITLE1=\r\nTTITLE2=Evening Blues\r\n",
                    album, messages);
    EXPECT_EQ(AlbumTrackCount(album), 3);
    EXPECT_EQ(AlbumTrackCount(album, 5), 5);
    ParseAlbumReply(kHeader + "TTITLE30000=x\r\n", album, messages);
    EXPECT_EQ(AlbumTrackCount(album), 1);
}

TEST(AlbumRecord, LineFeedsAloneReadTheSame) {
    const std::string crlf = kHeader + "DTITLE=A / B\r\nDYEAR=2000\r\nTTITLE0=One\r\n.\r\n";
    std::string lf = crlf;
    std::erase(lf, '\r');
    CollectingMessageService messages;
    AlbumData a, b, c;
    ParseAlbumReply(crlf, a, messages);
    ParseAlbumReply(lf, b, messages);
    ParseAlbumReply(lf.substr(0, lf.size() - 3), c, messages);  // no final "." nor line end
    for (const AlbumData* other : {&b, &c}) {
        EXPECT_EQ(other->AlbumTitle, a.AlbumTitle);
        EXPECT_EQ(other->AlbumYear, a.AlbumYear);
        EXPECT_EQ(other->TrackTitles, a.TrackTitles);
    }
}

}  // namespace
}  // namespace kalvex
