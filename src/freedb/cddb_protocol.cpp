// The CDDB protocol over HTTP: request URLs, the hello, and query replies.
#include "freedb/cddb_protocol.h"

#include "common/cp1252.h"
#include "common/text_helpers.h"
#include "freedb/reply_lines.h"
#include "kalvex/version.h"

namespace kalvex {
namespace {

bool IsPlainUrlCharacter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.';
}

// Fills the list from the lines after a "210"/"211" header, up to the
// terminator the header announces (or the end of the reply).
void ReadMatchLines(const std::vector<std::string>& lines, MatchList& matches) {
    matches.assign(1, FreeDbMatch{});
    if (lines.empty()) {
        return;
    }
    std::int32_t start = 1;
    const std::string terminator = GetBetween("(until terminating `", "')", lines[0], start, false);
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (EqualsIgnoringCase(TrimBlanks(line), terminator)) {
            break;
        }
        const std::string category = GetField(line, " ", 1);
        const std::string disc_id = GetField(line, " ", 2);
        const size_t prefix = category.size() + disc_id.size() + 2;
        if (line.size() < prefix) {
            // Too short to hold a category, an id and a title: a blank line
            // or a torn reply. Skipping it keeps the albums already read.
            continue;
        }
        if (!matches.back().Title.empty()) {
            matches.emplace_back();
        }
        FreeDbMatch& match = matches.back();
        match.Category = category;
        match.DiscId = disc_id;
        match.Title = std::string(TrimBlanks(std::string_view(line).substr(prefix)));
    }
}

}  // namespace

std::string UrlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : Utf8ToCp1252(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsPlainUrlCharacter(byte)) {
            encoded.push_back(c);
        } else if (byte == ' ') {
            encoded.push_back('+');
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[byte >> 4]);
            encoded.push_back(kHex[byte & 0x0F]);
        }
    }
    return encoded;
}

std::string BuildHello(std::string_view user, std::string_view host, std::string_view client,
                       std::string_view version, int protocol) {
    return "&hello=" + UrlEncode(user) + "+" + UrlEncode(host) + "+" + UrlEncode(client) + "+" +
           UrlEncode(version) + "&proto=" + std::to_string(protocol);
}

std::string ProgramHelloSuffix() {
    return BuildHello(kHelloUser, kHelloHost, kClientName, kVersionText);
}

std::string BuildRequestUrl(std::string_view server, std::string_view root,
                            std::string_view command, std::string_view hello_suffix) {
    std::string url(server);
    url += "/";
    url += root;
    url += "?cmd=";
    url += UrlEncode(command);
    url += hello_suffix;
    return url;
}

bool ParseQueryReply(std::string_view raw_page, MatchList& matches, MessageService& messages) {
    const std::string page = CanonicalReplyText(raw_page);
    const std::string status = GetField(page, " ", 1);

    // The page read as a one-line exact match: "200 category discid title".
    FreeDbMatch exact;
    exact.Category = GetField(page, " ", 2);
    exact.DiscId = GetField(page, " ", 3);
    std::int32_t start = 1;
    exact.Title = GetBetween(exact.DiscId, "\r\n", page, start, false);
    matches.assign(1, exact);

    if (status == "200") {
        return true;
    }
    if (status == "210" || status == "211") {
        ReadMatchLines(SplitReplyLines(page), matches);
        return true;
    }
    if (status == "202") {
        messages.ShowExclamation("No match found");
    } else if (status == "403") {
        messages.ShowExclamation("Database entry is corrupt");
    } else if (status == "409") {
        messages.ShowExclamation("No handshake");
    }
    return false;
}

}  // namespace kalvex
