// The platform file layer: share modes, Windows error numbers, exclusive
// creation, attributes, paths and free space.
#include "platform/DiskSpace.h"
#include "platform/File.h"
#include "platform/Path.h"
#ifndef _WIN32
#include "platform/posix/PosixError.h"
#endif
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

using kw5platform::File;
using kw5platform::OpenPurpose;
using kw5test::hostPath;
using kw5test::hostString;
using kw5test::TempDir;
using kw5test::utf8;
using storagetest::Bytes;

namespace fs = std::filesystem;

namespace {

bool opens(const fs::path& path, OpenPurpose purpose, File& file) {
    return file.open(hostPath(path), purpose);
}

TEST(PlatformFile, ReadersShareAndExclusiveOpenersDoNot) {
    TempDir dir;
    fs::path path = dir.file("a.kw5");
    kw5test::writeFile(path, Bytes(100, 1));

    File first, second;
    ASSERT_TRUE(opens(path, OpenPurpose::ReadShareRead, first));
    EXPECT_TRUE(opens(path, OpenPurpose::ReadShareRead, second));
    second.close();
    EXPECT_TRUE(opens(path, OpenPurpose::ReadShareAll, second));
    second.close();
    EXPECT_FALSE(opens(path, OpenPurpose::WriteExclusive, second));
    EXPECT_EQ(kw5platform::lastError(), 32u);
    EXPECT_FALSE(opens(path, OpenPurpose::ReadExclusive, second));
    EXPECT_EQ(kw5platform::lastError(), 32u);

    // Closing the reader lets the exclusive opener in, which then keeps
    // every other opener out.
    first.close();
    ASSERT_TRUE(opens(path, OpenPurpose::WriteExclusive, first));
    EXPECT_FALSE(opens(path, OpenPurpose::ReadShareRead, second));
    EXPECT_EQ(kw5platform::lastError(), 32u);
    EXPECT_FALSE(opens(path, OpenPurpose::ReadShareAll, second));
    EXPECT_EQ(kw5platform::lastError(), 32u);
}

TEST(PlatformFile, MissingFilesAndFoldersHaveTheirWindowsNumbers) {
    TempDir dir;
    File file;
    EXPECT_FALSE(opens(dir.file("missing.kw5"), OpenPurpose::ReadShareRead, file));
    EXPECT_EQ(kw5platform::lastError(), 2u);
    EXPECT_FALSE(opens(dir.file("nofolder") / "x.kw5", OpenPurpose::ReadShareRead, file));
    EXPECT_EQ(kw5platform::lastError(), 3u);
    EXPECT_FALSE(kw5platform::findFile(hostPath(dir.file("missing.kw5"))));
    EXPECT_EQ(kw5platform::lastError(), 2u);
    EXPECT_FALSE(file.open(KW5WString(), OpenPurpose::ReadShareRead));
    EXPECT_FALSE(kw5platform::findFile(KW5WString()) || kw5platform::lastError() != 3);
    // A folder is no file.
    EXPECT_FALSE(opens(dir.path(), OpenPurpose::ReadShareRead, file));
    EXPECT_EQ(kw5platform::lastError(), 5u);
#ifndef _WIN32
    KW5WString resolved; // (Windows resolves nothing and answers with the path as it is)
    EXPECT_FALSE(kw5platform::resolveLinks(KW5WString(), resolved));
    // The numbers hosts read in logs and from the last error, from errno.
    const std::pair<int, uint32_t> rows[] = {
        {EACCES, 5},   {EROFS, 19}, {EEXIST, 80}, {ENOSPC, 112}, {ENAMETOOLONG, 206}, {EINVAL, 87},
        {EMFILE, 4},   {ENOMEM, 8}, {EBADF, 6},   {EBUSY, 32},   {EXDEV, 17},         {EFBIG, 223},
        {ELOOP, 1921}, {EIO, 1117}, {ENOTDIR, 3}, {EPIPE, 31}};
    for (const auto& row : rows)
        EXPECT_EQ(row.second, kw5platform::windowsErrorFromErrno(row.first, "/")) << row.first;
#endif
}

TEST(PlatformFile, CreateNewRefusesAnythingAlreadyThere) {
    TempDir dir;
    fs::path path = dir.file("new.tmp");
    File file;
    ASSERT_TRUE(opens(path, OpenPurpose::CreateNewExclusive, file));
    uint32_t written = 0;
    ASSERT_TRUE(file.write("abc", 3, written));
    EXPECT_EQ(written, 3u);
    file.close();
    EXPECT_FALSE(opens(path, OpenPurpose::CreateNewExclusive, file));
    EXPECT_EQ(kw5platform::lastError(), 80u);
    EXPECT_EQ(kw5test::readFile(path), (Bytes{'a', 'b', 'c'}));
#ifndef _WIN32
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
#endif
}

#ifndef _WIN32
TEST(PlatformFile, CreateNewNeverFollowsAPlantedLink) {
    TempDir dir;
    fs::path victim = dir.file("victim");
    fs::path dangling = dir.file("dangling.tmp");
    fs::create_symlink(victim, dangling);
    File file;
    EXPECT_FALSE(opens(dangling, OpenPurpose::CreateNewExclusive, file));
    EXPECT_EQ(kw5platform::lastError(), 80u);
    EXPECT_FALSE(fs::exists(victim));

    kw5test::writeFile(victim, Bytes{1, 2, 3});
    fs::path link = dir.file("link.tmp");
    fs::create_symlink(victim, link);
    EXPECT_FALSE(opens(link, OpenPurpose::CreateNewExclusive, file));
    EXPECT_EQ(kw5test::readFile(victim), (Bytes{1, 2, 3}));
}

TEST(PlatformFile, APlantedFifoIsRefusedWithoutHanging) {
    TempDir dir;
    fs::path fifo = dir.file("fifo.kw5");
    ASSERT_EQ(std::system(("mkfifo '" + fifo.string() + "'").c_str()), 0);
    File file;
    EXPECT_FALSE(opens(fifo, OpenPurpose::ReadShareRead, file));
    EXPECT_EQ(kw5platform::lastError(), 5u);
}
#endif

TEST(PlatformFile, ReadsAreShortOnlyAtTheEnd) {
    TempDir dir;
    fs::path path = dir.file("a.bin");
    kw5test::writeFile(path, storagetest::audioBytes(1000));
    File file;
    ASSERT_TRUE(opens(path, OpenPurpose::ReadShareRead, file));
    unsigned char buffer[600];
    uint32_t got = 0;
    ASSERT_TRUE(file.read(buffer, 600, got));
    EXPECT_EQ(got, 600u);
    ASSERT_TRUE(file.read(buffer, 600, got));
    EXPECT_EQ(got, 400u);
    ASSERT_TRUE(file.read(buffer, 600, got));
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(file.seek(990));
    ASSERT_TRUE(file.skip(5));
    ASSERT_TRUE(file.read(buffer, 600, got));
    EXPECT_EQ(got, 5u);
    uint64_t size = 0;
    ASSERT_TRUE(file.size(size));
    EXPECT_EQ(size, 1000u);
}

TEST(PlatformFile, PositionsBeyondFourGibibytes) {
    TempDir dir;
    fs::path path = dir.file("sparse.bin");
    const uint64_t far = (5ull << 30) + 7;
    File file;
    ASSERT_TRUE(opens(path, OpenPurpose::WriteExclusive, file));
    ASSERT_TRUE(file.seek(far));
    uint32_t written = 0;
    ASSERT_TRUE(file.write("Z", 1, written));
    uint64_t size = 0;
    ASSERT_TRUE(file.size(size));
    EXPECT_EQ(size, far + 1);
    file.close();

    ASSERT_TRUE(opens(path, OpenPurpose::ReadShareRead, file));
    ASSERT_TRUE(file.seek(far));
    char c = 0;
    uint32_t got = 0;
    ASSERT_TRUE(file.read(&c, 1, got));
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(c, 'Z');
}

TEST(PlatformFile, ReadOnlyMeansNobodyMayWrite) {
    TempDir dir;
    fs::path path = dir.file("a.kw5");
    EXPECT_EQ(kw5platform::fileAttributes(hostPath(path)), kw5platform::Attributes::Missing);
    kw5test::writeFile(path, Bytes(10, 0));
    EXPECT_EQ(kw5platform::fileAttributes(hostPath(path)), kw5platform::Attributes::Normal);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(kw5platform::fileAttributes(hostPath(path)), kw5platform::Attributes::ReadOnly);
#ifndef _WIN32
    // Any one write bit makes it writable for someone.
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_write);
    EXPECT_EQ(kw5platform::fileAttributes(hostPath(path)), kw5platform::Attributes::Normal);
#endif
}

