// The road from a disc or a typed disc id to the album shown, without a window.
#include "workflow/cd_lookup.h"

#include <algorithm>

#include "cdrom/disc_id.h"
#include "cdrom/drive_commands.h"
#include "cdrom/scsi_interface.h"
#include "common/cp1252.h"
#include "common/text_helpers.h"
#include "freedb/reply_lines.h"
#include "kalvex/version.h"

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

// What a refusing server said, and what the user can do about it.
std::string RefusalText(std::string_view page) {
    return kRefusedPrefix + FirstLineForDisplay(page) +
           "\". It answers only programs or e-mail addresses registered with it: register "
           "your e-mail address at the service and enter it on the FreeDB page, or let "
           "MusicBrainz find the album (\"Ask MusicBrainz\" on the Options page).";
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
        // Without the disc, the files it was ripped to can stand in for it.
        class Hinting : public MessageService {
        public:
            explicit Hinting(MessageService& to) : to_(to) {}
            void ShowExclamation(const std::string& text) override {
                to_.ShowExclamation(text == kNoDiscMessage ? text + "\r\n" + kFilesHint : text);
            }
            void ShowInformation(const std::string& text) override { to_.ShowInformation(text); }

        private:
            MessageService& to_;
        } hinting(messages_);
        read = ReadDiscToc(box, hinting);
    }
    return read && LookUpToc(CurrentDiscToc(), address);
}

void CdLookup::StartLoading(const ServerAddress& address, int disc_tracks) {
    notes_.clear();
    loaded_ = false;
    aborted_ = false;
    album_ready_ = false;
    disc_tracks_ = disc_tracks;
    address_ = address;
    fetcher_ = fetchers_();
}

bool CdLookup::LookUpToc(const DiscToc& toc, const ServerAddress& address, std::string note) {
    if (busy_) {
        return false;
    }
    BusyScope busy(busy_);
    disc_id_ = ComputeDiscId(toc);
    query_command_ = BuildQueryCommand(toc);
    StartLoading(address, kalvex::TrackCount(toc));
    if (!note.empty()) {
        notes_.push_back(std::move(note));
    }
    RunQueries(toc);
    fetcher_.reset();
    return loaded_;
}

bool CdLookup::LookUpManually(const std::string& category, const std::string& disc_id,
                              const ServerAddress& address) {
    if (busy_ || disc_id.empty()) {
        return false;
    }
    BusyScope busy(busy_);
    matches_.assign(
        1, AlbumMatch{.Cddb = {ToLowerAscii(TrimBlanks(category)), ToLowerAscii(disc_id), ""}});
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
        LoadMatch(index);
    }
}

std::vector<std::string> CdLookup::MatchRows() const {
    std::vector<std::string> rows;
    for (const AlbumMatch& match : matches_) {
        rows.push_back(MatchRowText(match, NamesSources()));
    }
    return rows;
}

bool CdLookup::RunQueries(const DiscToc& toc) {
    // With MusicBrainz asked too, what CDDB would tell waits: it is told
    // only when neither service finds the album.
    CollectingMessageService deferred;
    MessageService& cddb_tells = sources_.musicbrainz ? deferred : messages_;
    std::vector<AlbumMatch> cddb_found;
    std::vector<AlbumMatch> musicbrainz_found;
    SourceOutcome cddb;
    SourceOutcome musicbrainz;
    if (sources_.cddb && !query_command_.empty()) {
        fetcher_->Start(CddbRequest(query_command_), [&](FetchResult fetched) {
            cddb = ReadQueryReply(fetched, cddb_tells, cddb_found);
        });
    }
    musicbrainz_replies_.clear();
    if (sources_.musicbrainz) {
        StartMusicBrainzLookup(
            *fetcher_, musicbrainz_pacer_, sources_.musicbrainz_server, toc,
            [&](std::vector<MusicBrainzRelease> releases, SourceOutcome outcome) {
                musicbrainz = std::move(outcome);
                for (MusicBrainzRelease& release : releases) {
                    musicbrainz_found.push_back(
                        {MatchSource::kMusicBrainz, {}, std::move(release)});
                    musicbrainz_replies_.push_back(musicbrainz.reply);
                }
            });
    }
    fetcher_->Run();
    if (aborted_) {
        return false;
    }
    std::vector<AlbumMatch> found = std::move(cddb_found);
    found.insert(found.end(), musicbrainz_found.begin(), musicbrainz_found.end());
    if (found.empty()) {
        if (sources_.musicbrainz) {
            TellNothingFound(cddb, musicbrainz);
        }
        return false;
    }
    if (!cddb.failure.empty()) {
        notes_.push_back(cddb.failure);  // MusicBrainz found it: the refusal is only noted
    }
    matches_ = std::move(found);
    if (matches_.size() == 1) {
        return LoadMatch(0);
    }
    chooser_.ChooseMatch(MatchRows(), [this](int index) { LoadSelectedMatch(index); });
    return loaded_;
}

