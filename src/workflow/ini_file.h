#pragma once

#include <string>
#include <string_view>

namespace kalvex {

// The settings file is an ordinary INI file read and written with the
// semantics of the Windows private-profile functions: section and key names
// compare without regard to case, values are trimmed and lose one pair of
// surrounding quotes, other sections, keys and comments are kept, and the
// file and section are created as needed. No toolkit is involved.

// The value, or `fallback` when the file, section or key is missing (a key
// with an empty value reads as ""). Like a 255-byte profile buffer, a value
// is cut to its first 254 characters.
std::string ReadIniValue(std::string_view section, std::string_view key, const std::string& file,
                         std::string_view fallback = "");

// Writes key=value into the section; false when the file cannot be written
// (also when it is read-only: its owner lacks write permission) or a name or
// value would break the file's structure (line breaks, "]" in a section name,
// "=" in a key). The file is replaced atomically; a refused one is untouched.
bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::string& file);

inline constexpr std::size_t kIniValueLimit = 254;

}  // namespace kalvex
