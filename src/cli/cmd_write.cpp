// kalvex-cli write and remove, and the tag version options tag-album shares.
#include <ostream>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "id3/id3v2_writer.h"
#include "id3/picture.h"
#include "id3/tag_fields.h"

namespace kalvex::cli {
namespace {

constexpr const char* kWriteHelp =
    R"(usage: kalvex-cli write FILE [--v1|--no-v1] [--v2 2.3|--v2 2.4|--no-v2]
                       [--clear] [FIELD OPTIONS] [--picture PATH
                       [--picture-type TYPE]] [--remove-pictures] [--json]

Writes or removes the file's ID3 v1 and ID3 v2 tags, as the tag editor saves.
Fields not given keep the file's current value in that tag version.

  --v1             write an ID3 v1.1 tag       --no-v1   remove the ID3 v1 tag
  --v2 2.3|2.4     write an ID3 v2 tag         --no-v2   remove the ID3 v2 tag
                   (neither option of a version leaves that tag as it is)
  --clear          clear the existing ID3 v2 tag before writing the new one:
                   frames other than the fields below are not carried over,
                   but its pictures are
  --picture PATH   put the JPEG or PNG image at PATH into the ID3 v2 tag (with
                   --v2), in place of its pictures of that type
  --picture-type TYPE
                   what the picture shows: front (the default), back, leaflet,
                   media, artist, band, ... other
  --remove-pictures
                   take the ID3 v2 tag's pictures out (with --v2)
  --artist T  --album T  --title T  --year T  --genre T  --comment T
  --track T  --encoder T  --link T  --copyright T  --composer T
  --orig-artist T
  --json           print {"File", "TagV1", "TagV2"}, each "written",
                   "removed" or "unchanged"

A file whose length changes is written as a new file beside it and renamed
over it, so it is never left half written. Exit code 1 when a tag cannot be
written: the message gives the system's reason, and that tag is as it was
(the ID3 v2 tag is written first and stays written when the ID3 v1 tag fails).
)";

constexpr const char* kRemoveHelp = R"(usage: kalvex-cli remove FILE [--v1] [--v2] [--json]

Removes the file's ID3 v1 tag (--v1), ID3 v2 tag (--v2), or both when
neither is given. Exit code 1 when a tag cannot be removed: the message gives
the system's reason, and that tag is as it was (the ID3 v2 tag is removed
first and stays removed when removing the ID3 v1 tag fails).
)";

enum class Change { kUnchanged, kWritten, kRemoved };

const char* ChangeName(Change change) {
    switch (change) {
        case Change::kWritten:
            return "written";
        case Change::kRemoved:
            return "removed";
        default:
            return "unchanged";
    }
}

using FieldValues = std::vector<std::pair<std::string TagRecord::*, std::string>>;

void Apply(const FieldValues& values, TagRecord& record) {
    for (const auto& [field, value] : values) {
        record.*field = value;
    }
}

// One path, checked before anything is touched.
std::string OneWritableFile(ArgReader& reader, const char* command) {
    const std::vector<std::string> paths = reader.Positionals();
    if (paths.size() != 1) {
        throw UsageError(std::string(command) + " needs exactly one FILE (see " + command +
                         " --help)");
    }
    if (const std::string problem = NotARegularFile(paths[0]); !problem.empty()) {
        throw std::runtime_error("cannot write " + paths[0] + ": " + problem);
    }
    return paths[0];
}

// What became of the file's two tags, or the step that failed.
struct TagChanges {
    std::string path;
    Change v1 = Change::kUnchanged;
    Change v2 = Change::kUnchanged;
    std::string failure;
    bool Succeeded() const { return failure.empty(); }
};

// Sets `slot` to `change` when the step succeeded; otherwise records why
// not, saying what already happened to the ID3 v2 tag so the message never
// claims an untouched file that is not.
bool Record(TagChanges& changes, Change& slot, Change change, const FileResult& step,
            const char* what) {
    if (step) {
        slot = change;
        return true;
    }
    const std::string state = changes.v2 == Change::kUnchanged
                                  ? "the file is unchanged"
                                  : std::string("the ID3 v2 tag was ") + ChangeName(changes.v2) +
                                        ", the ID3 v1 tag is unchanged";
    changes.failure =
        std::string("cannot ") + what + " " + changes.path + ": " + step.Reason() + "; " + state;
    return false;
}

// What the ID3 v2 tag's pictures become.
struct PictureChanges {
    std::vector<TagPicture> put;
    bool remove_old = false;
};

// The picture --picture names, its type from --picture-type; UsageError for
// an unknown type, and a refusal with the reason for a file that is no JPEG
// or PNG image.
PictureChanges ReadPictureOptions(ArgReader& reader) {
    PictureChanges changes;
    changes.remove_old = reader.Flag("--remove-pictures");
    const std::optional<std::string> type_name = reader.Value("--picture-type");
    const std::optional<std::string> path = reader.Value("--picture");
    if (!path) {
        if (type_name) {
            throw UsageError("--picture-type goes with --picture");
        }
        return changes;
    }
    TagPicture& picture = changes.put.emplace_back();
    if (type_name) {
        const std::optional<std::uint8_t> type = PictureTypeOf(*type_name);
        if (!type) {
            throw UsageError("--picture-type does not know '" + *type_name +
                             "' (front, back, leaflet, media, artist, band, other ...)");
        }
        picture.Type = *type;
    }
    if (const std::string problem = NotARegularFile(*path); !problem.empty()) {
        throw std::runtime_error("cannot read the picture " + *path + ": " + problem);
    }
    picture.Data = ReadInputBytes(*path);
    picture.Mime = ReadImageFacts(picture.Data).Mime;
    if (picture.Mime.empty()) {
        throw std::runtime_error("cannot use " + *path +
                                 " as a picture: it is neither a JPEG nor a PNG image");
    }
    return changes;
}

