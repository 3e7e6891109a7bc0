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

Json FileJson(const std::string& path, const FileTags& tags) {
    return Json{{"File", path},
                {"HasTagV1", tags.HasTagV1},
                {"TagV1", RecordJson(tags.TagV1)},
                {"HasTagV2", tags.HasTagV2},
                {"TagV2", RecordJson(tags.TagV2)},
                {"StreamInfoValid", tags.StreamInfoValid},
                {"StreamInfo", StreamJson(tags.Stream)}};
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

void PrintText(const std::string& path, const FileTags& tags, Io& io) {
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

bool IsReadableFile(const std::string& path, Io& io) {
    if (const std::string problem = NotARegularFile(path); !problem.empty()) {
        io.err << "kalvex-cli: cannot read " << path << ": " << problem << '\n';
        return false;
    }
    return true;
}

int RunTags(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const std::vector<std::string> paths = reader.Positionals();
    if (paths.empty()) {
        throw UsageError("tags needs at least one FILE (see tags --help)");
    }
    int exit_code = 0;
    Json all = Json::array();
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!IsReadableFile(paths[i], io)) {
            exit_code = 1;
            continue;
        }
        const FileTags tags = LoadFileTags(paths[i]);
        if (json) {
            all.push_back(FileJson(paths[i], tags));
        } else {
            io.out << (i == 0 ? "" : "\n");
            PrintText(paths[i], tags, io);
        }
    }
    if (json) {
        PrintJson(io, all);
    }
    return exit_code;
}

}  // namespace

Command TagsCommand() {
    return {"tags", "ID3 v1 and v2 tags and MPEG stream facts of MP3 files", kHelp, RunTags};
}

}  // namespace kalvex::cli
