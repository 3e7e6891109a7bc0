// Checks on files that report their reason as the system words it.
#include "common/file_result.h"

#include <sys/stat.h>

#include <cerrno>

namespace kalvex {

FileResult CheckRegularFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return FileResult::FromErrno(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return FileResult::FromErrno(EISDIR);
    }
    return S_ISREG(status.st_mode) ? FileResult() : FileResult::Failed("not a regular file");
}

}  // namespace kalvex
