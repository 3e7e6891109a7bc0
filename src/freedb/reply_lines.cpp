// CDDB replies in one canonical form of lines, whatever line ends they came with.
#include "freedb/reply_lines.h"

namespace kalvex {

std::string CanonicalReplyText(std::string_view page) {
    std::string text;
    text.reserve(page.size() + page.size() / 32 + 2);
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\n' && (i == 0 || page[i - 1] != '\r')) {
            text.push_back('\r');
        }
        text.push_back(page[i]);
    }
    if (!text.empty() && !text.ends_with("\r\n")) {
        text.append("\r\n");
    }
    return text;
}

std::vector<std::string> SplitReplyLines(std::string_view canonical_page) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < canonical_page.size()) {
        size_t end = canonical_page.find("\r\n", start);
        if (end == std::string_view::npos) {
            end = canonical_page.size();
        }
        lines.emplace_back(canonical_page.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace kalvex
