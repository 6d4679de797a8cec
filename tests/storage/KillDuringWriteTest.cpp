// A writer killed at any moment leaves the target either as it was or as
// it was meant to become, with all of its audio. The writer is this test
// program run again (KillDuringWriteChild), killed as a crash would.
#include "platform/ChildProcess.h"
#include "platform/Process.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <thread>

using kw5test::ScopedEnv;
using namespace storagetest;
namespace fs = std::filesystem;

namespace {

// Two tags that always replace each other by a remake: 3072 <-> 6144.
TEST(KillDuringWriteChild, RewritesUntilKilled) {
    const char* target = std::getenv("KW5_KILL_TARGET");
    if (!target)
        GTEST_SKIP() << "runs only as the child of the KillDuringWrite test";
    kw5test::writeFile(fs::path(target).parent_path() / "started", Bytes{1});
    for (ULONG size = 0;; KW5File::getTagSizeOnDisk(kw5test::hostPath(target), size))
        writeTag(target, {frameOf(size == 3072 ? 4000 : 500)});
}

// Every kill finds one of the two files, and some writes got through.
void killRepeatedly(const fs::path& target, const fs::path& tmp, int rounds) {
    const Bytes audio = audioBytes(4 << 20, 42);
    const Bytes small = join(tagOfSize(3072, frameOf(500)), audio);
    const Bytes large = join(tagOfSize(6144, frameOf(4000)), audio);
    kw5test::writeFile(target, small);
    const fs::path started = target.parent_path() / "started";
    ScopedEnv variable("KW5_KILL_TARGET", target.string());
    std::mt19937 random(7);
    int completed = 0;
    for (int round = 0; round < rounds; ++round) {
        fs::remove(started);
        kw5platform::ChildProcess child;
        ASSERT_TRUE(kw5test::startChild(child, kw5platform::executablePath(),
                                        {"--gtest_filter=Kill*Child.*"}));
        ASSERT_TRUE(kw5test::waitForFile(started, 30)) << "the writer did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 60000));
        ASSERT_TRUE(child.kill() && child.wait());
        Bytes now = kw5test::readFile(target);
        ASSERT_TRUE(now == small || now == large) << "round " << round << ": " << now.size();
        completed += now == large;
        // A killed writer may leave its temporary file behind.
        for (const std::string& name : filesIn(tmp))
            fs::remove_all(tmp / name);
    }
    EXPECT_GT(completed, 0) << "no write ever completed; the kills came too early";
}

TEST(KillDuringWrite, RenameOnTheSameVolumeOrCopyBesideOnAnother) {
    kw5test::TempDir dir;
    fs::create_directories(dir.file("tmp"));
    ScopedEnv env(kTemporaryFolderVariable, dir.file("tmp").string());
    killRepeatedly(dir.file("song.kw5"), dir.file("tmp"), 60);
    SmallVolume volume(dir.file("vol"), 32 << 20);
    if (!volume.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    killRepeatedly(volume.path() / "song.kw5", dir.file("tmp"), 40);
    // Replacement files of killed writers are hidden beside the target.
    for (const std::string& name : filesIn(volume.path()))
        EXPECT_TRUE(name == "song.kw5" || name == "started" ||
                    name.rfind(".song.kw5.kw5new-", 0) == 0)
            << name;
}

} // namespace
