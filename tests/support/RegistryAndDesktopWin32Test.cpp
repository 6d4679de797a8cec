// Windows only: the run-time binding against the real registry, and the
// emergency log on the real desktop.
//
// Both change machine or user state (HKEY_LOCAL_MACHINE, the desktop), so
// they run only under Wine, whose prefix belongs to the build folder. The
// registry is written with the system's reg.exe, as an installer would.
#ifdef _WIN32

#include "platform/ChildProcess.h"
#include "platform/Environment.h"
#include "platform/Module.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"
#include "support/EmergencyLog.h"
#include "support/VmkUtilsBinding.h"
#include "support/vmkutils/VmkUtilsBase.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kw5test;
namespace fs = std::filesystem;

namespace {

const char* const kKey = "SOFTWARE\\Quorin Corporation\\Tarvel";
const char* const kRegKey = "HKLM\\SOFTWARE\\Quorin Corporation\\Tarvel";
const char* const kRegVendorKey = "HKLM\\SOFTWARE\\Quorin Corporation";
const KW5WChar* const kValue = KW5_WSTR("Repository");
// The binding reads the value into this many bytes.
const size_t kValueBytes = 522;

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

// Runs reg.exe with the arguments and waits for it.
void reg(const std::vector<std::string>& arguments) {
    KW5WString root;
    if (!kw5platform::environmentVariable("SystemRoot", root))
        throw std::runtime_error("SystemRoot is not set");
    kw5platform::ChildProcess child;
    if (!child.start(root + KW5_WSTR("\\system32\\reg.exe"), arguments) || !child.wait())
        throw std::runtime_error("cannot run reg.exe");
}

bool readRepository(KW5WString& value) {
    return kw5platform::readRegistryString(kw5platform::RegistryHive::LocalMachine, kKey, kValue,
                                           kValueBytes, value);
}

fs::path moduleOf(const void* address) {
    kw5platform::ModuleHandle module = nullptr;
    uint32_t error = 0;
    KW5WString path;
    if (!kw5platform::moduleOfAddress(address, module, error) ||
        !kw5platform::moduleFileName(module, path, error))
        return fs::path();
    return fs::u8path(utf8(path));
}

// The module that serves an object is the one holding its table of virtual
// functions, the object's first word.
fs::path moduleOfObject(const VmkUtilsBase* object) {
    const void* table = nullptr;
    std::memcpy(&table, object, sizeof table);
    return moduleOf(table);
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

std::string forwardSlashes(std::string text) {
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    return text;
}

// Each test starts without the vendor key and with nothing bound, and
// removes the key again when done.
class RegistryWin32Test : public ::testing::Test {
protected:
    RegistryWin32Test() : log_("VMKUTILS_LOG", pathText(dir_.path() / "vmkutils.log")) {}

    void SetUp() override {
        if (!runningUnderWine())
            GTEST_SKIP() << "changes HKEY_LOCAL_MACHINE: runs only in the Wine prefix of the build";
        removeKey();
        resetEmergencyLogForTesting(hostPath(dir_.path() / "desktop"));
        resetVmkUtilsBindingForTesting();
    }

    void TearDown() override {
        if (!runningUnderWine())
            return;
        removeKey();
        resetVmkUtilsBindingForTesting();
        resetEmergencyLogForTesting();
    }

    static void removeKey() { reg({"delete", kRegVendorKey, "/f"}); }

    static void setRepository(const std::string& value, const char* type = "REG_SZ") {
        reg({"add", kRegKey, "/v", "Repository", "/t", type, "/d", value, "/f"});
    }

    void useModuleDirectory(const fs::path& folder) {
        resetVmkUtilsBindingForTesting(hostPath(folder));
    }

    std::string bindingError() {
        try {
            vmkutils_base_stub();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "bound";
    }

    TempDir dir_;
    ScopedVariable log_;
};

} // namespace

TEST_F(RegistryWin32Test, ReadsWhatRegExeWrote) {
    KW5WString value;
    EXPECT_FALSE(readRepository(value));
    setRepository("C:\\Tools\\Gr\xc3\xbc\xc3\x9f"
                  "e");
    ASSERT_TRUE(readRepository(value));
    EXPECT_EQ(hostString("C:\\Tools\\Gr\xc3\xbc\xc3\x9f"
                         "e"),
              value);
    EXPECT_FALSE(kw5platform::readRegistryString(kw5platform::RegistryHive::LocalMachine, kKey,
                                                 KW5_WSTR("Other"), kValueBytes, value));
}

TEST_F(RegistryWin32Test, ValueMustFitTheBufferWithItsTerminator) {
    KW5WString value;
    // 260 units and the terminator are 522 bytes.
    setRepository(std::string(260, 'v'));
    ASSERT_TRUE(readRepository(value));
    EXPECT_EQ(260u, value.size());
    setRepository(std::string(261, 'v'));
    EXPECT_FALSE(readRepository(value));
}

TEST_F(RegistryWin32Test, ANumberIsNoString) {
    setRepository("5", "REG_DWORD");
    KW5WString value = KW5_WSTR("kept");
    EXPECT_FALSE(readRepository(value));
    EXPECT_EQ(KW5_WSTR("kept"), value);
}

TEST_F(RegistryWin32Test, MarkerFileWinsOverTheRegistry) {
    fs::path own = dir_.path() / "own";
    fs::path other = dir_.path() / "other";
    installUtilityLibrary(own);
    installUtilityLibrary(other);
    writeFile(own / "vmkconfig.xml", {'<', '/', '>'});
    setRepository(pathText(other));
    useModuleDirectory(own);

    VmkUtilsBase* object = vmkutils_base_stub();
    ASSERT_NE(nullptr, object);
    EXPECT_TRUE(sameFile(own / "VMKUtils_base.dll", moduleOfObject(object)));
    EXPECT_EQ(hostPath(own), vmkUtilityDirectoryForTesting());
}

TEST_F(RegistryWin32Test, RegistryListWithSlashesUsesItsFirstEntry) {
    // The form "C:/Tools/Util/;D:\Other": slashes, a trailing one, a list.
    fs::path own = dir_.path() / "own";
    fs::path util = dir_.path() / "util";
    installUtilityLibrary(own);
    installUtilityLibrary(util);
    setRepository(forwardSlashes(pathText(util)) + "/;D:\\Other");
    useModuleDirectory(own);

    VmkUtilsBase* object = vmkutils_base_stub();
    ASSERT_NE(nullptr, object);
    EXPECT_TRUE(sameFile(util / "VMKUtils_base.dll", moduleOfObject(object)));
    EXPECT_EQ(hostPath(util), vmkUtilityDirectoryForTesting());
}

TEST_F(RegistryWin32Test, TrailingBackslashIsDropped) {
    fs::path own = dir_.path() / "own";
    fs::path util = dir_.path() / "util";
    installUtilityLibrary(util);
    setRepository(pathText(util) + "\\");
    useModuleDirectory(own);

    char error[kVmkErrorTextSize] = {};
    void* entry = vmkprocaddr(KW5_WSTR("VMKUtils_base.dll"), "vmkutils_base", error);
    ASSERT_NE(nullptr, entry) << error;
    EXPECT_STREQ("", error);
    EXPECT_TRUE(sameFile(util / "VMKUtils_base.dll", moduleOf(entry)));
    EXPECT_EQ(hostPath(util), vmkUtilityDirectoryForTesting());
}

TEST_F(RegistryWin32Test, ARepositoryWithoutTheLibraryFailsToLoad) {
    // The registry decides even when the own directory has the library.
    fs::path own = dir_.path() / "own";
    installUtilityLibrary(own);
    setRepository(pathText(dir_.path() / "empty"));
    useModuleDirectory(own);
    EXPECT_EQ("vmkprocaddr: LoadLibraryEx: 126", bindingError());
    EXPECT_EQ(hostPath(dir_.path() / "empty"), vmkUtilityDirectoryForTesting());
}

TEST_F(RegistryWin32Test, ValuesThatAreNoUsableStringLeaveTheOwnDirectory) {
    fs::path own = dir_.path() / "own";
    installUtilityLibrary(own);
    for (const char* type : {"REG_DWORD", "REG_BINARY"}) {
        setRepository(type[4] == 'D' ? "7" : "4142", type);
        useModuleDirectory(own);
        VmkUtilsBase* object = vmkutils_base_stub();
        ASSERT_NE(nullptr, object) << type;
        EXPECT_TRUE(sameFile(own / "VMKUtils_base.dll", moduleOfObject(object))) << type;
        EXPECT_EQ(hostPath(own), vmkUtilityDirectoryForTesting()) << type;
    }
    // Too long for the 522-byte buffer: as if there were no value.
    setRepository("C:\\" + std::string(258, 'x'));
    useModuleDirectory(own);
    EXPECT_NE(nullptr, vmkutils_base_stub());
    EXPECT_EQ(hostPath(own), vmkUtilityDirectoryForTesting());
}

TEST_F(RegistryWin32Test, RegistryDirectoryTooLongFailsAtTheLibraryPath) {
    fs::path own = dir_.path() / "own";
    std::string far = "C:\\" + std::string(242, 'r');
    setRepository(far);
    useModuleDirectory(own);
    EXPECT_EQ("vmkprocaddr: pathname too long", bindingError());
    EXPECT_EQ(hostString(far), vmkUtilityDirectoryForTesting());
}

namespace {

std::string hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// The emergency log as found: the user's desktop from the shell, the mutex
// under its own name.
class DesktopWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!runningUnderWine())
            GTEST_SKIP() << "writes onto the user's desktop: runs only in the Wine prefix of the "
                            "build";
        resetEmergencyLogForTesting();
    }
    void TearDown() override { resetEmergencyLogForTesting(); }
};

} // namespace

