// The reading side of KW5File: tag sizes from headers, the tag region,
// short and hostile files, the opening rule and the two file tests.
#include "platform/File.h"
#include "storage/KW5File.h"
#include "storage/KW5FileOpen.h"
#include "tag/KW5Tag.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using kw5test::hex;
using kw5test::hostPath;
using kw5test::TempDir;
using storagetest::Bytes;
using storagetest::join;

namespace fs = std::filesystem;

namespace {

ULONG tagSizeOf(const fs::path& path) {
    ULONG size = 12345;
    EXPECT_EQ(KW5File::getTagSizeOnDisk(hostPath(path), size), KW5_FILE_RET_OK);
    return size;
}

TEST(KW5FileRead, TagSizeIsTheSyncsafeSizePlusTen) {
    TempDir dir;
    kw5test::writeFile(dir.file("a"), join(hex("6B 77 35 03 00 00 00 00 17 76"), Bytes(50)));
    EXPECT_EQ(tagSizeOf(dir.file("a")), 3072u);
    kw5test::writeFile(dir.file("b"), hex("49 44 33 03 00 00 7F 7F 7F 7F"));
    EXPECT_EQ(tagSizeOf(dir.file("b")), 0x0FFFFFFFu + 10);
    // The size reader looks at the magic only.
    kw5test::writeFile(dir.file("c"), hex("6B 77 35 02 00 00 00 00 02 01"));
    EXPECT_EQ(tagSizeOf(dir.file("c")), 267u);
}

TEST(KW5FileRead, NoTagMeansSizeZero) {
    TempDir dir;
    kw5test::writeFile(dir.file("audio"), storagetest::audioBytes(500));
    EXPECT_EQ(tagSizeOf(dir.file("audio")), 0u);
    EXPECT_EQ(tagSizeOf(dir.file("missing")), 0u);
    EXPECT_EQ(tagSizeOf(dir.file("nofolder") / "x"), 0u);
    kw5test::writeFile(dir.file("short"), hex("6B 77 35 03 00 00 00 00 17"));
    EXPECT_EQ(tagSizeOf(dir.file("short")), 0u);
    ULONG size = 7;
    EXPECT_EQ(KW5File::getTagSizeOnDisk(KW5WString(), size), KW5_FILE_RET_EMPTY_PATH);

    KW5File file;
    EXPECT_EQ(file.read(hostPath(dir.file("audio")), KW5_OPEN_READONLY), KW5_FILE_RET_OK);
    EXPECT_EQ(file.bufferLength(), 0u);
    EXPECT_EQ(file.read(hostPath(dir.file("missing")), KW5_OPEN_READONLY), KW5_FILE_RET_OK);
    EXPECT_EQ(file.bufferLength(), 0u);
}

TEST(KW5FileRead, ReadTakesTheTagRegionOnly) {
    TempDir dir;
    Bytes tag = storagetest::tagOfSize(3072, storagetest::frameOf(40, "TIT2"));
    kw5test::writeFile(dir.file("a"), join(tag, storagetest::audioBytes(9000)));
    KW5File file;
    ASSERT_EQ(file.read(hostPath(dir.file("a")), KW5_OPEN_READWRITE), KW5_FILE_RET_OK);
    EXPECT_EQ(file.buffer(), tag);

    // A header with size 0 is a tag of exactly 10 bytes.
    kw5test::writeFile(dir.file("b"), join(storagetest::tagHeader(0), Bytes(20, 0xEE)));
    ASSERT_EQ(file.read(hostPath(dir.file("b")), KW5_OPEN_READONLY), KW5_FILE_RET_OK);
    EXPECT_EQ(file.buffer(), storagetest::tagHeader(0));
}

TEST(KW5FileRead, AShortFileGivesTheBytesThatAreThere) {
    TempDir dir;
    // The header announces 3072 bytes; one whole frame arrived.
    Bytes frame = join(hex("54 49 54 32 00 00 00 04 00 00"), hex("00 41 42 43"));
    Bytes bytes = join(storagetest::tagHeader(3062), frame);
    kw5test::writeFile(dir.file("a"), bytes);
    KW5File file;
    ASSERT_EQ(file.read(hostPath(dir.file("a")), KW5_OPEN_READONLY), KW5_FILE_RET_OK);
    EXPECT_EQ(file.buffer(), bytes);
    KW5Tag tag;
    EXPECT_EQ(file.loadTag(tag), KW5_FILE_RET_OK);
    KW5FrameList found;
    EXPECT_EQ(tag.findFramesById("TIT2", "", found), KW5_FILE_RET_OK);
    EXPECT_EQ(found.size(), 1u);

    // A frame cut off by the end of the file is refused, not read beyond.
    kw5test::writeFile(dir.file("b"), join(storagetest::tagHeader(3062),
                                           hex("54 49 54 32 00 00 00 40 00 00 00 41")));
    ASSERT_EQ(file.read(hostPath(dir.file("b")), KW5_OPEN_READONLY), KW5_FILE_RET_OK);
    EXPECT_EQ(file.bufferLength(), 22u);
    KW5Tag cut;
    EXPECT_EQ(file.loadTag(cut), KW5_FILE_RET_INVALID_DATA);
}

TEST(KW5FileRead, AHostileHeaderDoesNotMakeAHugeBuffer) {
    TempDir dir;
    kw5test::writeFile(dir.file("a"), hex("6B 77 35 03 00 00 7F 7F 7F 7F 00 00"));
    KW5File file;
    ASSERT_EQ(file.read(hostPath(dir.file("a")), KW5_OPEN_READONLY), KW5_FILE_RET_OK);
    EXPECT_EQ(file.bufferLength(), 12u);
    // Nowhere near the 256 MiB the header announces.
    EXPECT_LT(file.buffer().capacity(), 2u * 1024 * 1024);
}

TEST(KW5FileRead, ASharingViolationIsTriedThreeTimes) {
    TempDir dir;
    fs::path path = dir.file("locked.kw5");
    kw5test::writeFile(path,
                       join(storagetest::tagOfSize(3072, storagetest::frameOf(40)), Bytes(100, 1)));
    kw5platform::File holder;
    ASSERT_TRUE(holder.open(hostPath(path), kw5platform::OpenPurpose::WriteExclusive));

    unsigned char buffer[10];
    ULONG got = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(KW5File::readAt(hostPath(path), buffer, got, 10, 0), KW5_FILE_RET_FILE_ACCESS_ERROR);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(195));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));

    // A file that is there but cannot be read is no file without a tag.
    ULONG size = 0;
    EXPECT_EQ(KW5File::getTagSizeOnDisk(hostPath(path), size), KW5_FILE_RET_FILE_ACCESS_ERROR);
    KW5File file;
    EXPECT_EQ(file.read(hostPath(path), KW5_OPEN_READONLY), KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_EQ(file.bufferLength(), 0u);
}

