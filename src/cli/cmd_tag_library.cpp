// kalvex-cli tag-library: every album folder of a library, from its files.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <ostream>

#include "cli/album_tagging.h"
#include "cli/cli_args.h"
#include "cli/cli_lookup.h"
#include "cli/commands.h"
#include "common/text_helpers.h"

namespace kalvex::cli {
namespace {

constexpr const char* kHelpHead =
    R"(usage: kalvex-cli tag-library ROOT [--dry-run] [--rename] [--optimise]
                            [--choose-first] [--track-option count|name|tag]
                            [--v1|--no-v1] [--v2 2.3|--v2 2.4|--no-v2] [--clear]
                            [--server URL] [--root PATH] [--port N]
                            [--source cddb|musicbrainz|both] [--musicbrainz-server URL]
                            [--email ADDRESS] [--proto 5|6]
                            [--cover|--no-cover] [--cover-server URL] [--json]

tag-album for a whole library, without the discs: every folder under ROOT
that holds MP3 files is one album. For each, the table of contents comes
from its files (as discid --files), the lookup asks the services, and when
exactly one album matches (or --choose-first), its files are tagged and,
with --rename, renamed with the folder, as tag-album does. A folder with
several matches, none, or a file that gives no table of contents is left
untouched and listed with its reason and its matches: finish it with
tag-album DIR --files --choose N. A folder whose files already carry one
album's tags and names (a finished --rename) is skipped, so a second run
goes on where a killed or interrupted one stopped.

  --choose-first  take the first match where several come back
  --dry-run       look up and plan, change nothing
)";

constexpr const char* kHelpTail =
    R"(  --json          one JSON object a line for each album: {"Folder", "Status"
                  ("tagged", "done before", "left", "failed"), "Reason",
                  "Matches", "Album", "Files", "FolderRenamedTo"}

On a terminal a progress line tells the album n of N, its folder, and the
albums tagged, skipped, left and failed; a summary follows at the end (on
standard error). Requests to MusicBrainz keep its rate limit of one a
second across the albums. Exit code 0 when every album was tagged or done
before, 1 otherwise.
)";

const std::string kHelp = std::string(kHelpHead) + kServerOptionsHelp + kSourceOptionsHelp +
                          kCoverOptionsHelp + kHelpTail;

// Takes the first match, or none and tells how many there were.
class LibraryChooser : public MatchChooser {
public:
    explicit LibraryChooser(bool take_first) : take_first_(take_first) {}
    void ChooseMatch(const std::vector<std::string>& rows,
                     const std::function<void(int)>& load_match) override {
        offered = rows;
        if (take_first_) {
            load_match(0);
        }
    }
    std::vector<std::string> offered;

private:
    bool take_first_;
};

enum class AlbumStatus { kTagged, kDoneBefore, kLeft, kFailed };

// A message of several lines as one, for a listing.
std::string OneLine(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
        text.replace(at, 2, "; ");
    }
    return text;
}

const char* StatusText(AlbumStatus status) {
    switch (status) {
        case AlbumStatus::kTagged:
            return "tagged";
        case AlbumStatus::kDoneBefore:
            return "done before";
        case AlbumStatus::kLeft:
            return "left";
        case AlbumStatus::kFailed:
            break;
    }
    return "failed";
}

struct LibraryRequest {
    std::string root;
    ServerAddress address;
    LookupSources sources;
    bool choose_first = false;
    FolderTaggingOptions tagging;
};

// What became of one album folder.
struct AlbumOutcome {
    std::string folder;
    AlbumStatus status = AlbumStatus::kLeft;
    std::string reason;
    std::vector<std::string> matches;
    Json album;
    FolderTagging tagging;
    std::vector<std::string> messages;
};

