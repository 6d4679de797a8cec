// Windows only: the run-time binding against the real registry, written
// with the system's reg.exe as an installer would, and the emergency log on
// the shell's desktop. Both change machine or user state, so they run only
// under Wine, whose prefix belongs to the build folder.
#ifdef _WIN32

#include "platform/ChildProcess.h"
#include "platform/Environment.h"
#include "platform/Module.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"
#include "support/EmergencyLog.h"
#include "support/VmkUtilsBinding.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

using namespace kw5test;
namespace fs = std::filesystem;

namespace {

const char* const kKey = "SOFTWARE\\Quorin Corporation\\Tarvel";

// Wine's ntdll exports wine_get_version; Windows's does not.
bool runningUnderWine() {
    kw5platform::ModuleHandle ntdll = nullptr;
    uint32_t error = 0;
    if (!kw5platform::loadLibrary(KW5_WSTR("ntdll.dll"), ntdll, error))
        return false;
    bool wine = kw5platform::librarySymbol(ntdll, "wine_get_version", error) != nullptr;
    kw5platform::freeLibrary(ntdll);
    return wine;
}

void reg(const std::vector<std::string>& arguments) {
    KW5WString root;
    kw5platform::ChildProcess child;
    if (!kw5platform::environmentVariable("SystemRoot", root) ||
        !child.start(root + KW5_WSTR("\\system32\\reg.exe"), arguments) || !child.wait())
        throw std::runtime_error("cannot run reg.exe");
}

class RegistryWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!runningUnderWine())
            GTEST_SKIP() << "changes HKEY_LOCAL_MACHINE: runs only in the Wine prefix of the build";
    }
    void TearDown() override {
        reg({"delete", "HKLM\\SOFTWARE\\Quorin Corporation", "/f"});
        resetVmkUtilsBindingForTesting();
    }
    TempDir dir_;
};

TEST_F(RegistryWin32, ValuesAndTheBindingThatFollows) {
    installUtilityLibrary(dir_.file("own"));
    installUtilityLibrary(dir_.file("util"));
    std::string util = dir_.file("util").u8string(), slashed = util;
    for (char& c : slashed)
        c = c == '\\' ? '/' : c;
    const std::string far = "C:\\" + std::string(242, 'r');
    struct Row {
        const char* type;
        std::string data;
        bool read; // as a value of 522 bytes
        const char* error;
        std::string directory;
    } rows[] = {
        {"REG_SZ", util + "\\", true, "", util},
        {"REG_SZ", slashed + "/;D:\\Other", true, "", util},
        {"REG_SZ",
         "C:\\Tools\\Gr\xc3\xbc\xc3\x9f"
         "e",
         true, "vmkprocaddr: LoadLibraryEx: 126",
         "C:\\Tools\\Gr\xc3\xbc\xc3\x9f"
         "e"},
        {"REG_SZ", far, true, "vmkprocaddr: pathname too long", far},
        // No usable string: the own folder.
        {"REG_SZ", "C:\\" + std::string(258, 'x'), false, "", dir_.file("own").u8string()},
        {"REG_DWORD", "7", false, "", dir_.file("own").u8string()},
        {"REG_BINARY", "4142", false, "", dir_.file("own").u8string()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        reg({"add", "HKLM\\SOFTWARE\\Quorin Corporation\\Tarvel", "/v", "Repository", "/t",
             row.type, "/d", row.data, "/f"});
        KW5WString value = KW5_WSTR("kept");
        EXPECT_EQ(row.read,
                  kw5platform::readRegistryString(kw5platform::RegistryHive::LocalMachine, kKey,
                                                  KW5_WSTR("Repository"), 522, value));
        EXPECT_EQ(row.read ? row.data : "kept", utf8(value));
        resetVmkUtilsBindingForTesting(hostPath(dir_.file("own")));
        char error[kVmkErrorTextSize] = {};
        vmkprocaddr(KW5_WSTR("VMKUtils_base.dll"), "vmkutils_base", error);
        EXPECT_STREQ(row.error, error);
        EXPECT_EQ(row.directory, utf8(vmkUtilityDirectoryForTesting()));
    }
    // The marker file beside the library wins over the registry.
    writeFile(dir_.file("own") / "vmkconfig.xml", {'<', '/', '>'});
    resetVmkUtilsBindingForTesting(hostPath(dir_.file("own")));
    ASSERT_NE(nullptr, vmkutils_base_stub());
    EXPECT_EQ(hostPath(dir_.file("own")), vmkUtilityDirectoryForTesting());
}

// The emergency log as found: the shell's desktop, the mutex under its own
// name; a failed binding leaves its line there.
TEST(DesktopWin32, EmergencyLogGoesToTheShellsDesktopFolder) {
    if (!runningUnderWine())
        GTEST_SKIP() << "writes onto the user's desktop: runs only in the Wine prefix of the build";
    KW5WString desktop;
    ASSERT_TRUE(kw5platform::desktopFolder(desktop));
    EXPECT_EQ(desktop + KW5_WSTR("\\vmk-emergency-log.txt"), emergencyLogPath());
    TempDir dir;
    ScopedEnv log("VMKUTILS_LOG", dir.file("vmkutils.log").u8string());
    size_t before = readLines(emergencyFile()).size();
    resetVmkUtilsBindingForTesting(hostPath(dir.file("nolibrary")));
    EXPECT_THROW(vmkutils_base_stub(), std::runtime_error);
    resetVmkUtilsBindingForTesting();
    std::vector<std::string> lines = readLines(emergencyFile());
    ASSERT_EQ(before + 1, lines.size());
    const std::string tail = " vmkutils_base_stub: vmkprocaddr: LoadLibraryEx: 126\r\n";
    EXPECT_EQ(tail, lines.back().substr(lines.back().size() - tail.size()));
    char ids[20];
    std::snprintf(ids, sizeof ids, "] %08x:%08x ", kw5platform::processId(),
                  kw5platform::threadId());
    EXPECT_NE(std::string::npos, lines.back().find(utf8(kw5platform::executablePath()) + " " +
                                                   kw5platform::commandLine() + ids));
}

} // namespace

#endif
