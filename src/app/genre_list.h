#pragma once

#include <string>
#include <vector>

namespace kalvex {

// The genre names the window's genre boxes list, index 0 first.
std::vector<std::string> WindowGenreNames();

}  // namespace kalvex
