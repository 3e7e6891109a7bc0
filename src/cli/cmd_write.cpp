#include <ostream>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "id3/id3v2_writer.h"
#include "id3/tag_fields.h"

namespace kalvex::cli {
namespace {

constexpr const char* kWriteHelp =
    R"(usage: kalvex-cli write FILE [--v1|--no-v1] [--v2 2.3|--v2 2.4|--no-v2]
                       [--clear] [FIELD OPTIONS] [--json]

Writes or removes the file's ID3 v1 and ID3 v2 tags, as the tag editor saves.
Fields not given keep the file's current value in that tag version.

  --v1             write an ID3 v1.1 tag       --no-v1   remove the ID3 v1 tag
  --v2 2.3|2.4     write an ID3 v2 tag         --no-v2   remove the ID3 v2 tag
                   (neither option of a version leaves that tag as it is)
  --clear          clear the existing ID3 v2 tag before writing the new one:
                   frames other than the fields below are not carried over
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

int Report(Io& io, bool json, const std::string& path, Change v1, Change v2) {
    if (json) {
        PrintJson(io, Json{{"File", path}, {"TagV1", ChangeName(v1)}, {"TagV2", ChangeName(v2)}});
    } else {
        io.out << path << ": ID3 v1 tag " << ChangeName(v1) << ", ID3 v2 tag " << ChangeName(v2)
               << '\n';
    }
    return 0;
}

// `v2_before` is what already happened to the ID3 v2 tag when the ID3 v1
// step fails, so the message never claims an untouched file that is not.
int CannotWrite(Io& io, const std::string& path, const char* what, const FileResult& failure,
                Change v2_before = Change::kUnchanged) {
    const std::string state = v2_before == Change::kUnchanged
                                  ? "the file is unchanged"
                                  : std::string("the ID3 v2 tag was ") + ChangeName(v2_before) +
                                        ", the ID3 v1 tag is unchanged";
    return ReportFailure(
        io, std::string("cannot ") + what + " " + path + ": " + failure.Reason() + "; " + state);
}

int RunWrite(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    const auto [v1, no_v1, v2, no_v2, clear] = ReadTagVersionOptions(reader);
    FieldValues values;
    for (const TagField& field : kTagFields) {
        if (std::optional<std::string> value = reader.Value(field.option)) {
            values.emplace_back(field.member, std::move(*value));
        }
    }
    if (!v1 && !no_v1 && !v2 && !no_v2) {
        throw UsageError("write needs --v1, --no-v1, --v2 or --no-v2 (see write --help)");
    }
    const std::string path = OneWritableFile(reader, "write");

    Change v2_change = Change::kUnchanged;
    if (v2) {
        TagRecord record;
        ReadTagV2(path, record);
        Apply(values, record);
        const TagV2WriteOptions options{
            .version = *v2 == "2.4" ? TagV2Version::k24 : TagV2Version::k23,
            .old_frames = clear ? OldFrames::kDrop : OldFrames::kCarryOver,
            .read_only = ReadOnlyFiles::kMakeWritable};
        if (const FileResult written = WriteTagV2(path, record, options); !written) {
            return CannotWrite(io, path, "write the ID3 v2 tag to", written);
        }
        v2_change = Change::kWritten;
    } else if (no_v2) {
        if (const FileResult removed = RemoveTagV2(path, ReadOnlyFiles::kMakeWritable); !removed) {
            return CannotWrite(io, path, "remove the ID3 v2 tag from", removed);
        }
        v2_change = Change::kRemoved;
    }
    Change v1_change = Change::kUnchanged;
    if (v1) {
        TagRecord record;
        ReadTagV1(path, record);
        Apply(values, record);
        if (const FileResult written = WriteTagV1(path, record, ReadOnlyFiles::kMakeWritable);
            !written) {
            return CannotWrite(io, path, "write the ID3 v1 tag to", written, v2_change);
        }
        v1_change = Change::kWritten;
    } else if (no_v1) {
        if (const FileResult removed = RemoveTagV1(path, ReadOnlyFiles::kMakeWritable); !removed) {
            return CannotWrite(io, path, "remove the ID3 v1 tag from", removed, v2_change);
        }
        v1_change = Change::kRemoved;
    }
    return Report(io, json, path, v1_change, v2_change);
}

int RunRemove(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    bool v1 = reader.Flag("--v1");
    bool v2 = reader.Flag("--v2");
    if (!v1 && !v2) {
        v1 = v2 = true;
    }
    const std::string path = OneWritableFile(reader, "remove");
    if (v2) {
        if (const FileResult removed = RemoveTagV2(path, ReadOnlyFiles::kMakeWritable); !removed) {
            return CannotWrite(io, path, "remove the ID3 v2 tag from", removed);
        }
    }
    if (v1) {
        if (const FileResult removed = RemoveTagV1(path, ReadOnlyFiles::kMakeWritable); !removed) {
            return CannotWrite(io, path, "remove the ID3 v1 tag from", removed,
                               v2 ? Change::kRemoved : Change::kUnchanged);
        }
    }
    return Report(io, json, path, v1 ? Change::kRemoved : Change::kUnchanged,
                  v2 ? Change::kRemoved : Change::kUnchanged);
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