#ifndef _WIN32
TEST(PlatformPath, FullPathsResolveDotsWithoutTheFileExisting) {
    KW5WString full;
    ASSERT_TRUE(kw5platform::fullPathName(hostString("/a/./b/../c/d.kw5"), full));
    EXPECT_EQ(utf8(full), "/a/c/d.kw5");
    ASSERT_TRUE(kw5platform::fullPathName(hostString("/a//b/"), full));
    EXPECT_EQ(utf8(full), "/a/b/");
    ASSERT_TRUE(kw5platform::fullPathName(hostString("/../.."), full));
    EXPECT_EQ(utf8(full), "/");
    ASSERT_TRUE(kw5platform::fullPathName(hostString("rel/x"), full));
    EXPECT_EQ(utf8(full), (fs::current_path() / "rel" / "x").string());
    EXPECT_FALSE(kw5platform::fullPathName(KW5WString(), full));
}

TEST(PlatformPath, SplitKeepsTheRuntimeLimits) {
    kw5platform::PathParts parts;
    ASSERT_TRUE(kw5platform::splitPath(hostString("/music/set.one/song.kw5"), parts));
    EXPECT_EQ(utf8(parts.drive), "");
    EXPECT_EQ(utf8(parts.directory), "/music/set.one/");
    EXPECT_EQ(utf8(parts.name), "song");
    EXPECT_EQ(utf8(parts.extension), ".kw5");
    ASSERT_TRUE(kw5platform::splitPath(hostString("noext"), parts));
    EXPECT_EQ(utf8(parts.directory), "");
    EXPECT_EQ(utf8(parts.name), "noext");
    EXPECT_EQ(utf8(parts.extension), "");
    EXPECT_TRUE(kw5platform::splitPath(hostString("/" + std::string(253, 'd') + "/f"), parts));
    EXPECT_FALSE(kw5platform::splitPath(hostString("/" + std::string(254, 'd') + "/f"), parts));
    EXPECT_TRUE(kw5platform::splitPath(hostString("/d/" + std::string(255, 'n')), parts));
    EXPECT_FALSE(kw5platform::splitPath(hostString("/d/" + std::string(256, 'n')), parts));
}
#endif

