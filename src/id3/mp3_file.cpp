// One open MP3 file, read and written at explicit positions.
#include "id3/mp3_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kalvex {

std::optional<Mp3File> Mp3File::Open(const std::string& path, Mode mode, FileResult* failure) {
    const auto fail = [failure](FileResult reason) {
        if (failure != nullptr) {
            *failure = std::move(reason);
        }
        return std::nullopt;
    };
    // O_NONBLOCK keeps open() from waiting on a FIFO; on the regular files
    // that pass the test below it changes nothing.
    const int flags = (mode == Mode::kRead ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
    int fd;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return fail(FileResult::FromErrno(errno));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(FileResult::FromErrno(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail(FileResult::Failed("not a regular file"));
    }
    return Mp3File(fd, static_cast<std::int64_t>(status.st_size));
}

Mp3File::Mp3File(Mp3File&& other) noexcept
    : fd_(other.fd_),
      length_(other.length_),
      window_(std::move(other.window_)),
      window_start_(other.window_start_),
      window_bytes_(other.window_bytes_) {
    other.fd_ = -1;
}

Mp3File::~Mp3File() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::size_t Mp3File::ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) const {
    if (offset < 0 || buffer.size() > kWindowSize) {
        return ReadDirect(offset, buffer);
    }
    const bool inside =
        offset >= window_start_ && offset + static_cast<std::int64_t>(buffer.size()) <=
                                       window_start_ + static_cast<std::int64_t>(window_bytes_);
    const bool at_end = offset >= window_start_ &&
                        window_start_ + static_cast<std::int64_t>(window_bytes_) == length_;
    if (!inside && !at_end) {
        if (!window_) {
            window_ = std::make_unique_for_overwrite<std::uint8_t[]>(kWindowSize);
        }
        window_start_ = offset;
        window_bytes_ = ReadDirect(offset, std::span(window_.get(), kWindowSize));
    }
    const std::int64_t skip = offset - window_start_;
    if (skip >= static_cast<std::int64_t>(window_bytes_)) {
        return 0;
    }
    const std::size_t n = std::min(buffer.size(), window_bytes_ - static_cast<std::size_t>(skip));
    std::copy_n(window_.get() + skip, n, buffer.begin());
    return n;
}

std::size_t Mp3File::ReadDirect(std::int64_t offset, std::span<std::uint8_t> buffer) const {
    std::size_t done = 0;
    while (offset >= 0 && done < buffer.size()) {
        const ssize_t n = ::pread(fd_, buffer.data() + done, buffer.size() - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

FileResult Mp3File::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    window_bytes_ = 0;
    if (offset < 0) {
        return FileResult::Failed("invalid file position");
    }
    FileResult result;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            result = FileResult::FromErrno(n < 0 ? errno : ENOSPC);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    // Even a failed write may have made the file longer.
    length_ = std::max(length_, offset + static_cast<std::int64_t>(done));
    return result;
}

FileResult Mp3File::Truncate(std::int64_t length) {
    int result;
    do {
        result = ::ftruncate(fd_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    window_bytes_ = 0;
    if (result != 0) {
        return FileResult::FromErrno(errno);
    }
    length_ = length;
    return {};
}

void ClearReadOnly(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || (status.st_mode & S_IWUSR) != 0) {
        return;
    }
    ::chmod(path.c_str(), (status.st_mode & 07777) | S_IWUSR);
}

}  // namespace kalvex
