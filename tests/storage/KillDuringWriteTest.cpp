// A writer killed at any moment leaves the target either as it was or as
// it was meant to become, with all of its audio.
//
// POSIX only: the writer runs in a forked child that is sent SIGKILL. This
// is the one storage test that needs process control of its own.
#ifndef _WIN32

#include "storage/KW5File.h"
#include "tag/KW5TagHeader.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using kw5test::hostPath;
using kw5test::TempDir;
using storagetest::Bytes;
using storagetest::frameOf;
using storagetest::join;

namespace fs = std::filesystem;

namespace {

// Two tags that always replace each other by a remake: 3072 <-> 6144.
const uint32_t kSmallFrames = 500;
const uint32_t kLargeFrames = 4000;

[[noreturn]] void rewriteForever(const fs::path& target) {
    KW5TagHeader header;
    header.makeDefault();
    for (;;) {
        ULONG size = 0;
        KW5File::getTagSizeOnDisk(hostPath(target), size);
        uint32_t frames = size == 3072 ? kLargeFrames : kSmallFrames;
        KW5File file;
        if (file.buildTagBuffer(header, storagetest::serialized({frameOf(frames)}),
                                hostPath(target)) == KW5_FILE_RET_OK)
            file.writeBuffer(hostPath(target));
    }
}

// Runs the writer and kills it many times; returns how many kills found the
// target in each of its two states.
void killRepeatedly(const fs::path& target, const fs::path& temporaryFolder, int rounds, int& small,
                    int& large) {
    Bytes audio = storagetest::audioBytes(static_cast<size_t>(fs::file_size(target)) - 3072, 42);
    Bytes smallFile = join(storagetest::tagOfSize(3072, frameOf(kSmallFrames)), audio);
    Bytes largeFile = join(storagetest::tagOfSize(6144, frameOf(kLargeFrames)), audio);
    ASSERT_EQ(kw5test::readFile(target), smallFile);

    std::mt19937 random(7);
    std::uniform_int_distribution<int> delay(0, 60000);
    small = large = 0;
    for (int round = 0; round < rounds; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            rewriteForever(target);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        Bytes now = kw5test::readFile(target);
        if (now == smallFile)
            ++small;
        else if (now == largeFile)
            ++large;
        else
            FAIL() << "round " << round << ": the target is neither the old nor the new file ("
                   << now.size() << " bytes)";
        // A killed writer may leave its temporary file; clear them away.
        for (const std::string& name : storagetest::filesIn(temporaryFolder))
            fs::remove(temporaryFolder / name);
    }
}

class KillDuringWrite : public ::testing::Test {
protected:
    KillDuringWrite() : tmp_(dir_.file("tmp")), env_("TMPDIR", tmp_.string()) {
        fs::create_directories(tmp_);
    }
    void SetUp() override { storagetest::bindSharedLog(); }

    void makeTarget(const fs::path& target, size_t audioSize) {
        kw5test::writeFile(target, join(storagetest::tagOfSize(3072, frameOf(kSmallFrames)),
                                        storagetest::audioBytes(audioSize, 42)));
    }

    TempDir dir_;
    fs::path tmp_;
    storagetest::ScopedEnv env_;
};

TEST_F(KillDuringWrite, RenameOnTheSameVolume) {
    fs::path target = dir_.file("song.kw5");
    makeTarget(target, 4 * 1024 * 1024);
    int small = 0, large = 0;
    killRepeatedly(target, tmp_, 60, small, large);
    // The writer got through at least once: the test saw both states.
    EXPECT_GT(small + large, 0);
    EXPECT_GT(large, 0) << "no write ever completed; the kills came too early";
}

TEST_F(KillDuringWrite, CopyBesideATargetOnAnotherVolume) {
    storagetest::SmallVolume volume(dir_.file("vol"), 32 * 1024 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    fs::path target = volume.path() / "song.kw5";
    makeTarget(target, 4 * 1024 * 1024);
    int small = 0, large = 0;
    killRepeatedly(target, tmp_, 40, small, large);
    EXPECT_GT(large, 0) << "no write ever completed; the kills came too early";
    // Replacement files left by killed writers are hidden beside the
    // target; they never take its place.
    for (const std::string& name : storagetest::filesIn(volume.path())) {
        if (name != "song.kw5") {
            EXPECT_EQ(name.rfind(".song.kw5.kw5new-", 0), 0u) << name;
        }
    }
}

} // namespace

#endif
