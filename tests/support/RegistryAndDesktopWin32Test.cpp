// Windows only: the binding against the real registry, written with the
// system's reg.exe as an installer would, and the emergency log on the
// shell's desktop. Both change machine or user state: they run only under
// Wine, whose prefix belongs to the build folder.
#ifdef _WIN32

#include "platform/ChildProcess.h"
#include "platform/Environment.h"
#include "platform/Module.h"
#include "platform/Registry.h"
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
        !child.start(root + KW5_WSTR("\\system32\\reg.exe"), arguments) || !child.wait())
        throw std::runtime_error("cannot run reg.exe");
}

TEST(RegistryWin32, ValuesAndTheBindingThatFollows) {
    if (!underWine())
        GTEST_SKIP() << "changes HKEY_LOCAL_MACHINE: runs only in the Wine prefix of the build";
    TempDir dir;
    installUtilityLibrary(dir.file("own"));
    installUtilityLibrary(dir.file("util"));
    const std::string util = dir.file("util").u8string(), own = dir.file("own").u8string();
    std::string slashed = util;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const std::string far = "C:\\" + std::string(242, 'r'),
                      tooLong = "C:\\" + std::string(258, 'x');
    const char* const k126 = "vmkprocaddr: LoadLibraryEx: 126";
    // Type, data; whether it reads as a value of 522 bytes; the binding.
    struct Row {
        const char* type;
        std::string data;
        bool read;
        const char* error;
        std::string directory;
    } rows[] = {{"REG_SZ", util + "\\", true, "", util},
                {"REG_SZ", slashed + "/;D:\\Other", true, "", util},
                {"REG_SZ", "C:\\\xc3\xbc", true, k126, "C:\\\xc3\xbc"},
                {"REG_SZ", far, true, "vmkprocaddr: pathname too long", far},
                {"REG_SZ", tooLong, false, "", own},
                {"REG_DWORD", "7", false, "", own}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        reg({"add", "HKLM\\SOFTWARE\\Quorin Corporation\\Tarvel", "/v", "Repository", "/t",
             row.type, "/d", row.data, "/f"});
        KW5WString value = KW5_WSTR("kept");
        EXPECT_EQ(row.read, kw5platform::readRegistryString(kw5platform::RegistryHive::LocalMachine,
                                                            "SOFTWARE\\Quorin Corporation\\Tarvel",
                                                            KW5_WSTR("Repository"), 522, value));
        EXPECT_EQ(row.read ? row.data : "kept", utf8(value));
        resetVmkUtilsBindingForTesting(hostString(own));
        char error[kVmkErrorTextSize] = {};
        vmkprocaddr(KW5_WSTR("VMKUtils_base.dll"), "vmkutils_base", error);
        EXPECT_STREQ(row.error, error);
        EXPECT_EQ(row.directory, utf8(vmkUtilityDirectoryForTesting()));
    }
    // The marker file beside the library wins over the registry.
    writeFile(dir.file("own") / "vmkconfig.xml", {'<', '/', '>'});
    resetVmkUtilsBindingForTesting(hostString(own));
    EXPECT_NE(nullptr, vmkutils_base_stub());
    EXPECT_EQ(own, utf8(vmkUtilityDirectoryForTesting()));
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
