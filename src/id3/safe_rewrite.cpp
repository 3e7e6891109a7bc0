// Rewriting a file with a new head: beside it, flushed, then renamed over it.
#include "id3/safe_rewrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "id3/write_behind.h"

namespace kalvex {
namespace {

// The audio is copied in pieces of this size, so memory stays small whatever
// the file's size; a buffer that stays in the processor's cache copies
// fastest (4 MiB was measurably slower).
constexpr std::size_t kCopyChunk = 1 << 20;

constexpr std::string_view kTempSuffix = ".tmp";

constexpr const char* kChangedMeanwhile = "the file changed while it was being rewritten";

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded (a late write error
    // of some file systems shows up only here).
    FileResult Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? FileResult() : FileResult::FromErrno(errno);
    }

private:
    int fd_;
};

std::string_view FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return ".";
    }
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string_view NameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// 64-bit FNV-1a: a short, stable stand-in for a file name of any length.
std::uint64_t NameHash(std::string_view name) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : name) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 0x100000001b3ULL;
    }
    return hash;
}

// The reason of the system call that just failed.
FileResult LastError() {
    return FileResult::FromErrno(errno);
}

// A write that makes no progress counts as a full disk.
FileResult WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return FileResult::FromErrno(n < 0 ? errno : ENOSPC);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

// Copies `count` bytes from `from` at `offset` to the current end of `to`,
// at `written` bytes into it.
//
// Through a buffer rather than copy_file_range: a new tag moves the audio by
// an amount that is hardly ever a multiple of a page, and the kernel's copy then
// fills the new file's page cache in small pieces that take longer to copy
// and to write back (measured on ext4: the copy plus fsync took about 1.2
// times as long as through this buffer). Large writes keep the page cache in
// large, aligned pieces whatever the offset.
FileResult CopyRange(int from, std::int64_t offset, int to, std::int64_t written,
                     std::int64_t count, WriteBehind& write_behind) {
    ::posix_fadvise(from, static_cast<off_t>(offset), 0, POSIX_FADV_SEQUENTIAL);
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kCopyChunk);
    off_t in = static_cast<off_t>(offset);
    off_t out = static_cast<off_t>(written);
    while (count > 0) {
        const size_t want = static_cast<size_t>(std::min<std::int64_t>(count, kCopyChunk));
        const ssize_t n = ::pread(from, buffer.get(), want, in);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return LastError();
        }
        if (n == 0) {
            return FileResult::Failed(kChangedMeanwhile);  // it got shorter
        }
        if (FileResult copied = WriteAll(to, buffer.get(), static_cast<size_t>(n)); !copied) {
            return copied;
        }
        in += n;
        out += n;
        count -= n;
        write_behind.Copied(in, out);
    }
    return {};
}

// Removes what interrupted rewrites of the same file left in its folder.
void RemoveLeftovers(std::string_view folder, std::string_view prefix) {
    DIR* dir = ::opendir(std::string(folder).c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.starts_with(prefix) && name.ends_with(kTempSuffix)) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

// Makes the rename itself durable.
void SyncFolder(std::string_view folder) {
    const int fd = ::open(std::string(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes the whole new file; stops at the first thing that fails.
FileResult FillNewFile(Descriptor& target, int source, const struct stat& original,
                       std::span<const std::uint8_t> head, std::int64_t keep_from) {
    // Owner first (it may clear set-id bits), then the original's mode.
    if (::fchown(target.get(), original.st_uid, original.st_gid) != 0) {
        // Not permitted for another owner's file: the new file stays ours.
    }
    if (::fchmod(target.get(), original.st_mode & 07777) != 0) {
        return LastError();
    }
    if (FileResult written = WriteAll(target.get(), head.data(), head.size()); !written) {
        return written;
    }
    WriteBehind write_behind(source, target.get());
    if (FileResult copied =
            CopyRange(source, keep_from, target.get(), static_cast<std::int64_t>(head.size()),
                      original.st_size - keep_from, write_behind);
        !copied) {
        return copied;
    }
    // The flush waits for the disk while the other thread frees what is left
    // of the original's cache.
    write_behind.Finish();
    if (::fsync(target.get()) != 0) {
        return LastError();
    }
    return target.Close();
}

}  // namespace

std::string RewriteTempPrefix(const std::string& path) {
    char name[40];
    std::snprintf(name, sizeof name, ".kalvex-write-%016llx-",
                  static_cast<unsigned long long>(NameHash(NameOf(path))));
    return std::string(FolderOf(path)) + "/" + name;
}

FileResult RewriteFileWithHead(const std::string& path, std::span<const std::uint8_t> head,
                               std::int64_t keep_from) {
    // Work on the file a symbolic link names, so the link stays a link.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return LastError();
    }
    const std::string target_path = resolved;
    Descriptor source(::open(target_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat original {};
    if (source.get() < 0 || ::fstat(source.get(), &original) != 0) {
        return LastError();
    }
    if (!S_ISREG(original.st_mode)) {
        return FileResult::Failed("not a regular file");
    }
    if (keep_from < 0 || keep_from > original.st_size) {
        // The caller measured the file before; it is no longer that long.
        return FileResult::Failed(kChangedMeanwhile);
    }
    const std::string prefix = RewriteTempPrefix(target_path);
    RemoveLeftovers(FolderOf(target_path), NameOf(prefix));
    std::string temp_path = prefix + "XXXXXX" + std::string(kTempSuffix);
    Descriptor target(
        ::mkostemps(temp_path.data(), static_cast<int>(kTempSuffix.size()), O_CLOEXEC));
    if (target.get() < 0) {
        return LastError();
    }
    FileResult result = FillNewFile(target, source.get(), original, head, keep_from);
    if (result && ::rename(temp_path.c_str(), target_path.c_str()) != 0) {
        result = LastError();
    }
    if (!result) {
        ::unlink(temp_path.c_str());
        return result;
    }
    SyncFolder(FolderOf(target_path));
    return {};
}

}  // namespace kalvex
