#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_result.h"
#include "id3/file_tags.h"
#include "id3/tag_record.h"
#include "id3/tag_write_options.h"

namespace kalvex {

// What the Tag v1 and Tag v2 pages and the two tag boxes under them hold.
struct TagEditorFields {
    bool Version1 = false;  // "ID3 v1 tag": write it on save, else remove it
    bool Version2 = false;  // "ID3 v2 tag"
    // The seven fields of a version 1 tag; Genre is the text of the selected
    // genre entry ("" for the empty first entry).
    TagRecord V1;
    // All twelve fields; Genre is free text.
    TagRecord V2;
    TagV2Version Version = TagV2Version::k23;
    bool Clear = false;  // drop the old tag's other frames
    // Pictures the next save puts into the version 2 tag, each in place of
    // the file's pictures of its type (an imported album's cover).
    std::vector<TagPicture> NewPictures;

    bool operator==(const TagEditorFields&) const = default;
};

// The tag editor: the file last loaded and the fields shown for it. The
// window's pages are views of the fields; the import fills and saves them
// the same way. Text put into a field from code is cut to the field's
// length, counted in characters.
class TagEditor {
public:
    static constexpr std::size_t kUnlimited = 32767;

    // The longest text a field of each tag takes.
    static std::size_t V1Length(std::string TagRecord::*field);
    static std::size_t V2Length(std::string TagRecord::*field);
    // The genre lists: version 1 starts with an empty entry.
    static const std::vector<std::string>& V1Genres();
    static const std::vector<std::string>& V2Genres();

    // Reads the file's tags and stream into the editor's state; the file
    // becomes the one the editor shows.
    void LoadFileTags(const std::string& path);
    // The file last loaded, whose tags the fields show; empty before any.
    const std::string& LoadedPath() const { return loaded_path_; }
    // Keeps the shown file when it, or a folder holding it, was renamed.
    void FollowRename(const std::string& old_path, const std::string& new_path);
    // Puts the loaded state into the fields and describes the stream.
    void ShowFileTags();
    // Writes the fields into the file: each tag version written when its box
    // is ticked, removed when not. Version 2 goes first, and the first
    // failure stops the save, so a file that cannot take its new version 2
    // tag keeps both old tags. The fields stay as they are.
    FileResult SaveFileTags(const std::string& path) const;
    // The version 2 fields into the version 1 fields, within their limits.
    void CopyTo1();
    // The version 1 fields into the version 2 fields.
    void CopyTo2();

    // Puts text into one field, cut to its length.
    void SetV1(std::string TagRecord::*field, std::string_view text);
    void SetV2(std::string TagRecord::*field, std::string_view text);
    // Selects the version 1 genre entry equal to `wanted` (ignoring case),
    // else the one equal to `fallback`, else keeps the selection.
    void SelectV1Genre(std::string_view wanted, std::string_view fallback);
    // The same over the version 2 genre list; the text changes only when
    // an entry is found.
    void SelectV2Genre(std::string_view wanted, std::string_view fallback);

    TagEditorFields& Fields() { return fields_; }
    const TagEditorFields& Fields() const { return fields_; }
    const FileTags& Loaded() const { return loaded_; }
    // The ten lines under "MPEG information:", joined by CR LF.
    const std::string& Details() const { return details_; }

private:
    std::string loaded_path_;
    FileTags loaded_;
    TagEditorFields fields_;
    std::string details_;
};

}  // namespace kalvex