// Every folder under `root` (itself too) that holds MP3 files, in name order.
std::vector<std::string> AlbumFolders(const std::string& root) {
    std::vector<std::string> folders;
    if (!ListMp3Files(root).empty()) {
        folders.push_back(root);
    }
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(root, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_directory(error) && !it->path().filename().string().starts_with('.') &&
            !ListMp3Files(it->path().string()).empty()) {
            folders.push_back(it->path().string());
        }
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

AlbumOutcome TagOneAlbum(const std::string& folder, const LibraryRequest& request, CdLookup& lookup,
                         LibraryChooser& chooser, CollectingMessageService& messages) {
    AlbumOutcome outcome;
    outcome.folder = folder;
    messages = {};
    chooser.offered.clear();
    if (request.tagging.job.Rename && LooksTaggedAndNamed(folder)) {
        outcome.status = AlbumStatus::kDoneBefore;
        outcome.reason = "its files already carry the album's tags and names";
        return outcome;
    }
    const FilesToc toc = TocFromFiles(folder, request.tagging.option);
    if (!toc.Toc) {
        outcome.reason = toc.Problem;
        return outcome;
    }
    const bool loaded = lookup.LookUpToc(*toc.Toc, request.address, FilesTocNote(toc));
    outcome.matches = chooser.offered.empty() && loaded ? lookup.MatchRows() : chooser.offered;
    outcome.messages = messages.Texts();
    if (!loaded) {
        outcome.reason = !chooser.offered.empty()
                             ? std::to_string(chooser.offered.size()) +
                                   " albums match: pick one with tag-album DIR --files --choose N"
                         : outcome.messages.empty() ? std::string(kNoMatchMessage)
                                                    : OneLine(outcome.messages.back());
        return outcome;
    }
    outcome.album = AlbumJson(lookup);
    outcome.tagging = TagFolder(folder, &lookup, request.tagging, messages);
    outcome.messages = messages.Texts();
    outcome.status = outcome.tagging.Done() ? AlbumStatus::kTagged : AlbumStatus::kFailed;
    if (!outcome.tagging.Done()) {
        outcome.reason = "not every file was written and renamed";
    }
    return outcome;
}

void PrintAlbum(Io& io, const AlbumOutcome& outcome, bool json) {
    if (json) {
        const FolderRename& folder = outcome.tagging.folder_rename;
        PrintJson(io, Json{{"Folder", outcome.folder},
                           {"Status", StatusText(outcome.status)},
                           {"Reason", outcome.reason.empty() ? Json() : Json(outcome.reason)},
                           {"Matches", outcome.matches},
                           {"Album", outcome.album},
                           {"Files", FilesJson(outcome.tagging)},
                           {"FolderRenamedTo", folder.renamed ? Json(folder.new_path) : Json()},
                           {"Messages", outcome.messages}});
        return;
    }
    io.out << outcome.folder << ": " << StatusText(outcome.status);
    if (!outcome.reason.empty()) {
        io.out << ": " << outcome.reason;
    }
    io.out << '\n';
    for (std::size_t i = 0; i < outcome.matches.size() && outcome.status == AlbumStatus::kLeft;
         ++i) {
        io.out << "  " << i << "  " << outcome.matches[i] << '\n';
    }
}

int RunTagLibrary(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    LibraryRequest request;
    request.address = ReadServerOptions(reader);
    request.sources = ReadSourceOptions(reader, request.address);
    request.choose_first = reader.Flag("--choose-first");
    request.tagging = ReadFolderTaggingOptions(reader);
    const std::vector<std::string> roots = reader.Positionals();
    if (roots.size() != 1) {
        throw UsageError("tag-library needs one ROOT (see tag-library --help)");
    }
    std::string reason;
    request.root = ExistingFolder(roots[0], reason);
    if (request.root.empty()) {
        return ReportFailure(io, "cannot tag " + roots[0] + ": " + reason);
    }

    // One lookup for the whole run, so MusicBrainz's pacing holds across albums.
    CollectingMessageService messages;
    LibraryChooser chooser(request.choose_first);
    CdLookup lookup([] { return std::make_unique<CurlFetcher>(); }, chooser, messages,
                    ProgramHelloSuffix());
    lookup.SetSources(request.sources);

    const std::vector<std::string> folders = AlbumFolders(request.root);
    const bool terminal = isatty(STDERR_FILENO) == 1;
    std::array<int, 4> counts{};
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (terminal) {
            io.err << "\r\033[K[" << i + 1 << "/" << folders.size() << "] " << folders[i]
                   << "  (tagged " << counts[0] << ", skipped " << counts[1] << ", left "
                   << counts[2] << ", failed " << counts[3] << ")" << std::flush;
        }
        const AlbumOutcome outcome = TagOneAlbum(folders[i], request, lookup, chooser, messages);
        ++counts[static_cast<std::size_t>(outcome.status)];
        if (terminal) {
            io.err << "\r\033[K" << std::flush;
        }
        PrintAlbum(io, outcome, json);
    }
    io.err << folders.size() << " albums: " << counts[0] << " tagged, " << counts[1]
           << " done before, " << counts[2] << " left for a choice or with no table of contents, "
           << counts[3] << " failed\n";
    return counts[2] + counts[3] == 0 ? 0 : 1;
}

}  // namespace

Command TagLibraryCommand() {
    return {"tag-library", "look up, tag and rename every album of a library from its files",
            kHelp.c_str(), RunTagLibrary};
}

}  // namespace kalvex::cli
