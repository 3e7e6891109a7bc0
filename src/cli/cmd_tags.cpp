// kalvex-cli tags: the ID3 tags and MPEG stream facts of MP3 files.
#include <algorithm>
#include <ostream>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "common/digests.h"
#include "id3/file_tags.h"
#include "id3/picture.h"
#include "id3/stream_details.h"
#include "id3/tag_fields.h"

namespace kalvex::cli {
namespace {

constexpr const char* kHelp = R"(usage: kalvex-cli tags FILE... [--json]

Reads each file's ID3 v1 tag, ID3 v2 tag(s) and MPEG stream facts, as the
tag editor does when a file is shown.

  --json   print an array with one object per file: {"File", "HasTagV1",
           "TagV1", "HasTagV2", "TagV2", "Pictures", "StreamInfoValid",
           "StreamInfo"}; the tags carry the twelve fields Artist ...
           OrigArtist; each picture of the ID3 v2 tag is {"Type" ("front",
           "back" ...), "Mime", "Description", "Bytes", "Width", "Height"
           (null when the image's header does not give them), "Sha256"}

Exit code 1 when a file cannot be read (the others are still shown).
)";

// One file's tags, or why the file cannot be read.
struct FileReading {
    std::string path;
    std::string problem;
    FileTags tags;
    std::vector<TagPicture> pictures;
};

struct TagsResult {
    std::vector<FileReading> files;
    bool Succeeded() const {
        return std::ranges::all_of(files,
                                   [](const FileReading& file) { return file.problem.empty(); });
    }
};

TagsResult ReadTags(const std::vector<std::string>& paths) {
    TagsResult result;
    for (const std::string& path : paths) {
        FileReading& file =
            result.files.emplace_back(FileReading{path, NotARegularFile(path), {}, {}});
        if (file.problem.empty()) {
            file.tags = LoadFileTags(path);
            file.pictures = ReadTagV2Pictures(path);
        }
    }
    return result;
}

void ReportUnreadable(Io& io, const FileReading& file) {
    ReportFailure(io, "cannot read " + file.path + ": " + file.problem);
}

// Tag text may hold CR LF line breaks; indent the lines after the first.
std::string Indented(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\r') {
            continue;
        }
        out += c;
        if (c == '\n') {
            out += "              ";
        }
    }
    return out;
}

void PrintRecord(const char* caption, bool present, const TagRecord& record, Io& io) {
    io.out << caption << (present ? "" : " none") << '\n';
    if (!present) {
        return;
    }
    for (const TagField& field : kTagFields) {
        const std::string& value = record.*field.member;
        if (!value.empty()) {
            io.out << "  " << field.name << ':' << std::string(11 - field.name.size(), ' ')
                   << Indented(value) << '\n';
        }
    }
}

// "front, image/jpeg, 500 x 500, 48213 bytes".
std::string PictureLine(const TagPicture& picture) {
    const ImageFacts facts = ReadImageFacts(picture.Data);
    std::string line = PictureTypeName(picture.Type) + ", " + picture.Mime;
    if (facts.Width && facts.Height) {
        line += ", " + std::to_string(*facts.Width) + " x " + std::to_string(*facts.Height);
    }
    return line + ", " + std::to_string(picture.Data.size()) + " bytes";
}

void PrintFile(const FileReading& file, Io& io) {
    const FileTags& tags = file.tags;
    io.out << file.path << '\n';
    PrintRecord("Tag v1:", tags.HasTagV1, tags.TagV1, io);
    PrintRecord("Tag v2:", tags.HasTagV2, tags.TagV2, io);
    for (const TagPicture& picture : file.pictures) {
        io.out << "  Picture:    " << PictureLine(picture) << '\n';
    }
    io.out << "MPEG information:" << (tags.StreamInfoValid ? "" : " no MPEG audio frame found")
           << '\n';
    for (const std::string& line : StreamDetailsLines(tags.Stream)) {
        if (!line.empty()) {
            io.out << "  " << line << '\n';
        }
    }
}

// Each file in its turn, an unreadable one on the error stream; a blank line
// before every file after the first named.
void PrintText(Io& io, const TagsResult& result) {
    for (size_t i = 0; i < result.files.size(); ++i) {
        const FileReading& file = result.files[i];
        if (!file.problem.empty()) {
            ReportUnreadable(io, file);
            continue;
        }
        io.out << (i == 0 ? "" : "\n");
        PrintFile(file, io);
    }
}

Json RecordJson(const TagRecord& record) {
    Json json = Json::object();
    for (const TagField& field : kTagFields) {
        json[std::string(field.name)] = record.*field.member;
    }
    return json;
}

Json PicturesJson(const std::vector<TagPicture>& pictures) {
    Json list = Json::array();
    for (const TagPicture& picture : pictures) {
        const ImageFacts facts = ReadImageFacts(picture.Data);
        list.push_back(Json{{"Type", PictureTypeName(picture.Type)},
                            {"Mime", picture.Mime},
                            {"Description", picture.Description},
                            {"Bytes", picture.Data.size()},
                            {"Width", facts.Width ? Json(*facts.Width) : Json()},
                            {"Height", facts.Height ? Json(*facts.Height) : Json()},
                            {"Sha256", HexText(Sha256(picture.Data))}});
    }
    return list;
}

Json StreamJson(const StreamInfo& s) {
    return Json{{"VersionLayer", s.VersionLayer},
                {"UsesChecksums", s.UsesChecksums},
                {"Bitrate", s.Bitrate},
                {"Frequency", s.Frequency},
                {"VariableBitrate", s.VariableBitrate},
                {"ChannelMode", s.ChannelMode},
                {"Copyrighted", s.Copyrighted},
                {"Original", s.Original},
                {"Emphasis", s.Emphasis},
                {"LengthSeconds", s.LengthSeconds},
                {"TagV1Minor", s.TagV1Minor},
                {"TagV2Major", s.TagV2Major},
                {"FileSize", s.FileSize}};
}

void PrintJson(Io& io, const TagsResult& result) {
    Json all = Json::array();
    for (const FileReading& file : result.files) {
        if (!file.problem.empty()) {
            ReportUnreadable(io, file);
            continue;
        }
        const FileTags& tags = file.tags;
        all.push_back(Json{{"File", file.path},
                           {"HasTagV1", tags.HasTagV1},
                           {"TagV1", RecordJson(tags.TagV1)},
                           {"HasTagV2", tags.HasTagV2},
                           {"TagV2", RecordJson(tags.TagV2)},
                           {"Pictures", PicturesJson(file.pictures)},
                           {"StreamInfoValid", tags.StreamInfoValid},
                           {"StreamInfo", StreamJson(tags.Stream)}});
    }
    PrintJson(io, all);
}

int RunTags(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const std::vector<std::string> paths = reader.Positionals();
    if (paths.empty()) {
        throw UsageError("tags needs at least one FILE (see tags --help)");
    }
    return Print(io, ReadTags(paths), json);
}

}  // namespace

Command TagsCommand() {
    return {"tags", "ID3 v1 and v2 tags and MPEG stream facts of MP3 files", kHelp, RunTags};
}

}  // namespace kalvex::cli
