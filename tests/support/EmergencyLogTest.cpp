// The emergency log: one whole line per call on the desktop; a file that
// cannot be opened drops the line, a lock left or made by others stalls
// nobody. POSIX: the Windows desktop has its own
// test (RegistryAndDesktopWin32Test).
#ifndef _WIN32

#include "support/EmergencyLog.h"
#include "platform/ChildProcess.h"
#include "platform/NamedMutex.h"
#include "platform/Process.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace kw5test;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

const char* const kMutex = "vmkemergencylog-mutex";

Strings messages(const fs::path& file) {
    Strings out;
    for (const std::string& line : readLines(file))
        out.push_back(emergencyMessage(line));
    return out;
}

// Run as a child: takes the lock, says so and waits to be killed.
TEST(EmergencyLogChild, Run) {
    const char* folder = std::getenv("KW5_EMERGENCY_FOLDER");
    if (!folder)
        GTEST_SKIP() << "runs only as the child of the EmergencyLog tests";
    kw5platform::NamedMutex mutex;
    ASSERT_TRUE(mutex.open(kMutex) && mutex.wait(5000) == kw5platform::NamedMutex::Wait::Acquired);
    writeFile(fs::u8path(folder) / "ready", {'1'});
    std::this_thread::sleep_for(std::chrono::seconds(60));
}

struct EmergencyLog : ::testing::Test {
    void SetUp() override { fs::remove(emergencyFile()); }
};

TEST_F(EmergencyLog, LinesAndWhatIsFoundOnce) {
    writeEmergencyLog("vmkutils_base_stub: %s", "vmkprocaddr: LoadLibraryEx: 126");
    writeEmergencyLog("second %S %d", KW5_WSTR("Gr\u00fc\u00dfe"), 2);
    writeEmergencyLog("%s", std::string(3000, 'x').c_str()); // cut to the buffer
    writeEmergencyLog("%s", std::string(2047, 'y').c_str());
    // The desktop was found once and is kept.
    ScopedEnv moved("XDG_DESKTOP_DIR", (emergencyFile().parent_path() / "other").u8string());
    writeEmergencyLog("five");
    EXPECT_EQ((Strings{"vmkutils_base_stub: vmkprocaddr: LoadLibraryEx: 126",
                       "second Gr\xc3\xbc\xc3\x9f\x65 2", std::string(2047, 'x'),
                       std::string(2047, 'y'), "five"}),
              messages(emergencyFile()));
}

TEST_F(EmergencyLog, AFileThatCannotBeOpenedDropsTheLine) {
    fs::create_directories(emergencyFile());
    writeEmergencyLog("lost");
    fs::remove(emergencyFile());
    writeEmergencyLog("kept"); // at once: the lock was let go
    EXPECT_EQ(Strings{"kept"}, messages(emergencyFile()));
}

// The lock of a killed process, and a lock file another user made under
// the lock's name (and holds), stall nobody.
TEST_F(EmergencyLog, LocksOfKilledProcessesAndOtherUsersStallNobody) {
    TempDir dir;
    kw5platform::ChildProcess child;
    {
        ScopedEnv to("KW5_EMERGENCY_FOLDER", dir.path().u8string());
        ASSERT_TRUE(startChild(child, kw5platform::executablePath(),
                               {"--gtest_filter=EmergencyLogChild.Run"}));
    }
    ASSERT_TRUE(waitForFile(dir.file("ready"), 60));
    kw5platform::NamedMutex probe;
    ASSERT_TRUE(probe.open(kMutex));
    EXPECT_EQ(kw5platform::NamedMutex::Wait::TimedOut, probe.wait(100));
    ASSERT_TRUE(child.kill() && child.wait());
    auto start = std::chrono::steady_clock::now();
    writeEmergencyLog("after the crash");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    if (std::system("[ $(id -u) = 0 ] && command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "needs root (to act as another user) and setpriv";
    fs::create_directories(dir.file("run"));
    fs::permissions(dir.file("run"), fs::perms::all);
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.file("run").u8string());
    ASSERT_EQ(0,
              std::system(("setpriv --reuid=65534 --regid=65534 --clear-groups flock '" +
                           dir.file("run").string() + "/" + kMutex + ".lock' sleep 3 & sleep 0.5")
                              .c_str()));
    start = std::chrono::steady_clock::now();
    writeEmergencyLog("kept");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ((Strings{"after the crash", "kept"}), messages(emergencyFile()));
}

} // namespace

#endif
