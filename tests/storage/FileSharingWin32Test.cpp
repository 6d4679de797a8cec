// Windows only: share modes between processes. Another program (this test
// program run again as a child) holds the file open, and the library meets
// the sharing violations that Windows gives: opens are retried, then
// refused, and a file another program reads is neither written in place
// nor remade.
#ifdef _WIN32

#include "platform/ChildProcess.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "storage/KW5File.h"
#include "tag/KW5TagHeader.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

using kw5test::hostPath;
using kw5test::TempDir;
using storagetest::Bytes;
using storagetest::frameOf;
using storagetest::join;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// What the child holds, and how it talks to the parent: it creates the
// ready file once the file is open, closes the file after the hold time
// (when one is given), and ends when the release file appears.
const char* const kTargetVariable = "KW5_SHARING_TARGET";
const char* const kPurposeVariable = "KW5_SHARING_PURPOSE";
const char* const kHoldVariable = "KW5_SHARING_HOLD_MS";
const char* const kReadyVariable = "KW5_SHARING_READY";
const char* const kReleaseVariable = "KW5_SHARING_RELEASE";

bool waitFor(const fs::path& file, std::chrono::seconds limit) {
    auto start = Clock::now();
    while (!fs::exists(file)) {
        if (Clock::now() - start > limit)
            return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

// Run as a child by the tests below.
TEST(FileSharingHolderWin32, HoldsTheFileUntilReleased) {
    const char* target = std::getenv(kTargetVariable);
    const char* purpose = std::getenv(kPurposeVariable);
    const char* ready = std::getenv(kReadyVariable);
    const char* release = std::getenv(kReleaseVariable);
    const char* hold = std::getenv(kHoldVariable);
    if (!target || !purpose || !ready || !release || !*target)
        GTEST_SKIP() << "runs only as the child of the FileSharingWin32 tests";
    kw5platform::File file;
    ASSERT_TRUE(file.open(hostPath(target), std::string(purpose) == "exclusive"
                                                ? kw5platform::OpenPurpose::WriteExclusive
                                                : kw5platform::OpenPurpose::ReadShareRead));
    kw5test::writeFile(ready, Bytes{1});
    if (hold && *hold) {
        std::this_thread::sleep_for(milliseconds(std::atoi(hold)));
        file.close();
    }
    waitFor(release, std::chrono::seconds(60));
}

class FileSharingWin32 : public ::testing::Test {
protected:
    FileSharingWin32()
        : tmp_(dir_.file("tmp")), target_(dir_.file("song.kw5")),
          audio_(storagetest::audioBytes(5000, 3)),
          old_(join(storagetest::tagOfSize(3072, frameOf(500)), audio_)),
          env_(storagetest::kTemporaryFolderVariable, tmp_.string()),
          targetVariable_(kTargetVariable, target_.string()),
          readyVariable_(kReadyVariable, dir_.file("ready").string()),
          releaseVariable_(kReleaseVariable, dir_.file("release").string()) {
        fs::create_directories(tmp_);
        kw5test::writeFile(target_, old_);
    }
    void SetUp() override { storagetest::bindSharedLog(); }
    void TearDown() override { releaseHolder(); }

    // Starts the holder and waits until it has the file open.
    void startHolder(const std::string& purpose, const std::string& holdMs = "") {
        storagetest::ScopedEnv purposeVariable(kPurposeVariable, purpose);
        storagetest::ScopedEnv holdVariable(kHoldVariable, holdMs);
        ASSERT_TRUE(holder_.start(kw5platform::executablePath(),
                                  {"--gtest_filter=FileSharingHolderWin32.*"}));
        ASSERT_TRUE(waitFor(dir_.file("ready"), std::chrono::seconds(30)))
            << "the holder did not start";
    }

    void releaseHolder() {
        if (!fs::exists(dir_.file("release")))
            kw5test::writeFile(dir_.file("release"), Bytes{1});
        holder_.wait();
    }

    // A tag that keeps the size on disk (written in place) or grows it
    // (written by a remake).
    _KW5_FILE_RET rewrite(uint32_t frameSize) {
        KW5TagHeader header;
        header.makeDefault();
        KW5File file;
        _KW5_FILE_RET result = file.buildTagBuffer(
            header, storagetest::serialized({frameOf(frameSize, "PRIV", 'n')}), hostPath(target_));
        if (result != KW5_FILE_RET_OK)
            return result;
        return file.writeBuffer(hostPath(target_));
    }

    void expectNoLeftovers() {
        EXPECT_TRUE(storagetest::filesIn(tmp_).empty());
        for (const std::string& name : storagetest::filesIn(dir_.path()))
            EXPECT_EQ(name.find(".kw5new-"), std::string::npos) << name;
    }

    TempDir dir_;
    fs::path tmp_;
    fs::path target_;
    Bytes audio_;
    Bytes old_;
    storagetest::ScopedEnv env_;
    storagetest::ScopedEnv targetVariable_;
    storagetest::ScopedEnv readyVariable_;
    storagetest::ScopedEnv releaseVariable_;
    kw5platform::ChildProcess holder_;
};

} // namespace

TEST_F(FileSharingWin32, AFileHeldWithoutSharingIsRetriedThenRefused) {
    startHolder("exclusive");
    KW5File file;
    auto start = Clock::now();
    EXPECT_EQ(file.read(hostPath(target_), KW5_OPEN_READONLY), KW5_FILE_RET_FILE_ACCESS_ERROR);
    auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(195));
    EXPECT_LT(elapsed, milliseconds(3000));
    EXPECT_EQ(file.bufferLength(), 0u);
    EXPECT_EQ(kw5platform::lastError(), kw5platform::kErrorSharingViolation);

    releaseHolder();
    ASSERT_EQ(file.read(hostPath(target_), KW5_OPEN_READONLY), KW5_FILE_RET_OK);
    EXPECT_EQ(file.bufferLength(), 3072u);
}

