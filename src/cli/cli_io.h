#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace kalvex::cli {

using Json = nlohmann::ordered_json;

// The streams a subcommand writes to, so tests can run it in-process.
struct Io {
    std::ostream& out;
    std::ostream& err;
};

// A subcommand: its name, one line for the overview, the text of its
// --help (printed by main), and its entry point. `run` returns the exit code:
// 0 success, 1 failed operation (one line on err), and throws UsageError for
// bad usage.
struct Command {
    std::string name;
    std::string summary;
    const char* help;
    int (*run)(std::vector<std::string> args, Io& io);
};

// The bytes of a file, or of standard input for "-". Throws std::runtime_error
// with a readable reason when it cannot be read.
std::string ReadInputBytes(const std::string& path);

// Empty when `path` names a regular file (a symbolic link is followed);
// otherwise why not: stat's reason, or "not a regular file".
std::string NotARegularFile(const std::string& path);

// JSON on one line; text that is not valid UTF-8 is replaced, not refused.
void PrintJson(Io& io, const Json& value);

// Why a command failed, as "kalvex-cli: <what>" on the error stream; returns 1
// for `return ReportFailure(...)`.
int ReportFailure(Io& io, const std::string& what);

// The messages the core collected for the user, one a line on the error stream.
void PrintMessages(const std::vector<std::string>& texts, Io& io);

// A command's result as text, or as JSON for --json: the command runs once and
// leaves the form to the two printers PrintText(Io&, const Result&) and
// PrintJson(Io&, const Result&) declared beside the result's type. Returns the
// exit code: 0 when result.Succeeded(), else 1.
template <typename Result>
int Print(Io& io, const Result& result, bool json) {
    if (json) {
        PrintJson(io, result);
    } else {
        PrintText(io, result);
    }
    return result.Succeeded() ? 0 : 1;
}

}  // namespace kalvex::cli
