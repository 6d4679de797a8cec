#include "support/EmergencyLog.h"
#include "platform/ChildProcess.h"
#include "platform/Environment.h"
#include "platform/NamedMutex.h"
#include "platform/Process.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <regex>
#include <string>
#include <thread>

using namespace kw5test;
namespace fs = std::filesystem;

namespace {

const char* const kHolderReadyVariable = "KW5_TEST_LOCK_HOLDER_READY";
const char* const kHolderMutexVariable = "KW5_TEST_LOCK_HOLDER_MUTEX";

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

std::string messageOf(const std::string& line) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(line, match, linePattern())) << line;
    return match.empty() ? std::string() : match[4].str();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Holds a named mutex on a thread of its own until released: a Windows
// mutex is recursive for its owner, and one whose owner thread ends is
// abandoned, so the holder must be another thread that stays.
class LockHolder {
public:
    explicit LockHolder(const std::string& name) : thread_([this, name] { run(name); }) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return state_ != State::Starting; });
    }
    ~LockHolder() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    bool holding() const { return state_ == State::Holding; }

private:
    enum class State { Starting, Holding, Failed };

    void run(const std::string& name) {
        kw5platform::NamedMutex held;
        bool ok = held.open(name) && held.wait(1000) == kw5platform::NamedMutex::Wait::Acquired;
        std::unique_lock<std::mutex> lock(mutex_);
        state_ = ok ? State::Holding : State::Failed;
        changed_.notify_all();
        changed_.wait(lock, [this] { return stop_; });
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Starting;
    bool stop_ = false;
    std::thread thread_;
};

// Each test has its own desktop, its own mutex name and, on POSIX, its own
// folder for lock files.
class EmergencyLogTest : public ::testing::Test {
protected:
    EmergencyLogTest()
        : runtime_("XDG_RUNTIME_DIR", pathText(dir_.path() / "run")),
          desktop_(dir_.path() / "desktop"), file_(desktop_ / "vmk-emergency-log.txt"),
          mutexName_("kw5-test-emergency-" + std::to_string(kw5platform::processId())) {
        fs::create_directories(dir_.path() / "run");
        resetEmergencyLogForTesting(hostPath(desktop_), mutexName_);
    }
    ~EmergencyLogTest() override { resetEmergencyLogForTesting(); }

    TempDir dir_;
    ScopedVariable runtime_;
    fs::path desktop_;
    fs::path file_;
    std::string mutexName_;
};

} // namespace

TEST_F(EmergencyLogTest, FirstLineCreatesTheFileOnTheDesktop) {
    ASSERT_FALSE(fs::exists(desktop_));
    writeEmergencyLog("vmkutils_base_stub: %s", "vmkprocaddr: LoadLibraryEx: 126");
    std::vector<std::string> lines = readLines(file_);
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
    std::vector<std::string> lines = readLines(file_);
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
    std::vector<std::string> lines = readLines(file_);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(std::string(2047, 'x'), messageOf(lines[0]));
    EXPECT_EQ(std::string(2047, 'y'), messageOf(lines[1]));
}

TEST_F(EmergencyLogTest, MissingDesktopDropsTheLineAndIsLookedForAgain) {
    // A desktop below a plain file can never be made.
    fs::path blocked = dir_.path() / "plain" / "desktop";
    writeFile(dir_.path() / "plain", {'x'});
    resetEmergencyLogForTesting(hostPath(blocked), mutexName_);
    writeEmergencyLog("lost");
    EXPECT_TRUE(emergencyLogPath().empty());

    fs::remove(dir_.path() / "plain");
    writeEmergencyLog("kept");
    std::vector<std::string> lines = readLines(blocked / "vmk-emergency-log.txt");
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("kept", messageOf(lines[0]));
}

TEST_F(EmergencyLogTest, UnopenableFileDropsTheLineAndFreesTheMutex) {
    fs::create_directories(file_);
    auto start = std::chrono::steady_clock::now();
    writeEmergencyLog("lost");
    fs::remove(file_);
    writeEmergencyLog("kept");
    EXPECT_LT(secondsSince(start), 4.0);
    std::vector<std::string> lines = readLines(file_);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("kept", messageOf(lines[0]));
}

