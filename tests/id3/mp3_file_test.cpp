#include "id3/mp3_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <vector>

#include "tag_bytes.h"

namespace kalvex {
namespace {

using test::Bytes;
using test::TempFile;

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
