#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace kalvex::test {

struct CliRun {
    int exit_code;
    std::string out;
};

// Runs a shell command line and collects its standard output.
inline CliRun Shell(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    CliRun run{-1, {}};
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Runs the real kalvex-cli through the shell with the given (already quoted)
// argument text; add "2>&1" to see errors too.
inline CliRun Cli(const std::string& args) {
    return Shell(std::string("'") + KALVEX_CLI_PATH + "' " + args);
}

}  // namespace kalvex::test
