// kalvex-cli list, and the folder and track option readers tag-album shares.
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "workflow/track_list.h"

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

// The folder's track list, or why the folder cannot be listed.
struct ListResult {
    std::string folder;
    std::vector<TrackRow> rows;
    std::string failure;
    bool Succeeded() const { return failure.empty(); }
};

ListResult ListFolder(const std::string& dir, TrackOption option) {
    ListResult result;
    std::string reason;
    result.folder = ExistingFolder(dir, reason);
    if (result.folder.empty()) {
        result.failure = "cannot list " + dir + ": " + reason;
        return result;
    }
    TrackList list;
    NoProgress progress;
    list.Refresh(result.folder, option, false, progress);
    result.rows = std::move(list.Rows());
    return result;
}

void PrintText(Io& io, const ListResult& result) {
    if (!result.Succeeded()) {
        ReportFailure(io, result.failure);
        return;
    }
    io.out << "Filename\tTrack\tTitle\tLength\n";
    for (const TrackRow& row : result.rows) {
        io.out << row.FileName << '\t' << row.Track << '\t' << row.Title << '\t' << row.Length
               << '\n';
    }
}

void PrintJson(Io& io, const ListResult& result) {
    if (!result.Succeeded()) {
        ReportFailure(io, result.failure);
        return;
    }
    Json rows = Json::array();
    for (const TrackRow& row : result.rows) {
        rows.push_back(Json{{"Filename", row.FileName},
                            {"Track", row.Track},
                            {"Title", row.Title},
                            {"Length", row.Length}});
    }
    PrintJson(io, Json{{"Folder", result.folder}, {"Rows", rows}});
}

int RunList(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const TrackOption option = ReadTrackOption(reader);
    const std::vector<std::string> dirs = reader.Positionals();
    if (dirs.size() != 1) {
        throw UsageError("list needs exactly one DIR (see list --help)");
    }
    return Print(io, ListFolder(dirs[0], option), json);
}

}  // namespace

TrackOption ReadTrackOption(ArgReader& reader) {
    const std::optional<std::string> text = reader.Value("--track-option");
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

std::string ExistingFolder(const std::string& dir, std::string& reason) {
    std::error_code error;
    std::string path = std::filesystem::absolute(dir, error).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        reason = std::system_category().message(errno);
        return {};
    }
    if (!S_ISDIR(status.st_mode)) {
        reason = std::system_category().message(ENOTDIR);
        return {};
    }
    return path;
}

Command ListCommand() {
    return {"list", "the track list of a folder's MP3 files", kHelp, RunList};
}

}  // namespace kalvex::cli
