// Text and path helpers: fields, markers, case, trimming and character-safe cuts.
#include "common/text_helpers.h"

#include <algorithm>

namespace kalvex {
namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

}  // namespace

std::string AddBackslash(std::string_view path, char separator) {
    std::string result(path);
    if (result.empty() || result.back() != separator) {
        result.push_back(separator);
    }
    return result;
}

std::string GetParentFolder(std::string_view path, char separator) {
    const std::string sep(1, separator);
    const std::int32_t count = CountOccurrences(path, sep);
    if (count == 0 || (count == 1 && path.back() == separator)) {
        return std::string(path);
    }
    const std::string last = GetField(path, sep, count + 1);
    return std::string(path.substr(0, path.size() - last.size()));
}

std::int32_t CountOccurrences(std::string_view text, std::string_view delimiter) {
    if (delimiter.empty()) {
        return 0;
    }
    std::int32_t count = 0;
    for (size_t p = text.find(delimiter); p != std::string_view::npos;
         p = text.find(delimiter, p + 1)) {
        ++count;
    }
    return count;
}

std::string GetField(std::string_view text, std::string_view delimiter, int n) {
    if (n < 1) {
        return {};
    }
    if (delimiter.empty()) {
        return n == 1 ? std::string(text) : std::string();
    }
    if (CountOccurrences(text, delimiter) < n - 1) {
        return {};
    }
    // One extra delimiter lets the last field end at a delimiter too.
    std::string cut(text);
    cut.append(delimiter);
    size_t position = 0;
    size_t field_start = 0;
    for (int i = 0; i < n; ++i) {
        field_start = position;
        const size_t match = cut.find(delimiter, position);
        if (match == std::string::npos) {
            // Only overlapping delimiters ("aa" in "aaa") get here: the count
            // saw more matches than the cut can use.
            return {};
        }
        position = match + delimiter.size();
    }
    return cut.substr(field_start, position - field_start - delimiter.size());
}

std::int32_t FindText(std::int32_t start, std::string_view haystack, std::string_view needle,
                      bool case_sensitive) {
    if (start < 1 || static_cast<size_t>(start) > haystack.size() + 1) {
        return 0;
    }
    const auto first = haystack.begin() + (start - 1);
    auto equal = [case_sensitive](char a, char b) {
        return case_sensitive ? a == b : FoldAscii(a) == FoldAscii(b);
    };
    const auto found = std::search(first, haystack.end(), needle.begin(), needle.end(), equal);
    if (found == haystack.end() && !needle.empty()) {
        return 0;
    }
    return static_cast<std::int32_t>(found - haystack.begin()) + 1;
}

std::string GetBetween(std::string_view start_marker, std::string_view end_marker,
                       std::string_view text, std::int32_t& start, bool case_sensitive) {
    if (start < 1) {
        start = 1;
    }
    const std::int32_t opening = FindText(start, text, start_marker, case_sensitive);
    if (opening == 0) {
        return {};
    }
    const std::int32_t content = opening + static_cast<std::int32_t>(start_marker.size());
    const std::int32_t closing = FindText(content, text, end_marker, case_sensitive);
    if (closing == 0) {
        return {};
    }
    return std::string(text.substr(content - 1, closing - content));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

std::string ToLowerAscii(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), FoldAscii);
    return result;
}

std::string_view TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

int SelectComboItem(const std::vector<std::string>& entries, std::string_view wanted,
                    std::string_view fallback, int current) {
    for (const std::string_view text : {wanted, fallback}) {
        const auto found = std::find_if(entries.begin(), entries.end(), [text](const auto& entry) {
            return EqualsIgnoringCase(entry, text);
        });
        if (found != entries.end()) {
            return static_cast<int>(found - entries.begin());
        }
    }
    return current;
}

std::string FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size(); ++end) {
        const bool starts_character = (static_cast<unsigned char>(text[end]) & 0xC0) != 0x80;
        if (starts_character && seen++ == count) {
            break;
        }
    }
    return std::string(text.substr(0, end));
}

std::string_view CutAtCharacterBoundary(std::string_view text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return text;
    }
    while (max_bytes > 0 && (static_cast<unsigned char>(text[max_bytes]) & 0xC0) == 0x80) {
        --max_bytes;
    }
    return text.substr(0, max_bytes);
}

std::string ProperCase(std::string_view text) {
    std::string result = ToLowerAscii(text);
    bool word_start = true;
    for (char& c : result) {
        if (word_start && c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        word_start = c == ' ';
    }
    return result;
}

}  // namespace kalvex
