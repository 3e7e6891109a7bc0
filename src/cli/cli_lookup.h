#pragma once

#include <optional>
#include <string>

#include "cli/cli_args.h"
#include "cli/cli_io.h"
#include "common/message_service.h"
#include "workflow/cd_lookup.h"

namespace kalvex::cli {

// The help text of --server, --root and --port, shared by the commands that
// talk to a server.
extern const char* const kServerOptionsHelp;

// --choose N: which of several matches to read (from 0).
std::optional<int> ReadChoice(ArgReader& reader);

// Takes --server URL, --root PATH and --port N out of the arguments. Without
// --port, a port written in the URL is used, else the default one.
// `given` tells whether any of them was there.
ServerAddress ReadServerOptions(ArgReader& reader, bool* given = nullptr);

// The help of --source, --musicbrainz-server, --email and --proto.
extern const char* const kSourceOptionsHelp;

// Takes --source cddb|musicbrainz|both (default both), --musicbrainz-server
// URL, --email ADDRESS and --proto 5|6 out of the arguments: which services
// a lookup asks, and how it introduces itself to the CDDB server.
LookupSources ReadSourceOptions(ArgReader& reader, ServerAddress& address);

// The port written in a URL's authority ("http://host:8080/x" gives "8080").
std::optional<std::string> UrlPort(const std::string& url);

// The command line's match chooser: the match --choose names, or none.
class OptionMatchChooser : public MatchChooser {
public:
    explicit OptionMatchChooser(std::optional<int> choice) : choice_(choice) {}
    void ChooseMatch(const std::vector<std::string>& rows,
                     const std::function<void(int)>& load_match) override;
    // Set when several matches were offered and --choose did not pick one.
    bool ChoiceMissing() const { return choice_missing_; }
    const std::string& Problem() const { return problem_; }

private:
    std::optional<int> choice_;
    bool choice_missing_ = false;
    std::string problem_;
};

// A lookup as the command line runs it: real HTTP, messages collected;
// CDDB alone unless other sources are given.
struct CliLookup {
    explicit CliLookup(std::optional<int> choice = std::nullopt,
                       LookupSources sources = LookupSources{});
    CollectingMessageService messages;
    OptionMatchChooser chooser;
    CdLookup lookup;
};

// An album a lookup loaded, as the album panel shows it.
struct ShownAlbum {
    AlbumData record;
    AlbumPanel panel;
    int track_count = 0;
};
// The album loaded; nullopt when none is.
std::optional<ShownAlbum> LoadedAlbum(const CdLookup& lookup);

// {"AlbumTitle","Artist","Album","Genre","Year","ExtendedData","Tracks",
// "TrackExtras"}; null without an album.
Json AlbumJson(const std::optional<ShownAlbum>& album);
// The same of the album the lookup holds.
Json AlbumJson(const CdLookup& lookup);
// The same as text lines; nothing without an album.
void PrintAlbum(const std::optional<ShownAlbum>& album, Io& io);

// [{"Category","DiscId","Title"}] of the matches a server named.
Json MatchesJson(const MatchList& matches);
// The same of a lookup's matches, each with its "Source" ("cddb" or
// "musicbrainz"), a MusicBrainz match with "ReleaseId", "Date", "Country",
// "Format", "Medium" and "MediumCount"; its "DiscId" is the MusicBrainz one.
Json MatchesJson(const std::vector<AlbumMatch>& matches, const std::string& musicbrainz_id);

// The messages a lookup collected, through the one printer of messages.
inline void PrintMessages(const CollectingMessageService& messages, Io& io) {
    PrintMessages(messages.Texts(), io);
}

}  // namespace kalvex::cli
