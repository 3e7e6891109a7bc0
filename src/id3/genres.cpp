// The 148 genre names of ID3 and their indexes.
#include "id3/genres.h"

#include "common/text_helpers.h"

namespace kalvex {
namespace {

constexpr std::string_view kGenreList =
    "Blues#Classic Rock#Country#Dance#Disco#Funk#Grunge#Hip-Hop#Jazz#Metal#New Age#Oldies#Other#"
    "Pop#R&B#Rap#Reggae#Rock#Techno#Industrial#Alternative#Ska#Death Metal#Pranks#Soundtrack#"
    "Euro-Techno#Ambient#Trip-Hop#Vocal#Jazz+Funk#Fusion#Trance#Classical#Instrumental#Acid#"
    "House#Game#Sound Clip#Gospel#Noise#Alt. Rock#Bass#Soul#Punk#Space#Meditative#"
    "Instrumental Pop#Instrumental Rock#Ethnic#Gothic#Darkwave#Techno-Industrial#Electronic#"
    "Pop-Folk#Eurodance#Dream#Southern Rock#Comedy#Cult#Gangsta#Top 40#Christian Rap#Pop/Funk#"
    "Jungle#Native American#Cabaret#New Wave#Psychadelic#Rave#Showtunes#Trailer#Lo-Fi#Tribal#"
    "Acid Punk#Acid Jazz#Polka#Retro#Musical#Rock & Roll#Hard Rock#Folk#Folk-Rock#National Folk#"
    "Swing#Fast Fusion#Bebob#Latin#Revival#Celtic#Bluegrass#Avantgarde#Gothic Rock#"
    "Progressive Rock#Psychedelic Rock#Symphonic Rock#Slow Rock#Big Band#Chorus#Easy Listening#"
    "Acoustic#Humour#Speech#Chanson#Opera#Chamber Music#Sonata#Symphony#Booty Bass#Primus#"
    "Porn Groove#Satire#Slow Jam#Club#Tango#Samba#Folklore#Ballad#Power Ballad#Rhythmic Soul#"
    "Freestyle#Duet#Punk Rock#Drum Solo#A capella#Euro-House#Dance Hall#Goa#Drum & Bass#"
    "Club-House#Hardcore#Terror#Indie#BritPop#Negerpunk#Polsk Punk#Beat#Christian Gangsta#"
    "Heavy Metal#Black Metal#Crossover#Contemporary C#Christian Rock#Merengue#Salsa#"
    "Thrash Metal#Anime#JPop#SynthPop";

std::vector<std::string> SplitGenreList() {
    std::vector<std::string> names;
    std::string_view rest = kGenreList;
    for (;;) {
        const size_t hash = rest.find('#');
        names.emplace_back(rest.substr(0, hash));
        if (hash == std::string_view::npos) {
            return names;
        }
        rest.remove_prefix(hash + 1);
    }
}

}  // namespace

const std::vector<std::string>& GenreNames() {
    static const std::vector<std::string> names = SplitGenreList();
    return names;
}

std::string GenreName(std::int32_t index) {
    const std::vector<std::string>& names = GenreNames();
    if (index < 0 || index >= static_cast<std::int32_t>(names.size())) {
        return {};
    }
    return names[static_cast<size_t>(index)];
}

std::int32_t GenreIndex(std::string_view name) {
    const std::string wanted = ToLowerAscii(TrimBlanks(name));
    if (wanted.empty()) {
        return kNoGenre;
    }
    const std::vector<std::string>& names = GenreNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (ToLowerAscii(names[i]) == wanted) {
            return static_cast<std::int32_t>(i);
        }
    }
    return kNoGenre;
}

}  // namespace kalvex
