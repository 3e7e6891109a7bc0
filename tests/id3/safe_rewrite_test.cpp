// The file layer: reads and writes through the window, and rewrites with a
// new head that leave the old file or the whole new one.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "id3/id3v2_writer.h"
#include "id3/mp3_file.h"
#include "id3/safe_rewrite.h"
#include "tag_bytes.h"

namespace kalvex {
namespace {

using namespace test;

const TagRecord kGrown = Record("Title=A title that needs a new tag");

// Nothing in the folder but the file itself.
std::vector<std::string> FolderEntries(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// A new head before the old tail is every grown tag's write and every tag's
// removal (id3v2_writer_test.cpp), and no hidden file is left after one:
// tag_album_crash_test.py's finished runs.
TEST(RewriteFileWithHead, ATailPastTheEndFailsAndLeavesTheFile) {
    const TempFile file("0123456789");
    EXPECT_FALSE(RewriteFileWithHead(file.path(), {}, 100));
    EXPECT_EQ(file.Read(), "0123456789");
}

// The tag write that needs a new file, in a folder where it cannot be made.
TEST(WriteTagV2, ReadOnlyFolderFailsWithTheReasonAndLeavesTheFileAlone) {
    const Bytes original = Audio(50000);
    const TempFile file(original);
    const std::string folder = std::filesystem::path(file.path()).parent_path();
    const std::string kReason = "Permission denied";
    if (::geteuid() == 0) {
        // Root writes anywhere; the write runs as an ordinary user who owns
        // the file but not the folder.
        ::chmod(folder.c_str(), 0755);
        ASSERT_EQ(::chown(file.path().c_str(), 65534, 65534), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0 ||
                ::access(file.path().c_str(), W_OK) != 0) {
                ::_exit(2);  // the file itself must stay writable for the test to mean anything
            }
            const FileResult written =
                WriteTagV2(file.path(), kGrown, {.version = TagV2Version::k23});
            ::_exit(written.Reason() == kReason ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2);
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not fail with " << kReason;
    } else {
        ::chmod(folder.c_str(), 0555);
        ASSERT_EQ(::access(file.path().c_str(), W_OK), 0);
        EXPECT_EQ(WriteTagV2(file.path(), kGrown, {.version = TagV2Version::k23}).Reason(),
                  kReason);
        ::chmod(folder.c_str(), 0700);
    }
    EXPECT_EQ(file.Read(), original);
    EXPECT_EQ(FolderEntries(file.path()), std::vector<std::string>{"track.mp3"});
}

// A small file system of its own that the new file does not fit on.
class FullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "mounting a small tmpfs needs root";
        }
        folder_ = temp_.path().string();
        if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=256k") != 0) {
            folder_.clear();
            GTEST_SKIP() << "cannot mount a tmpfs here";
        }
    }
    void TearDown() override {
        if (!folder_.empty()) {
            ::umount(folder_.c_str());
        }
    }
    TempFolder temp_{"kalvex-full"};
    std::string folder_;  // set while the tmpfs is mounted
};

TEST_F(FullDisk, AGrownTagThatDoesNotFitFailsWithTheReasonAndLeavesTheFileAlone) {
    const Bytes original = Tag(3, 0, Frame23("TIT2", Latin("old"))) + Audio(150 * 1024);
    const std::string path = folder_ + "/track.mp3";
    std::ofstream(path, std::ios::binary) << original;

    EXPECT_EQ(WriteTagV2(path, kGrown, {.version = TagV2Version::k23}).Reason(),
              "No space left on device");
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(RemoveTagV2(path, ReadOnlyFiles::kMakeWritable).Reason(), "No space left on device");
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(FolderEntries(path), std::vector<std::string>{"track.mp3"});
}

Bytes Pattern(size_t size) {
    Bytes bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    }
    return bytes;
}

TEST(Mp3File, ReadsMatchTheFileWhereverTheyFall) {
    const Bytes content = Pattern(3 * Mp3File::kWindowSize + 123);
    const TempFile temp(content);
    const std::optional<Mp3File> file = Mp3File::Open(temp.path(), Mp3File::Mode::kRead);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Length(), static_cast<std::int64_t>(content.size()));
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        const auto offset = static_cast<std::int64_t>(random() % (content.size() + 20));
        std::vector<std::uint8_t> buffer(random() % (i % 10 == 0 ? 9000 : 300));
        const size_t got = file->ReadAt(offset, buffer);
        const Bytes expected = offset < static_cast<std::int64_t>(content.size())
                                   ? content.substr(static_cast<size_t>(offset), buffer.size())
                                   : Bytes();
        ASSERT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got)),
                  expected)
            << "offset " << offset << " size " << buffer.size();
    }
    std::vector<std::uint8_t> one(1);
    EXPECT_EQ(file->ReadAt(-1, one), 0u);
}

// Reads through the window see what was written since it was filled.
TEST(Mp3File, ReadsAfterWritesSeeTheNewBytes) {
    const TempFile temp(Pattern(1000));
    std::optional<Mp3File> file = Mp3File::Open(temp.path(), Mp3File::Mode::kReadWrite);
    ASSERT_TRUE(file);
    const auto read = [&file](std::int64_t offset) {
        std::vector<std::uint8_t> bytes(3);
        bytes.resize(file->ReadAt(offset, bytes));
        return Bytes(bytes.begin(), bytes.end());
    };
    ASSERT_EQ(read(0), Pattern(3));
    const std::vector<std::uint8_t> marker = {'T', 'A', 'G'};
    ASSERT_TRUE(file->WriteAt(0, marker));
    ASSERT_TRUE(file->WriteAt(1000, marker));
    EXPECT_EQ(file->Length(), 1003);
    EXPECT_EQ(read(0), "TAG");
    EXPECT_EQ(read(1000), "TAG");
    ASSERT_TRUE(file->Truncate(500));
    EXPECT_EQ(read(1000), "");
}

TEST(Mp3File, OnlyRegularFilesOpen) {
    const TempFile temp("x");
    const std::string fifo = temp.path() + ".fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    FileResult failure;
    EXPECT_FALSE(Mp3File::Open(fifo, Mp3File::Mode::kRead, &failure));  // and does not block
    EXPECT_EQ(failure.Reason(), "not a regular file");
    EXPECT_FALSE(Mp3File::Open("/tmp", Mp3File::Mode::kRead));
    EXPECT_FALSE(Mp3File::Open("/nonexistent/x.mp3", Mp3File::Mode::kRead, &failure));
    EXPECT_EQ(failure.Reason(), "No such file or directory");
}

}  // namespace
}  // namespace kalvex
