#pragma once

#include <string>

namespace kalvex {

// What the window asks of the desktop. The window opens files with their
// default program; tests record the request instead.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // Opens the file as a double click in the file manager would.
    virtual void OpenFile(const std::string& path) = 0;
};

}  // namespace kalvex
