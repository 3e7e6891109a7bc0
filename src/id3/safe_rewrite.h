#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kalvex {

// The one name the new file of a rewrite gets beside `path` (a hidden file in
// the same folder, fixed for that file name, so a rewrite cut short by a crash
// leaves at most this file behind, and the next rewrite of the same file
// removes it).
std::string RewriteTempPath(const std::string& path);

// Replaces the file at `path` by `head` followed by the file's own bytes from
// `keep_from` to its end, without ever leaving the file damaged: the new
// content is written to RewriteTempPath, the old bytes copied in bounded
// chunks, flushed to disk, given the original's permissions and owner, and
// renamed over the original (a symbolic link is followed, so the file it
// names is replaced). On any failure (folder not writable, disk full, I/O
// error) the new file is removed, the original is exactly as it was, and the
// result is false.
bool RewriteFileWithHead(const std::string& path, std::span<const std::uint8_t> head,
                         std::int64_t keep_from);

}  // namespace kalvex
