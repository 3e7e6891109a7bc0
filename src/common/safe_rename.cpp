// Renames that never replace an existing name, and case-blind name comparisons.
#include "common/safe_rename.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace kalvex {
namespace {

// In UTF-8 the Latin-1 letters are 0xC3 followed by one byte: capitals
// 0x80..0x9E, small letters 0xA0..0xBE, with 0x97 and 0xB7 the signs of
// multiplication and division.
constexpr unsigned char kLatin1Lead = 0xC3;

// The byte at `i` folded to lower case.
unsigned char FoldedByte(std::string_view text, size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 'A' && c <= 'Z') {
        return static_cast<unsigned char>(c + ('a' - 'A'));
    }
    if (i > 0 && static_cast<unsigned char>(text[i - 1]) == kLatin1Lead && c >= 0x80 && c <= 0x9E &&
        c != 0x97) {
        return static_cast<unsigned char>(c + 0x20);
    }
    return c;
}

bool EntryExists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldedByte(a, i) != FoldedByte(b, i)) {
            return false;
        }
    }
    return true;
}

bool ExistsIgnoringCase(const std::string& folder, std::string_view name,
                        std::string_view besides) {
    const std::string listed = folder.empty() ? "." : folder;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(listed.c_str()));
    if (!dir) {
        return name != besides && EntryExists(listed + "/" + std::string(name));
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view entry_name = entry->d_name;
        if (entry_name != besides && SameNameIgnoringCase(entry_name, name)) {
            return true;
        }
    }
    return false;
}

FileResult RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != ENOTSUP && error != EOPNOTSUPP) {
        return FileResult::FromErrno(error);
    }
#endif
    struct stat status {};
    if (::lstat(to.c_str(), &status) == 0) {
        return FileResult::FromErrno(EEXIST);
    }
    if (errno != ENOENT) {
        return FileResult::FromErrno(errno);
    }
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        return FileResult::FromErrno(errno);
    }
    return {};
}

}  // namespace kalvex
