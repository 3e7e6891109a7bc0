// The tag editor: one file's tags loaded into fields, edited, copied and saved.
#include "workflow/tag_editor.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <span>

#include "common/message_service.h"
#include "common/product.h"
#include "common/text_helpers.h"
#include "id3/genres.h"
#include "id3/id3v1.h"
#include "id3/id3v2_writer.h"
#include "id3/picture.h"
#include "id3/stream_details.h"
#include "id3/tag_fields.h"
#include "id3/tag_text.h"

namespace kalvex {
namespace {

using Field = std::string TagRecord::*;

// A version 1 tag holds the record's first seven fields.
constexpr std::span<const TagField> kV1Fields = std::span(kTagFields).first(7);

// Line breaks become one space each: a version 1 comment is one line.
std::string OneLine(std::string_view text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        }
        line += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
    }
    return line;
}

bool IsBlank(std::string_view text) {
    return TrimBlanks(text).empty();
}

FileResult MissingFile(const std::string& path) {
    struct stat status {};
    if (path.empty()) {
        return FileResult::FromErrno(ENOENT);
    }
    return ::stat(path.c_str(), &status) == 0 ? FileResult() : FileResult::FromErrno(errno);
}

}  // namespace

std::size_t TagEditor::V1Length(Field field) {
    if (field == &TagRecord::TNR) {
        return 3;
    }
    if (field == &TagRecord::Year) {
        return 4;
    }
    if (field == &TagRecord::Comment) {
        return 28;  // the two last bytes hold the track number
    }
    return 30;
}

std::size_t TagEditor::V2Length(Field field) {
    if (field == &TagRecord::TNR) {
        return 7;  // room for "12/15" and longer counts
    }
    return field == &TagRecord::Year ? 4 : kUnlimited;
}

const std::vector<std::string>& TagEditor::V1Genres() {
    static const std::vector<std::string> genres = [] {
        std::vector<std::string> list{""};
        list.insert(list.end(), GenreNames().begin(), GenreNames().end());
        return list;
    }();
    return genres;
}

const std::vector<std::string>& TagEditor::V2Genres() {
    return GenreNames();
}

void TagEditor::SetV1(Field field, std::string_view text) {
    fields_.V1.*field = FirstCharacters(text, V1Length(field));
}

void TagEditor::SetV2(Field field, std::string_view text) {
    fields_.V2.*field = FirstCharacters(text, V2Length(field));
}

void TagEditor::SelectV1Genre(std::string_view wanted, std::string_view fallback) {
    const std::vector<std::string>& genres = V1Genres();
    int current = 0;
    for (int i = 0; i < static_cast<int>(genres.size()); ++i) {
        if (genres[i] == fields_.V1.Genre) {
            current = i;
        }
    }
    fields_.V1.Genre = genres[SelectComboItem(genres, wanted, fallback, current)];
}

void TagEditor::SelectV2Genre(std::string_view wanted, std::string_view fallback) {
    const std::vector<std::string>& genres = V2Genres();
    const int found = SelectComboItem(genres, wanted, fallback, -1);
    if (found >= 0) {
        fields_.V2.Genre = genres[found];
    }
}

void TagEditor::LoadFileTags(const std::string& path) {
    loaded_path_ = path;
    loaded_ = kalvex::LoadFileTags(path);
    pictures_ = ReadTagV2Pictures(path);
}

const TagPicture* TagEditor::ShownPicture() const {
    for (const TagPicture& picture : pictures_) {
        if (picture.Type == kFrontCover) {
            return &picture;
        }
    }
    return pictures_.empty() ? nullptr : &pictures_.front();
}

