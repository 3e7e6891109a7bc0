// Writes a new ID3 v2 tag over arbitrary file content (a fuzzed old tag and
// what follows it), or for one input in five removes the tag, then reads the
// file back: the write succeeds, the fields read back are the ones written,
// every byte after the old tag (as far as TagV2Extent lets it reach) is still
// there, in order, after the new one, and an ID3 v1 tag at the end is kept
// byte for byte however large the old tag claims to be.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "id3/id3v2_reader.h"
#include "id3/id3v2_writer.h"

namespace {

// The writer renames a new file over the old one, so the input lives in a
// real folder (made once under /tmp, removed at exit) rather than in memory.
class InputFolder {
public:
    InputFolder() {
        char folder[] = "/tmp/kalvex-fuzz-write-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            std::abort();
        }
        folder_ = folder;
        path_ = folder_ + "/input.mp3";
    }
    ~InputFolder() { std::filesystem::remove_all(folder_); }
    const std::string& path() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

const std::string& InputPath() {
    static const InputFolder folder;
    return folder.path();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string& path = InputPath();
    const std::string old(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << old;

    std::int64_t old_tag = 0;
    {
        const auto file = kalvex::Mp3File::Open(path, kalvex::Mp3File::Mode::kRead);
        Check(file.has_value());
        old_tag = kalvex::TagV2Extent(*file);
    }
    const bool had_v1 = size >= 128 && old.compare(size - 128, 3, "TAG") == 0;
    Check(old_tag >= 0 && old_tag <= static_cast<std::int64_t>(had_v1 ? size - 128 : size));
    const auto v1_kept = [&](const std::string& now) {
        return !had_v1 ||
               (now.size() >= 128 && now.compare(now.size() - 128, 128, old, size - 128, 128) == 0);
    };

    if (size % 5 == 0) {
        Check(kalvex::RemoveTagV2(path, kalvex::ReadOnlyFiles::kMakeWritable).Succeeded());
        const std::string now = ReadAll(path);
        Check(now == old.substr(static_cast<size_t>(old_tag)));
        Check(v1_kept(now));
        return 0;
    }
    kalvex::TagRecord record;
    record.Artist = "Artist";
    record.Title = "Ωmega";
    record.Genre = "rock";
    record.Comment = "5 €";
    record.TNR = "3/12";
    const kalvex::TagV2WriteOptions options{
        .version = size % 2 == 1 ? kalvex::TagV2Version::k24 : kalvex::TagV2Version::k23,
        .old_frames = size % 3 == 0 ? kalvex::OldFrames::kDrop : kalvex::OldFrames::kCarryOver,
        .read_only = kalvex::ReadOnlyFiles::kMakeWritable};
    Check(kalvex::WriteTagV2(path, record, options).Succeeded());

    const std::string now = ReadAll(path);
    const auto file = kalvex::Mp3File::Open(path, kalvex::Mp3File::Mode::kRead);
    Check(file.has_value());
    const std::int64_t new_tag = kalvex::TagV2Size(*file, 0);
    Check(new_tag >= 10 && new_tag <= static_cast<std::int64_t>(now.size()));
    Check(now.compare(static_cast<size_t>(new_tag), std::string::npos, old,
                      static_cast<size_t>(old_tag)) == 0);
    Check(v1_kept(now));

    kalvex::TagRecord read;
    kalvex::ParseTagV2(*file, 0, read);
    record.Genre = "Rock";
    Check(read == record);
    return 0;
}
