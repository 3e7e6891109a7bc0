#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cdrom/disc_toc.h"
#include "cdrom/drive_box.h"
#include "common/message_service.h"
#include "freedb/album_record.h"
#include "freedb/cddb_protocol.h"
#include "freedb/http_fetch.h"
#include "id3/picture.h"
#include "workflow/album_sources.h"

namespace kalvex {

inline constexpr const char* kFetchFailedPrefix = "Could not connect to the FreeDB server: ";
inline constexpr const char* kServerAnsweredPrefix = "The FreeDB server answered: ";
inline constexpr const char* kInvalidAlbumMessage = "The CD album data is invalid.";
inline constexpr const char* kConnectedMessage = "Successfully connected to FreeDB";
inline constexpr const char* kNotConnectedMessage = "Could not connect to FreeDB";
inline constexpr const char* kNoMatchMessage = "No match found";
inline constexpr const char* kDefaultCoverServer = "https://coverartarchive.org";
inline constexpr const char* kFilesHint =
    "Without the disc, its album can be found from the MP3 files ripped from it: open their "
    "folder and click \"Look up album by its files\" on the FreeDB page.";
inline constexpr const char* kRefusedPrefix = "The CDDB server refused the lookup: \"";

// Where the CDDB requests go, as the server boxes hold it, and how the
// program introduces itself there.
struct ServerAddress {
    std::string server = kDefaultServer;
    std::string root = kDefaultRoot;
    std::string port = kDefaultPort;
    // The address registered at the service; it then stands in the hello
    // and in a User-Email header. Empty: the anonymous hello.
    std::string email{};
    int protocol = 5;  // 6 sends UTF-8 replies
};

// Lets the user pick one of several matches, given as the dialog's rows.
// Calls `load_match` with the chosen index before it returns (the window
// reads the album while its dialog is still up); returns without calling it
// when the user cancels.
class MatchChooser {
public:
    virtual ~MatchChooser() = default;
    virtual void ChooseMatch(const std::vector<std::string>& rows,
                             const std::function<void(int)>& load_match) = 0;
};

// What the album panel shows.
struct AlbumPanel {
    std::string Artist;
    std::string Album;
    std::string Genre;
    std::string Year;
    std::vector<std::string> Details;  // "Track 1 : Intro", ...
    std::string Caption;               // the label under the disc caption
};

// What a change touched: only the raw reply box (a connection test, a read
// that failed), or the whole album shown (a read that succeeded).
enum class LookupChange { kReply, kAlbum };

// One fetcher per lookup, so the query and the read share a connection.
using FetcherFactory = std::function<std::unique_ptr<HttpFetcher>()>;

// The road from a disc (or a typed disc id) to the album on screen, without a
// window. It owns the lookup's state: the disc id, the query command, the
// matches, the album and what the album panel and the raw reply box show.
// Every failure is told through the message service; a failed lookup leaves
// the album and the panel as they were.
class CdLookup {
public:
    CdLookup(FetcherFactory fetchers, MatchChooser& chooser, MessageService& messages,
             std::string hello_suffix);

    // The "Get album data for CD" road: the TOC of the drive selected in the
    // box, its disc id, the query, the choice, the read. True when this
    // lookup loaded an album (only then may an import follow).
    bool ReadCd(const DriveBox& box, const ServerAddress& address);
    // The same road from a table of contents already at hand. `note`, when
    // given, heads the raw reply box of the album read.
    bool LookUpToc(const DiscToc& toc, const ServerAddress& address, std::string note = {});
    // Reads the album of a typed disc id and category; nothing happens for
    // an empty disc id.
    bool LookUpManually(const std::string& category, const std::string& disc_id,
                        const ServerAddress& address);
    // Loads a stored "cddb read" reply as if the server had just sent it:
    // the genre comes from the status line's category. False, told through
    // the message service, when the reply holds no album.
    bool LoadAlbumReply(const std::string& page);
    // Asks for the message of the day and tells whether the server answered.
    bool TestConnection(const ServerAddress& address);

    // Reads and shows entry `index` of the matches (the match dialog's OK).
    // Only valid while a lookup is choosing.
    void LoadSelectedMatch(int index);

    // True from the start of an operation to its end; a second operation
    // asked for meanwhile does nothing and returns false.
    bool Busy() const { return busy_; }
    // Ends the operation under way as soon as its fetch returns, quietly:
    // nothing more is fetched, told or shown (the window is closing).
    void Abort();
    // Whether the last lookup loaded the album shown: false after one that
    // failed, was cancelled or aborted, though the album shown stays. Only a
    // ready album may go into files. The connection test leaves it alone.
    bool AlbumReady() const { return album_ready_; }
    // The loaded album's track count (AlbumTrackCount with the disc's own
    // count, when the album came from a table of contents).
    int TrackCount() const { return track_count_; }

