#pragma once

#include "cdrom/disc_toc.h"
#include "cli/cli_io.h"

namespace kalvex::cli {

// Every subcommand of kalvex-cli; main lists them in this order.
Command DiscIdCommand();
Command CddbCommand();
Command TagsCommand();
Command WriteCommand();
Command RemoveCommand();

// The output of "discid" for a table of contents, however it was obtained.
void PrintDiscId(const DiscToc& toc, bool json, Io& io);

}  // namespace kalvex::cli
