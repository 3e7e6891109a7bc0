#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace kalvex::fuzz {

// The tag readers take a path, so each input becomes the content of one
// in-memory file (reused between inputs) reached through /proc/self/fd.
inline std::string InputFile(const std::uint8_t* data, size_t size) {
    static const int fd = [] {
        const int created = memfd_create("kalvex-fuzz-input", MFD_CLOEXEC);
        if (created < 0) {
            std::abort();
        }
        return created;
    }();
    if (ftruncate(fd, 0) != 0 ||
        (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))) {
        std::abort();
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace kalvex::fuzz
