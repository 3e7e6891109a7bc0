#pragma once

#include <string>
#include <system_error>
#include <utility>

namespace kalvex {

// The outcome of an operation on a file or folder: success, or why it failed
// in the system's own words ("No space left on device", "Permission
// denied"), so that the message the user finally sees can say why.
class [[nodiscard]] FileResult {
public:
    // Success.
    FileResult() = default;

    static FileResult Failed(std::string reason) {
        FileResult result;
        result.failed_ = true;
        result.reason_ = reason.empty() ? "unknown error" : std::move(reason);
        return result;
    }

    // The system's text for an errno value.
    static FileResult FromErrno(int error_number) {
        return Failed(std::system_category().message(error_number));
    }

    explicit operator bool() const { return !failed_; }
    bool Succeeded() const { return !failed_; }
    // Empty on success.
    const std::string& Reason() const { return reason_; }

private:
    bool failed_ = false;
    std::string reason_;
};

// Whether `path` names a regular file now; else why not, in the system's
// words ("No such file or directory", "Is a directory"), or "not a regular
// file" for a device, FIFO or socket.
FileResult CheckRegularFile(const std::string& path);

}  // namespace kalvex
