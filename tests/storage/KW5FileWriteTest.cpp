// The writing side of KW5File: the padding rule on real files, in-place
// writes, remakes through a temporary file, the replacement of the target,
// free-space refusals and tag images in memory.
#include "platform/File.h"
#include "platform/TaskMem.h"
#include "storage/KW5File.h"
#include "storage/KW5TempFile.h"
#include "tag/KW5Tag.h"
#include "tag/KW5TagHeader.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

using kw5test::hostPath;
using kw5test::TempDir;
using storagetest::audioBytes;
using storagetest::Bytes;
using storagetest::frameOf;
using storagetest::join;
using storagetest::serialized;
using storagetest::tagOfSize;

namespace fs = std::filesystem;

namespace {

class KW5FileWrite : public ::testing::Test {
protected:
    KW5FileWrite()
        : tmp_(dir_.file("tmp")), env_(storagetest::kTemporaryFolderVariable, tmp_.string()) {
        fs::create_directories(tmp_);
    }
    void SetUp() override { storagetest::bindSharedLog(); }
    void TearDown() override { kw5storage::setNameSourceForTesting(nullptr); }

    _KW5_FILE_RET write(const fs::path& target, const std::vector<Bytes>& frames) {
        KW5TagHeader header;
        header.makeDefault();
        KW5File file;
        _KW5_FILE_RET result = file.buildTagBuffer(header, serialized(frames), hostPath(target));
        if (result != KW5_FILE_RET_OK)
            return result;
        return file.writeBuffer(hostPath(target));
    }

    // No temporary or half-made file stays behind.
    void expectNoLeftovers(const fs::path& folder) {
        EXPECT_TRUE(storagetest::filesIn(tmp_).empty());
        for (const std::string& name : storagetest::filesIn(folder))
            EXPECT_EQ(name.find(".kw5new-"), std::string::npos) << name;
    }

    TempDir dir_;
    fs::path tmp_;
    storagetest::ScopedEnv env_;
};

TEST_F(KW5FileWrite, AFittingTagIsRewrittenInPlace) {
    fs::path target = dir_.file("song.kw5");
    Bytes audio = audioBytes(20000);
    kw5test::writeFile(target, join(tagOfSize(4096, frameOf(2000, "PRIV", 'o')), audio));
    // A second name for the same file sees an in-place write, not a new file.
    fs::create_hard_link(target, dir_.file("alias.kw5"));

    Bytes frame = frameOf(3000);
    ASSERT_EQ(write(target, {frame}), KW5_FILE_RET_OK);
    Bytes expected = join(tagOfSize(4096, frame), audio);
    EXPECT_EQ(kw5test::readFile(target), expected);
    EXPECT_EQ(kw5test::readFile(dir_.file("alias.kw5")), expected);
    // Header size field 4086 = 00 00 1F 76, then 1086 zero bytes of padding.
    EXPECT_EQ(kw5test::toHex(Bytes(expected.begin() + 6, expected.begin() + 10)), "00 00 1F 76");
    expectNoLeftovers(dir_.path());
}

TEST_F(KW5FileWrite, TooMuchPaddingRemakesTheFileSmaller) {
    fs::path target = dir_.file("song.kw5");
    Bytes audio = audioBytes(20000, 2);
    Bytes old = join(tagOfSize(4096, frameOf(2000)), audio);
    kw5test::writeFile(target, old);
    fs::create_hard_link(target, dir_.file("alias.kw5"));

    Bytes frame = frameOf(500);
    ASSERT_EQ(write(target, {frame}), KW5_FILE_RET_OK);
    Bytes written = kw5test::readFile(target);
    ASSERT_EQ(written, join(tagOfSize(3072, frame), audio));
    // 3072 - 510 = 2562 bytes of padding.
    EXPECT_EQ(Bytes(written.begin() + 510, written.begin() + 3072), Bytes(2562, 0));
    // A file with further names is written through, so they all see it.
    EXPECT_EQ(kw5test::readFile(dir_.file("alias.kw5")), written);
    expectNoLeftovers(dir_.path());
}

TEST_F(KW5FileWrite, AFileWithoutTagGetsOne) {
    fs::path target = dir_.file("song.kw5");
    Bytes audio = audioBytes(5000, 3);
    kw5test::writeFile(target, audio);
    Bytes frame = frameOf(3062);
    ASSERT_EQ(write(target, {frame}), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target), join(tagOfSize(6144, frame), audio));
}

