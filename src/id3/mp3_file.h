#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "common/file_result.h"

namespace kalvex {

// One open regular file, read and written at explicit 64-bit positions. Every
// tag operation opens its file once and the destructor closes it on every
// path out. Only regular files open: a FIFO or device named like an MP3 must
// never block or hang a folder listing.
class Mp3File {
public:
    enum class Mode { kRead, kReadWrite };

    // Empty when the file cannot be opened or is no regular file; `failure`,
    // when given, then says why (the system's reason, or "not a regular file").
    static std::optional<Mp3File> Open(const std::string& path, Mode mode,
                                       FileResult* failure = nullptr);

    Mp3File(Mp3File&& other) noexcept;
    Mp3File& operator=(Mp3File&&) = delete;
    Mp3File(const Mp3File&) = delete;
    Mp3File& operator=(const Mp3File&) = delete;
    ~Mp3File();

    // The length when the file was opened, updated by this object's writes.
    std::int64_t Length() const { return length_; }

    // Reads up to buffer.size() bytes at `offset`; returns how many were read
    // (fewer at the end of the file or on a read error, 0 for a negative offset).
    // Small reads are served from a window of the file read ahead at once, so
    // the many little reads of a tag walk cost one system call.
    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) const;

    // Writes all bytes at `offset`, or says why they could not all be written
    // (a write that makes no progress counts as a full disk). After a failure
    // a part of the bytes may have been written.
    FileResult WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);

    // Sets the end of the file.
    FileResult Truncate(std::int64_t length);

    static constexpr std::size_t kWindowSize = 4096;

private:
    Mp3File(int fd, std::int64_t length) : fd_(fd), length_(length) {}

    std::size_t ReadDirect(std::int64_t offset, std::span<std::uint8_t> buffer) const;

    int fd_;
    std::int64_t length_;
    // The read-ahead window: window_bytes_ bytes of the file from window_start_.
    mutable std::unique_ptr<std::uint8_t[]> window_;
    mutable std::int64_t window_start_ = 0;
    mutable std::size_t window_bytes_ = 0;
};

// Where the owner lacks write permission, adds it; other permission bits stay.
// Nothing is reported.
void ClearReadOnly(const std::string& path);

}  // namespace kalvex
