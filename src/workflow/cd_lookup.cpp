// The road from a disc or a typed disc id to the album shown, without a window.
#include "workflow/cd_lookup.h"

#include "cdrom/disc_id.h"
#include "cdrom/scsi_interface.h"
#include "common/cp1252.h"
#include "common/text_helpers.h"
#include "freedb/reply_lines.h"

namespace kalvex {
namespace {

// How much of an unknown reply's first line the user is shown: enough for
// any status line a server writes, not a screenful of garbage.
constexpr size_t kShownLineLength = 200;

// The first line of a reply, fit to be shown: control characters become
// blanks and a very long line is cut at a character boundary.
std::string FirstLineForDisplay(std::string_view page) {
    std::string line(page.substr(0, page.find_first_of("\r\n")));
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    if (line.size() > kShownLineLength) {
        line = std::string(CutAtCharacterBoundary(line, kShownLineLength)) + "...";
    }
    return line;
}

bool IsToldQueryStatus(const std::string& status) {
    return status == "202" || status == "403" || status == "409";
}

// Clears a flag when the scope ends, however it ends.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

CdLookup::CdLookup(FetcherFactory fetchers, MatchChooser& chooser, MessageService& messages,
                   std::string hello_suffix)
    : fetchers_(std::move(fetchers)),
      chooser_(chooser),
      messages_(messages),
      hello_suffix_(std::move(hello_suffix)) {}

bool CdLookup::ReadCd(const DriveBox& box, const ServerAddress& address) {
    if (busy_) {
        return false;
    }
    bool read = false;
    {
        BusyScope busy(busy_);
        album_ready_ = false;
        read = ReadDiscToc(box, messages_);
    }
    return read && LookUpToc(CurrentDiscToc(), address);
}

void CdLookup::StartLoading(const ServerAddress& address, int disc_tracks) {
    loaded_ = false;
    aborted_ = false;
    album_ready_ = false;
    disc_tracks_ = disc_tracks;
    address_ = address;
    fetcher_ = fetchers_();
}

bool CdLookup::LookUpToc(const DiscToc& toc, const ServerAddress& address) {
    if (busy_) {
        return false;
    }
    BusyScope busy(busy_);
    disc_id_ = ComputeDiscId(toc);
    query_command_ = BuildQueryCommand(toc);
    StartLoading(address, kalvex::TrackCount(toc));
    RunFreeDbQuery();
    fetcher_.reset();
    return loaded_;
}

bool CdLookup::LookUpManually(const std::string& category, const std::string& disc_id,
                              const ServerAddress& address) {
    if (busy_ || disc_id.empty()) {
        return false;
    }
    BusyScope busy(busy_);
    matches_.assign(1, FreeDbMatch{ToLowerAscii(TrimBlanks(category)), ToLowerAscii(disc_id), ""});
    StartLoading(address, 0);
    ReadAndShowMatch(0);
    fetcher_.reset();
    return loaded_;
}

void CdLookup::Abort() {
    if (!busy_) {
        return;
    }
    aborted_ = true;
    if (fetcher_) {
        fetcher_->Cancel();
    }
}

bool CdLookup::TestConnection(const ServerAddress& address) {
    if (busy_) {
        return false;
    }
    BusyScope busy(busy_);
    aborted_ = false;
    address_ = address;
    fetcher_ = fetchers_();
    std::string page;
    const bool fetched = FetchCommand("motd", page);
    fetcher_.reset();
    if (!fetched) {
        return false;
    }
    raw_reply_ = page;
    Changed(LookupChange::kReply);
    const std::string status = GetField(page, " ", 1);
    const bool connected = status == "210" || status == "401";
    if (connected) {
        messages_.ShowInformation(kConnectedMessage);
    } else {
        messages_.ShowExclamation(kNotConnectedMessage);
    }
    return connected;
}

void CdLookup::LoadSelectedMatch(int index) {
    if (fetcher_ && index >= 0 && index < static_cast<int>(matches_.size())) {
        ReadAndShowMatch(index);
    }
}

bool CdLookup::RunFreeDbQuery() {
    if (query_command_.empty()) {
        return false;
    }
    std::string page;
    if (!FetchCommand(query_command_, page)) {
        return false;
    }
    MatchList matches;
    if (!ParseQueryReply(page, matches, messages_)) {
        // The status as the parser read it, so that every reply it did not
        // tell the user about ("202" alone on its line, say) is told here.
        const std::string status = GetField(CanonicalReplyText(page), " ", 1);
        if (!IsToldQueryStatus(status)) {
            messages_.ShowExclamation(kServerAnsweredPrefix + FirstLineForDisplay(page));
        }
        return false;
    }
    matches_ = std::move(matches);
    if (matches_.size() == 1) {
        return ReadAndShowMatch(0);
    }
    chooser_.ChooseMatch(matches_, [this](int index) { LoadSelectedMatch(index); });
    return loaded_;
}

bool CdLookup::ReadAndShowMatch(int index) {
    const FreeDbMatch match = matches_[static_cast<size_t>(index)];
    std::string page;
    if (!FetchCommand("cddb read " + match.Category + " " + match.DiscId, page)) {
        return false;
    }
    return ShowAlbumReply(page, index);
}

bool CdLookup::LoadAlbumReply(const std::string& page) {
    if (busy_) {
        return false;
    }
    BusyScope busy(busy_);
    // "210 rock 14001a05 CD database entry follows": category and disc id.
    const std::string canonical = CanonicalReplyText(page);
    const std::string status_line = canonical.substr(0, canonical.find("\r\n"));
    matches_.assign(1, FreeDbMatch{ToLowerAscii(GetField(status_line, " ", 2)),
                                   ToLowerAscii(GetField(status_line, " ", 3)), ""});
    loaded_ = false;
    aborted_ = false;
    album_ready_ = false;
    disc_tracks_ = 0;
    return ShowAlbumReply(page, 0);
}

bool CdLookup::ShowAlbumReply(const std::string& page, int index) {
    raw_reply_ = page;
    // The reply is parsed into a copy: an invalid record must not leave the
    // panel showing one album while the album data holds parts of another.
    AlbumData album = album_;
    ParseAlbumReply(page, album, messages_);
    if (!album.AlbumValid) {
        messages_.ShowExclamation(kInvalidAlbumMessage);
        Changed(LookupChange::kReply);
        return false;
    }
    album_ = std::move(album);
    chosen_match_ = index;
    track_count_ = AlbumTrackCount(album_, disc_tracks_);
    ShowAlbum(matches_[static_cast<size_t>(index)]);
    loaded_ = true;
    album_ready_ = true;
    Changed(LookupChange::kAlbum);
    return true;
}

void CdLookup::ShowAlbum(const FreeDbMatch& match) {
    const std::string& title = album_.AlbumTitle;
    if (title.find(" / ") != std::string::npos) {
        panel_.Artist = TrimBlanks(GetField(title, " / ", 1));
        panel_.Album = TrimBlanks(GetField(title, " / ", 2));
    } else {
        panel_.Artist = TrimBlanks(title);
        panel_.Album = panel_.Artist;
    }
    panel_.Genre = ProperCase(match.Category);
    panel_.Year = std::to_string(album_.AlbumYear);
    panel_.Details.clear();
    for (int i = 1; i <= track_count_; ++i) {
        panel_.Details.push_back("Track " + std::to_string(i) + " : " +
                                 GetTrackTitle(album_, i - 1));
    }
    panel_.Caption = title;
}

bool CdLookup::FetchCommand(const std::string& command, std::string& page) {
    if (aborted_) {
        return false;
    }
    const std::string url = BuildRequestUrl(address_.server, address_.root, command, hello_suffix_);
    FetchResult fetched = fetcher_->Fetch(url, address_.port);
    if (aborted_) {
        return false;  // nobody is left to tell
    }
    if (!fetched.ok) {
        messages_.ShowExclamation(kFetchFailedPrefix + fetched.reason);
        return false;
    }
    // Protocol level 5 sends single bytes of the Windows code page.
    page = Cp1252ToUtf8(fetched.body);
    return true;
}

void CdLookup::Changed(LookupChange change) {
    if (on_change_) {
        on_change_(change);
    }
}

}  // namespace kalvex
