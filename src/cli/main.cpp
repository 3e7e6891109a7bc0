// The entry of kalvex-cli: the overview, --version, and each subcommand run with its exit code.
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "kalvex/version.h"

namespace {

using kalvex::cli::Command;

std::vector<Command> AllCommands() {
    return {
        kalvex::cli::DiscIdCommand(),   kalvex::cli::LookupCommand(),
        kalvex::cli::CddbCommand(),     kalvex::cli::DrivesCommand(),
        kalvex::cli::ListCommand(),     kalvex::cli::TagsCommand(),
        kalvex::cli::WriteCommand(),    kalvex::cli::RemoveCommand(),
        kalvex::cli::TagAlbumCommand(), kalvex::cli::TagLibraryCommand(),
    };
}

void PrintOverview(std::ostream& out) {
    out << "usage: kalvex-cli COMMAND [ARGS...] [--json]\n\n"
           "The command line of Kalvex Tagger, over the same core as the window.\n\n"
           "Commands:\n";
    for (const Command& command : AllCommands()) {
        out << "  " << std::left << std::setw(13) << command.name << command.summary << '\n';
    }
    out << "\n'kalvex-cli COMMAND --help' describes one command. Exit codes: 0 success,\n"
           "1 failed operation, 2 bad usage.\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    kalvex::cli::Io io{std::cout, std::cerr};
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview(std::cout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::cout << "kalvex-cli " << kalvex::kVersionText << '\n';
        return 0;
    }
    for (const Command& command : AllCommands()) {
        if (command.name != args[0]) {
            continue;
        }
        const std::vector<std::string> command_args(args.begin() + 1, args.end());
        if (kalvex::cli::ArgReader(command_args).Flag("--help")) {
            std::cout << command.help;
            return 0;
        }
        try {
            return command.run(command_args, io);
        } catch (const kalvex::cli::UsageError& error) {
            std::cerr << "kalvex-cli " << command.name << ": " << error.what() << '\n';
            return 2;
        } catch (const std::exception& error) {
            std::cerr << "kalvex-cli " << command.name << ": " << error.what() << '\n';
            return 1;
        }
    }
    std::cerr << "kalvex-cli: unknown command '" << args[0] << "' (see kalvex-cli --help)\n";
    return 2;
}
