#pragma once

namespace kalvex {

// The maker's web address: in the window title and, later, the default link
// written into ID3 v2 tags.
inline constexpr const char* kProductWebAddress = "www.kalvex-tagger.example";

}  // namespace kalvex
