#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/file_result.h"

namespace kalvex {

// How the names of the new files of a rewrite of `path` begin: hidden files in
// the same folder, named after a hash of the file's name and ending in a
// random part and ".tmp". A rewrite cut short by a crash leaves at most such a
// file behind; the next rewrite of the same file removes every one of them.
// (Each rewrite has its own name, so two at once cannot rename each other's
// unfinished file over the original; one of them fails instead.)
std::string RewriteTempPrefix(const std::string& path);

// The block size of the file system holding `path` when it can share a file's
// blocks with a new file (XFS, btrfs), else 0 (also when `path` cannot be
// examined). A head that keeps the kept bytes at the same offset within a
// block lets RewriteFileWithHead share them instead of copying them.
std::int64_t CloneBlockSize(const std::string& path);

// Replaces the file at `path` by `head` followed by the file's own bytes from
// `keep_from` to its end, without ever leaving the file damaged: the new
// content is written to a new file (RewriteTempPrefix), flushed to disk, given
// the original's permissions and owner, and renamed over the original (a
// symbolic link is followed, so the file it names is replaced). On any failure
// (folder not writable, disk full, I/O error) the new file is removed, the
// original is exactly as it was, and the result holds the reason of the step
// that failed.
//
// The kept bytes are shared rather than copied when the file system can share
// blocks between files (CloneBlockSize) and `head.size()` is congruent to
// `keep_from` modulo its block size: the new file shares the original's blocks
// from the first block boundary at or after `keep_from` on, and only the head
// and the kept bytes before that boundary are written, so the rewrite costs
// the head's blocks in time and space whatever the file's size. Where that is
// not so, or the file system refuses to share them for any reason, the bytes
// are copied in bounded chunks.
FileResult RewriteFileWithHead(const std::string& path, std::span<const std::uint8_t> head,
                               std::int64_t keep_from);

}  // namespace kalvex