TEST_F(KW5FileWrite, NoFramesLeaveNoTag) {
    fs::path target = dir_.file("song.kw5");
    Bytes audio = audioBytes(5000, 4);
    kw5test::writeFile(target, join(tagOfSize(3072, frameOf(100)), audio));
    ASSERT_EQ(write(target, {}), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target), audio);
    expectNoLeftovers(dir_.path());
}

TEST_F(KW5FileWrite, AMissingTargetIsCreatedWithTheTagOnly) {
    fs::path target = dir_.file("new.kw5");
    Bytes frame = frameOf(700);
    ASSERT_EQ(write(target, {frame}), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target), tagOfSize(3072, frame));
#ifndef _WIN32
    // A new file, not an owner-only temporary one.
    EXPECT_NE(fs::status(target).permissions() & fs::perms::owner_read, fs::perms::none);
    EXPECT_NE(fs::status(target).permissions() & fs::perms::others_read, fs::perms::none);
#endif
    expectNoLeftovers(dir_.path());
}

TEST_F(KW5FileWrite, SeveralFramesInListOrder) {
    fs::path target = dir_.file("song.kw5");
    Bytes a = frameOf(100, "PRIV", 'a');
    Bytes b = frameOf(200, "PRIV", 'b');
    Bytes c = frameOf(300, "PRIV", 'c');
    ASSERT_EQ(write(target, {a, b, c}), KW5_FILE_RET_OK);
    Bytes expected = storagetest::tagHeader(3062);
    expected = join(join(join(expected, a), b), c);
    expected.resize(3072, 0);
    EXPECT_EQ(kw5test::readFile(target), expected);
}

TEST_F(KW5FileWrite, LargeAudioComesThroughUnchanged) {
    fs::path target = dir_.file("song.kw5");
    // Several copy chunks and a ragged end.
    Bytes audio = audioBytes(3 * 256 * 1024 + 12345, 5);
    kw5test::writeFile(target, join(tagOfSize(3072, frameOf(100)), audio));
    ASSERT_EQ(write(target, {frameOf(5000)}), KW5_FILE_RET_OK);
    Bytes written = kw5test::readFile(target);
    ASSERT_EQ(written.size(), 6144 + audio.size());
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), written.begin() + 6144));
}

TEST_F(KW5FileWrite, TooLargeIsRefusedBeforeAnyFileIsTouched) {
    fs::path target = dir_.file("song.kw5");
    Bytes old = join(tagOfSize(3072, frameOf(100)), audioBytes(100));
    kw5test::writeFile(target, old);
    KW5SerializedFrames frames;
    frames.total = 0x0FFFFFF6;
    KW5TagHeader header;
    header.makeDefault();
    KW5File file;
    EXPECT_EQ(file.buildTagBuffer(header, frames, hostPath(target)), KW5_FILE_RET_TAG_TOO_LARGE);
    EXPECT_EQ(file.bufferLength(), 0u);
    EXPECT_EQ(kw5test::readFile(target), old);
}

