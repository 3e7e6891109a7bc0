#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "app/track_list.h"
#include "cli/cli_args.h"
#include "cli/commands.h"

namespace kalvex::cli {
namespace {

constexpr const char* kHelp = R"(usage: kalvex-cli list DIR [--track-option count|name|tag] [--json]

Lists the folder's MP3 files as the window's track list shows them: file
name, the album track each is taken to hold, the title from its tags and its
playing length.

  --track-option   how a file is linked to an album track:
                   count  its place in the folder's name order (default)
                   name   the number its file name starts with
                   tag    the track number of its tag, as stored
  --json           print {"Folder", "Rows": [{"Filename", "Track", "Title",
                   "Length"}]}

Exit code 1 when DIR cannot be read.
)";

TrackOption ParseTrackOption(const std::optional<std::string>& text) {
    if (!text || *text == "count") {
        return TrackOption::kFileCount;
    }
    if (*text == "name") {
        return TrackOption::kFileName;
    }
    if (*text == "tag") {
        return TrackOption::kTrackTag;
    }
    throw UsageError("--track-option takes count, name or tag");
}

// The folder as an absolute path without a separator at its end.
std::string FolderPath(const std::string& dir) {
    std::error_code error;
    std::string path = std::filesystem::absolute(dir, error).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

void PrintRows(const TrackList& list, Io& io) {
    io.out << "Filename\tTrack\tTitle\tLength\n";
    for (const TrackRow& row : list.Rows()) {
        io.out << row.FileName << '\t' << row.Track << '\t' << row.Title << '\t' << row.Length
               << '\n';
    }
}

int RunList(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const TrackOption option = ParseTrackOption(reader.Value("--track-option"));
    const std::vector<std::string> dirs = reader.Positionals();
    if (dirs.size() != 1) {
        throw UsageError("list needs exactly one DIR (see list --help)");
    }
    const std::string folder = FolderPath(dirs[0]);
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return Fail(io, "cannot list " + dirs[0] + ": " + std::system_category().message(errno));
    }
    if (!S_ISDIR(status.st_mode)) {
        return Fail(io, "cannot list " + dirs[0] + ": " + std::system_category().message(ENOTDIR));
    }
    TrackList list;
    NoProgress progress;
    list.Refresh(folder, option, false, progress);
    if (!json) {
        PrintRows(list, io);
        return 0;
    }
    Json rows = Json::array();
    for (const TrackRow& row : list.Rows()) {
        rows.push_back(Json{{"Filename", row.FileName},
                            {"Track", row.Track},
                            {"Title", row.Title},
                            {"Length", row.Length}});
    }
    PrintJson(io, Json{{"Folder", folder}, {"Rows", rows}});
    return 0;
}

}  // namespace

Command ListCommand() {
    return {"list", "the track list of a folder's MP3 files", kHelp, RunList};
}

}  // namespace kalvex::cli
