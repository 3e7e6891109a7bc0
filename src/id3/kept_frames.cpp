// The frames of an old tag that a new one carries over, in version 2.3 form.
#include "id3/kept_frames.h"

#include <algorithm>
#include <array>
#include <utility>

#include "common/text_helpers.h"
#include "id3/tag_text.h"

namespace kalvex {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 64> kIdMap = {{
    {"UFI", "UFID"}, {"TT1", "TIT1"},  {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TP1", "TPE1"},
    {"TP2", "TPE2"}, {"TP3", "TPE3"},  {"TP4", "TPE4"}, {"TCM", "TCOM"}, {"TXT", "TEXT"},
    {"TLA", "TLAN"}, {"TCO", "TCON"},  {"TAL", "TALB"}, {"TPA", "TPOS"}, {"TRK", "TRCK"},
    {"TRC", "TSRC"}, {"TYE", "TYER"},  {"TDA", "TDAT"}, {"TIM", "TIME"}, {"TRD", "TRDA"},
    {"TMT", "TMED"}, {"TFT", "TFLT"},  {"TBP", "TBPM"}, {"TCR", "TCOP"}, {"TPB", "TPUB"},
    {"TEN", "TENC"}, {"TSS", "TSSE"},  {"TOF", "TOFN"}, {"TLE", "TLEN"}, {"TSI", "TSIZ"},
    {"TDY", "TDLY"}, {"TKE", "TKEY"},  {"TOT", "TOAL"}, {"TOL", "TOLY"}, {"TOA", "TOPE"},
    {"TOR", "TORY"}, {"TDOR", "TORY"}, {"TXX", "TXXX"}, {"WAF", "WOAF"}, {"WAR", "WOAR"},
    {"WAS", "WOAS"}, {"WCM", "WCOM"},  {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"WXX", "WXXX"},
    {"IPL", "IPLS"}, {"TIPL", "IPLS"}, {"MCI", "MCDI"}, {"ETC", "ETCO"}, {"MLL", "MLLT"},
    {"STC", "SYTC"}, {"ULT", "USLT"},  {"SLT", "SYLT"}, {"COM", "COMM"}, {"RVA", "RVAD"},
    {"EQU", "EQUA"}, {"REV", "RVRB"},  {"PIC", "APIC"}, {"GEO", "GEOB"}, {"CNT", "PCNT"},
    {"POP", "POPM"}, {"BUF", "RBUF"},  {"CRA", "AENC"}, {"LNK", "LINK"},
}};

std::string MimeTypeOf(std::string_view image_format) {
    std::string upper(image_format);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (upper == "PNG") {
        return "image/png";
    }
    if (upper == "JPG") {
        return "image/jpeg";
    }
    if (upper == "-->") {
        return "-->";
    }
    return "image/" + ToLowerAscii(image_format);
}

// 2.2 picture: encoding, 3-character image format, picture type, description,
// data. 2.3 picture: encoding, zero-terminated MIME type, then the same.
void ConvertPicture(KeptFrame& frame) {
    if (frame.Data.size() < 4) {
        return;
    }
    const std::string format(frame.Data.begin() + 1, frame.Data.begin() + 4);
    const std::string mime = MimeTypeOf(format);
    std::vector<std::uint8_t> data;
    data.reserve(frame.Data.size() + mime.size());
    data.push_back(frame.Data[0]);
    data.insert(data.end(), mime.begin(), mime.end());
    data.push_back(0);
    data.insert(data.end(), frame.Data.begin() + 4, frame.Data.end());
    frame.Size += static_cast<std::int32_t>(mime.size()) - 2;
    frame.Data = std::move(data);
}

// 2.2 link: 3-character frame id, URL, id data; 2.3 has a 4-character id.
void ConvertLink(KeptFrame& frame) {
    if (frame.Data.size() < 3) {
        return;
    }
    std::string linked = MapFrameIdV22(std::string(frame.Data.begin(), frame.Data.begin() + 3));
    linked.resize(4, '\0');
    frame.Data.insert(frame.Data.begin(), 0);
    std::copy(linked.begin(), linked.end(), frame.Data.begin());
    frame.Size += 1;
}

// TORY holds a year only: the encoding byte and the first four characters.
void KeepYearOnly(KeptFrame& frame) {
    size_t length = 5;
    if (!frame.Data.empty() && frame.Data[0] == kUtf16Bom) {
        length = 1 + 2 + 8;  // byte-order mark and four 16-bit units
    } else if (!frame.Data.empty() && frame.Data[0] == kUtf16Be) {
        length = 1 + 8;
    }
    frame.Size = static_cast<std::int32_t>(
        std::min({length, frame.Data.size(), static_cast<size_t>(frame.Size)}));
}

}  // namespace

std::string MapFrameIdV22(std::string_view id) {
    for (const auto& [from, to] : kIdMap) {
        if (from == id) {
            return std::string(to);
        }
    }
    return std::string(id);
}

void ConvertKeptFrame(KeptFrames& frames, size_t index) {
    if (index >= frames.size()) {
        return;
    }
    KeptFrame& frame = frames[index];
    if (frame.Id == "PIC") {
        ConvertPicture(frame);
    } else if (frame.Id == "LNK") {
        ConvertLink(frame);
    } else if (frame.Id == "TDOR") {
        KeepYearOnly(frame);
    }
    frame.Id = MapFrameIdV22(frame.Id);
}

}  // namespace kalvex