SourceOutcome CdLookup::ReadQueryReply(const FetchResult& fetched, MessageService& tell,
                                       std::vector<AlbumMatch>& found) {
    SourceOutcome outcome;
    if (aborted_) {
        return outcome;
    }
    if (!fetched.ok) {
        outcome.failure = kFetchFailedPrefix + fetched.reason;
        tell.ShowExclamation(outcome.failure);
        return outcome;
    }
    const std::string page = DecodeReply(fetched.body);
    outcome.reply = page;
    const std::string status = GetField(CanonicalReplyText(page), " ", 1);
    if (status.size() == 3 && status[0] == '5') {
        outcome.failure = RefusalText(page);
        tell.ShowExclamation(outcome.failure);
        return outcome;
    }
    MatchList matches;
    CollectingMessageService told;
    if (!ParseQueryReply(page, matches, told)) {
        // The status as the parser read it, so that every reply it did not
        // tell the user about ("202" alone on its line, say) is told here.
        if (!IsToldQueryStatus(status)) {
            told.ShowExclamation(kServerAnsweredPrefix + FirstLineForDisplay(page));
        }
        for (const std::string& text : told.Texts()) {
            tell.ShowExclamation(text);
            if (text != kNoMatchMessage) {
                outcome.failure += (outcome.failure.empty() ? "" : " ") + text;
            }
        }
        outcome.answered = outcome.failure.empty();
        return outcome;
    }
    outcome.answered = true;
    for (FreeDbMatch& match : matches) {
        found.push_back({MatchSource::kCddb, std::move(match), {}});
    }
    return outcome;
}

void CdLookup::TellNothingFound(const SourceOutcome& cddb, const SourceOutcome& musicbrainz) {
    std::string text = kNoMatchMessage;
    for (const SourceOutcome* outcome : {&cddb, &musicbrainz}) {
        if (!outcome->failure.empty()) {
            text += "\r\n" + outcome->failure;
        }
    }
    messages_.ShowExclamation(text);
}

bool CdLookup::LoadMatch(int index) {
    const AlbumMatch& match = matches_[static_cast<size_t>(index)];
    if (match.Source == MatchSource::kMusicBrainz) {
        const std::size_t reply =
            static_cast<std::size_t>(index) -
            static_cast<std::size_t>(std::ranges::count_if(
                matches_, [](const AlbumMatch& m) { return m.Source == MatchSource::kCddb; }));
        return ShowMusicBrainzAlbum(
            index, reply < musicbrainz_replies_.size() ? musicbrainz_replies_[reply] : "");
    }
    return ReadAndShowMatch(index);
}

bool CdLookup::ReadAndShowMatch(int index) {
    const FreeDbMatch match = matches_[static_cast<size_t>(index)].Cddb;
    std::string page;
    if (!FetchCommand("cddb read " + match.Category + " " + match.DiscId, page)) {
        return false;
    }
    return ShowAlbumReply(page, index);
}

bool CdLookup::ShowMusicBrainzAlbum(int index, const std::string& reply) {
    const MusicBrainzRelease& release = matches_[static_cast<size_t>(index)].Release;
    album_ = MusicBrainzAlbumData(release);
    track_count_ = AlbumTrackCount(album_, disc_tracks_);
    ShowAlbum(FreeDbMatch{});
    // The credit as written: an artist or title holding " / " stays whole.
    panel_.Artist = release.Artist;
    panel_.Album = release.Title;
    panel_.Genre = MusicBrainzGenre(release);
    AlbumLoaded(index, reply);
    return true;
}

void CdLookup::AlbumLoaded(int index, std::string reply) {
    chosen_match_ = index;
    std::string head;
    for (const std::string& note : notes_) {
        head += note + "\r\n\r\n";
    }
    raw_reply_ = head + reply;
    loaded_ = true;
    album_ready_ = true;
    Changed(LookupChange::kAlbum);
}

