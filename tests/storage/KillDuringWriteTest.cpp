// A writer killed at any moment leaves the target either as it was or as
// it was meant to become, with all of its audio. The writer is this test
// program run again (KillDuringWriteChild), killed at random moments as a
// crash would.
#include "platform/ChildProcess.h"
#include "platform/Process.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <thread>

using kw5test::hostPath;
using kw5test::ScopedEnv;
using kw5test::TempDir;
using namespace storagetest;
namespace fs = std::filesystem;

namespace {

// Two tags that always replace each other by a remake: 3072 <-> 6144.
const uint32_t kSmallFrame = 500, kLargeFrame = 4000;
const char* const kTargetVariable = "KW5_STORAGE_KILL_TARGET";
const char* const kReadyVariable = "KW5_STORAGE_KILL_READY";

TEST(KillDuringWriteChild, RewritesUntilKilled) {
    const char* target = std::getenv(kTargetVariable);
    const char* ready = std::getenv(kReadyVariable);
    if (!target || !ready || !*target)
        GTEST_SKIP() << "runs only as the child of the KillDuringWrite tests";
    kw5test::writeFile(ready, Bytes{1});
    for (;;) {
        ULONG size = 0;
        KW5File::getTagSizeOnDisk(hostPath(target), size);
        writeTag(target, {frameOf(size == 3072 ? kLargeFrame : kSmallFrame)});
    }
}

// Kills the writer many times; every kill finds one of the two files, and
// some writes got through.
void killRepeatedly(const fs::path& target, const fs::path& tmp, int rounds) {
    Bytes audio = audioBytes(4 * 1024 * 1024, 42);
    Bytes small = join(tagOfSize(3072, frameOf(kSmallFrame)), audio);
    Bytes large = join(tagOfSize(6144, frameOf(kLargeFrame)), audio);
    kw5test::writeFile(target, small);
    fs::path ready = tmp.parent_path() / "writer-started";
    ScopedEnv targetVariable(kTargetVariable, target.string());
    ScopedEnv readyVariable(kReadyVariable, ready.string());
    std::mt19937 random(7);
    std::uniform_int_distribution<int> delay(0, 60000);
    int completed = 0;
    for (int round = 0; round < rounds; ++round) {
        fs::remove(ready);
        // Under a loaded Wine a start now and then fails at once: retry.
        kw5platform::ChildProcess child;
        bool started = false;
        for (int attempt = 0; attempt < 5 && !started; ++attempt)
            started = child.start(kw5platform::executablePath(),
                                  {"--gtest_filter=KillDuringWriteChild.RewritesUntilKilled"});
        ASSERT_TRUE(started);
        ASSERT_TRUE(kw5test::waitForFile(ready, 30)) << "the writer did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ASSERT_TRUE(child.kill());
        ASSERT_TRUE(child.wait());
        Bytes now = kw5test::readFile(target);
        ASSERT_TRUE(now == small || now == large)
            << "round " << round << ": neither the old nor the new file (" << now.size() << ")";
        completed += now == large;
        // A killed writer may leave its temporary file behind.
        for (const std::string& name : filesIn(tmp))
            fs::remove(tmp / name);
    }
    EXPECT_GT(completed, 0) << "no write ever completed; the kills came too early";
}

TEST(KillDuringWrite, RenameOnTheSameVolumeOrCopyBesideOnAnother) {
    TempDir dir;
    fs::path tmp = dir.file("tmp");
    fs::create_directories(tmp);
    ScopedEnv env(kTemporaryFolderVariable, tmp.string());
    killRepeatedly(dir.file("song.kw5"), tmp, 60);

    SmallVolume volume(dir.file("vol"), 32 * 1024 * 1024);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    killRepeatedly(volume.path() / "song.kw5", tmp, 40);
    // Replacement files of killed writers are hidden beside the target.
    for (const std::string& name : filesIn(volume.path()))
        if (name != "song.kw5") {
            EXPECT_EQ(name.rfind(".song.kw5.kw5new-", 0), 0u) << name;
        }
}

} // namespace
