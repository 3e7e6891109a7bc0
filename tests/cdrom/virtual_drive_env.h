#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cdrom/aspi.h"

namespace kalvex::test {

inline constexpr const char* kVirtualAspi = KALVEX_VIRTUAL_ASPI_LIBRARY;

// The virtual drive's disc: a TOC file in a folder of the test's own, named
// by KALVEX_VIRTUAL_TOC while the object lives.
class VirtualDisc {
public:
    VirtualDisc()
        : folder_(std::filesystem::temp_directory_path() /
                  ("kalvex-virtual-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::create_directories(folder_);
        unsetenv("KALVEX_VIRTUAL_TOC");
    }
    ~VirtualDisc() {
        unsetenv("KALVEX_VIRTUAL_TOC");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    void Insert(const std::string& toc_text) {
        const auto path = folder_ / "disc.toc";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << toc_text;
        setenv("KALVEX_VIRTUAL_TOC", path.c_str(), 1);
    }

private:
    std::filesystem::path folder_;
};

// The ASPI back end on the virtual drive; no settling pause, so the event
// wait does the work.
inline AspiOptions VirtualAspi(LibraryCalls calls = SystemLibraryCalls()) {
    AspiOptions options;
    options.library = kVirtualAspi;
    options.settle_milliseconds = 0;
    options.library_calls = calls;
    return options;
}

}  // namespace kalvex::test