TEST_F(DesktopWin32Test, EmergencyLogGoesToTheShellsDesktopFolder) {
    KW5WString desktop;
    ASSERT_TRUE(kw5platform::desktopFolder(desktop));
    EXPECT_EQ(desktop + KW5_WSTR("\\vmk-emergency-log.txt"), emergencyLogPath());
    fs::path file = fs::u8path(utf8(desktop)) / "vmk-emergency-log.txt";
    size_t before = fs::exists(file) ? readLines(file).size() : 0;

    std::string marker = "desktop line " + hex8(kw5platform::processId());
    writeEmergencyLog("vmkutils_base_stub: %s", marker.c_str());
    std::vector<std::string> lines = readLines(file);
    ASSERT_EQ(before + 1, lines.size());
    std::smatch match;
    const std::regex line("\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[(.*)\\] "
                          "([0-9a-f]{8}):([0-9a-f]{8}) (.*)\r\n");
    ASSERT_TRUE(std::regex_match(lines.back(), match, line)) << lines.back();
    EXPECT_EQ(utf8(kw5platform::executablePath()) + " " + kw5platform::commandLine(),
              match[1].str());
    EXPECT_EQ(hex8(kw5platform::processId()), match[2].str());
    EXPECT_EQ(hex8(kw5platform::threadId()), match[3].str());
    EXPECT_EQ("vmkutils_base_stub: " + marker, match[4].str());
}

TEST_F(DesktopWin32Test, AFailedBindingLeavesItsLineOnTheDesktop) {
    TempDir dir;
    ScopedVariable log("VMKUTILS_LOG", pathText(dir.path() / "vmkutils.log"));
    resetVmkUtilsBindingForTesting(hostPath(dir.path() / "nolibrary"));
    fs::path file = fs::u8path(utf8(emergencyLogPath()));
    ASSERT_FALSE(file.empty());
    size_t before = fs::exists(file) ? readLines(file).size() : 0;
    EXPECT_THROW(vmkutils_base_stub(), std::runtime_error);
    resetVmkUtilsBindingForTesting();
    std::vector<std::string> lines = readLines(file);
    ASSERT_EQ(before + 1, lines.size());
    const std::string tail = " vmkutils_base_stub: vmkprocaddr: LoadLibraryEx: 126\r\n";
    ASSERT_GE(lines.back().size(), tail.size());
    EXPECT_EQ(tail, lines.back().substr(lines.back().size() - tail.size()));
}

#endif
