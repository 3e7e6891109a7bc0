#pragma once

#include <optional>
#include <string>

namespace kalvex {

// Asks the user for one line of text. The window shows a dialog; tests
// answer from a script.
class InputBox {
public:
    virtual ~InputBox() = default;
    // The answer, or nullopt when the user cancelled.
    virtual std::optional<std::string> Ask(const std::string& prompt,
                                           const std::string& proposed) = 0;
};

}  // namespace kalvex
