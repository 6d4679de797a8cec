// Streaming copies of the audio behind a tag.
#include "platform/File.h"
#include "storage/KW5AudioCopy.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using kw5platform::File;
using kw5platform::OpenPurpose;
using kw5test::hostPath;
using kw5test::TempDir;
using storagetest::Bytes;

namespace fs = std::filesystem;

namespace {

const uint64_t kFiveGiB = 5ull << 30;

TEST(AudioCopy, CopiesFromAndToPositionsBeyondFourGibibytes) {
    TempDir dir;
    Bytes tail = storagetest::audioBytes(kw5storage::kCopyChunk + 77, 3);
    {
        File sparse;
        ASSERT_TRUE(sparse.open(hostPath(dir.file("big")), OpenPurpose::WriteExclusive));
        ASSERT_TRUE(sparse.seek(kFiveGiB));
        uint32_t written = 0;
        ASSERT_TRUE(sparse.write(tail.data(), static_cast<uint32_t>(tail.size()), written));
    }
    File out;
    ASSERT_TRUE(out.open(hostPath(dir.file("out")), OpenPurpose::CreateNewExclusive));
    ASSERT_EQ(kw5storage::copyAudio(hostPath(dir.file("big")), kFiveGiB, out, 0), KW5_FILE_RET_OK);
    out.close();
    EXPECT_EQ(kw5test::readFile(dir.file("out")), tail);

    kw5test::writeFile(dir.file("small"), tail);
    File far;
    ASSERT_TRUE(far.open(hostPath(dir.file("far")), OpenPurpose::CreateNewExclusive));
    ASSERT_EQ(kw5storage::copyAudio(hostPath(dir.file("small")), 10, far, kFiveGiB),
              KW5_FILE_RET_OK);
    uint64_t size = 0;
    ASSERT_TRUE(far.size(size));
    EXPECT_EQ(size, kFiveGiB + tail.size() - 10);
}

TEST(AudioCopy, StartingAtTheEndCopiesNothing) {
    TempDir dir;
    kw5test::writeFile(dir.file("src"), Bytes(100, 1));
    File out;
    ASSERT_TRUE(out.open(hostPath(dir.file("out")), OpenPurpose::CreateNewExclusive));
    EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 100, out, 0), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 5000, out, 0), KW5_FILE_RET_OK);
    uint64_t size = 1;
    ASSERT_TRUE(out.size(size));
    EXPECT_EQ(size, 0u);
}

TEST(AudioCopy, AMissingSourceIsReportedAsSuch) {
    TempDir dir;
    File out;
    ASSERT_TRUE(out.open(hostPath(dir.file("out")), OpenPurpose::CreateNewExclusive));
    EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("missing")), 0, out, 0),
              KW5_FILE_RET_FILE_NOT_FOUND);
    EXPECT_EQ(kw5platform::lastError(), kw5platform::kErrorFileNotFound);
}

TEST(AudioCopy, ALockedSourceOrAClosedDestinationFails) {
    TempDir dir;
    kw5test::writeFile(dir.file("src"), Bytes(100, 1));
    File holder;
    ASSERT_TRUE(holder.open(hostPath(dir.file("src")), OpenPurpose::WriteExclusive));
    File out;
    ASSERT_TRUE(out.open(hostPath(dir.file("out")), OpenPurpose::CreateNewExclusive));
    EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 0, out, 0),
              KW5_FILE_RET_FILE_ACCESS_ERROR);
    holder.close();
    File closed;
    EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 0, closed, 0),
              KW5_FILE_RET_FILE_ACCESS_ERROR);
}

#ifndef _WIN32
TEST(AudioCopy, AFullDestinationIsAWriteError) {
    TempDir dir;
    storagetest::SmallVolume volume(dir.file("vol"), 64 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    kw5test::writeFile(dir.file("src"), storagetest::audioBytes(300 * 1024));
    File out;
    ASSERT_TRUE(out.open(hostPath(volume.path() / "out"), OpenPurpose::CreateNewExclusive));
    EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 0, out, 0),
              KW5_FILE_RET_FILE_WRITE_ERROR);
    EXPECT_EQ(kw5platform::lastError(), kw5platform::kErrorDiskFull);
}
#endif

} // namespace
