// Writing tags to files: the layouts an in-place write or a remake leaves,
// the failures that must leave the file byte for byte, the temporary files
// of a remake and the free-space checks before one.
#include "platform/DiskSpace.h"
#include "platform/File.h"
#include "storage/KW5DiskSpace.h"
#include "storage/KW5TempFile.h"
#include "storage/VmkSharedFile.h"
#include "tag/KW5TagHeader.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

using kw5platform::File;
using kw5platform::OpenPurpose;
using kw5test::hostPath;
using kw5test::hostString;
using kw5test::ScopedEnv;
using namespace storagetest;
namespace fs = std::filesystem;

namespace {

class StorageWrite : public ::testing::Test {
protected:
    StorageWrite() : tmp_(dir_.file("tmp")), env_(kTemporaryFolderVariable, tmp_.string()) {
        fs::create_directories(tmp_);
    }
    // No temporary or half-made file stays behind.
    void expectNoLeftovers(const fs::path& folder) {
        EXPECT_TRUE(filesIn(tmp_).empty());
        for (const std::string& name : filesIn(folder))
            EXPECT_EQ(name.find(".kw5new-"), std::string::npos) << name;
    }
    kw5test::TempDir dir_;
    fs::path tmp_;
    ScopedEnv env_;
};

// Old tag (0: none; -1: no file), new frames, the tag size that comes out;
// further names of the file see the new tag too.
TEST_F(StorageWrite, Layouts) {
    const Bytes f100 = frameOf(100, "PRIV", 'a'), f200 = frameOf(200, "PRIV", 'b');
    const Bytes empty = frameOf(10, "TCOM"); // reads as the start of the padding
    struct Row {
        int oldTag;
        std::vector<Bytes> frames;
        uint32_t newTag;
        size_t audio;
    } rows[] = {{4096, {frameOf(3000)}, 4096, 20000},  {4096, {frameOf(500)}, 3072, 20000},
                {0, {frameOf(3062)}, 6144, 20000},     {3072, {}, 0, 20000},
                {-1, {frameOf(700)}, 3072, 0},         {0, {f100, f200, f100}, 3072, 100},
                {3072, {frameOf(5000)}, 6144, 800000}, {520, {frameOf(500), empty}, 3072, 30},
                {521, {frameOf(500), empty}, 521, 30}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.oldTag);
        fs::path target = dir_.file("song.kw5"), alias = dir_.file("alias.kw5");
        fs::remove(target);
        fs::remove(alias);
        Bytes audio = audioBytes(row.audio, row.oldTag + 7), frames;
        if (row.oldTag >= 0) {
            kw5test::writeFile(target, row.oldTag ? join(tagOfSize(row.oldTag, frameOf(400)), audio)
                                                  : audio);
            fs::create_hard_link(target, alias);
        }
        ASSERT_EQ(writeTag(target, row.frames), KW5_FILE_RET_OK);
        for (const Bytes& frame : row.frames)
            frames = join(frames, frame);
        Bytes expected = row.newTag ? join(tagOfSize(row.newTag, frames), audio) : audio;
        EXPECT_EQ(kw5test::readFile(target), expected);
        EXPECT_EQ(kw5test::readFile(row.oldTag >= 0 ? alias : target), expected);
        expectNoLeftovers(dir_.path());
    }
#ifndef _WIN32
    // A new file is an ordinary one, not an owner-only scratch file.
    EXPECT_NE(fs::status(dir_.file("song.kw5")).permissions() & fs::perms::others_read,
              fs::perms::none);
#endif
}

struct Scene {
    fs::path dir, target;
    Bytes old;
};
typedef std::shared_ptr<void> Guard; // undoes what a row set up

Guard hold(Scene& s, OpenPurpose purpose) {
    auto file = std::make_shared<File>();
    kw5test::writeFile(s.target, s.old);
    EXPECT_TRUE(file->open(hostPath(s.target), purpose));
    return file;
}

// A small volume holding the target, or the temporary folder.
Guard volume(Scene& s, size_t size, size_t audio, bool temporary) {
    fs::path folder = s.dir / "vol";
    auto mounted = std::make_shared<std::pair<SmallVolume, ScopedEnv>>(
        std::piecewise_construct, std::forward_as_tuple(folder, size),
        std::forward_as_tuple(kTemporaryFolderVariable,
                              (temporary ? folder : s.dir / "tmp").string()));
    s.target = temporary ? s.target : folder / "song.kw5";
    s.old = join(tagOfSize(3072, frameOf(100)), audioBytes(audio, 8));
    return mounted->first.mounted() ? mounted : nullptr;
}

