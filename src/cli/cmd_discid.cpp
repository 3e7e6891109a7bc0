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
       kalvex-cli discid --files DIR [--track-option count|name|tag] [--json]

Computes the FreeDB disc id and the "cddb query" command of a table of
contents: the first and last track number, then the start of each track
and of the lead-out as minute:second:frame (75 frames a second).

  --toc TEXT   the table of contents
  --drive N    read it from the disc in drive index N (see kalvex-cli drives);
               the drive's messages go to standard error
  --files DIR  the table of contents of the disc DIR's MP3 files were ripped
               from, track by track, in the order --track-option gives them:
               exact from the encoder's gapless information (LAME's Info
               header), else estimated; the output tells which, and each
               file's samples and CD frames (1/75 s)
  --json       print {"DiscId", "TrackCount", "TrackStartFrames",
               "LeadOutFrames", "DiscSeconds", "QueryCommand", "MusicBrainzId",
               "MusicBrainzToc"} (a start ending in "d" marks a data track,
               which the MusicBrainz id leaves out); with --files also
               "Confidence" ("exact" or "estimated") and "Files":[{"File",
               "Samples","CdFrames","Exact"}]

Exit code 1 when the table of contents is malformed or cannot be read, or
the folder gives none (a file that holds no MPEG audio, another sample rate
than a CD's, track numbers that do not run from 1 to the file count).
)";

int RunDiscId(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const DiscOptions disc = ReadDiscOptions(reader);
    if (!reader.Positionals().empty() || disc.Count() != 1) {
        throw UsageError(
            "discid needs --toc \"FIRST LAST M:S:F ...\", --drive N or --files DIR (see discid "
            "--help)");
    }
    return Print(io, ReadDisc(disc), json);
}

}  // namespace

const char* const kDiscOptionsHelp =
    R"(  --drive N      read the table of contents from drive index N (see drives)
  --toc TEXT     the table of contents as text, as for discid
)";

const char* const kFilesOptionHelp =
    R"(  --files DIR    the table of contents from DIR's MP3 files, as for discid
                 (in the order --track-option count|name|tag gives them)
)";

DiscOptions ReadDiscOptions(ArgReader& reader, bool track_option) {
    DiscOptions disc;
    disc.toc_text = reader.Value("--toc");
    disc.drive = reader.Value("--drive");
    disc.files = reader.Value("--files");
    if (track_option) {
        disc.track_option = ReadTrackOption(reader);
    }
    return disc;
}

DiscReading ReadDisc(const DiscOptions& disc) {
    if (disc.drive) {
        return ReadDriveToc(*disc.drive);
    }
    if (disc.files) {
        DiscReading reading;
        std::string reason;
        const std::string folder = ExistingFolder(*disc.files, reason);
        if (folder.empty()) {
            reading.failure = "cannot read the files of " + *disc.files + ": " + reason;
            return reading;
        }
        reading.files = TocFromFiles(folder, disc.track_option);
        reading.toc = reading.files->Toc;
        if (!reading.toc) {
            reading.failure =
                *disc.files + " gives no table of contents: " + reading.files->Problem;
        }
        return reading;
    }
    TocTextResult parsed = ParseTocText(disc.toc_text.value_or(""));
    return {std::move(parsed.toc), {}, std::move(parsed.error), std::nullopt};
}

void PrintProblems(Io& io, const DiscReading& reading) {
    PrintMessages(reading.messages, io);
    if (!reading.failure.empty()) {
        ReportFailure(io, reading.failure);
    }
}

void PrintText(Io& io, const DiscReading& reading) {
    PrintProblems(io, reading);
    if (!reading.toc) {
        return;
    }
    io.out << BuildQueryCommand(*reading.toc) << '\n';
    if (reading.files) {
        io.out << "MusicBrainz disc id: " << MusicBrainzDiscId(*reading.toc) << '\n'
               << (reading.files->Confidence == TocConfidence::kExact ? "Exact" : "Estimated")
               << " table of contents from the files:\n";
        for (const FileLength& file : reading.files->Files) {
            io.out << "  " << file.File << ": " << file.Samples << " samples, " << file.CdFrames
                   << " CD frames" << (file.Exact ? "" : " (estimated)") << '\n';
        }
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
    Json object{{"DiscId", ComputeDiscId(toc)},
                {"TrackCount", TrackCount(toc)},
                {"TrackStartFrames", starts},
                {"LeadOutFrames", LeadOutFrames(toc)},
                {"DiscSeconds", DiscSeconds(toc)},
                {"QueryCommand", BuildQueryCommand(toc)},
                {"MusicBrainzId", MusicBrainzDiscId(toc)},
                {"MusicBrainzToc", MusicBrainzToc(toc)}};
    if (reading.files) {
        Json files = Json::array();
        for (const FileLength& file : reading.files->Files) {
            files.push_back({{"File", file.File},
                             {"Samples", file.Samples},
                             {"CdFrames", file.CdFrames},
                             {"Exact", file.Exact}});
        }
        object["Confidence"] =
            reading.files->Confidence == TocConfidence::kExact ? "exact" : "estimated";
        object["Files"] = files;
    }
    PrintJson(io, object);
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
