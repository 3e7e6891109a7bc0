#pragma once

#include <optional>
#include <string>

#include "cdrom/disc_toc.h"
#include "cli/cli_args.h"
#include "cli/cli_io.h"
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

// The output of "discid" for a table of contents, however it was obtained.
void PrintDiscId(const DiscToc& toc, bool json, Io& io);

// The table of contents of the disc in drive index N (text from the
// command line); the drive's messages go to the error stream. Throws
// UsageError for an index that is no number.
std::optional<DiscToc> ReadTocOfDrive(const std::string& drive_index, Io& io);

// "discid --drive N": reads the table of contents of drive index N.
int RunDiscIdOnDrive(const std::string& drive_index, bool json, Io& io);

}  // namespace kalvex::cli