TEST_F(EmergencyLogTest, LockHeldByAnotherWriterDropsTheLineAfterFiveSeconds) {
    LockHolder holder(mutexName_);
    ASSERT_TRUE(holder.holding());
    auto start = std::chrono::steady_clock::now();
    writeEmergencyLog("lost");
    double waited = secondsSince(start);
    EXPECT_GE(waited, 4.9);
    EXPECT_LT(waited, 8.0);
    EXPECT_TRUE(readText(file_).empty());
}

#ifndef _WIN32
// Without a runtime folder the lock files live in the shared /tmp: a file
// another user made under the lock's name, and holds, stalls nobody.
TEST_F(EmergencyLogTest, AnotherUsersLockFileDoesNotStallTheLog) {
    if (std::system("[ $(id -u) = 0 ] && command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "needs root (to act as another user) and setpriv";
    ScopedVariable noRuntime("XDG_RUNTIME_DIR", "");
    std::string base = "/tmp/" + mutexName_;
    std::string names = base + ".lock " + base + "-0.lock";
    std::string plant = "for f in " + names +
                        "; do rm -f $f; setpriv --reuid=65534 --regid=65534 --clear-groups "
                        "flock $f sleep 3 & done; sleep 0.5";
    ASSERT_EQ(0, std::system(plant.c_str()));
    auto start = std::chrono::steady_clock::now();
    writeEmergencyLog("kept");
    EXPECT_LT(secondsSince(start), 1.0);
    std::vector<std::string> lines = readLines(file_);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("kept", messageOf(lines[0]));
    (void)std::system(("rm -f " + names).c_str());
}
#endif

// Run as a child by the next test: takes the lock, says so, and waits to be
// killed.
TEST(EmergencyLogLockHolder, HoldsTheLockUntilKilled) {
    KW5WString ready;
    KW5WString name;
    if (!kw5platform::environmentVariable(kHolderReadyVariable, ready) ||
        !kw5platform::environmentVariable(kHolderMutexVariable, name))
        GTEST_SKIP() << "runs only as the child of LockOfAKilledProcessDoesNotBlock";
    kw5platform::NamedMutex mutex;
    ASSERT_TRUE(mutex.open(utf8(name)));
    ASSERT_EQ(kw5platform::NamedMutex::Wait::Acquired, mutex.wait(5000));
    writeFile(fs::u8path(utf8(ready)), {'1'});
    std::this_thread::sleep_for(std::chrono::seconds(60));
}

TEST_F(EmergencyLogTest, LockOfAKilledProcessDoesNotBlock) {
    fs::path ready = dir_.path() / "holder-ready";
    kw5platform::ChildProcess child;
    {
        ScopedVariable flag(kHolderReadyVariable, pathText(ready));
        ScopedVariable name(kHolderMutexVariable, mutexName_);
        ASSERT_TRUE(child.start(kw5platform::executablePath(),
                                {"--gtest_filter=EmergencyLogLockHolder.HoldsTheLockUntilKilled"}));
    }
    auto start = std::chrono::steady_clock::now();
    while (!fs::exists(ready) && secondsSince(start) < 60)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(ready));
    {
        // The child owns it now.
        kw5platform::NamedMutex probe;
        ASSERT_TRUE(probe.open(mutexName_));
        EXPECT_EQ(kw5platform::NamedMutex::Wait::TimedOut, probe.wait(100));
    }
    ASSERT_TRUE(child.kill());
    ASSERT_TRUE(child.wait());

    start = std::chrono::steady_clock::now();
    writeEmergencyLog("after the crash");
    EXPECT_LT(secondsSince(start), 4.0);
    std::vector<std::string> lines = readLines(file_);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("after the crash", messageOf(lines[0]));
}

#ifndef _WIN32
// Without stand-ins: the user's desktop, found once and kept, and the
// mutex under its own name.
TEST_F(EmergencyLogTest, DesktopPathIsFoundOnceAndKept) {
    resetEmergencyLogForTesting();
    ScopedVariable desktop("XDG_DESKTOP_DIR", pathText(dir_.path() / "Desk"));
    writeEmergencyLog("one");
    ScopedVariable moved("XDG_DESKTOP_DIR", pathText(dir_.path() / "other"));
    writeEmergencyLog("two");
    std::vector<std::string> lines = readLines(dir_.path() / "Desk" / "vmk-emergency-log.txt");
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("two", messageOf(lines[1]));
    EXPECT_FALSE(fs::exists(dir_.path() / "other"));
    EXPECT_TRUE(fs::exists(dir_.path() / "run" / "vmkemergencylog-mutex.lock"));
}
#endif
