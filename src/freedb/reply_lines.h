#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kalvex {

// CDDB replies end their lines in CR LF, but servers, proxies and stored
// records also send LF alone and may leave off the last line end. The reply
// parsers work on this canonical form, so all of these read alike: every line
// ends in CR LF, a lone LF becomes CR LF, and a last line without its end
// gets one.
std::string CanonicalReplyText(std::string_view page);

// The lines of a canonical reply, without their CR LF.
std::vector<std::string> SplitReplyLines(std::string_view canonical_page);

}  // namespace kalvex
