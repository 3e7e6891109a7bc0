// kalvex-cli discid, and the table of contents every command that reads a disc takes.
#include <ostream>

#include "cdrom/disc_id.h"
#include "cdrom/toc_text.h"
#include "cli/cli_args.h"
#include "cli/commands.h"

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
               "LeadOutFrames", "DiscSeconds", "QueryCommand", "MusicBrainzId",
               "MusicBrainzToc"} (a start ending in "d" marks a data track,
               which the MusicBrainz id leaves out)

Exit code 1 when the table of contents is malformed or cannot be read.
)";

int RunDiscId(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const DiscOptions disc = ReadDiscOptions(reader);
    if (!reader.Positionals().empty() || disc.toc_text.has_value() == disc.drive.has_value()) {
        throw UsageError(
            "discid needs --toc \"FIRST LAST M:S:F ...\" or --drive N (see discid --help)");
    }
    return Print(io, ReadDisc(disc), json);
}

}  // namespace

const char* const kDiscOptionsHelp =
    R"(  --drive N      read the table of contents from drive index N (see drives)
  --toc TEXT     the table of contents as text, as for discid
)";

DiscOptions ReadDiscOptions(ArgReader& reader) {
    DiscOptions disc;
    disc.toc_text = reader.Value("--toc");
    disc.drive = reader.Value("--drive");
    return disc;
}

DiscReading ReadDisc(const DiscOptions& disc) {
    if (disc.drive) {
        return ReadDriveToc(*disc.drive);
    }
    TocTextResult parsed = ParseTocText(disc.toc_text.value_or(""));
    return {std::move(parsed.toc), {}, std::move(parsed.error)};
}

void PrintProblems(Io& io, const DiscReading& reading) {
    PrintMessages(reading.messages, io);
    if (!reading.failure.empty()) {
        ReportFailure(io, reading.failure);
    }
}

void PrintText(Io& io, const DiscReading& reading) {
    PrintProblems(io, reading);
    if (reading.toc) {
        io.out << BuildQueryCommand(*reading.toc) << '\n';
    }
}

void PrintJson(Io& io, const DiscReading& reading) {
    PrintProblems(io, reading);
    if (!reading.toc) {
        return;
    }
    const DiscToc& toc = *reading.toc;
    Json starts = Json::array();
    for (int n = 1; n <= TrackCount(toc); ++n) {
        starts.push_back(TrackStartFrames(toc, n));
    }
    PrintJson(io, Json{{"DiscId", ComputeDiscId(toc)},
                       {"TrackCount", TrackCount(toc)},
                       {"TrackStartFrames", starts},
                       {"LeadOutFrames", LeadOutFrames(toc)},
                       {"DiscSeconds", DiscSeconds(toc)},
                       {"QueryCommand", BuildQueryCommand(toc)},
                       {"MusicBrainzId", MusicBrainzDiscId(toc)},
                       {"MusicBrainzToc", MusicBrainzToc(toc)}});
}

std::optional<DiscToc> TocOfDisc(const DiscOptions& disc, Io& io) {
    const DiscReading reading = ReadDisc(disc);
    PrintProblems(io, reading);
    return reading.toc;
}

Command DiscIdCommand() {
    return {"discid", "disc id and query command of a table of contents", kHelp, RunDiscId};
}

}  // namespace kalvex::cli
