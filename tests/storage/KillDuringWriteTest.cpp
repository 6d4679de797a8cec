// A writer killed at any moment leaves the target either as it was or as
// it was meant to become, with all of its audio.
//
// The writer is this test program run again as a child process (the test
// KillDuringWriteChild), killed at random moments as a crash would.
#include "platform/ChildProcess.h"
#include "platform/Process.h"
#include "storage/KW5File.h"
#include "tag/KW5TagHeader.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

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

// Tell the child what to rewrite and where to say it has started.
const char* const kTargetVariable = "KW5_STORAGE_KILL_TARGET";
const char* const kReadyVariable = "KW5_STORAGE_KILL_READY";

[[noreturn]] void rewriteForever(const fs::path& target, const fs::path& ready) {
    kw5test::writeFile(ready, Bytes{1});
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

    fs::path ready = temporaryFolder.parent_path() / "writer-started";
    storagetest::ScopedEnv targetVariable(kTargetVariable, target.string());
    storagetest::ScopedEnv readyVariable(kReadyVariable, ready.string());
    std::mt19937 random(7);
    std::uniform_int_distribution<int> delay(0, 60000);
    small = large = 0;
    for (int round = 0; round < rounds; ++round) {
        fs::remove(ready);
        // Under a loaded Wine a process start now and then fails at once;
        // what is tested here is the writer, so try the start again.
        kw5platform::ChildProcess child;
        bool started = false;
        for (int attempt = 0; attempt < 5 && !started; ++attempt) {
            started = child.start(kw5platform::executablePath(),
                                  {"--gtest_filter=KillDuringWriteChild.RewritesUntilKilled"});
            if (!started)
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        ASSERT_TRUE(started);
        auto start = std::chrono::steady_clock::now();
        while (!fs::exists(ready) &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(fs::exists(ready)) << "the writer did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ASSERT_TRUE(child.kill());
        ASSERT_TRUE(child.wait());

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

// Run as a child by the tests below: rewrites the target until killed.
TEST(KillDuringWriteChild, RewritesUntilKilled) {
    const char* target = std::getenv(kTargetVariable);
    const char* ready = std::getenv(kReadyVariable);
    if (target == nullptr || ready == nullptr || *target == 0)
        GTEST_SKIP() << "runs only as the child of the KillDuringWrite tests";
    rewriteForever(target, ready);
}

class KillDuringWrite : public ::testing::Test {
protected:
    KillDuringWrite()
        : tmp_(dir_.file("tmp")), env_(storagetest::kTemporaryFolderVariable, tmp_.string()) {
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
