#pragma once

#include <string>
#include <string_view>

#include "common/file_result.h"

namespace kalvex {

// Whether two names are the same when letter case is ignored. Names are UTF-8;
// the ASCII letters and the Latin-1 letters (U+00C0..U+00DE against
// U+00E0..U+00FE, the signs x and / of multiplication and division aside)
// fold, every other character compares byte for byte. That covers what album
// titles mostly hold; no Unicode normalisation is done.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// Whether `folder` holds an entry (file, folder or anything else) named
// `name` ignoring letter case, whatever the file system: MP3 folders often
// live on FAT or exFAT media, and a name that differs from another only in
// case must not be taken there. An entry named exactly `besides` does not
// count (the file that is about to be renamed itself). When the folder cannot
// be listed, only an entry of exactly that name is found.
bool ExistsIgnoringCase(const std::string& folder, std::string_view name,
                        std::string_view besides = {});

// Renames `from` to `to` and never replaces an existing `to`, even when
// another program creates it in the meantime. Where the file system cannot
// rename without replacing, an existing `to` is checked first and a plain
// rename follows (that narrow window remains there). An existing target fails
// with the system's text for EEXIST.
FileResult RenameNoReplace(const std::string& from, const std::string& to);

}  // namespace kalvex
