// Windows only: share modes between processes. Another program (this test
// program run again) holds the file open; reads are retried, then refused,
// and a file another program reads is neither written in place nor remade.
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

using kw5test::hostPath;
using kw5test::ScopedEnv;
using namespace storagetest;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// The child opens KW5_SHARING_TARGET ("exclusive" or shared for reading),
// creates the ready file, closes after KW5_SHARING_HOLD_MS when given, and
// ends once the release file appears.
TEST(FileSharingHolderWin32, HoldsTheFileUntilReleased) {
    const char* target = std::getenv("KW5_SHARING_TARGET");
    if (!target || !*target)
        GTEST_SKIP() << "runs only as the child of the FileSharingWin32 tests";
    kw5platform::File file;
    ASSERT_TRUE(
        file.open(hostPath(target), std::string(std::getenv("KW5_SHARING_PURPOSE")) == "exclusive"
                                        ? kw5platform::OpenPurpose::WriteExclusive
                                        : kw5platform::OpenPurpose::ReadShareRead));
    kw5test::writeFile(fs::path(target).parent_path() / "ready", Bytes{1});
    if (*std::getenv("KW5_SHARING_HOLD_MS")) {
        std::this_thread::sleep_for(milliseconds(std::atoi(std::getenv("KW5_SHARING_HOLD_MS"))));
        file.close();
    }
    kw5test::waitForFile(fs::path(target).parent_path() / "release", 60);
}

TEST(FileSharingWin32, OtherProgramsHoldingTheFile) {
    struct Row {
        const char* purpose;
        const char* holdMs;
        _KW5_FILE_RET read;
        bool retried;
    } rows[] = {{"exclusive", "", KW5_FILE_RET_FILE_ACCESS_ERROR, true},
                {"exclusive", "50", KW5_FILE_RET_OK, true},
                {"shareread", "", KW5_FILE_RET_OK, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.purpose) + row.holdMs);
        kw5test::TempDir dir;
        fs::path target = dir.file("song.kw5");
        ScopedEnv tmp(kTemporaryFolderVariable, dir.path().string());
        Bytes old = join(tagOfSize(3072, frameOf(500)), audioBytes(5000, 3));
        kw5test::writeFile(target, old);
        kw5platform::ChildProcess holder;
        {
            ScopedEnv a("KW5_SHARING_TARGET", target.string()),
                b("KW5_SHARING_PURPOSE", row.purpose), c("KW5_SHARING_HOLD_MS", row.holdMs);
            ASSERT_TRUE(holder.start(kw5platform::executablePath(),
                                     {"--gtest_filter=FileSharingHolderWin32.*"}));
        }
        ASSERT_TRUE(kw5test::waitForFile(dir.file("ready"), 30));
        KW5File file;
        auto start = Clock::now();
        EXPECT_EQ(file.read(hostPath(target), KW5_OPEN_READONLY), row.read);
        EXPECT_EQ(Clock::now() - start >= milliseconds(row.holdMs[0] ? 40 : 195), row.retried);
        EXPECT_EQ(file.bufferLength(), row.read == KW5_FILE_RET_OK ? 3072u : 0u);
        if (std::string(row.purpose) == "shareread") {
            // In place (same size) or by a remake: the target is refused.
            LogCapture log;
            EXPECT_EQ(writeTag(target, {frameOf(600)}), KW5_FILE_RET_FILE_ACCESS_ERROR);
            EXPECT_EQ(kw5platform::lastError(), kw5platform::kErrorSharingViolation);
            EXPECT_EQ(writeTag(target, {frameOf(4000)}), KW5_FILE_RET_FILE_ACCESS_ERROR);
            EXPECT_TRUE(log.contains("writeFile: target cannot be held for writing 32 path = " +
                                     target.string()))
                << log.text();
        }
        kw5test::writeFile(dir.file("release"), Bytes{1});
        holder.wait();
        EXPECT_EQ(kw5test::readFile(target), old);
        EXPECT_EQ(filesIn(dir.path()).size(), 3u); // the target, ready and release
        ASSERT_EQ(writeTag(target, {frameOf(4000)}), KW5_FILE_RET_OK);
        EXPECT_EQ(kw5test::readFile(target).size(), 6144u + 5000u);
    }
}

} // namespace

#endif
