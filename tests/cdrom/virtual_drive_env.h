#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cdrom/aspi.h"
#include "test_files.h"

namespace kalvex::test {

inline constexpr const char* kVirtualAspi = KALVEX_VIRTUAL_ASPI_LIBRARY;

// The virtual drive's disc: a TOC file in a folder of the test's own, named
// by KALVEX_VIRTUAL_TOC while the object lives.
class VirtualDisc {
public:
    VirtualDisc() { unsetenv("KALVEX_VIRTUAL_TOC"); }
    ~VirtualDisc() { unsetenv("KALVEX_VIRTUAL_TOC"); }

    void Insert(const std::string& toc_text) {
        const auto path = folder_.path() / "disc.toc";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << toc_text;
        setenv("KALVEX_VIRTUAL_TOC", path.c_str(), 1);
    }

private:
    TempFolder folder_{"kalvex-virtual"};
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
