#include "cdrom/disc_id.h"
#include "cdrom/toc_text.h"
#include "cli/cli_args.h"
#include "cli/commands.h"

#include <ostream>

namespace kalvex::cli {
namespace {

constexpr const char* kHelp =
    R"(usage: kalvex-cli discid --toc "FIRST LAST M:S:F ... M:S:F" [--json]
       kalvex-cli discid --drive N [--json]

Computes the FreeDB disc id and the "cddb query" command of a table of
contents: the first and last track number, then the start of each track
and of the lead-out as minute:second:frame (75 frames a second).

  --toc TEXT   the table of contents
  --drive N    read it from the disc in drive index N (see kalvex-cli drives);
               the drive's messages go to standard error
  --json       print {"DiscId", "TrackCount", "TrackStartFrames",
               "LeadOutFrames", "DiscSeconds", "QueryCommand"}

Exit code 1 when the table of contents is malformed or cannot be read.
)";

int RunDiscId(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const std::optional<std::string> toc_text = reader.Value("--toc");
    const std::optional<std::string> drive = reader.Value("--drive");
    if (!reader.Positionals().empty() || toc_text.has_value() == drive.has_value()) {
        throw UsageError(
            "discid needs --toc \"FIRST LAST M:S:F ...\" or --drive N (see discid --help)");
    }
    if (drive) {
        return RunDiscIdOnDrive(*drive, json, io);
    }
    const TocTextResult parsed = ParseTocText(*toc_text);
    if (!parsed.toc) {
        return ReportFailure(io, parsed.error);
    }
    PrintDiscId(*parsed.toc, json, io);
    return 0;
}

}  // namespace

void PrintDiscId(const DiscToc& toc, bool json, Io& io) {
    if (!json) {
        io.out << BuildQueryCommand(toc) << '\n';
        return;
    }
    Json starts = Json::array();
    for (int n = 1; n <= TrackCount(toc); ++n) {
        starts.push_back(TrackStartFrames(toc, n));
    }
    PrintJson(io, Json{{"DiscId", ComputeDiscId(toc)},
                       {"TrackCount", TrackCount(toc)},
                       {"TrackStartFrames", starts},
                       {"LeadOutFrames", LeadOutFrames(toc)},
                       {"DiscSeconds", DiscSeconds(toc)},
                       {"QueryCommand", BuildQueryCommand(toc)}});
}

Command DiscIdCommand() {
    return {"discid", "disc id and query command of a table of contents", kHelp, RunDiscId};
}

}  // namespace kalvex::cli
