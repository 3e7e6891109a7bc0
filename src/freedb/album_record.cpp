// Parses a "cddb read" reply (an xmcd record) into the album.
#include "freedb/album_record.h"

#include <algorithm>

#include "common/cp1252.h"
#include "common/numbers.h"
#include "common/text_helpers.h"
#include "freedb/reply_lines.h"

namespace kalvex {
namespace {

std::string FindTrackText(const std::vector<TrackText>& list, int track_number) {
    for (const TrackText& entry : list) {
        if (entry.TrackNumber == track_number) {
            return entry.Text;
        }
    }
    return {};
}

// A year that does not read as a 16-bit number counts as no year.
std::int16_t ReadYear(std::string_view text) {
    return FitInt16(LeadingInteger(text)).value_or(0);
}

void ReadRecordLine(const std::string& line, AlbumData& album) {
    if (!line.empty() && line.front() == '#') {
        return;
    }
    if (std::string value = GetXmcdValue("DYEAR", line); !value.empty()) {
        album.AlbumYear = ReadYear(value);
    }
    if (std::string value = GetXmcdValue("DTITLE", line); !value.empty()) {
        album.AlbumTitle += value;
    }
    if (std::string value = GetXmcdValue("EXTD", line); !value.empty()) {
        album.ExtendedData += value;
    }
    if (std::string value = GetXmcdValue("TTITLE", line); !value.empty()) {
        AppendTrackText(album.TrackTitles, GetXmcdTrackNumber(line, "TTITLE"), value);
    }
    if (std::string value = GetXmcdValue("EXTT", line); !value.empty()) {
        AppendTrackText(album.TrackExtras, GetXmcdTrackNumber(line, "EXTT"), value);
    }
}

}  // namespace

std::string GetXmcdValue(std::string_view key, std::string_view line) {
    if (key.empty() || line.size() <= key.size() ||
        !EqualsIgnoringCase(line.substr(0, key.size()), key)) {
        return {};
    }
    const size_t equals = line.find('=');
    return std::string(equals == std::string_view::npos ? line : line.substr(equals + 1));
}

std::int16_t GetXmcdTrackNumber(std::string_view line, std::string_view key) {
    const std::string name = GetField(line, "=", 1);
    const std::string_view digits =
        std::string_view(name).substr(std::min(key.size(), name.size()));
    return FitInt16(LeadingInteger(digits)).value_or(-1);
}

void AppendTrackText(std::vector<TrackText>& list, std::int16_t track_number,
                     std::string_view text) {
    for (TrackText& entry : list) {
        if (entry.TrackNumber == track_number) {
            entry.Text += text;
            return;
        }
    }
    list.push_back({track_number, std::string(text)});
}

std::string UnescapeXmcd(std::string_view text) {
    // Escapes are resolved left to right, so "\\n" is a backslash and an n,
    // not a backslash and a line break.
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                result += next == 'n' ? "\r\n" : next == 't' ? "\t" : "\\";
                ++i;
                continue;
            }
        }
        result.push_back(text[i]);
    }
    return result;
}

int AlbumTrackCount(const AlbumData& album, int disc_tracks) {
    // An audio CD holds at most 99 tracks: a hostile record's "TTITLE30000="
    // must not make a list of thirty thousand lines.
    constexpr int kMostTracks = 99;
    int count = std::max(disc_tracks, 1);
    for (const TrackText& entry : album.TrackTitles) {
        if (entry.TrackNumber < kMostTracks) {
            count = std::max(count, entry.TrackNumber + 1);
        }
    }
    return count;
}

std::string GetTrackTitle(const AlbumData& album, int track_number) {
    return FindTrackText(album.TrackTitles, track_number);
}

std::string GetTrackExtra(const AlbumData& album, int track_number) {
    return FindTrackText(album.TrackExtras, track_number);
}

void ParseAlbumReply(std::string_view raw_page, AlbumData& album, MessageService& messages) {
    const std::string page = CanonicalReplyText(raw_page);
    if (GetField(page, " ", 1) != "210") {
        album.AlbumValid = false;
        messages.ShowExclamation("Could not read album data from FreeDB server.");
        return;
    }
    album = AlbumData{};
    album.AlbumValid = true;
    for (const std::string& line : SplitReplyLines(page)) {
        ReadRecordLine(line, album);
    }

    album.ExtendedData = UnescapeXmcd(album.ExtendedData);
    for (TrackText& entry : album.TrackTitles) {
        entry.Text = UnescapeXmcd(entry.Text);
    }
    for (TrackText& entry : album.TrackExtras) {
        entry.Text = UnescapeXmcd(entry.Text);
    }

    if (album.AlbumYear == 0 && !album.ExtendedData.empty()) {
        // Positions and lengths count code-page characters, not UTF-8 bytes.
        const std::string extended = Utf8ToCp1252(album.ExtendedData);
        const std::int32_t at = FindText(1, extended, "YEAR: ", false);
        if (at != 0 && extended.size() >= static_cast<size_t>(at) + 9) {
            album.AlbumYear = ReadYear(std::string_view(extended).substr(at + 5, 4));
        }
    }
}

}  // namespace kalvex