TEST_F(KW5FileWrite, InconsistentFrameListsAreRefused) {
    fs::path target = dir_.file("song.kw5");
    KW5TagHeader header;
    header.makeDefault();
    KW5File file;
    KW5SerializedFrames frames = serialized({frameOf(100)});
    frames.lengths.push_back(10);
    EXPECT_EQ(file.buildTagBuffer(header, frames, hostPath(target)),
              KW5_FILE_RET_INVALID_PARAMETER);
    // A length that promises more than its buffer holds is never read.
    frames = serialized({frameOf(100)});
    frames.lengths[0] = 5000;
    frames.total = 5000;
    EXPECT_EQ(file.buildTagBuffer(header, frames, hostPath(target)), KW5_FILE_RET_INVALID_DATA);
    frames = serialized({frameOf(100)});
    frames.total = 99;
    EXPECT_EQ(file.buildTagBuffer(header, frames, hostPath(target)), KW5_FILE_RET_INVALID_DATA);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(KW5FileWrite, AnEmptyPathIsRefused) {
    KW5File file;
    EXPECT_EQ(file.writeBuffer(KW5WString()), KW5_FILE_RET_INVALID_PARAMETER);
    KW5Tag tag;
    EXPECT_EQ(file.writeSTD(tag, KW5WString()), KW5_FILE_RET_INVALID_PARAMETER);
}

TEST_F(KW5FileWrite, ALockedTargetIsLeftAlone) {
    fs::path target = dir_.file("song.kw5");
    Bytes old = join(tagOfSize(3072, frameOf(100)), audioBytes(1000));
    kw5test::writeFile(target, old);
    kw5platform::File holder;
    ASSERT_TRUE(holder.open(hostPath(target), kw5platform::OpenPurpose::WriteExclusive));
    KW5File file;
    ASSERT_EQ(file.setImage(tagOfSize(6144, frameOf(4000)).data(), 6144), KW5_FILE_RET_OK);
    EXPECT_EQ(file.writeBuffer(hostPath(target)), KW5_FILE_RET_FILE_ACCESS_ERROR);
    holder.close();
    EXPECT_EQ(kw5test::readFile(target), old);
    expectNoLeftovers(dir_.path());
}

// Another opener shares reading only: neither an in-place write nor a
// remake may start, and the target is left as it was.
TEST_F(KW5FileWrite, ATargetHeldByAReaderIsNotWritten) {
    fs::path target = dir_.file("song.kw5");
    Bytes old = join(tagOfSize(4096, frameOf(2000)), audioBytes(1000));
    for (uint32_t frameSize : {3000u, 5000u}) {
        kw5test::writeFile(target, old);
        kw5platform::File reader;
        ASSERT_TRUE(reader.open(hostPath(target), kw5platform::OpenPurpose::ReadShareRead));
        storagetest::LogCapture log;
        EXPECT_EQ(write(target, {frameOf(frameSize)}), KW5_FILE_RET_FILE_ACCESS_ERROR);
        EXPECT_TRUE(log.contains("writeFile: target cannot be held for writing 32 path = " +
                                 target.string()))
            << log.text();
        reader.close();
        EXPECT_EQ(kw5test::readFile(target), old);
    }
    expectNoLeftovers(dir_.path());
}

TEST_F(KW5FileWrite, AFolderIsNoTarget) {
    fs::path target = dir_.file("folder.kw5");
    fs::create_directories(target);
    EXPECT_EQ(write(target, {frameOf(4000)}), KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_TRUE(fs::is_directory(target));
    expectNoLeftovers(dir_.path());
}

TEST_F(KW5FileWrite, AMissingTemporaryFolderFailsWithoutTouchingTheTarget) {
    storagetest::ScopedEnv env(storagetest::kTemporaryFolderVariable,
                               dir_.file("nofolder").string());
    fs::path target = dir_.file("song.kw5");
    Bytes old = join(tagOfSize(3072, frameOf(100)), audioBytes(1000));
    kw5test::writeFile(target, old);
    storagetest::LogCapture log;
    EXPECT_EQ(write(target, {frameOf(4000)}), KW5_FILE_RET_FAILED);
    EXPECT_TRUE(log.contains("writeFile(remake) Source: checkFreeTempSpace failed path = " +
                             target.string()))
        << log.text();
    EXPECT_EQ(kw5test::readFile(target), old);
}

#ifndef _WIN32
TEST_F(KW5FileWrite, ThePermissionsOfTheTargetAreKept) {
    fs::path target = dir_.file("song.kw5");
    kw5test::writeFile(target, join(tagOfSize(3072, frameOf(100)), audioBytes(1000)));
    fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, mode);
    ASSERT_EQ(write(target, {frameOf(4000)}), KW5_FILE_RET_OK);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, mode);
}

TEST_F(KW5FileWrite, ThroughALinkTheLinkedFileIsRewritten) {
    fs::path real = dir_.file("real.kw5");
    fs::path link = dir_.file("link.kw5");
    Bytes audio = audioBytes(1000, 6);
    kw5test::writeFile(real, join(tagOfSize(3072, frameOf(100)), audio));
    fs::create_symlink(real, link);
    Bytes frame = frameOf(4000);
    ASSERT_EQ(write(link, {frame}), KW5_FILE_RET_OK);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(kw5test::readFile(real), join(tagOfSize(6144, frame), audio));
}

KW5WString predictableNames(size_t count) {
    static int calls = 0;
    // "aaaaaa" for the first name, "bbbbbb" for the second, ...
    return KW5WString(count, static_cast<KW5WChar>('a' + calls++ % 26));
}