TEST_F(StorageWrite, FailuresLeaveTheFileAsItWas) {
    const char* const held = "writeFile: target cannot be held for writing 32";
    struct Row {
        uint32_t frame;
        Guard (*setup)(Scene&);
        _KW5_FILE_RET result;
        const char* log; // followed by " path = " and the target
    } rows[] = {
        {4000, [](Scene& s) { return hold(s, OpenPurpose::WriteExclusive); },
         KW5_FILE_RET_FILE_ACCESS_ERROR, nullptr},
        {900, [](Scene& s) { return hold(s, OpenPurpose::ReadShareRead); },
         KW5_FILE_RET_FILE_ACCESS_ERROR, held},
        {5000, [](Scene& s) { return hold(s, OpenPurpose::ReadShareRead); },
         KW5_FILE_RET_FILE_ACCESS_ERROR, held},
        {5000,
         [](Scene& s) -> Guard {
             return std::make_shared<ScopedEnv>(kTemporaryFolderVariable, (s.dir / "no").string());
         },
         KW5_FILE_RET_FAILED, "writeFile(remake) Source: checkFreeTempSpace failed"},
        // The remade file must then be copied whole beside the target.
        {4000, [](Scene& s) { return volume(s, 1 << 20, 700 << 10, false); },
         KW5_FILE_RET_DISK_FULL, "writeFile(remake)Dest: checkFreeTempSpace failed"},
        {4000, [](Scene& s) { return volume(s, 64 << 10, 200 << 10, true); },
         KW5_FILE_RET_DISK_FULL, nullptr},
        {4000,
         [](Scene& s) -> Guard {
             s.old.clear();
             fs::create_directories(s.target);
             return std::make_shared<int>(0);
         },
         KW5_FILE_RET_FILE_ACCESS_ERROR, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        Scene scene{dir_.path(), dir_.file(std::to_string(&row - rows) + ".kw5"),
                    join(tagOfSize(4096, frameOf(2000)), audioBytes(1000, 3))};
        Guard guard = row.setup(scene);
        if (!guard)
            continue; // no tmpfs without root
        if (!scene.old.empty() && !fs::exists(scene.target))
            kw5test::writeFile(scene.target, scene.old);
        LogCapture log;
        EXPECT_EQ(writeTag(scene.target, {frameOf(row.frame)}), row.result);
        EXPECT_TRUE(!row.log ||
                    log.contains(std::string(row.log) + " path = " + scene.target.string()))
            << log.text();
        EXPECT_TRUE(scene.old.empty() ? fs::is_directory(scene.target)
                                      : kw5test::readFile(scene.target) == scene.old);
        expectNoLeftovers(scene.target.parent_path());
        EXPECT_LE(filesIn(dir_.file("vol")).size(), 1u);
    }
    // Refused before any file is touched: too large, lists whose lengths do
    // not match their buffers or their total, no path.
    KW5TagHeader header;
    header.makeDefault();
    KW5File file;
    KW5SerializedFrames frames;
    frames.total = 0x0FFFFFF6;
    EXPECT_EQ(file.buildTagBuffer(header, frames, hostPath(dir_.file("x"))),
              KW5_FILE_RET_TAG_TOO_LARGE);
    for (int fault = 0; fault < 3; ++fault) {
        frames = serialized({frameOf(100)});
        if (fault == 0)
            frames.lengths.push_back(10);
        else
            frames.total = fault == 1 ? 99 : (frames.lengths[0] = 5000);
        EXPECT_EQ(file.buildTagBuffer(header, frames, hostPath(dir_.file("x"))),
                  fault ? KW5_FILE_RET_INVALID_DATA : KW5_FILE_RET_INVALID_PARAMETER);
    }
    EXPECT_EQ(file.writeBuffer(KW5WString()), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_FALSE(fs::exists(dir_.file("x")));
}

#ifndef _WIN32
// Without advisory locks (ENOLCK, ENOSYS, EINVAL: some network mounts)
// files open as if nobody held them; any other lock failure is refused,
// and a scratch file just created is removed again.
TEST_F(StorageWrite, FileSystemsWithoutLocks) {
    fs::path target = dir_.file("song.kw5");
    const Bytes old = join(tagOfSize(3072, frameOf(100)), audioBytes(5000, 7));
    for (int error : {ENOLCK, ENOSYS, EINVAL, EIO})
        for (uint32_t frame : {2000u, 4000u, 0u}) {
            SCOPED_TRACE(std::to_string(error) + " " + std::to_string(frame));
            fs::remove(target);
            if (frame)
                kw5test::writeFile(target, old);
            lockError = error;
            _KW5_FILE_RET written = writeTag(target, {frameOf(frame ? frame : 100)});
            KW5File reader;
            _KW5_FILE_RET read = reader.read(hostPath(target), 1);
            lockError = 0;
            EXPECT_EQ(written == KW5_FILE_RET_OK, error != EIO);
            EXPECT_EQ(read == KW5_FILE_RET_OK, error != EIO || !frame);
            EXPECT_EQ(fs::exists(target) && kw5test::readFile(target) == old,
                      error == EIO && frame);
            expectNoLeftovers(dir_.path());
        }
}

// The mode stays; a link is followed to the file it names; a target on
// another volume is replaced through a copy beside it, also where rename(2)
// fails with EXDEV between mount points of one file system.
TEST_F(StorageWrite, PermissionsLinksAndOtherVolumes) {
    SmallVolume volume(dir_.file("vol"), 4 << 20);
    fs::create_directories(dir_.file("bound"));
    bool bound = volume.mounted() && std::system(("mount --bind '" + dir_.file("vol").string() +
                                                  "' '" + dir_.file("bound").string() + "'")
                                                     .c_str()) == 0;
    const Bytes audio = audioBytes(70000, 6);
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    for (const char* folder : {"tmp", "vol", "bound"}) {
        if (*folder != 't' && !bound)
            GTEST_SKIP() << "cannot mount here (needs root)";
        fs::path target = dir_.file(folder) / "song.kw5", link = dir_.file(folder) / "link.kw5";
        kw5test::writeFile(target, join(tagOfSize(3072, frameOf(100)), audio));
        fs::permissions(target, mode);
        fs::create_hard_link(target, dir_.file(folder) / "alias.kw5");
        fs::create_symlink(target, link);
        ASSERT_EQ(writeTag(link, {frameOf(4000, "PRIV", 'z')}), KW5_FILE_RET_OK);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(kw5test::readFile(target),
                  join(tagOfSize(6144, frameOf(4000, "PRIV", 'z')), audio));
        EXPECT_EQ(kw5test::readFile(dir_.file(folder) / "alias.kw5"), kw5test::readFile(target));
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, mode);
        for (const char* name : {"song.kw5", "link.kw5", "alias.kw5"})
            fs::remove(dir_.file(folder) / name);
        expectNoLeftovers(dir_.file(folder));
    }
    EXPECT_EQ(std::system(("umount '" + dir_.file("bound").string() + "'").c_str()), 0);
}

// Scratch files are owner-only, never follow a planted link and are named
// anew when the name is taken; they go to the temporary folder, beside the
// target when that folder is longer than 256 characters.
TEST_F(StorageWrite, TemporaryFiles) {
    KW5WString path = kw5storage::fillNameTemplate(hostPath(tmp_ / "tempXXXXXX")), made;
    EXPECT_EQ(kw5test::utf8(path).find("XXXXXX"), std::string::npos);
    kw5test::writeFile(dir_.file("victim"), Bytes{'v'});
    fs::create_symlink(dir_.file("victim"), kw5test::utf8(path));
    KW5WString planted = path;
    File file;
    ASSERT_TRUE(kw5storage::createExclusiveFile(file, path));
    EXPECT_NE(path, planted);
    EXPECT_EQ(path.substr(0, path.size() - 6), planted.substr(0, planted.size() - 6));
    EXPECT_EQ(fs::status(kw5test::utf8(path)).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(kw5test::readFile(dir_.file("victim")), Bytes{'v'});

    ASSERT_EQ(kw5storage::makeTemporaryPath(hostPath(dir_.file("x.kw5")), made), KW5_FILE_RET_OK);
    EXPECT_EQ(fs::path(kw5test::utf8(made)).parent_path(), tmp_);
    EXPECT_EQ(fs::path(kw5test::utf8(made)).filename().string().substr(0, 4), "temp");
    EXPECT_EQ(fs::path(kw5test::utf8(made)).filename().string().size(), 10u);
    ScopedEnv env(kTemporaryFolderVariable, (dir_.path() / std::string(250, 'l')).string());
    ASSERT_EQ(kw5storage::makeTemporaryPath(hostPath(dir_.file("x.kw5")), made), KW5_FILE_RET_OK);
    EXPECT_EQ(fs::path(kw5test::utf8(made)).parent_path(), dir_.path());
    EXPECT_EQ(kw5storage::makeTemporaryPath(hostString("/" + std::string(250, 'f') + "/x"), made),
              KW5_FILE_RET_FAILED);
}
#endif

// What a remake needs, and the checks before one (on small volumes: the
// temporary copy needs the whole target; a target on another volume a
// whole copy beside it, more than its growth), with their log lines.
TEST_F(StorageWrite, FreeSpace) {
    const uint64_t rows[][4] = {{10000, 3072, 6144, 13072},
                                {10000, 6144, 3072, 6928},
                                {0, 0, 3072, 3072},
                                {100, 6144, 0, 0},
                                {1ull << 32, 0, 3072, 0x100000C00}};
    for (const auto& row : rows) {
        uint64_t out = 0;
        EXPECT_EQ(kw5storage::computeNeededSpace(row[0], uint32_t(row[1]), uint32_t(row[2]), out),
                  KW5_FILE_RET_OK);
        EXPECT_EQ(out, row[3]) << row[0] << " " << row[1] << " " << row[2];
    }
    fs::path a = dir_.file("a"), missing = dir_.file("nofolder");
    uint64_t size = 1, available = 0;
    EXPECT_EQ(kw5storage::getFileSize64(hostPath(missing), size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 0u);
    kw5test::writeFile(a, Bytes(1234, 7));
    LogCapture log;
    {
        File reader; // measuring shares nothing
        ASSERT_TRUE(reader.open(hostPath(a), OpenPurpose::ReadShareRead));
        EXPECT_EQ(kw5storage::getFileSize64(hostPath(a), size), KW5_FILE_RET_FILE_ACCESS_ERROR);
    }
    EXPECT_EQ(kw5storage::canUseDiskSpace(hostPath(a), 1ull << 62), KW5_FILE_RET_DISK_FULL);
    EXPECT_EQ(kw5storage::canUseDiskSpace(hostPath(missing / "x"), 0), KW5_FILE_RET_FAILED);
    EXPECT_EQ(VmkShared::CVmkSharedFile().VmkGetDiskFreeSpaceEx(hostPath(a), &available, nullptr,
                                                                nullptr),
              0);
    KW5WString full;
    EXPECT_EQ(VmkShared::GetDriveInfo(KW5WString(), full), -1);
#ifndef _WIN32
    // The full path must leave room for the terminator.
    for (size_t length : {300u, 260u, 259u, 258u})
        EXPECT_EQ(VmkShared::GetDriveInfo(hostString("/" + std::string(length, 'a')), full),
                  length == 258 ? 0 : -1);
#endif
    const std::string none = (missing / "").string();
    for (const std::string& line :
         {"util get li failed: path = " + a.string() + " ffffffff",
          "Free Space Check Failed: path = " + (dir_.path() / "").string(),
          "GetDiskFreeSpaceEx() failed: not found path: LastError = 3 InputDriveInfo = " + none,
          "VmkSharedFile::VmkGetDiskFreeSpaceEx() Failed: path = " + none,
          "GetDiskFreeSpaceEx() failed: LastError = 267 InputDriveInfo = " + a.string(),
          std::string("invalid input file path: too long path"),
          std::string("GetFullPathName(): GetFullPathName failed: LastError = 123: input path = ")})
        EXPECT_TRUE(log.contains(line)) << line << "\n" << log.text();

    SmallVolume volume(dir_.file("vol"), 256 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    fs::path target = volume.path() / "t.kw5";
    ASSERT_TRUE(kw5platform::diskFreeSpace(hostPath(volume.path()), &available, nullptr, nullptr));
    EXPECT_EQ(kw5storage::canUseDiskSpace(hostPath(target), available), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5storage::canUseDiskSpace(hostPath(target), available + 1), KW5_FILE_RET_DISK_FULL);
    kw5test::writeFile(target, Bytes(200 * 1024, 3));
    for (size_t bytes : {300 * 1024, 200 * 1024 + 1000, 40 * 1024}) {
        kw5test::writeFile(a, Bytes(bytes, 2));
        const _KW5_FILE_RET fits = bytes < 100000 ? KW5_FILE_RET_OK : KW5_FILE_RET_DISK_FULL;
        EXPECT_EQ(kw5storage::checkFreeTempSpace(hostPath(a), hostPath(target), 0, 3072), fits);
        EXPECT_EQ(kw5storage::checkFreeDestSpace(hostPath(a), hostPath(target)), fits);
    }
}

} // namespace
