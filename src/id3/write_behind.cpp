// A thread that starts writeback and frees the old file's cache while a rewrite copies.
#include "id3/write_behind.h"

#include <fcntl.h>

#include <system_error>

namespace kalvex {
namespace {

// The disk is asked to write the copy every this many bytes: large enough for
// long requests, small enough that the final fsync waits for little.
constexpr off_t kStep = 8 << 20;

}  // namespace

WriteBehind::WriteBehind(int source, int target) : source_(source), target_(target) {
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to be had (a process limit): Copied does the steps itself.
    }
}

WriteBehind::~WriteBehind() {
    Finish();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void WriteBehind::Copied(off_t source_end, off_t target_end) {
    if (!thread_.joinable()) {
        if (target_end - written_back_ >= kStep) {
            Step(source_end, target_end);
        }
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        source_end_ = source_end;
        target_end_ = target_end;
    }
    changed_.notify_one();
}

void WriteBehind::Finish() {
    std::unique_lock lock(mutex_);
    if (finished_) {
        return;
    }
    finished_ = true;
    if (!thread_.joinable()) {
        lock.unlock();
        DropSourceCache();
        return;
    }
    changed_.notify_all();
    // A step under way may still be writing the target back; the caller may
    // close the target as soon as this returns.
    changed_.wait(lock, [&] { return target_done_; });
}

void WriteBehind::Step(off_t source_end, off_t target_end) {
    ::sync_file_range(target_, written_back_, target_end - written_back_, SYNC_FILE_RANGE_WRITE);
    written_back_ = target_end;
    if (source_end > dropped_) {
        ::posix_fadvise(source_, dropped_, source_end - dropped_, POSIX_FADV_DONTNEED);
        dropped_ = source_end;
    }
}

void WriteBehind::DropSourceCache() {
    // Whatever of the source is still cached, its old tag included.
    ::posix_fadvise(source_, 0, 0, POSIX_FADV_DONTNEED);
}

void WriteBehind::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return finished_ || target_end_ - written_back_ >= kStep; });
        if (finished_) {
            break;
        }
        const off_t source_end = source_end_;
        const off_t target_end = target_end_;
        lock.unlock();
        Step(source_end, target_end);
        lock.lock();
    }
    target_done_ = true;
    lock.unlock();
    changed_.notify_all();
    DropSourceCache();
}

}  // namespace kalvex