TEST_F(FileSharingWin32, AHolderThatLetsGoWhileTheOpenRetriesIsWaitedFor) {
    startHolder("exclusive", "50");
    KW5File file;
    EXPECT_EQ(file.read(hostPath(target_), KW5_OPEN_READONLY), KW5_FILE_RET_OK);
    EXPECT_EQ(file.bufferLength(), 3072u);
}

TEST_F(FileSharingWin32, AnotherReaderLetsReadsInButNoInPlaceWrite) {
    startHolder("shareread");
    KW5File file;
    auto start = Clock::now();
    ASSERT_EQ(file.read(hostPath(target_), KW5_OPEN_READONLY), KW5_FILE_RET_OK);
    EXPECT_LT(Clock::now() - start, milliseconds(95)) << "a shared read needs no retry";
    EXPECT_EQ(file.bufferLength(), 3072u);

    // The same size on disk: the write goes in place, which needs the file
    // to itself.
    EXPECT_EQ(rewrite(600), KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_EQ(kw5platform::lastError(), kw5platform::kErrorSharingViolation);
    releaseHolder();
    EXPECT_EQ(kw5test::readFile(target_), old_);
    expectNoLeftovers();

    EXPECT_EQ(rewrite(600), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target_),
              join(storagetest::tagOfSize(3072, frameOf(600, "PRIV", 'n')), audio_));
}

TEST_F(FileSharingWin32, AFileAnotherProgramReadsIsNotRemade) {
    startHolder("shareread");
    // A larger tag needs a remake; the target is held to itself from the
    // start: refused before anything is written.
    storagetest::LogCapture log;
    EXPECT_EQ(rewrite(4000), KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_TRUE(
        log.contains("writeFile: target cannot be held for writing 32 path = " + target_.string()))
        << log.text();
    releaseHolder();
    EXPECT_EQ(kw5test::readFile(target_), old_);
    expectNoLeftovers();

    ASSERT_EQ(rewrite(4000), KW5_FILE_RET_OK);
    EXPECT_EQ(kw5test::readFile(target_),
              join(storagetest::tagOfSize(6144, frameOf(4000, "PRIV", 'n')), audio_));
}

#endif