TEST(KW5FileRead, ALockReleasedWhileRetryingIsWaitedFor) {
    TempDir dir;
    fs::path path = dir.file("locked.kw5");
    kw5test::writeFile(path, Bytes{'x', 'y', 'z'});
    kw5platform::File holder;
    ASSERT_TRUE(holder.open(hostPath(path), kw5platform::OpenPurpose::ReadExclusive));
    std::thread release([&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(140));
        holder.close();
    });
    unsigned char buffer[3];
    ULONG got = 0;
    EXPECT_EQ(KW5File::readAt(hostPath(path), buffer, got, 3, 0), KW5_FILE_RET_OK);
    release.join();
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(buffer[2], 'z');
}

TEST(KW5FileRead, OnlySharingViolationsAreRetried) {
    TempDir dir;
    kw5platform::File file;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(kw5storage::openWithRetry(file, hostPath(dir.file("missing")),
                                           kw5platform::OpenPurpose::ReadShareRead));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    EXPECT_EQ(kw5platform::lastError(), kw5platform::kErrorFileNotFound);
}

TEST(KW5FileRead, ReadAt) {
    TempDir dir;
    fs::path path = dir.file("a");
    kw5test::writeFile(path, hex("01 02 03 04 05"));
    unsigned char buffer[4] = {};
    ULONG got = 9;
    EXPECT_EQ(KW5File::readAt(hostPath(path), nullptr, got, 4, 0), KW5_FILE_RET_NULL_POINTER);
    EXPECT_EQ(KW5File::readAt(hostPath(dir.file("missing")), buffer, got, 4, 0),
              KW5_FILE_RET_FILE_NOT_FOUND);
    EXPECT_EQ(KW5File::readAt(hostPath(path), buffer, got, 4, 3), KW5_FILE_RET_OK);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(buffer[1], 5);
    EXPECT_EQ(KW5File::readAt(hostPath(path), buffer, got, 4, 1000), KW5_FILE_RET_OK);
    EXPECT_EQ(got, 0u);
}

TEST(KW5FileRead, WritableAndExisting) {
    TempDir dir;
    fs::path path = dir.file("a.kw5");
    EXPECT_FALSE(KW5File::fileExists(hostPath(path)));
    EXPECT_EQ(KW5File::checkFileWritable(hostPath(path)), KW5_FILE_RET_OK);
    kw5test::writeFile(path, Bytes{1});
    EXPECT_TRUE(KW5File::fileExists(hostPath(path)));
    EXPECT_EQ(KW5File::checkFileWritable(hostPath(path)), KW5_FILE_RET_OK);
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_EQ(KW5File::checkFileWritable(hostPath(path)), KW5_FILE_RET_FILE_READ_ONLY);
}

TEST(KW5FileRead, ImagesAndCopies) {
    Bytes tag = join(storagetest::tagHeader(30),
                     join(hex("54 49 54 32 00 00 00 02 00 00 00 41"), Bytes(18, 0)));
    KW5File file;
    ASSERT_EQ(file.setImage(tag.data(), static_cast<ULONG>(tag.size())), KW5_FILE_RET_OK);
    std::vector<unsigned char> copy;
    ULONG length = 0;
    ASSERT_EQ(file.copyBuffer(copy, length), KW5_FILE_RET_OK);
    EXPECT_EQ(copy, tag);
    EXPECT_EQ(length, tag.size());
    KW5Tag loaded;
    EXPECT_EQ(file.loadTag(loaded), KW5_FILE_RET_OK);
    ULONG size = 0;
    loaded.getTagSize(size);
    EXPECT_EQ(size, tag.size());

    EXPECT_EQ(file.setImage(nullptr, 0), KW5_FILE_RET_OK);
    EXPECT_EQ(file.bufferLength(), 0u);
    EXPECT_EQ(file.setImage(nullptr, 4), KW5_FILE_RET_NULL_POINTER);
    KW5Tag empty;
    EXPECT_EQ(file.loadTag(empty), KW5_FILE_RET_OK);
}

} // namespace
