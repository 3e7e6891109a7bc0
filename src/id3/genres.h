#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kalvex {

// The genre byte of an ID3 v1 tag means nothing else.
inline constexpr std::int32_t kNoGenre = 255;

// The 148 names of the genre list, index 0 to 147, in the spelling this
// program has always stored and shown (40 "Alt. Rock", 147 "SynthPop" ...).
const std::vector<std::string>& GenreNames();

// The name at `index`; empty outside 0..147.
std::string GenreName(std::int32_t index);

// The index of the first name equal to `name` with spaces around it removed,
// letters compared regardless of case; kNoGenre when none is (also for "").
std::int32_t GenreIndex(std::string_view name);

}  // namespace kalvex