bool CdLookup::LoadAlbumReply(const std::string& page) {
    if (busy_) {
        return false;
    }
    BusyScope busy(busy_);
    // "210 rock 14001a05 CD database entry follows": category and disc id.
    const std::string canonical = CanonicalReplyText(page);
    const std::string status_line = canonical.substr(0, canonical.find("\r\n"));
    matches_.assign(1, AlbumMatch{.Cddb = {ToLowerAscii(GetField(status_line, " ", 2)),
                                           ToLowerAscii(GetField(status_line, " ", 3)), ""}});
    notes_.clear();
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
    track_count_ = AlbumTrackCount(album_, disc_tracks_);
    ShowAlbum(matches_[static_cast<size_t>(index)].Cddb);
    AlbumLoaded(index, page);
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

HttpRequest CdLookup::CddbRequest(const std::string& command) const {
    std::string hello = hello_suffix_;
    if (!address_.email.empty() || address_.protocol != 5) {
        hello = BuildHello(address_.email.empty() ? kHelloUser : address_.email, kHelloHost,
                           kClientName, kVersionText, address_.protocol);
    }
    HttpRequest request{
        BuildRequestUrl(address_.server, address_.root, command, hello), address_.port, {}, {}};
    if (!address_.email.empty()) {
        request.headers.push_back("User-Email: " + address_.email);
    }
    return request;
}

std::string CdLookup::DecodeReply(const std::string& body) const {
    if (address_.protocol == 6) {
        // Invalid bytes become U+FFFD rather than reaching the tags.
        std::string text;
        for (const char32_t c : Utf8ToCodePoints(body)) {
            AppendUtf8(text, c);
        }
        return text;
    }
    // Protocol level 5 sends single bytes of the Windows code page.
    return Cp1252ToUtf8(body);
}

bool CdLookup::FetchCommand(const std::string& command, std::string& page) {
    if (aborted_) {
        return false;
    }
    FetchResult fetched = fetcher_->Fetch(CddbRequest(command));
    if (aborted_) {
        return false;  // nobody is left to tell
    }
    if (!fetched.ok) {
        messages_.ShowExclamation(kFetchFailedPrefix + fetched.reason);
        return false;
    }
    page = DecodeReply(fetched.body);
    return true;
}

void CdLookup::Changed(LookupChange change) {
    if (on_change_) {
        on_change_(change);
    }
}

const MusicBrainzRelease* CdLookup::LoadedRelease() const {
    if (!album_ready_ || chosen_match_ < 0 || chosen_match_ >= static_cast<int>(matches_.size()) ||
        matches_[static_cast<size_t>(chosen_match_)].Source != MatchSource::kMusicBrainz) {
        return nullptr;
    }
    return &matches_[static_cast<size_t>(chosen_match_)].Release;
}

std::optional<TagPicture> CdLookup::FrontCover(const std::string& server, std::string* note) {
    const MusicBrainzRelease* release = LoadedRelease();
    if (release == nullptr || busy_) {
        return std::nullopt;
    }
    if (cover_release_ != release->ReleaseId) {
        BusyScope busy(busy_);
        aborted_ = false;
        cover_release_ = release->ReleaseId;
        cover_.reset();
        std::string url = server;
        while (!url.empty() && url.back() == '/') {
            url.pop_back();
        }
        // A redirect to the image itself, followed by the fetcher.
        HttpRequest request{url + "/release/" + release->ReleaseId + "/front-500",
                            std::nullopt,
                            {"User-Agent: " + MusicBrainzUserAgent()},
                            cover_pacer_.Next()};
        std::unique_ptr<HttpFetcher> fetcher = fetchers_();
        const FetchResult fetched = fetcher->Fetch(std::move(request));
        cover_pacer_.Answered();
        const ImageFacts facts = ReadImageFacts(fetched.body);
        if (fetched.status == 404) {
            cover_note_ = "The Cover Art Archive has no front cover for this release.";
        } else if (!fetched.ok) {
            cover_note_ = "Could not fetch the cover art: " + fetched.reason;
        } else if (facts.Mime.empty()) {
            cover_note_ = "The cover art is neither a JPEG nor a PNG image; none was embedded.";
        } else {
            cover_ = TagPicture{kFrontCover, facts.Mime, "", fetched.body};
            cover_note_.clear();
        }
        if (!cover_note_.empty() && !aborted_) {
            raw_reply_ = cover_note_ + "\r\n\r\n" + raw_reply_;
            Changed(LookupChange::kReply);
        }
    }
    if (note != nullptr) {
        *note = cover_note_;
    }
    return cover_;
}

}  // namespace kalvex