TEST(PlatformPath, TemporaryFolderFollowsTmpdir) {
    TempDir dir;
    kw5test::ScopedEnv env(storagetest::kTemporaryFolderVariable, dir.path().string());
    KW5WString folder;
    ASSERT_TRUE(kw5platform::temporaryFolder(folder));
#ifndef _WIN32
    EXPECT_EQ(utf8(folder), dir.path().string() + "/");
#endif
}

TEST(PlatformPath, RenameReplacesAndDeleteRemoves) {
    TempDir dir;
    kw5test::writeFile(dir.file("from"), Bytes{1});
    kw5test::writeFile(dir.file("to"), Bytes{2, 2});
    ASSERT_TRUE(kw5platform::replaceFile(hostPath(dir.file("from")), hostPath(dir.file("to"))));
    EXPECT_FALSE(fs::exists(dir.file("from")));
    EXPECT_EQ(kw5test::readFile(dir.file("to")), Bytes{1});
    ASSERT_TRUE(kw5platform::deleteFile(hostPath(dir.file("to"))));
    EXPECT_FALSE(kw5platform::deleteFile(hostPath(dir.file("to"))));
    EXPECT_EQ(kw5platform::lastError(), 2u);
}

#ifndef _WIN32
TEST(PlatformPath, VolumesAndPermissions) {
    TempDir dir;
    kw5test::writeFile(dir.file("a"), Bytes{1});
    bool same = false;
    ASSERT_TRUE(
        kw5platform::sameVolume(hostPath(dir.file("a")), hostPath(dir.file("missing")), same));
    EXPECT_TRUE(same);

    kw5test::writeFile(dir.file("model"), Bytes{1});
    fs::permissions(dir.file("model"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(kw5platform::copyPermissions(hostPath(dir.file("model")), hostPath(dir.file("a"))));
    EXPECT_EQ(fs::status(dir.file("a")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    storagetest::SmallVolume volume(dir.file("vol"), 1 << 20);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root); cross-volume part skipped";
    ASSERT_TRUE(
        kw5platform::sameVolume(hostPath(dir.file("a")), hostPath(volume.path() / "x"), same));
    EXPECT_FALSE(same);
    EXPECT_FALSE(kw5platform::replaceFile(hostPath(dir.file("a")), hostPath(volume.path() / "x")));
    EXPECT_EQ(kw5platform::lastError(), 17u);
}

TEST(PlatformDiskSpace, FoldersOnly) {
    TempDir dir;
    uint64_t available = 0, total = 0, free = 0;
    ASSERT_TRUE(kw5platform::diskFreeSpace(hostPath(dir.path()), &available, &total, &free));
    EXPECT_GT(total, 0u);
    EXPECT_LE(available, free);
    EXPECT_TRUE(kw5platform::diskFreeSpace(hostPath(dir.path()), nullptr, nullptr, nullptr));
    EXPECT_FALSE(
        kw5platform::diskFreeSpace(hostPath(dir.file("missing")), &available, nullptr, nullptr));
    EXPECT_EQ(kw5platform::lastError(), 3u);
    kw5test::writeFile(dir.file("file"), Bytes{1});
    EXPECT_FALSE(
        kw5platform::diskFreeSpace(hostPath(dir.file("file")), &available, nullptr, nullptr));
    EXPECT_EQ(kw5platform::lastError(), 267u);
}
#endif

} // namespace
