// Splits the input into a delimiter, two markers and a text, and checks that
// the field and marker helpers stay inside the text.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/date_values.h"
#include "common/text_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t delimiter_length = data[0] % 4;
    const size_t marker_length = data[1] % 4;
    const int n = static_cast<std::int8_t>(data[2]);
    std::int32_t start = static_cast<std::int8_t>(data[3]);
    std::string_view rest = input.substr(4);
    const std::string_view delimiter = rest.substr(0, delimiter_length);
    rest.remove_prefix(delimiter.size());
    const std::string_view opening = rest.substr(0, marker_length);
    rest.remove_prefix(opening.size());
    const std::string_view closing = rest.substr(0, marker_length);
    rest.remove_prefix(closing.size());

    const std::string field = kalvex::GetField(rest, delimiter, n);
    if (field.size() > rest.size() || (!field.empty() && rest.find(field) == std::string::npos)) {
        __builtin_trap();
    }
    (void)kalvex::CountOccurrences(rest, delimiter);
    for (bool exact : {true, false}) {
        const std::string between = kalvex::GetBetween(opening, closing, rest, start, exact);
        if (between.size() > rest.size() || start < 1) {
            __builtin_trap();
        }
    }
    (void)kalvex::GetParentFolder(rest, '\\');
    for (int kind = 0; kind <= 5; ++kind) {
        (void)kalvex::BuildSortKey(rest, kind);
    }
    return 0;
}
