// Writing tags to files: the layouts an in-place write or a remake leaves,
// the failures that must leave the file byte for byte, the temporary files
// of a remake and the free-space checks before one.
#include "platform/File.h"
#include "storage/KW5TempFile.h"
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
    kw5test::writeFile(dir_.file("plain"), {});
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
        // A new file is an ordinary one, not an owner-only scratch file.
        EXPECT_TRUE(row.oldTag >= 0 || fs::status(target).permissions() ==
                                           fs::status(dir_.file("plain")).permissions());
        expectNoLeftovers(dir_.path());
    }
}

// Held without sharing (x) or by a reader (r, in place and remake), no
// temporary folder (n), a full target volume (v: the remade file must then
// be copied whole beside the target) or temporary volume (t), a folder (d).
TEST_F(StorageWrite, FailuresLeaveTheFileAsItWas) {
    const char* const held = "writeFile: target cannot be held for writing 32";
    const struct Row {
        char how;
        uint32_t frame;
        _KW5_FILE_RET result;
        const char* log; // followed by " path = " and the target
    } rows[] = {
        {'x', 4000, KW5_FILE_RET_FILE_ACCESS_ERROR, nullptr},
        {'r', 900, KW5_FILE_RET_FILE_ACCESS_ERROR, held},
        {'r', 5000, KW5_FILE_RET_FILE_ACCESS_ERROR, held},
        {'n', 5000, KW5_FILE_RET_FAILED, "writeFile(remake) Source: checkFreeTempSpace failed"},
        {'v', 4000, KW5_FILE_RET_DISK_FULL, "writeFile(remake)Dest: checkFreeTempSpace failed"},
        {'t', 4000, KW5_FILE_RET_DISK_FULL, nullptr},
        {'d', 4000, KW5_FILE_RET_FILE_ACCESS_ERROR, nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(1, row.how) + std::to_string(row.frame));
        const bool volume = row.how == 'v' || row.how == 't';
        std::unique_ptr<SmallVolume> small(
            volume ? new SmallVolume(dir_.file("vol"), row.how == 'v' ? 1 << 20 : 64 << 10)
                   : nullptr);
        if (volume && !small->mounted())
            continue; // no tmpfs without root
        const fs::path target = row.how == 'v' ? dir_.file("vol") / "song.kw5"
                                               : dir_.file(std::to_string(&row - rows) + ".kw5");
        const Bytes old = volume ? join(tagOfSize(3072, frameOf(100)),
                                        audioBytes(row.how == 'v' ? 700 << 10 : 200 << 10))
                                 : join(tagOfSize(4096, frameOf(2000)), audioBytes(1000));
        if (row.how == 'd')
            fs::create_directories(target);
        else
            kw5test::writeFile(target, old);
        File holder;
        if (row.how == 'x' || row.how == 'r') {
            ASSERT_TRUE(holder.open(hostPath(target), row.how == 'x' ? OpenPurpose::WriteExclusive
                                                                     : OpenPurpose::ReadShareRead));
        }
        ScopedEnv env(kTemporaryFolderVariable, (row.how == 'n'   ? dir_.file("no")
                                                 : row.how == 't' ? dir_.file("vol")
                                                                  : tmp_)
                                                    .string());
        const size_t start = logText().size();
        EXPECT_EQ(writeTag(target, {frameOf(row.frame)}), row.result);
        const std::string log = logText().substr(start);
        EXPECT_TRUE(!row.log || log.find(row.log + (" path = " + target.string())) != log.npos)
            << log;
        holder.close(); // on Windows nobody reads a file held exclusively
        EXPECT_TRUE(row.how == 'd' ? fs::is_directory(target) : kw5test::readFile(target) == old);
        expectNoLeftovers(target.parent_path());
        EXPECT_LE(filesIn(dir_.file("vol")).size(), 1u);
    }
    // Refused before any file is touched: too large, no path.
    KW5TagHeader header;
    header.makeDefault();
    EXPECT_EQ(KW5File().writeFrames(header, {}, 0x0FFFFFF6, hostPath(dir_.file("x"))),
              KW5_FILE_RET_TAG_TOO_LARGE);
    EXPECT_EQ(KW5File().writeFrames(header, {}, 0, KW5WString()), KW5_FILE_RET_INVALID_PARAMETER);
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
            lockError = 0;
            EXPECT_EQ(written == KW5_FILE_RET_OK, error != EIO);
            EXPECT_EQ(fs::exists(target) && kw5test::readFile(target) == old,
                      error == EIO && frame);
            expectNoLeftovers(dir_.path());
        }
}

// The mode stays; a link is followed to the file it names; a target on
// another volume is replaced through a copy beside it.
TEST_F(StorageWrite, PermissionsLinksAndOtherVolumes) {
    SmallVolume volume(dir_.file("vol"), 4 << 20);
    const Bytes audio = audioBytes(70000, 6);
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    for (const char* folder : {"tmp", "vol"}) {
        if (*folder != 't' && !volume.mounted())
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
}

// A remake's temporary file: in the temporary folder ("tempXXXXXX"), or
// beside the target when that folder is beyond 256 characters; created
// owner-only and never through a link planted at its name.
TEST_F(StorageWrite, TemporaryFiles) {
    KW5WString path;
    ASSERT_EQ(kw5storage::makeTemporaryPath(hostPath(dir_.file("x.kw5")), path), KW5_FILE_RET_OK);
    const fs::path made(kw5test::utf8(path));
    EXPECT_EQ(made.parent_path(), tmp_);
    EXPECT_EQ(made.filename().string().substr(0, 4), "temp");
    EXPECT_EQ(made.filename().string().size(), 10u);
    const fs::path victim = dir_.file("victim"), planted = tmp_ / "tempPLANTD";
    kw5test::writeFile(victim, Bytes{'v'});
    fs::create_symlink(victim, planted);
    path = hostPath(planted);
    {
        File file;
        ASSERT_TRUE(kw5storage::createExclusiveFile(file, path));
        EXPECT_NE(path, hostPath(planted));
        EXPECT_EQ(kw5test::utf8(path).substr(0, planted.string().size() - 6),
                  planted.string().substr(0, planted.string().size() - 6));
    }
    EXPECT_EQ(kw5test::readFile(victim), Bytes{'v'});
    EXPECT_EQ(fs::status(kw5test::utf8(path)).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    fs::remove(kw5test::utf8(path));
    fs::remove(planted);
    ScopedEnv longFolder(kTemporaryFolderVariable, (dir_.path() / std::string(250, 'l')).string());
    ASSERT_EQ(kw5storage::makeTemporaryPath(hostPath(dir_.file("x.kw5")), path), KW5_FILE_RET_OK);
    EXPECT_EQ(fs::path(kw5test::utf8(path)).parent_path(), dir_.path());
    EXPECT_EQ(
        kw5storage::makeTemporaryPath(hostString("/" + std::string(250, 'f') + "/x.kw5"), path),
        KW5_FILE_RET_FAILED);
}

#endif

} // namespace
