#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kalvex {

// Works beside a copy from one file into a new one, on a thread of its own so
// the copy never waits for it: asks the disk to start writing what the copy
// has written, and frees the source's cached pages the copy is done with.
//
// Both are what a rewrite pays for otherwise at the end: a final flush of the
// whole new file, and the last close of the replaced original, which frees
// all of its cached pages at once (a tenth to a fifth of a second for 500 MB).
// Nothing here makes anything durable; the caller's fsync still does that.
class WriteBehind {
public:
    WriteBehind(int source, int target);
    ~WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // The copy has read the source up to `source_end` and written the target
    // up to `target_end`.
    void Copied(off_t source_end, off_t target_end);

    // The copy is over: once this returns the target is not touched any
    // more (the caller may flush and close it), while the rest of the
    // source's cache is freed; the destructor waits for that.
    void Finish();

private:
    void Run();
    // Starts writing back the target up to `target_end` and frees the
    // source's cache up to `source_end`.
    void Step(off_t source_end, off_t target_end);
    void DropSourceCache();

    const int source_;
    const int target_;
    std::mutex mutex_;
    std::condition_variable changed_;
    off_t source_end_ = 0;
    off_t target_end_ = 0;
    bool finished_ = false;
    bool target_done_ = false;
    // Only the thread (or, without one, the copy) touches these.
    off_t written_back_ = 0;
    off_t dropped_ = 0;
    std::thread thread_;
};

}  // namespace kalvex
