// kalvex-cli tags: the ID3 tags and MPEG stream facts of MP3 files.
#include <algorithm>
#include <ostream>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "id3/file_tags.h"
#include "id3/stream_details.h"
#include "id3/tag_fields.h"

namespace kalvex::cli {
namespace {

constexpr const char* kHelp = R"(usage: kalvex-cli tags FILE... [--json]

Reads each file's ID3 v1 tag, ID3 v2 tag(s) and MPEG stream facts, as the
tag editor does when a file is shown.

  --json   print an array with one object per file: {"File", "HasTagV1",
           "TagV1", "HasTagV2", "TagV2", "StreamInfoValid", "StreamInfo"};
           the tags carry the twelve fields Artist ... OrigArtist

Exit code 1 when a file cannot be read (the others are still shown).
)";

// One file's tags, or why the file cannot be read.
struct FileReading {
    std::string path;
    std::string problem;
    FileTags tags;
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
        FileReading& file = result.files.emplace_back(FileReading{path, NotARegularFile(path), {}});
        if (file.problem.empty()) {
            file.tags = LoadFileTags(path);
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

void PrintFile(const std::string& path, const FileTags& tags, Io& io) {
    io.out << path << '\n';
    PrintRecord("Tag v1:", tags.HasTagV1, tags.TagV1, io);
    PrintRecord("Tag v2:", tags.HasTagV2, tags.TagV2, io);
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
        PrintFile(file.path, file.tags, io);
    }
}

Json RecordJson(const TagRecord& record) {
    Json json = Json::object();
    for (const TagField& field : kTagFields) {
        json[std::string(field.name)] = record.*field.member;
    }
    return json;
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
