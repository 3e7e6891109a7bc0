#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/message_service.h"

namespace kalvex {

inline constexpr const char* kDefaultServer = "http://gnudb.gnudb.org";
inline constexpr const char* kDefaultRoot = "~cddb/cddb.cgi";
inline constexpr const char* kDefaultPort = "80";
inline constexpr const char* kClientName = "Kalvex_Tagger";
inline constexpr const char* kHelloUser = "anon";
// The maker's host, sent in every hello: never the user's own machine name,
// which a public server has no business knowing.
inline constexpr const char* kHelloHost = "kalvex-tagger.example";

// Letters, digits and "." stay, a blank becomes "+", every other byte of the
// Windows-1252 form becomes %XX with upper-case hex digits.
std::string UrlEncode(std::string_view text);

// "&hello=user+host+client+version&proto=5", each part URL-encoded; level 6
// asks for UTF-8 replies.
std::string BuildHello(std::string_view user, std::string_view host, std::string_view client,
                       std::string_view version, int protocol = 5);

// The hello this program sends: user "anon", the maker's host, the client
// name and the program's version.
std::string ProgramHelloSuffix();

// server + "/" + root + "?cmd=" + the encoded command + the hello suffix.
std::string BuildRequestUrl(std::string_view server, std::string_view root,
                            std::string_view command, std::string_view hello_suffix);

// One album a "cddb query" reply names.
struct FreeDbMatch {
    std::string Category;
    std::string DiscId;
    std::string Title;  // normally "Artist / Album"

    bool operator==(const FreeDbMatch&) const = default;
};

// The matches of the last query, from index 0; never empty once a query ran.
using MatchList = std::vector<FreeDbMatch>;

// Classifies a "cddb query" reply. True for "200" (one exact match) and for
// "210"/"211" lists, with `matches` filled; False for anything else, after
// telling the user for "202", "403" and "409".
bool ParseQueryReply(std::string_view page, MatchList& matches, MessageService& messages);

}  // namespace kalvex