std::string TagEditor::PictureCaption() const {
    const TagPicture* shown = ShownPicture();
    if (shown == nullptr) {
        return "No picture in the tag";
    }
    std::string name = PictureTypeName(shown->Type);
    std::replace(name.begin(), name.end(), '-', ' ');
    if (shown->Type == kFrontCover || shown->Type == kBackCover) {
        name += " cover";
    }
    std::string caption = name;
    caption[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(caption[0])));
    caption += ": ";
    const ImageFacts facts = ReadImageFacts(shown->Data);
    caption += facts.Mime == "image/png"    ? "PNG"
               : facts.Mime == "image/jpeg" ? "JPEG"
                                            : shown->Mime;
    if (facts.Width && facts.Height) {
        caption += ", " + std::to_string(*facts.Width) + " x " + std::to_string(*facts.Height);
    }
    caption += ", " + std::to_string((shown->Data.size() + 1023) / 1024) + " KB";
    if (pictures_.size() > 1) {
        caption += " (1 of " + std::to_string(pictures_.size()) + ")";
    }
    return caption;
}

void TagEditor::FollowRename(const std::string& old_path, const std::string& new_path) {
    if (loaded_path_ == old_path) {
        loaded_path_ = new_path;
    } else if (loaded_path_.starts_with(AddBackslash(old_path))) {
        loaded_path_ = AddBackslash(new_path) + loaded_path_.substr(AddBackslash(old_path).size());
    }
}

void TagEditor::ShowFileTags() {
    // A cover meant for an import's files never follows into another file.
    fields_.NewPictures.clear();
    fields_.Version1 = loaded_.HasTagV1;
    fields_.V1 = TagRecord{};
    if (loaded_.HasTagV1) {
        for (const TagField& field : kV1Fields) {
            if (field.member != &TagRecord::Genre) {
                SetV1(field.member, loaded_.TagV1.*field.member);
            }
        }
        // Only an entry of exactly this spelling: the first entry otherwise.
        for (const std::string& genre : V1Genres()) {
            if (genre == loaded_.TagV1.Genre) {
                fields_.V1.Genre = genre;
            }
        }
    }
    fields_.Version2 = loaded_.HasTagV2;
    fields_.V2 = TagRecord{};
    if (loaded_.HasTagV2) {
        for (const TagField& field : kTagFields) {
            SetV2(field.member, loaded_.TagV2.*field.member);
        }
    }
    if (IsBlank(fields_.V2.LinkTo)) {
        fields_.V2.LinkTo = kProductWebAddress;
    }
    if (IsBlank(fields_.V2.Encoder)) {
        fields_.V2.Encoder = kApplicationTitle;
    }
    details_ = StreamDetailsText(loaded_.Stream);
}

FileResult TagEditor::SaveFileTags(const std::string& path) const {
    if (FileResult missing = MissingFile(path); !missing) {
        return missing;
    }
    const ReadOnlyFiles read_only = ReadOnlyFiles::kMakeWritable;
    const TagV2WriteOptions options{
        .version = fields_.Version,
        .old_frames = fields_.Clear ? OldFrames::kDrop : OldFrames::kCarryOver,
        .read_only = read_only,
        .pictures = fields_.NewPictures};
    FileResult v2 =
        fields_.Version2 ? WriteTagV2(path, fields_.V2, options) : RemoveTagV2(path, read_only);
    if (!v2) {
        return v2;
    }
    if (!fields_.Version1) {
        return RemoveTagV1(path, read_only);
    }
    TagRecord v1;
    for (const TagField& field : kV1Fields) {
        v1.*field.member = fields_.V1.*field.member;
    }
    return WriteTagV1(path, v1, read_only);
}

void TagEditor::CopyTo1() {
    for (Field field : {&TagRecord::Artist, &TagRecord::Album, &TagRecord::Title, &TagRecord::TNR,
                        &TagRecord::Year}) {
        SetV1(field, fields_.V2.*field);
    }
    // A genre the list does not know is at least "Other" in a version 1 tag.
    SelectV1Genre(fields_.V2.Genre, "Other");
    SetV1(&TagRecord::Comment, OneLine(fields_.V2.Comment));
}

void TagEditor::CopyTo2() {
    for (Field field : {&TagRecord::Artist, &TagRecord::Album, &TagRecord::Title, &TagRecord::TNR,
                        &TagRecord::Year, &TagRecord::Comment}) {
        SetV2(field, fields_.V1.*field);
    }
    // An empty version 1 genre leaves the version 2 genre as it was.
    SelectV2Genre(fields_.V1.Genre, "");
}

}  // namespace kalvex
