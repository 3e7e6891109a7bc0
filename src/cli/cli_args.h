#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kalvex::cli {

// Bad usage: main prints the text and exits with code 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Takes the options of one subcommand out of its argument list. Each call
// removes what it recognises; Positionals() then rejects anything left that
// looks like an option.
class ArgReader {
public:
    explicit ArgReader(std::vector<std::string> args) : args_(std::move(args)) {}

    // True when --name was given (once or more).
    bool Flag(std::string_view name);
    // The value of "--name VALUE" or "--name=VALUE"; UsageError when the
    // value is missing.
    std::optional<std::string> Value(std::string_view name);
    // The `count` words after "--name"; UsageError when fewer follow.
    std::optional<std::vector<std::string>> Values(std::string_view name, size_t count);
    // What is left, in order. "-" alone is a positional (standard input);
    // "--" ends the options.
    std::vector<std::string> Positionals();

private:
    std::vector<std::string> args_;
};

}  // namespace kalvex::cli
