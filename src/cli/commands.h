#pragma once

#include <optional>
#include <string>

#include "cdrom/disc_toc.h"
#include "cli/cli_io.h"

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

// The output of "discid" for a table of contents, however it was obtained.
void PrintDiscId(const DiscToc& toc, bool json, Io& io);

// The table of contents of the disc in drive index N (text from the
// command line); the drive's messages go to the error stream. Throws
// UsageError for an index that is no number.
std::optional<DiscToc> ReadTocOfDrive(const std::string& drive_index, Io& io);

// "discid --drive N": reads the table of contents of drive index N.
int RunDiscIdOnDrive(const std::string& drive_index, bool json, Io& io);

}  // namespace kalvex::cli