    // Which services the lookups ask (CDDB alone unless set).
    void SetSources(LookupSources sources) { sources_ = std::move(sources); }
    const LookupSources& Sources() const { return sources_; }

    const std::string& DiscId() const { return disc_id_; }
    const std::string& QueryCommand() const { return query_command_; }
    // What the last lookup found, CDDB's matches first; one entry (with an
    // empty CDDB match) before any.
    const std::vector<AlbumMatch>& Matches() const { return matches_; }
    // The dialog's rows for the matches.
    std::vector<std::string> MatchRows() const;
    const AlbumData& Album() const { return album_; }
    const AlbumPanel& Panel() const { return panel_; }
    // The raw reply box: the last album reply or message of the day, as text.
    const std::string& RawReply() const { return raw_reply_; }
    // The match index chosen for the album shown, or -1.
    int ChosenMatch() const { return chosen_match_; }
    // The MusicBrainz release of the album shown, when it came from there.
    const MusicBrainzRelease* LoadedRelease() const;

    // The front cover of the album shown, from the Cover Art Archive at
    // `server`, for an album from MusicBrainz: fetched once per album and kept
    // for the next import. nullopt when there is none, or for an album from
    // CDDB; a cover that could not be had is noted in the raw reply box, and
    // `note` says why.
    std::optional<TagPicture> FrontCover(const std::string& server, std::string* note = nullptr);

    // Called whenever the panel or the raw reply changed.
    void SetChangeListener(std::function<void(LookupChange)> listener) {
        on_change_ = std::move(listener);
    }

private:
    // Asks every source at once, then reads the one match or lets the user
    // choose.
    bool RunQueries(const DiscToc& toc);
    // The CDDB query's reply: its matches, or what went wrong told through
    // `tell`.
    SourceOutcome ReadQueryReply(const FetchResult& fetched, MessageService& tell,
                                 std::vector<AlbumMatch>& found);
    void TellNothingFound(const SourceOutcome& cddb, const SourceOutcome& musicbrainz);
    bool LoadMatch(int index);
    bool ReadAndShowMatch(int index);
    bool ShowMusicBrainzAlbum(int index, const std::string& reply);
    // The request of one CDDB command, with the hello for this address.
    HttpRequest CddbRequest(const std::string& command) const;
    // A reply's text: Windows-1252 at protocol level 5, UTF-8 at 6.
    std::string DecodeReply(const std::string& body) const;
    // Fetches one command ("motd" reads the same encoded or not); tells the
    // user and returns false on failure.
    bool FetchCommand(const std::string& command, std::string& page);
    // Parses a read reply for match `index` and shows it when it is valid.
    bool ShowAlbumReply(const std::string& page, int index);
    void ShowAlbum(const FreeDbMatch& match);
    // Takes the album as loaded: the panel, the raw reply (after the notes).
    void AlbumLoaded(int index, std::string reply);
    void Changed(LookupChange change);
    // Starts an operation that may load an album.
    void StartLoading(const ServerAddress& address, int disc_tracks);
    bool NamesSources() const { return sources_.cddb && sources_.musicbrainz; }

    FetcherFactory fetchers_;
    MatchChooser& chooser_;
    MessageService& messages_;
    std::string hello_suffix_;

    // Only during an operation.
    std::unique_ptr<HttpFetcher> fetcher_;
    ServerAddress address_;
    bool busy_ = false;
    bool loaded_ = false;
    bool aborted_ = false;
    int disc_tracks_ = 0;  // of the table of contents looked up, else 0
    // Lines that head the raw reply box of the album read (why the CDDB
    // server refused while MusicBrainz found the album, ...).
    std::vector<std::string> notes_;
    std::vector<std::string> musicbrainz_replies_;  // one per release found

    LookupSources sources_;
    std::string cover_release_;  // the release the kept cover belongs to
    std::optional<TagPicture> cover_;
    std::string cover_note_;
    RequestPacer cover_pacer_{std::chrono::milliseconds(1050)};
    // MusicBrainz asks for at most one request a second, across lookups; the
    // margin keeps network jitter from bringing two closer at the service.
    RequestPacer musicbrainz_pacer_{std::chrono::milliseconds(1050)};

    std::string disc_id_;
    std::string query_command_;
    std::vector<AlbumMatch> matches_{AlbumMatch{}};
    AlbumData album_;
    AlbumPanel panel_;
    std::string raw_reply_;
    int chosen_match_ = -1;
    bool album_ready_ = false;
    int track_count_ = 0;
    std::function<void(LookupChange)> on_change_;
};

}  // namespace kalvex
