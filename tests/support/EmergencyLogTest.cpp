#include "support/EmergencyLog.h"
#include "platform/ChildProcess.h"
#include "platform/Environment.h"
#include "platform/NamedMutex.h"
#include "platform/Process.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>

using namespace kw5test;
namespace fs = std::filesystem;

namespace {

const char* const kMutexName = "vmkemergencylog-mutex";
const char* const kHolderReadyVariable = "KW5_TEST_LOCK_HOLDER_READY";

// "%04d/%02d/%02d %02d:%02d:%02d.%03d [%S %s] %08x:%08x " and the message.
const std::regex& linePattern() {
    static const std::regex pattern("\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} "
                                    "\\[([^\\r\\n]*)\\] ([0-9a-f]{8}):([0-9a-f]{8}) "
                                    "([^\\r\\n]*)\\r\\n");
    return pattern;
}

std::string hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned int>(value));
    return text;
}

// Lines end in CR LF: split after each LF.
std::vector<std::string> logLines(const fs::path& file) {
    return readLines(file);
}

std::string messageOf(const std::string& line) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(line, match, linePattern())) << line;
    return match.empty() ? std::string() : match[4].str();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class EmergencyLogTest : public ::testing::Test {
protected:
    EmergencyLogTest()
        : desktop_("XDG_DESKTOP_DIR", pathText(dir_.path() / "desktop")),
          runtime_("XDG_RUNTIME_DIR", pathText(dir_.path() / "run")),
          file_(dir_.path() / "desktop" / "vmk-emergency-log.txt") {
        fs::create_directories(dir_.path() / "run");
        resetEmergencyLogPathForTesting();
    }
    ~EmergencyLogTest() override { resetEmergencyLogPathForTesting(); }

    TempDir dir_;
    ScopedVariable desktop_;
    ScopedVariable runtime_;
    fs::path file_;
};

} // namespace

TEST_F(EmergencyLogTest, FirstLineCreatesTheFileOnTheDesktop) {
    ASSERT_FALSE(fs::exists(dir_.path() / "desktop"));
    writeEmergencyLog("vmkutils_base_stub: %s", "vmkprocaddr: LoadLibraryEx: 126");
    std::vector<std::string> lines = logLines(file_);
    ASSERT_EQ(1u, lines.size());
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, linePattern())) << lines[0];
    EXPECT_EQ(utf8(kw5platform::executablePath()) + " " + kw5platform::commandLine(),
              match[1].str());
    EXPECT_EQ(hex8(kw5platform::processId()), match[2].str());
    EXPECT_EQ(hex8(kw5platform::threadId()), match[3].str());
    EXPECT_EQ("vmkutils_base_stub: vmkprocaddr: LoadLibraryEx: 126", match[4].str());
}

TEST_F(EmergencyLogTest, EachCallAppendsOneLine) {
    writeEmergencyLog("first %d", 1);
    writeEmergencyLog("second %S", KW5_WSTR("Gr\u00fc\u00dfe"));
    std::vector<std::string> lines = logLines(file_);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("first 1", messageOf(lines[0]));
    EXPECT_EQ("second Gr\xc3\xbc\xc3\x9f"
              "e",
              messageOf(lines[1]));
}

TEST_F(EmergencyLogTest, LongMessageIsCutAndStillEndsTheLine) {
    std::string longText(3000, 'x');
    writeEmergencyLog("%s", longText.c_str());
    writeEmergencyLog("%s", std::string(2047, 'y').c_str());
    std::vector<std::string> lines = logLines(file_);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(std::string(2047, 'x'), messageOf(lines[0]));
    EXPECT_EQ(std::string(2047, 'y'), messageOf(lines[1]));
}

