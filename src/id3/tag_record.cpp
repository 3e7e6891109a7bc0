// The tag record of twelve text fields.
#include "id3/tag_record.h"

namespace kalvex {

void ClearTagRecord(TagRecord& record) {
    record = TagRecord{};
}

}  // namespace kalvex