// The ID3 v2 tag first, then the ID3 v1 tag; a failed step ends it.
TagChanges ChangeTags(const std::string& path, const TagVersionOptions& versions,
                      const FieldValues& values, const PictureChanges& pictures = {}) {
    TagChanges changes;
    changes.path = path;
    constexpr ReadOnlyFiles kWritable = ReadOnlyFiles::kMakeWritable;
    if (versions.v2) {
        TagRecord record;
        ReadTagV2(path, record);
        Apply(values, record);
        const TagV2WriteOptions options{
            .version = *versions.v2 == "2.4" ? TagV2Version::k24 : TagV2Version::k23,
            .old_frames = versions.clear ? OldFrames::kDrop : OldFrames::kCarryOver,
            .read_only = kWritable,
            .pictures = pictures.put,
            .remove_pictures = pictures.remove_old};
        if (!Record(changes, changes.v2, Change::kWritten, WriteTagV2(path, record, options),
                    "write the ID3 v2 tag to")) {
            return changes;
        }
    } else if (versions.no_v2 &&
               !Record(changes, changes.v2, Change::kRemoved, RemoveTagV2(path, kWritable),
                       "remove the ID3 v2 tag from")) {
        return changes;
    }
    if (versions.v1) {
        TagRecord record;
        ReadTagV1(path, record);
        Apply(values, record);
        Record(changes, changes.v1, Change::kWritten, WriteTagV1(path, record, kWritable),
               "write the ID3 v1 tag to");
    } else if (versions.no_v1) {
        Record(changes, changes.v1, Change::kRemoved, RemoveTagV1(path, kWritable),
               "remove the ID3 v1 tag from");
    }
    return changes;
}

void PrintText(Io& io, const TagChanges& changes) {
    if (!changes.Succeeded()) {
        ReportFailure(io, changes.failure);
        return;
    }
    io.out << changes.path << ": ID3 v1 tag " << ChangeName(changes.v1) << ", ID3 v2 tag "
           << ChangeName(changes.v2) << '\n';
}

void PrintJson(Io& io, const TagChanges& changes) {
    if (!changes.Succeeded()) {
        ReportFailure(io, changes.failure);
        return;
    }
    PrintJson(io, Json{{"File", changes.path},
                       {"TagV1", ChangeName(changes.v1)},
                       {"TagV2", ChangeName(changes.v2)}});
}

int RunWrite(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const TagVersionOptions versions = ReadTagVersionOptions(reader);
    FieldValues values;
    for (const TagField& field : kTagFields) {
        if (std::optional<std::string> value = reader.Value(field.option)) {
            values.emplace_back(field.member, std::move(*value));
        }
    }
    if (!versions.v1 && !versions.no_v1 && !versions.v2 && !versions.no_v2) {
        throw UsageError("write needs --v1, --no-v1, --v2 or --no-v2 (see write --help)");
    }
    const PictureChanges pictures = ReadPictureOptions(reader);
    if ((!pictures.put.empty() || pictures.remove_old) && !versions.v2) {
        throw UsageError(
            "pictures live in the ID3 v2 tag: --picture and --remove-pictures "
            "need --v2");
    }
    const std::string path = OneWritableFile(reader, "write");
    return Print(io, ChangeTags(path, versions, values, pictures), json);
}

// Removing is writing with only the removals asked for; neither flag removes both.
int RunRemove(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    TagVersionOptions versions;
    versions.no_v1 = reader.Flag("--v1");
    versions.no_v2 = reader.Flag("--v2");
    if (!versions.no_v1 && !versions.no_v2) {
        versions.no_v1 = versions.no_v2 = true;
    }
    const std::string path = OneWritableFile(reader, "remove");
    return Print(io, ChangeTags(path, versions, {}), json);
}

}  // namespace

TagVersionOptions ReadTagVersionOptions(ArgReader& reader) {
    TagVersionOptions options;
    options.v1 = reader.Flag("--v1");
    options.no_v1 = reader.Flag("--no-v1");
    options.v2 = reader.Value("--v2");
    options.no_v2 = reader.Flag("--no-v2");
    options.clear = reader.Flag("--clear");
    if ((options.v1 && options.no_v1) || (options.v2 && options.no_v2)) {
        throw UsageError("a tag version cannot be both written and removed");
    }
    if (options.v2 && *options.v2 != "2.3" && *options.v2 != "2.4") {
        throw UsageError("--v2 takes 2.3 or 2.4");
    }
    return options;
}

Command WriteCommand() {
    return {"write", "write or remove the ID3 v1 and v2 tags of an MP3 file", kWriteHelp, RunWrite};
}

Command RemoveCommand() {
    return {"remove", "remove the ID3 v1 and/or v2 tag of an MP3 file", kRemoveHelp, RunRemove};
}

}  // namespace kalvex::cli
