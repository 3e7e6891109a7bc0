#include "id3/safe_rewrite.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "id3/id3v2_writer.h"
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

TEST(RewriteFileWithHead, ReplacesTheFileWithHeadAndItsTail) {
    const TempFile file("0123456789");
    const Bytes head = "head:";
    ASSERT_TRUE(RewriteFileWithHead(
        file.path(), std::span(reinterpret_cast<const std::uint8_t*>(head.data()), head.size()),
        4));
    EXPECT_EQ(file.Read(), "head:456789");
    EXPECT_EQ(FolderEntries(file.path()), std::vector<std::string>{"track.mp3"});
    EXPECT_FALSE(RewriteFileWithHead(file.path(), {}, 100)) << "past the end";
    EXPECT_EQ(file.Read(), "head:456789");
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

}  // namespace
}  // namespace kalvex
