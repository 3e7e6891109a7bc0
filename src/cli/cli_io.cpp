// What every subcommand shares: its streams, input files, JSON, failure and message lines.
#include "cli/cli_io.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace kalvex::cli {

std::string ReadInputBytes(const std::string& path) {
    if (path == "-") {
        std::ostringstream bytes;
        bytes << std::cin.rdbuf();
        return bytes.str();
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        throw std::runtime_error("cannot read " + path + ": read error");
    }
    return bytes;
}

std::string NotARegularFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::strerror(errno);
    }
    return S_ISREG(status.st_mode) ? "" : "not a regular file";
}

void PrintJson(Io& io, const Json& value) {
    io.out << value.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

int ReportFailure(Io& io, const std::string& what) {
    io.err << "kalvex-cli: " << what << '\n';
    return 1;
}

void PrintMessages(const std::vector<std::string>& texts, Io& io) {
    for (const std::string& text : texts) {
        io.err << text << '\n';
    }
}

}  // namespace kalvex::cli
