// Windows only: another program (this test program run again) holds the
// file; reads are retried, then refused, and a file another program reads
// is neither written in place nor remade.
#ifdef _WIN32

#include "platform/ChildProcess.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace storagetest;
namespace fs = std::filesystem;

namespace {

// The child opens the target ("x": exclusive, else shared for reading),
// says so, lets go after the hold time when one is given, and ends once the
// release file appears.
TEST(FileSharingHolderWin32, HoldsTheFileUntilReleased) {
    const char* target = std::getenv("KW5_SHARING_TARGET");
    if (!target || !*target)
        GTEST_SKIP() << "runs only as the child of the FileSharingWin32 test";
    const std::string how = std::getenv("KW5_SHARING_HOW");
    kw5platform::File file;
    ASSERT_TRUE(file.open(kw5test::hostPath(target),
                          how[0] == 'x' ? kw5platform::OpenPurpose::WriteExclusive
                                        : kw5platform::OpenPurpose::ReadShareRead));
    kw5test::writeFile(fs::path(target).parent_path() / "ready", Bytes{1});
    std::this_thread::sleep_for(std::chrono::milliseconds(how.size() > 1 ? 50 : 0));
    if (how.size() > 1)
        file.close();
    kw5test::waitForFile(fs::path(target).parent_path() / "release", 60);
}

TEST(FileSharingWin32, OtherProgramsHoldingTheFile) {
    // How the file is held, what a read answers, whether it was retried.
    const std::pair<const char*, _KW5_FILE_RET> rows[] = {
        {"x", KW5_FILE_RET_FILE_ACCESS_ERROR}, {"x50", KW5_FILE_RET_OK}, {"r", KW5_FILE_RET_OK}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        kw5test::TempDir dir;
        fs::path target = dir.file("song.kw5");
        const Bytes old = join(tagOfSize(3072, frameOf(500)), audioBytes(5000, 3));
        kw5test::writeFile(target, old);
        kw5platform::ChildProcess holder;
        {
            kw5test::ScopedEnv a("KW5_SHARING_TARGET", target.string()),
                b("KW5_SHARING_HOW", row.first);
            ASSERT_TRUE(holder.start(kw5platform::executablePath(),
                                     {"--gtest_filter=FileSharingHolderWin32.*"}));
        }
        ASSERT_TRUE(kw5test::waitForFile(dir.file("ready"), 30));
        kw5test::ScopedEnv tmp(kTemporaryFolderVariable, dir.path().string());
        KW5File file;
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(file.read(kw5test::hostPath(target), KW5_OPEN_READONLY), row.second);
        EXPECT_EQ(std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(40),
                  row.first[0] == 'x');
        EXPECT_EQ(file.bufferLength(), row.second == KW5_FILE_RET_OK ? 3072u : 0u);
        if (row.first[0] == 'r') {
            // In place (same size) or by a remake: the target is refused.
            LogCapture log;
            EXPECT_EQ(writeTag(target, {frameOf(600)}), KW5_FILE_RET_FILE_ACCESS_ERROR);
            EXPECT_EQ(kw5platform::lastError(), kw5platform::kErrorSharingViolation);
            EXPECT_EQ(writeTag(target, {frameOf(4000)}), KW5_FILE_RET_FILE_ACCESS_ERROR);
            EXPECT_TRUE(log.contains("writeFile: target cannot be held for writing 32 path = " +
                                     target.string()));
        }
        kw5test::writeFile(dir.file("release"), Bytes{1});
        holder.wait();
        EXPECT_EQ(kw5test::readFile(target), old);
        EXPECT_EQ(filesIn(dir.path()).size(), 3u); // the target, ready and release
        ASSERT_EQ(writeTag(target, {frameOf(4000)}), KW5_FILE_RET_OK);
    }
}

} // namespace

#endif
