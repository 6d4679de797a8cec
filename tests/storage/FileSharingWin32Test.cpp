// Windows only: another program (this test program run again) holds the
// file; reads are retried, then refused, and nothing is written over it.
#ifdef _WIN32

#include "platform/ChildProcess.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

using namespace storagetest;
namespace fs = std::filesystem;

namespace {

TEST(FileSharingHolderWin32, HoldsTheFileUntilReleased) {
    const char* target = std::getenv("KW5_SHARING_TARGET");
    if (!target || !*target)
        GTEST_SKIP() << "runs only as the child of the FileSharingWin32 test";
    kw5platform::File file;
    ASSERT_TRUE(file.open(kw5test::hostPath(target), kw5platform::OpenPurpose::WriteExclusive));
    kw5test::writeFile(fs::path(target).parent_path() / "ready", Bytes{1});
    kw5test::waitForFile(fs::path(target).parent_path() / "release", 60);
}

TEST(FileSharingWin32, AFileAnotherProgramHoldsIsRetriedThenRefused) {
    kw5test::TempDir dir;
    const fs::path target = dir.file("song.kw5");
    const Bytes old = join(tagOfSize(3072, frameOf(500)), audioBytes(5000, 3));
    kw5test::writeFile(target, old);
    kw5platform::ChildProcess holder;
    {
        kw5test::ScopedEnv variable("KW5_SHARING_TARGET", target.string());
        ASSERT_TRUE(kw5test::startChild(holder, kw5platform::executablePath(),
                                        {"--gtest_filter=FileSharingHolderWin32.*"}));
    }
    ASSERT_TRUE(kw5test::waitForFile(dir.file("ready"), 30));
    kw5test::ScopedEnv tmp(kTemporaryFolderVariable, dir.path().string());
    KW5File file;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(file.read(kw5test::hostPath(target), KW5_OPEN_READONLY),
              KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(195));
    EXPECT_EQ(kw5platform::lastError(), 32u);
    for (uint32_t frame : {600u, 4000u}) // in place, by a remake
        EXPECT_EQ(writeTag(target, {frameOf(frame)}), KW5_FILE_RET_FILE_ACCESS_ERROR);
    kw5test::writeFile(dir.file("release"), Bytes{1});
    holder.wait();
    EXPECT_EQ(kw5test::readFile(target), old);
}

} // namespace

#endif
