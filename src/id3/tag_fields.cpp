// The tag record's fields and the ID3 v2 frames they go into.
#include "id3/tag_fields.h"

#include <algorithm>

namespace kalvex {

const TagField* FieldOfFrame(std::string_view id) {
    const auto found = std::find_if(kTagFields.begin(), kTagFields.end(), [id](const TagField& f) {
        return id == f.id22 || id == f.id23 || id == f.id24;
    });
    return found == kTagFields.end() ? nullptr : &*found;
}

}  // namespace kalvex
