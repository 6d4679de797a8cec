// Reading tags from files: sizes from headers, the tag region of short and
// hostile files, sharing retries, the spare buffer, the padding rule of new
// tags and streaming copies of the audio.
#include "platform/File.h"
#include "storage/KW5AudioCopy.h"
#include "tag/KW5Tag.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using kw5platform::File;
using kw5platform::OpenPurpose;
using kw5test::hex;
using kw5test::hostPath;
using namespace storagetest;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

const Bytes kTag = tagOfSize(3072, frameOf(40, "TIT2"));

// What getTagSizeOnDisk, read and loadTag make of a file: "size length
// load" (the result codes where they are not OK).
std::string readAll(const fs::path& path) {
    auto code = [](_KW5_FILE_RET r) { return r == KW5_FILE_RET_OK ? "" : std::to_string(r) + "!"; };
    ULONG size = 12345;
    KW5File file;
    KW5Tag tag;
    std::string out = code(KW5File::getTagSizeOnDisk(hostPath(path), size));
    out += std::to_string(size) + " " + code(file.read(hostPath(path), KW5_OPEN_READONLY));
    // The bytes are the file's; a hostile header never makes a buffer of
    // the size it announces. Loading hands them over to the tag.
    const Bytes read = file.buffer(), disk = kw5test::readFile(path);
    const bool huge = file.buffer().capacity() >= (2u << 20);
    out += std::to_string(read.size()) + " " + code(file.loadTag(tag));
    if (read.size() > disk.size() || !std::equal(read.begin(), read.end(), disk.begin()))
        return out + "other bytes";
    return huge || file.bufferLength() != 0 ? "huge or kept buffer" : out;
}

TEST(StorageRead, TagRegions) {
    // Read one after another: none shows bytes of an earlier, larger file.
    const std::pair<Bytes, std::string> rows[] = {
        {join(kTag, audioBytes(9000)), "3072 3072 "},
        {hex("49 44 33 03 00 00 7F 7F 7F 7F 00 00"), "268435465 12 "},
        // The size reader looks at the magic only.
        {hex("6B 77 35 02 00 00 00 00 02 01"), "267 10 15!"},
        {join(tagHeader(0), Bytes(20, 0xEE)), "10 10 "},
        {audioBytes(500), "0 0 "},
        {{}, "0 0 "},
        {hex("6B 77 35 03 00 00 00 00 17"), "0 0 "},
        // Whole frames of a short file load; a frame cut off is refused.
        {join(tagHeader(3062), frameOf(14, "TIT2")), "3072 24 "},
        {join(tagHeader(3062), hex("54 49 54 32 00 00 00 40 00 00 00")), "3072 21 14!"},
    };
    kw5test::TempDir dir;
    for (const auto& row : rows) {
        fs::remove(dir.file("f"));
        if (!row.first.empty())
            kw5test::writeFile(dir.file("f"), row.first);
        EXPECT_EQ(row.second, readAll(dir.file("f"))) << kw5test::toHex(row.first).substr(0, 40);
    }
    ULONG size = 7;
    EXPECT_EQ(KW5File::getTagSizeOnDisk(KW5WString(), size), KW5_FILE_RET_EMPTY_PATH);
    KW5File file;
    EXPECT_EQ(file.setImage(nullptr, 4), KW5_FILE_RET_NULL_POINTER);
}

TEST(StorageRead, SharingViolationsAreTriedThreeTimesOtherErrorsOnce) {
    kw5test::TempDir dir;
    fs::path path = dir.file("locked.kw5");
    kw5test::writeFile(path, join(kTag, Bytes(100, 1)));
    File holder;
    ASSERT_TRUE(holder.open(hostPath(path), OpenPurpose::WriteExclusive));
    unsigned char buffer[10];
    ULONG got = 0;
    auto start = Clock::now();
    EXPECT_EQ(KW5File::readAt(hostPath(path), buffer, got, 10, 0), KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_GE(Clock::now() - start, milliseconds(195));
    EXPECT_LT(Clock::now() - start, milliseconds(1000));
    // A file that is there but cannot be read is no file without a tag.
    ULONG size = 0;
    KW5File file;
    EXPECT_EQ(KW5File::getTagSizeOnDisk(hostPath(path), size), KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_EQ(file.read(hostPath(path), KW5_OPEN_READONLY), KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_EQ(file.bufferLength(), 0u);
    std::thread release([&holder] {
        std::this_thread::sleep_for(milliseconds(140));
        holder.close();
    });
    EXPECT_EQ(KW5File::readAt(hostPath(path), buffer, got, 10, 3), KW5_FILE_RET_OK);
    release.join();
    EXPECT_EQ(Bytes(buffer, buffer + got), Bytes(kTag.begin() + 3, kTag.begin() + 13));
    start = Clock::now();
    EXPECT_EQ(KW5File::readAt(hostPath(dir.file("missing")), buffer, got, 4, 0),
              KW5_FILE_RET_FILE_NOT_FOUND);
    EXPECT_LT(Clock::now() - start, milliseconds(90));
    EXPECT_EQ(KW5File::readAt(hostPath(path), buffer, got, 4, 3170), KW5_FILE_RET_OK);
    EXPECT_EQ(got, 2u); // short only at the end
    EXPECT_EQ(KW5File::readAt(hostPath(path), nullptr, got, 4, 0), KW5_FILE_RET_NULL_POINTER);
    EXPECT_EQ(KW5File::checkFileWritable(hostPath(path)), KW5_FILE_RET_OK);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(KW5File::checkFileWritable(hostPath(path)), KW5_FILE_RET_FILE_READ_ONLY);
}

// From and to positions beyond 4 GiB; a missing source, a closed or full
// destination.
TEST(StorageRead, AudioCopies) {
    kw5test::TempDir dir;
    const uint64_t far = 5ull << 30;
    const Bytes audio = audioBytes(300000, 11);
    kw5test::writeFile(dir.file("src"), audio);
    File big, back;
    ASSERT_TRUE(big.open(hostPath(dir.file("big")), OpenPurpose::CreateNewExclusive));
    ASSERT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 100, big, far), KW5_FILE_RET_OK);
    big.close();
    ASSERT_TRUE(back.open(hostPath(dir.file("back")), OpenPurpose::CreateNewExclusive));
    ASSERT_EQ(kw5storage::copyAudio(hostPath(dir.file("big")), far + 5, back, 7), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("missing")), 0, back, 0),
              KW5_FILE_RET_FILE_NOT_FOUND);
    back.close();
    EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 0, back, 0),
              KW5_FILE_RET_FILE_ACCESS_ERROR);
    Bytes copied = kw5test::readFile(dir.file("back"));
    ASSERT_EQ(copied.size(), audio.size() - 105 + 7);
    EXPECT_TRUE(std::equal(audio.begin() + 105, audio.end(), copied.begin() + 7));
    SmallVolume volume(dir.file("vol"), 64 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    ASSERT_TRUE(back.open(hostPath(volume.path() / "o"), OpenPurpose::CreateNewExclusive));
    EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 0, back, 0),
              KW5_FILE_RET_FILE_WRITE_ERROR);
    EXPECT_EQ(kw5platform::lastError(), 112u);
}

} // namespace
