// Takes a subcommand's options out of its arguments, so that what is left is checked.
#include "cli/cli_args.h"

namespace kalvex::cli {

bool ArgReader::Flag(std::string_view name) {
    bool found = false;
    for (auto it = args_.begin(); it != args_.end();) {
        if (*it == "--") {
            break;
        }
        if (*it == name) {
            it = args_.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

std::optional<std::string> ArgReader::Value(std::string_view name) {
    std::optional<std::string> value;
    const std::string prefix = std::string(name) + "=";
    for (auto it = args_.begin(); it != args_.end();) {
        if (*it == "--") {
            break;
        }
        if (*it == name) {
            if (it + 1 == args_.end()) {
                throw UsageError(std::string(name) + " needs a value");
            }
            value = *(it + 1);
            it = args_.erase(it, it + 2);
        } else if (it->starts_with(prefix)) {
            value = it->substr(prefix.size());
            it = args_.erase(it);
        } else {
            ++it;
        }
    }
    return value;
}

std::optional<std::vector<std::string>> ArgReader::Values(std::string_view name, size_t count) {
    std::optional<std::vector<std::string>> values;
    for (auto it = args_.begin(); it != args_.end();) {
        if (*it == "--") {
            break;
        }
        if (*it != name) {
            ++it;
            continue;
        }
        if (static_cast<size_t>(args_.end() - it) <= count) {
            throw UsageError(std::string(name) + " needs " + std::to_string(count) + " values");
        }
        values.emplace(it + 1, it + 1 + static_cast<std::ptrdiff_t>(count));
        it = args_.erase(it, it + 1 + static_cast<std::ptrdiff_t>(count));
    }
    return values;
}

std::vector<std::string> ArgReader::Positionals() {
    std::vector<std::string> positionals;
    bool options_ended = false;
    for (const std::string& arg : args_) {
        if (!options_ended && arg == "--") {
            options_ended = true;
        } else if (!options_ended && arg.size() > 1 && arg[0] == '-') {
            throw UsageError("unknown option " + arg);
        } else {
            positionals.push_back(arg);
        }
    }
    return positionals;
}

}  // namespace kalvex::cli
