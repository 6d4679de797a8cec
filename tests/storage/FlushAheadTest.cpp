// Long copies that start the write-back of the destination as they go: the
// bytes arrive whole and in order, and the hint never disturbs a file.
#include "platform/File.h"
#include "storage/KW5AudioCopy.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using kw5platform::File;
using kw5platform::OpenPurpose;
using kw5test::hostPath;
using kw5test::TempDir;
using storagetest::Bytes;

namespace {

TEST(FlushAhead, CopiesAcrossSeveralFlushPointsArriveWhole) {
    TempDir dir;
    // Two and a half flush distances, not a multiple of the chunk.
    // A random block repeated: cheap to make, also under valgrind.
    const size_t count = static_cast<size_t>(kw5storage::kFlushAhead * 5 / 2) + 12345;
    const Bytes block = storagetest::audioBytes(4099, 11);
    Bytes audio;
    audio.reserve(count);
    while (audio.size() + block.size() <= count)
        audio.insert(audio.end(), block.begin(), block.end());
    audio.insert(audio.end(), block.begin(), block.begin() + (count - audio.size()));
    kw5test::writeFile(dir.file("src"), audio);
    File out;
    ASSERT_TRUE(out.open(hostPath(dir.file("out")), OpenPurpose::CreateNewExclusive));
    ASSERT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 345, out, 7), KW5_FILE_RET_OK);
    ASSERT_TRUE(out.flush());
    out.close();
    Bytes copied = kw5test::readFile(dir.file("out"));
    ASSERT_EQ(copied.size(), count - 345 + 7);
    EXPECT_EQ(Bytes(copied.begin() + 7, copied.end()), Bytes(audio.begin() + 345, audio.end()));
}

TEST(FlushAhead, StartFlushIsHarmlessAnywhere) {
    TempDir dir;
    File closed;
    closed.startFlush(); // nothing open: nothing happens
    File file;
    ASSERT_TRUE(file.open(hostPath(dir.file("f")), OpenPurpose::CreateNewExclusive));
    file.startFlush(); // nothing written yet
    Bytes first = storagetest::audioBytes(5000, 1);
    uint32_t written = 0;
    ASSERT_TRUE(file.write(first.data(), static_cast<uint32_t>(first.size()), written));
    file.startFlush();
    // The position and later writes are not affected.
    Bytes second = storagetest::audioBytes(300, 2);
    ASSERT_TRUE(file.write(second.data(), static_cast<uint32_t>(second.size()), written));
    ASSERT_TRUE(file.seek(10));
    ASSERT_TRUE(file.write(second.data(), 4, written));
    ASSERT_TRUE(file.flush());
    file.close();
    Bytes expected = storagetest::join(first, second);
    std::copy(second.begin(), second.begin() + 4, expected.begin() + 10);
    EXPECT_EQ(kw5test::readFile(dir.file("f")), expected);
}

} // namespace
