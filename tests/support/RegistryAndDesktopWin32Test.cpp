// Windows only: the binding against the real registry, written with the
// system's reg.exe as an installer would, and the emergency log on the
// shell's desktop. Both change machine or user state: they run only under
// Wine, whose prefix belongs to the build folder.
#ifdef _WIN32

#include "platform/ChildProcess.h"
#include "platform/Environment.h"
#include "platform/Module.h"
#include "platform/UserFolders.h"
#include "support/EmergencyLog.h"
#include "support/VmkUtilsBinding.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace kw5test;

namespace {

// Wine's ntdll exports wine_get_version; Windows's does not.
bool underWine() {
    kw5platform::ModuleHandle ntdll = nullptr;
    uint32_t error = 0;
    return kw5platform::loadLibrary(KW5_WSTR("ntdll.dll"), ntdll, error) &&
           kw5platform::librarySymbol(ntdll, "wine_get_version", error) != nullptr;
}

void reg(const std::vector<std::string>& arguments) {
    KW5WString root;
    kw5platform::ChildProcess child;
    if (!kw5platform::environmentVariable("SystemRoot", root) ||
        !kw5test::startChild(child, root + KW5_WSTR("\\system32\\reg.exe"), arguments) ||
        !child.wait())
        throw std::runtime_error("cannot run reg.exe");
}

// Values as reg.exe writes them, and where the binding then looks: a
// trailing "\\" dropped, "/" read as "\\", the first entry of a list; a
// value too long for 522 bytes, or no string, leaves the own folder.
TEST(RegistryWin32, ValuesAndTheBindingThatFollows) {
    if (!underWine())
        GTEST_SKIP() << "changes HKEY_LOCAL_MACHINE: runs only in the Wine prefix of the build";
    TempDir dir;
    installUtilityLibrary(dir.file("util"));
    const std::string util = dir.file("util").u8string(), own = dir.file("own").u8string();
    std::string slashed = util;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const std::string far = "C:\\" + std::string(242, 'r');
    const std::vector<std::string> rows[] = {
        {"REG_SZ", slashed + "/;D:\\Other", "", util},
        {"REG_SZ", far, "vmkprocaddr: pathname too long", far},
        {"REG_DWORD", "7", "vmkprocaddr: LoadLibraryEx: 126", own}};
    for (const auto& row : rows) {
        reg({"add", "HKLM\\SOFTWARE\\Quorin Corporation\\Tarvel", "/v", "Repository", "/t", row[0],
             "/d", row[1], "/f"});
        resetVmkUtilsBindingForTesting(hostString(own));
        char error[kVmkErrorTextSize] = {};
        vmkprocaddr(KW5_WSTR("VMKUtils_base.dll"), "vmkutils_base", error);
        EXPECT_EQ(row[2], error) << row[1];
        EXPECT_EQ(row[3], utf8(vmkUtilityDirectoryForTesting())) << row[1];
    }
    reg({"delete", "HKLM\\SOFTWARE\\Quorin Corporation", "/f"});
    resetVmkUtilsBindingForTesting();
}

// The emergency log goes to the shell's desktop; a failed binding leaves
// its line there.
TEST(DesktopWin32, AFailedBindingLeavesItsLineOnTheDesktop) {
    if (!underWine())
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
    EXPECT_EQ(emergencyMessage(lines.back()),
              "vmkutils_base_stub: vmkprocaddr: LoadLibraryEx: 126");
}

} // namespace

#endif
