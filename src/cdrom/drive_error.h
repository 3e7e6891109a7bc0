#pragma once

#include <stdexcept>
#include <string>

namespace kalvex {

// A failure inside drive discovery that the caller reports as
// "Error accessing CD drive: <number> - <description>".
class DriveAccessError : public std::runtime_error {
public:
    DriveAccessError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

// How a failure of drive discovery is told to the user.
inline std::string DriveAccessErrorText(int number, const std::string& description) {
    return "Error accessing CD drive: " + std::to_string(number) + " - " + description;
}

}  // namespace kalvex
