// The file and folder names the renaming gives, cleaned and cut to fit.
#include "workflow/file_names.h"

#include <climits>
#include <string>

#include "common/numbers.h"
#include "common/text_helpers.h"

namespace kalvex {
namespace {

constexpr std::string_view kPound = "\xC2\xA3";  // U+00A3 in UTF-8
constexpr std::string_view kAllowedPunctuation = "-_%$&!#~@' ";
constexpr std::string_view kForbiddenInFolders = std::string_view("<>:\"/\\|?*\0", 10);
constexpr size_t kMaxNameBytes = NAME_MAX;

bool IsAsciiAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::string CleanTrackFileName(std::string_view title) {
    std::string clean;
    for (size_t i = 0; i < title.size(); ++i) {
        const char c = title[i];
        if (IsAsciiAlphanumeric(c) || kAllowedPunctuation.find(c) != std::string_view::npos) {
            clean += c;
        } else if (title.substr(i, kPound.size()) == kPound) {
            clean += kPound;
            ++i;
        }
        // Any other byte goes, including every byte of another non-ASCII
        // character: none of them is the lead byte 0xC2 of "£".
    }
    return clean;
}

std::string CleanFolderName(std::string_view name) {
    std::string clean;
    for (const char c : name) {
        if (kForbiddenInFolders.find(c) == std::string_view::npos) {
            clean += c;
        }
    }
    while (!clean.empty() && clean.back() == '.') {
        clean.pop_back();
    }
    const size_t first = clean.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return clean.substr(first, clean.find_last_not_of(' ') - first + 1);
}

std::string TrackFileName(std::string_view track_text, std::string_view title) {
    std::string number = std::to_string(RoundedTrackNumber(track_text));
    if (number.size() < 2) {
        number.insert(0, 1, '0');
    }
    constexpr std::string_view kExtension = ".mp3";
    const std::string prefix = number + " ";
    const std::string clean = CleanTrackFileName(title);
    return prefix +
           std::string(
               CutAtCharacterBoundary(clean, kMaxNameBytes - prefix.size() - kExtension.size())) +
           std::string(kExtension);
}

std::string AlbumFolderName(std::string_view album_title) {
    // "...And Justice for All" must not become a hidden folder: leading dots
    // go too, and the spaces they leave.
    std::string clean = CleanFolderName(album_title);
    while (!clean.empty() && (clean.front() == '.' || clean.front() == ' ')) {
        clean.erase(0, 1);
    }

    if (clean.size() <= kMaxNameBytes) {
        return clean;
    }
    return CleanFolderName(CutAtCharacterBoundary(clean, kMaxNameBytes));
}

}  // namespace kalvex