TEST_F(KW5FileWrite, APlantedTemporaryLinkIsNeverFollowed) {
    kw5storage::setNameSourceForTesting(predictableNames);
    // Names are drawn until one is free: plant links at all of the first
    // few candidates.
    fs::path victim = dir_.file("victim");
    kw5test::writeFile(victim, Bytes{'v'});
    for (char c = 'a'; c <= 'z'; ++c) {
        fs::create_symlink(victim, tmp_ / ("temp" + std::string(6, c)));
        if (c == 'd')
            break;
    }
    fs::path target = dir_.file("song.kw5");
    Bytes audio = audioBytes(1000, 7);
    kw5test::writeFile(target, join(tagOfSize(3072, frameOf(100)), audio));
    Bytes frame = frameOf(4000);
    ASSERT_EQ(write(target, {frame}), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target), join(tagOfSize(6144, frame), audio));
    EXPECT_EQ(kw5test::readFile(victim), Bytes{'v'});
    EXPECT_TRUE(fs::is_symlink(tmp_ / "tempaaaaaa"));
}

TEST_F(KW5FileWrite, ATemporaryFileIsOwnerOnlyAndExclusive) {
    KW5WString path = hostPath(tmp_ / "tempXXXXXX");
    path = kw5storage::fillNameTemplate(path);
    EXPECT_EQ(kw5test::utf8(path).find("XXXXXX"), std::string::npos);
    kw5test::writeFile(fs::path(kw5test::utf8(path)), Bytes{1});
    KW5WString taken = path;
    kw5platform::File file;
    ASSERT_TRUE(kw5storage::createExclusiveFile(file, path));
    EXPECT_NE(path, taken);
    EXPECT_EQ(path.substr(0, path.size() - 6), taken.substr(0, taken.size() - 6));
    EXPECT_EQ(fs::status(kw5test::utf8(path)).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}
#endif

TEST_F(KW5FileWrite, TheTemporaryPathIsInTheTemporaryFolder) {
    KW5WString temporary;
    ASSERT_EQ(kw5storage::makeTemporaryPath(hostPath(dir_.file("x.kw5")), temporary),
              KW5_FILE_RET_OK);
    fs::path made(kw5test::utf8(temporary));
    EXPECT_EQ(made.parent_path(), tmp_);
    EXPECT_EQ(made.filename().string().substr(0, 4), "temp");
    EXPECT_EQ(made.filename().string().size(), 10u);

    // A temporary folder beyond 256 characters is not used: the copy goes
    // beside the target instead, unless that path is too long as well.
    storagetest::ScopedEnv env(storagetest::kTemporaryFolderVariable,
                               (dir_.path() / std::string(250, 'l')).string());
    ASSERT_EQ(kw5storage::makeTemporaryPath(hostPath(dir_.file("x.kw5")), temporary),
              KW5_FILE_RET_OK);
    EXPECT_EQ(fs::path(kw5test::utf8(temporary)).parent_path(), dir_.path());
    EXPECT_EQ(kw5storage::makeTemporaryPath(
                  kw5test::hostString("/" + std::string(250, 'f') + "/x.kw5"), temporary),
              KW5_FILE_RET_FAILED);
}

TEST_F(KW5FileWrite, AFullTargetVolumeRefusesBeforeTouchingTheTarget) {
    storagetest::SmallVolume volume(dir_.file("vol"), 1024 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    fs::path target = volume.path() / "song.kw5";
    Bytes old = join(tagOfSize(3072, frameOf(100)), audioBytes(700 * 1024, 8));
    kw5test::writeFile(target, old);
    // The remade file (about 700 KiB) is written on the temporary volume
    // and must then be copied whole beside the target: no room for that.
    storagetest::LogCapture log;
    EXPECT_EQ(write(target, {frameOf(4000)}), KW5_FILE_RET_DISK_FULL);
    EXPECT_TRUE(
        log.contains("writeFile(remake)Dest: checkFreeTempSpace failed path = " + target.string()))
        << log.text();
    EXPECT_EQ(kw5test::readFile(target), old);
    expectNoLeftovers(volume.path());
}

TEST_F(KW5FileWrite, AFullTemporaryVolumeRefusesToo) {
    storagetest::SmallVolume volume(dir_.file("smalltmp"), 64 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    storagetest::ScopedEnv env(storagetest::kTemporaryFolderVariable, volume.path().string());
    fs::path target = dir_.file("song.kw5");
    Bytes old = join(tagOfSize(3072, frameOf(100)), audioBytes(200 * 1024, 9));
    kw5test::writeFile(target, old);
    EXPECT_EQ(write(target, {frameOf(4000)}), KW5_FILE_RET_DISK_FULL);
    EXPECT_EQ(kw5test::readFile(target), old);
    EXPECT_TRUE(storagetest::filesIn(volume.path()).empty());
}

TEST_F(KW5FileWrite, ATargetOnAnotherVolumeIsReplacedThroughACopyBesideIt) {
    storagetest::SmallVolume volume(dir_.file("vol"), 4 * 1024 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    fs::path target = volume.path() / "song.kw5";
    Bytes audio = audioBytes(600 * 1024, 10);
    kw5test::writeFile(target, join(tagOfSize(3072, frameOf(100)), audio));
#ifndef _WIN32
    fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read;
    fs::permissions(target, mode);
#endif
    fs::create_hard_link(target, volume.path() / "alias.kw5");
    Bytes frame = frameOf(4000);
    ASSERT_EQ(write(target, {frame}), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target), join(tagOfSize(6144, frame), audio));
    // A file with further names is written through, so they all see it.
    EXPECT_EQ(kw5test::readFile(volume.path() / "alias.kw5"), kw5test::readFile(target));
#ifndef _WIN32
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, mode);
#endif
    expectNoLeftovers(volume.path());
}

TEST_F(KW5FileWrite, WriteSTDWritesTheTagOfAModel) {
    fs::path target = dir_.file("song.kw5");
    Bytes audio = audioBytes(3000, 11);
    Bytes old = tagOfSize(4096, frameOf(3000, "PRIV", 'p'));
    kw5test::writeFile(target, join(old, audio));
    KW5File reader;
    ASSERT_EQ(reader.read(hostPath(target), KW5_OPEN_READWRITE), KW5_FILE_RET_OK);
    KW5Tag tag;
    ASSERT_EQ(reader.loadTag(tag), KW5_FILE_RET_OK);

    // The same frames fit in place: the file comes out as it was.
    KW5File writer;
    ASSERT_EQ(writer.writeSTD(tag, hostPath(target)), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target), join(old, audio));

    // The serialisation emptied the model: another write drops the tag.
    ASSERT_EQ(writer.writeGM(tag, hostPath(target)), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target), audio);
}

