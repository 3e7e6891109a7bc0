#pragma once

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace kalvex::test {

// A file's bytes; throws when it cannot be read so a missing fixture fails loudly.
inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::string TestDataPath(const std::string& relative) {
    return std::string(KALVEX_TESTDATA_DIR) + "/" + relative;
}

}  // namespace kalvex::test
