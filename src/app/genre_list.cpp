#include "app/genre_list.h"

namespace kalvex {

std::vector<std::string> WindowGenreNames() {
    return {};  // Point this at kalvex::GenreNames (src/id3) once the genre list lands.
}

}  // namespace kalvex
