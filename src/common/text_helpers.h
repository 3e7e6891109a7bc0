#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kalvex {

// Text is UTF-8 and positions count bytes. Every delimiter and marker the
// program uses is ASCII, so cutting by bytes yields the same fields as cutting
// by characters would.

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The path with exactly one separator at its end; "" becomes the lone separator.
std::string AddBackslash(std::string_view path, char separator = kPathSeparator);

// The containing folder with its trailing separator ("C:\Music\Album" gives
// "C:\Music\"). A path that ends in its only separator (a drive root) or has
// none is returned unchanged.
std::string GetParentFolder(std::string_view path, char separator = kPathSeparator);

// Places where the delimiter occurs; overlapping matches count ("aaa" holds
// "aa" twice). An empty delimiter occurs nowhere.
std::int32_t CountOccurrences(std::string_view text, std::string_view delimiter);

// The n-th field (from 1) of the text cut at every delimiter, which may be
// longer than one character. Empty when there is no such field.
std::string GetField(std::string_view text, std::string_view delimiter, int n);

// The text after the first start marker found at or after the 1-based
// position `start`, up to the first end marker after it; empty when either
// marker is missing. A start below 1 counts as 1 and is set to 1. Without
// `case_sensitive` ASCII letters compare regardless of case.
std::string GetBetween(std::string_view start_marker, std::string_view end_marker,
                       std::string_view text, std::int32_t& start, bool case_sensitive);

// 1-based position of `needle` in `haystack` from the 1-based `start`, 0 when
// absent: the classic InStr. An empty needle is found at `start`.
std::int32_t FindText(std::int32_t start, std::string_view haystack, std::string_view needle,
                      bool case_sensitive);

// The entry a drop-down list selects for `wanted`: the first entry equal to
// it ignoring letter case, else the first equal to `fallback` the same way,
// else `current` (the selection stays as it was).
int SelectComboItem(const std::vector<std::string>& entries, std::string_view wanted,
                    std::string_view fallback, int current);

// The first `count` characters of UTF-8 text; a sequence is never split.
std::string FirstCharacters(std::string_view text, std::size_t count);

// The longest start of the text of at most `max_bytes` bytes that ends on a
// character boundary (never inside a UTF-8 sequence).
std::string_view CutAtCharacterBoundary(std::string_view text, std::size_t max_bytes);

// "Rock" for "rock", "New Age" for "new age": each word's first ASCII letter
// upper case, the other letters lower case.
std::string ProperCase(std::string_view text);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);
// Strips leading and trailing blanks (spaces only, as the protocol pads with them).
std::string_view TrimBlanks(std::string_view text);

}  // namespace kalvex