TEST_F(EmergencyLogTest, MissingDesktopDropsTheLineAndIsLookedForAgain) {
    // A desktop below a plain file can never be made.
    writeFile(dir_.path() / "plain", {'x'});
    {
        ScopedVariable broken("XDG_DESKTOP_DIR", pathText(dir_.path() / "plain" / "desktop"));
        writeEmergencyLog("lost");
        EXPECT_TRUE(emergencyLogPath().empty());
    }
    writeEmergencyLog("kept");
    std::vector<std::string> lines = logLines(file_);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("kept", messageOf(lines[0]));
}

TEST_F(EmergencyLogTest, PathIsKeptOnceFound) {
    writeEmergencyLog("one");
    ScopedVariable moved("XDG_DESKTOP_DIR", pathText(dir_.path() / "other"));
    writeEmergencyLog("two");
    EXPECT_EQ(2u, logLines(file_).size());
    EXPECT_FALSE(fs::exists(dir_.path() / "other" / "vmk-emergency-log.txt"));
}

TEST_F(EmergencyLogTest, UnopenableFileDropsTheLineAndFreesTheMutex) {
    fs::create_directories(file_);
    auto start = std::chrono::steady_clock::now();
    writeEmergencyLog("lost");
    fs::remove(file_);
    writeEmergencyLog("kept");
    EXPECT_LT(secondsSince(start), 4.0);
    std::vector<std::string> lines = logLines(file_);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("kept", messageOf(lines[0]));
}

TEST_F(EmergencyLogTest, LockHeldByAnotherWriterDropsTheLineAfterFiveSeconds) {
    kw5platform::NamedMutex held;
    bool acquired = false;
    // Another thread holds it: a Windows mutex is recursive for its owner.
    std::thread holder([&] {
        ASSERT_TRUE(held.open(kMutexName));
        acquired = held.wait(1000) == kw5platform::NamedMutex::Wait::Acquired;
    });
    holder.join();
    ASSERT_TRUE(acquired);
    auto start = std::chrono::steady_clock::now();
    writeEmergencyLog("lost");
    double waited = secondsSince(start);
    EXPECT_GE(waited, 4.9);
    EXPECT_LT(waited, 8.0);
    EXPECT_TRUE(readText(file_).empty());
}

// Run as a child by the next test: takes the lock, says so, and waits to be
// killed.
TEST(EmergencyLogLockHolder, HoldsTheLockUntilKilled) {
    KW5WString ready;
    if (!kw5platform::environmentVariable(kHolderReadyVariable, ready))
        GTEST_SKIP() << "runs only as the child of LockOfAKilledProcessDoesNotBlock";
    kw5platform::NamedMutex mutex;
    ASSERT_TRUE(mutex.open(kMutexName));
    ASSERT_EQ(kw5platform::NamedMutex::Wait::Acquired, mutex.wait(5000));
    writeFile(fs::u8path(utf8(ready)), {'1'});
    std::this_thread::sleep_for(std::chrono::seconds(60));
}

TEST_F(EmergencyLogTest, LockOfAKilledProcessDoesNotBlock) {
    fs::path ready = dir_.path() / "holder-ready";
    kw5platform::ChildProcess child;
    {
        ScopedVariable flag(kHolderReadyVariable, pathText(ready));
        ASSERT_TRUE(child.start(kw5platform::executablePath(),
                                {"--gtest_filter=EmergencyLogLockHolder.HoldsTheLockUntilKilled"}));
    }
    auto start = std::chrono::steady_clock::now();
    while (!fs::exists(ready) && secondsSince(start) < 30)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(ready));
    {
        // The child owns it now.
        kw5platform::NamedMutex probe;
        ASSERT_TRUE(probe.open(kMutexName));
        EXPECT_EQ(kw5platform::NamedMutex::Wait::TimedOut, probe.wait(100));
    }
    ASSERT_TRUE(child.kill());
    ASSERT_TRUE(child.wait());

    start = std::chrono::steady_clock::now();
    writeEmergencyLog("after the crash");
    EXPECT_LT(secondsSince(start), 4.0);
    std::vector<std::string> lines = logLines(file_);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("after the crash", messageOf(lines[0]));
}
