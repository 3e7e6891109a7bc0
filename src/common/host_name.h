#pragma once

#include <string>

namespace kalvex {

// This machine's name as the network knows it; "localhost" when it has none.
std::string LocalHostName();

}  // namespace kalvex