TEST_F(KW5FileWrite, TagImagesInMemory) {
    Bytes image = tagOfSize(4096, frameOf(3000, "PRIV", 'p'));
    // The magic of a header that was read is kept.
    image[0] = 'I';
    image[1] = 'D';
    image[2] = '3';
    KW5Tag tag;
    ASSERT_EQ(tag.load(image.data(), static_cast<ULONG>(image.size())), KW5_FILE_RET_OK);
    KW5Tag copy(tag);

    KW5File file;
    unsigned char* block = nullptr;
    ULONG length = 0;
    ASSERT_EQ(file.makeTagImage(tag, block, length), KW5_FILE_RET_OK);
    ASSERT_NE(block, nullptr);
    // Fresh padding, never the old size: 3010 -> 3072.
    Bytes made(block, block + length);
    kw5platform::taskMemFree(block);
    Bytes expected = tagOfSize(3072, frameOf(3000, "PRIV", 'p'));
    expected[0] = 'I';
    expected[1] = 'D';
    expected[2] = '3';
    EXPECT_EQ(made, expected);

    KW5SerializedFrames frames;
    ASSERT_EQ(copy.serializeFramesPrask(frames), KW5_FILE_RET_OK);
    Bytes bare;
    ASSERT_EQ(file.makeBareTagImage(copy, frames, bare), KW5_FILE_RET_OK);
    EXPECT_EQ(bare,
              join(kw5test::hex("49 44 33 03 00 00 00 00 17 38"), frameOf(3000, "PRIV", 'p')));
    frames.lengths.push_back(1);
    EXPECT_EQ(file.makeBareTagImage(copy, frames, bare), KW5_FILE_RET_INVALID_PARAMETER);
    KW5Tag::releaseFrameBuffers(frames);

    // A tag without frames still gets a full padded tag, with the default
    // header.
    KW5Tag empty;
    ASSERT_EQ(file.makeTagImage(empty, block, length), KW5_FILE_RET_OK);
    Bytes blank(block, block + length);
    kw5platform::taskMemFree(block);
    EXPECT_EQ(blank, join(storagetest::tagHeader(3062), Bytes(3062, 0)));
}

