// Free-space checks of a remake, the file utilities under them, and their
// log lines.
#include "platform/DiskSpace.h"
#include "platform/File.h"
#include "storage/KW5DiskSpace.h"
#include "storage/VmkSharedFile.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using kw5test::hostPath;
using kw5test::hostString;
using kw5test::TempDir;
using storagetest::Bytes;

namespace fs = std::filesystem;

namespace {

// The log text written since construction.
class LogCapture {
public:
    LogCapture() : start_(storagetest::logText().size()) {}
    std::string text() const { return storagetest::logText().substr(start_); }
    bool contains(const std::string& line) const { return text().find(line) != std::string::npos; }

private:
    size_t start_;
};

class DiskSpace : public ::testing::Test {
protected:
    // The folder as the log names it (the split keeps its separator).
    static std::string folderText(const fs::path& folder) { return (folder / "").string(); }
};

uint64_t needed(uint64_t fileSize, uint32_t oldTag, uint32_t newTag) {
    uint64_t out = 0;
    EXPECT_EQ(kw5storage::computeNeededSpace(fileSize, oldTag, newTag, out), KW5_FILE_RET_OK);
    return out;
}

TEST_F(DiskSpace, NeededSpaceFollowsTheTagChange) {
    EXPECT_EQ(needed(10000, 3072, 6144), 13072u);
    // A shrinking tag needs less than the file.
    EXPECT_EQ(needed(10000, 6144, 3072), 6928u);
    // A target that does not exist: only the new tag.
    EXPECT_EQ(needed(0, 0, 3072), 3072u);
    EXPECT_EQ(needed(100, 6144, 0), 0u);
    EXPECT_EQ(needed(0x100000000ull, 0, 3072), 0x100000C00ull);
}

TEST_F(DiskSpace, FileSizes) {
    TempDir dir;
    uint64_t size = 1;
    EXPECT_EQ(kw5storage::getFileSize64(hostPath(dir.file("missing")), size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 0u);
    kw5test::writeFile(dir.file("a"), Bytes(1234, 7));
    EXPECT_EQ(kw5storage::getFileSize64(hostPath(dir.file("a")), size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 1234u);

    // Measuring shares nothing: a reader elsewhere makes it fail.
    kw5platform::File reader;
    ASSERT_TRUE(reader.open(hostPath(dir.file("a")), kw5platform::OpenPurpose::ReadShareRead));
    LogCapture log;
    EXPECT_EQ(kw5storage::getFileSize64(hostPath(dir.file("a")), size),
              KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_TRUE(log.contains("util get li failed: path = " + dir.file("a").string() + " ffffffff"))
        << log.text();
}

TEST_F(DiskSpace, EnoughAndNotEnough) {
    TempDir dir;
    fs::path file = dir.file("song.kw5");
    EXPECT_EQ(kw5storage::canUseDiskSpace(hostPath(file), 0), KW5_FILE_RET_OK);
    LogCapture log;
    EXPECT_EQ(kw5storage::canUseDiskSpace(hostPath(file), 1ull << 62), KW5_FILE_RET_DISK_FULL);
    EXPECT_TRUE(log.contains("Free Space Check Failed: path = " + folderText(dir.path())))
        << log.text();
}

TEST_F(DiskSpace, AFolderThatCannotBeQueriedIsNeverEnough) {
    TempDir dir;
    fs::path missing = dir.file("nofolder");
    LogCapture log;
    EXPECT_EQ(kw5storage::canUseDiskSpace(hostPath(missing / "song.kw5"), 0), KW5_FILE_RET_FAILED);
    EXPECT_TRUE(log.contains("GetDiskFreeSpaceEx() failed: not found path: LastError = 3 "
                             "InputDriveInfo = " +
                             folderText(missing)))
        << log.text();
    EXPECT_TRUE(log.contains("VmkSharedFile::VmkGetDiskFreeSpaceEx() Failed: path = " +
                             folderText(missing)))
        << log.text();
}

TEST_F(DiskSpace, ExactlyEnoughPasses) {
    TempDir dir;
    storagetest::SmallVolume volume(dir.file("vol"), 256 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    uint64_t available = 0;
    ASSERT_TRUE(kw5platform::diskFreeSpace(hostPath(volume.path()), &available, nullptr, nullptr));
    fs::path file = volume.path() / "x";
    EXPECT_EQ(kw5storage::canUseDiskSpace(hostPath(file), available), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5storage::canUseDiskSpace(hostPath(file), available + 1), KW5_FILE_RET_DISK_FULL);
}

TEST_F(DiskSpace, TheTemporaryCopyNeedsTheWholeTarget) {
    TempDir dir;
    storagetest::SmallVolume volume(dir.file("tmp"), 64 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    fs::path target = dir.file("song.kw5");
    kw5test::writeFile(target, Bytes(200 * 1024, 1));
    fs::path temporary = volume.path() / "tempabcdef";
    LogCapture log;
    EXPECT_EQ(kw5storage::checkFreeTempSpace(hostPath(target), hostPath(temporary), 0, 3072),
              KW5_FILE_RET_DISK_FULL);
    EXPECT_TRUE(log.contains("canUseDiskSpace failed")) << log.text();
    // A small target fits.
    kw5test::writeFile(target, Bytes(1024, 1));
    EXPECT_EQ(kw5storage::checkFreeTempSpace(hostPath(target), hostPath(temporary), 0, 3072),
              KW5_FILE_RET_OK);
    // A target that does not exist needs only the new tag.
    EXPECT_EQ(
        kw5storage::checkFreeTempSpace(hostPath(dir.file("none")), hostPath(temporary), 0, 3072),
        KW5_FILE_RET_OK);
}

TEST_F(DiskSpace, TheReplacementNeedsWhatTheMoveReallyTakes) {
    TempDir dir;
    fs::path temporary = dir.file("tempabcdef");
    kw5test::writeFile(temporary, Bytes(300 * 1024, 2));
    // On one volume the temporary file is renamed: nothing more is needed.
    EXPECT_EQ(kw5storage::checkFreeDestSpace(hostPath(temporary), hostPath(dir.file("t.kw5"))),
              KW5_FILE_RET_OK);

    storagetest::SmallVolume volume(dir.file("vol"), 256 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    // Across volumes a whole copy goes beside the old target before it is
    // replaced; growth alone (here 1000 bytes) would not be enough.
    fs::path target = volume.path() / "t.kw5";
    kw5test::writeFile(target, Bytes(200 * 1024, 3));
    kw5test::writeFile(temporary, Bytes(200 * 1024 + 1000, 2));
    LogCapture log;
    EXPECT_EQ(kw5storage::checkFreeDestSpace(hostPath(temporary), hostPath(target)),
              KW5_FILE_RET_DISK_FULL);
    EXPECT_TRUE(log.contains("Free Space Check Failed: path = " + folderText(volume.path())))
        << log.text();
    kw5test::writeFile(temporary, Bytes(40 * 1024, 2));
    EXPECT_EQ(kw5storage::checkFreeDestSpace(hostPath(temporary), hostPath(target)),
              KW5_FILE_RET_OK);
}

TEST_F(DiskSpace, DriveInfoRefusesLongPaths) {
    KW5WString full;
    LogCapture log;
    EXPECT_EQ(VmkShared::GetDriveInfo(hostString("/" + std::string(260, 'a')), full), -1);
    EXPECT_TRUE(log.contains("invalid input file path: too long path")) << log.text();
#ifndef _WIN32
    // 260 characters are accepted as input, but the full path must leave
    // room for the terminator.
    EXPECT_EQ(VmkShared::GetDriveInfo(hostString("/" + std::string(259, 'a')), full), -1);
    EXPECT_EQ(VmkShared::GetDriveInfo(hostString("/" + std::string(258, 'a')), full), 0);
    EXPECT_EQ(full.size(), 259u);
#endif
}

TEST_F(DiskSpace, DriveInfoLogsAFailedResolution) {
    KW5WString full;
    LogCapture log;
    EXPECT_EQ(VmkShared::GetDriveInfo(KW5WString(), full), -1);
    EXPECT_TRUE(log.contains("GetFullPathName(): GetFullPathName failed: LastError = 123: "
                             "input path = "))
        << log.text();
}

TEST_F(DiskSpace, SharedFreeSpaceQuery) {
    TempDir dir;
    VmkShared::CVmkSharedFile shared;
    uint64_t available = 0, total = 0, free = 0;
    EXPECT_NE(shared.VmkGetDiskFreeSpaceEx(hostPath(dir.path()), &available, &total, &free), 0);
    EXPECT_GT(total, 0u);
    EXPECT_NE(shared.VmkGetDiskFreeSpaceEx(hostPath(dir.path()), &available, nullptr, nullptr), 0);

    kw5test::writeFile(dir.file("plain"), Bytes{1});
    LogCapture log;
    EXPECT_EQ(
        shared.VmkGetDiskFreeSpaceEx(hostPath(dir.file("plain")), &available, nullptr, nullptr), 0);
    EXPECT_TRUE(log.contains("GetDiskFreeSpaceEx() failed: LastError = 267 InputDriveInfo = " +
                             dir.file("plain").string()))
        << log.text();

    LogCapture tooLong;
    EXPECT_EQ(shared.VmkGetDiskFreeSpaceEx(hostString("/" + std::string(300, 'a')), &available,
                                           nullptr, nullptr),
              0);
    EXPECT_TRUE(tooLong.contains("GetDriveInfo failed: input path = /aaa")) << tooLong.text();
}

} // namespace
