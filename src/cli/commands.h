#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cdrom/disc_toc.h"
#include "cli/cli_args.h"
#include "cli/cli_io.h"
#include "workflow/toc_from_files.h"
#include "workflow/track_list.h"

namespace kalvex::cli {

// Every subcommand of kalvex-cli; main lists them in this order.
Command DiscIdCommand();
Command CddbCommand();
Command LookupCommand();
Command DrivesCommand();
Command ListCommand();
Command TagsCommand();
Command WriteCommand();
Command RemoveCommand();
Command TagAlbumCommand();
Command TagLibraryCommand();

// --track-option count|name|tag (count when not given).
TrackOption ReadTrackOption(ArgReader& reader);

// DIR as an absolute path without a separator at its end; empty, with the
// system's reason, when DIR names no folder.
std::string ExistingFolder(const std::string& dir, std::string& reason);

// --v1, --no-v1, --v2 2.3|2.4, --no-v2 and --clear, checked: UsageError for
// a version both written and removed, or a version 2 other than 2.3 and 2.4.
struct TagVersionOptions {
    bool v1 = false;
    bool no_v1 = false;
    std::optional<std::string> v2;
    bool no_v2 = false;
    bool clear = false;
};
TagVersionOptions ReadTagVersionOptions(ArgReader& reader);

// The help lines of --drive N and --toc TEXT, and of --files DIR.
extern const char* const kDiscOptionsHelp;
extern const char* const kFilesOptionHelp;

// Where a table of contents comes from: --toc TEXT, --drive N or --files DIR
// (its files in the order --track-option gives them).
struct DiscOptions {
    std::optional<std::string> toc_text;
    std::optional<std::string> drive;
    std::optional<std::string> files;
    TrackOption track_option = TrackOption::kFileCount;

    int Count() const { return toc_text.has_value() + drive.has_value() + files.has_value(); }
};
// Takes --toc, --drive and --files out of the arguments (and --track-option
// when `track_option` is asked for: tag-album reads its own).
DiscOptions ReadDiscOptions(ArgReader& reader, bool track_option = true);

// The table of contents the options name, or why there is none: the drive's
// messages and, where they do not say it all, the failure. Every command that
// reads a disc tells both on the error stream, in either form; discid prints
// nothing more.
struct DiscReading {
    std::optional<DiscToc> toc;
    std::vector<std::string> messages;
    std::string failure;
    std::optional<FilesToc> files;  // what the files gave, for --files
    bool Succeeded() const { return toc.has_value(); }
    // What a lookup's reply page says of a table of contents from files.
    std::string Note() const { return files ? FilesTocNote(*files) : std::string(); }
};
DiscReading ReadDisc(const DiscOptions& disc);
// Reads the disc in drive index N (text from the command line); UsageError
// for an index that is no number.
DiscReading ReadDriveToc(const std::string& drive_index);
// The drive's messages, then the failure, on the error stream.
void PrintProblems(Io& io, const DiscReading& reading);
// discid's two forms: the problems, then the query command or the JSON object.
void PrintText(Io& io, const DiscReading& reading);
void PrintJson(Io& io, const DiscReading& reading);
// The table of contents, the problems already told.
std::optional<DiscToc> TocOfDisc(const DiscOptions& disc, Io& io);

}  // namespace kalvex::cli