// A frame without a body at the end of a tag reads as the start of the
// padding; whatever the old size, what is written must load again.
TEST_F(KW5FileWrite, AnEmptyLastFrameAlwaysGetsPadding) {
    const std::vector<Bytes> frames = {frameOf(500), frameOf(10, "TCOM")};
    struct Row {
        uint32_t oldTagSize; // 0: no tag
        uint32_t newTagSize;
    } rows[] = {{520, 3072}, {521, 521}, {0, 3072}};
    fs::path target = dir_.file("song.kw5");
    Bytes audio = audioBytes(3000, 5);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.oldTagSize);
        kw5test::writeFile(
            target, row.oldTagSize ? join(tagOfSize(row.oldTagSize, frameOf(400)), audio) : audio);
        ASSERT_EQ(write(target, frames), KW5_FILE_RET_OK);
        Bytes written = kw5test::readFile(target);
        ASSERT_EQ(written.size(), row.newTagSize + audio.size());
        KW5Tag tag;
        EXPECT_EQ(tag.load(written.data(), row.newTagSize), KW5_FILE_RET_OK);
    }
    KW5Tag tag;
    std::vector<unsigned char> bare;
    ASSERT_EQ(KW5File().makeBareTagImage(tag, serialized(frames), bare), KW5_FILE_RET_OK);
    EXPECT_EQ(bare.size(), 10u + 510u + 1u);
    EXPECT_EQ(tag.load(bare.data(), static_cast<ULONG>(bare.size())), KW5_FILE_RET_OK);
}

#ifndef _WIN32
// Mount points of one file system share a device number, but rename(2)
// between them fails with EXDEV: the copy beside the target takes over.
TEST_F(KW5FileWrite, ARenameAcrossMountPointsFallsBackToTheCopyBeside) {
    fs::path real = dir_.file("real");
    fs::path bound = dir_.file("bound");
    fs::create_directories(real);
    fs::create_directories(bound);
    std::string mount = "mount --bind '" + real.string() + "' '" + bound.string() + "' 2>/dev/null";
    if (std::system(mount.c_str()) != 0)
        GTEST_SKIP() << "cannot bind-mount here (needs root)";
    fs::path target = bound / "song.kw5";
    Bytes audio = audioBytes(70000, 6);
    kw5test::writeFile(target, join(tagOfSize(3072, frameOf(100)), audio));
    Bytes frame = frameOf(4000);
    EXPECT_EQ(write(target, {frame}), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target), join(tagOfSize(6144, frame), audio));
    expectNoLeftovers(bound);
    EXPECT_EQ(std::system(("umount '" + bound.string() + "'").c_str()), 0);
}

// Without advisory locks (ENOLCK, ENOSYS, EINVAL: some network mounts)
// files open as if nobody held them; any other lock failure is refused,
// and a scratch file just created is removed again.
TEST_F(KW5FileWrite, FileSystemsWithoutLocks) {
    struct Row {
        int error;
        bool works;
    } rows[] = {{ENOLCK, true}, {ENOSYS, true}, {EINVAL, true}, {EIO, false}};
    fs::path target = dir_.file("song.kw5");
    Bytes old = join(tagOfSize(3072, frameOf(100)), audioBytes(5000, 7));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.error);
        for (uint32_t frames : {2000u, 4000u}) {
            kw5test::writeFile(target, old);
            kw5platform::setLockErrorForTesting(row.error);
            _KW5_FILE_RET written = write(target, {frameOf(frames)});
            KW5File reader;
            _KW5_FILE_RET read = reader.read(hostPath(target), 1);
            kw5platform::setLockErrorForTesting(0);
            EXPECT_EQ(written == KW5_FILE_RET_OK, row.works);
            EXPECT_EQ(read == KW5_FILE_RET_OK, row.works);
            EXPECT_EQ(kw5test::readFile(target) == old, !row.works);
            expectNoLeftovers(dir_.path());
        }
        // A new file: the failure comes after the temporary file exists.
        fs::remove(target);
        kw5platform::setLockErrorForTesting(row.error);
        _KW5_FILE_RET created = write(target, {frameOf(100)});
        kw5platform::setLockErrorForTesting(0);
        EXPECT_EQ(created == KW5_FILE_RET_OK, row.works);
        expectNoLeftovers(dir_.path());
    }
}
#endif

} // namespace
