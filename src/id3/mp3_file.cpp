#include "id3/mp3_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kalvex {

std::optional<Mp3File> Mp3File::Open(const std::string& path, Mode mode) {
    // O_NONBLOCK keeps open() from waiting on a FIFO; it is dropped again
    // below, once the file is known to be regular.
    const int flags = (mode == Mode::kRead ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
    int fd;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return Mp3File(fd, static_cast<std::int64_t>(status.st_size));
}

Mp3File::Mp3File(Mp3File&& other) noexcept : fd_(other.fd_), length_(other.length_) {
    other.fd_ = -1;
}

Mp3File::~Mp3File() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::size_t Mp3File::ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) const {
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

bool Mp3File::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (offset >= 0 && done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    const std::int64_t end = offset + static_cast<std::int64_t>(done);
    if (end > length_) {
        length_ = end;
    }
    return done == bytes.size();
}

bool Mp3File::Truncate(std::int64_t length) {
    int result;
    do {
        result = ::ftruncate(fd_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        return false;
    }
    length_ = length;
    return true;
}

void ClearReadOnly(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || (status.st_mode & S_IWUSR) != 0) {
        return;
    }
    ::chmod(path.c_str(), (status.st_mode & 07777) | S_IWUSR);
}

}  // namespace kalvex
