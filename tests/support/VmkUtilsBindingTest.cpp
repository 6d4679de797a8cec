#include "support/VmkUtilsBinding.h"
#include "platform/Module.h"
#include "support/EmergencyLog.h"
#include "support/KW5Log.h"
#include "support/vmkutils/VmkUtilsBase.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

using namespace kw5test;
namespace fs = std::filesystem;

namespace {

const KW5WChar* const kLibrary = KW5_WSTR("VMKUtils_base.dll");

// Windows reads the machine's own registry, which a test may not change.
#ifdef _WIN32
const bool kTestRegistry = false;
#else
const bool kTestRegistry = true;
#endif

fs::path moduleOf(const void* address) {
    kw5platform::ModuleHandle module = nullptr;
    uint32_t error = 0;
    KW5WString path;
    if (!kw5platform::moduleOfAddress(address, module, error) ||
        !kw5platform::moduleFileName(module, path, error))
        return fs::path();
    return fs::u8path(utf8(path));
}

// The module whose code serves an object: the one holding its table of
// virtual functions, which both C++ ABIs in use place first in the object.
fs::path moduleOfObject(const VmkUtilsBase* object) {
    const void* table = nullptr;
    std::memcpy(&table, object, sizeof table);
    return moduleOf(table);
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// Each test starts with nothing bound, an empty registry, and the desktop
// and log in its own folder.
class VmkUtilsBindingTest : public ::testing::Test {
protected:
    VmkUtilsBindingTest()
        : registry_("KW5_REGISTRY_ROOT", pathText(dir_.path() / "registry")),
          log_("VMKUTILS_LOG", pathText(dir_.path() / "vmkutils.log")) {
        fs::create_directories(dir_.path() / "registry");
        resetEmergencyLogForTesting(hostPath(dir_.path() / "desktop"));
        resetVmkUtilsBindingForTesting();
    }

    ~VmkUtilsBindingTest() override {
        resetVmkUtilsBindingForTesting();
        resetEmergencyLogForTesting();
    }

    void setRepository(const std::string& value) {
        if (!kTestRegistry)
            return;
        fs::path key = dir_.path() / "registry" / "HKEY_LOCAL_MACHINE" / "SOFTWARE" /
                       "Quorin Corporation" / "Tarvel";
        fs::create_directories(key);
        writeFile(key / "Repository", std::vector<unsigned char>(value.begin(), value.end()));
    }

    // Binds with the module directory standing in as "this library's".
    void useModuleDirectory(const fs::path& folder) {
        resetVmkUtilsBindingForTesting(hostPath(folder));
    }

    std::string emergencyLog() {
        return readText(dir_.path() / "desktop" / "vmk-emergency-log.txt");
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
    ScopedVariable registry_;
    ScopedVariable log_;
};

} // namespace

TEST_F(VmkUtilsBindingTest, MarkerFileWinsOverTheRegistry) {
    if (!kTestRegistry)
        GTEST_SKIP() << "needs a registry the test may change";
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

TEST_F(VmkUtilsBindingTest, RegistryListWithSlashesUsesItsFirstEntry) {
    if (!kTestRegistry)
        GTEST_SKIP() << "needs a registry the test may change";
    fs::path own = dir_.path() / "own";
    fs::path util = dir_.path() / "util";
    installUtilityLibrary(own);
    installUtilityLibrary(util);
    setRepository(pathText(util) + "/;" + pathText(dir_.path() / "second"));
    useModuleDirectory(own);

    VmkUtilsBase* object = vmkutils_base_stub();
    EXPECT_TRUE(sameFile(util / "VMKUtils_base.dll", moduleOfObject(object)));
    // The trailing separator is gone and the list cut at ";".
    EXPECT_EQ(hostPath(util), vmkUtilityDirectoryForTesting());
}

TEST_F(VmkUtilsBindingTest, RegistryValueInWindowsFormIsReadOnEveryPlatform) {
    if (!kTestRegistry)
        GTEST_SKIP() << "needs a registry the test may change";
    fs::path own = dir_.path() / "own";
    fs::path util = dir_.path() / "util";
    installUtilityLibrary(util);
    std::string value = pathText(util) + "\\";
    for (char& c : value) {
        if (c == '/')
            c = '\\';
    }
    setRepository(value);
    useModuleDirectory(own);

    char error[kVmkErrorTextSize] = {};
    void* entry = vmkprocaddr(kLibrary, "vmkutils_base", error);
    ASSERT_NE(nullptr, entry) << error;
    EXPECT_STREQ("", error);
    EXPECT_TRUE(sameFile(util / "VMKUtils_base.dll", moduleOf(entry)));
}

TEST_F(VmkUtilsBindingTest, RepositoryListOfDrivePathsKeepsTheFirstFolder) {
    if (!kTestRegistry)
        GTEST_SKIP() << "needs a registry the test may change";
    setRepository("C:/Tools/Util/;D:\\Other");
    useModuleDirectory(dir_.path() / "own");
    char error[kVmkErrorTextSize] = {};
    EXPECT_EQ(nullptr, vmkprocaddr(kLibrary, "vmkutils_base", error));
    EXPECT_STREQ("vmkprocaddr: LoadLibraryEx: 126", error);
    // C:\Tools\Util, in this platform's separators.
    EXPECT_EQ(hostString("C:/Tools/Util"), vmkUtilityDirectoryForTesting());
}

TEST_F(VmkUtilsBindingTest, WithoutMarkerAndRegistryTheOwnDirectoryIsUsed) {
    fs::path own = dir_.path() / "own";
    installUtilityLibrary(own);
    useModuleDirectory(own);

    VmkUtilsBase* object = vmkutils_base_stub();
    EXPECT_TRUE(sameFile(own / "VMKUtils_base.dll", moduleOfObject(object)));
}

TEST_F(VmkUtilsBindingTest, OwnDirectoryIsTheFolderOfTheModuleHoldingTheLoader) {
    // Linked statically, the loader lives in this test executable.
    char error[kVmkErrorTextSize] = {};
    void* entry = vmkprocaddr(kLibrary, "vmkutils_base", error);
    fs::path executable = moduleOf(reinterpret_cast<const void*>(&vmkprocaddr));
    ASSERT_FALSE(executable.empty());
    EXPECT_EQ(hostPath(executable.parent_path()), vmkUtilityDirectoryForTesting());
    if (!entry) {
        EXPECT_STREQ("vmkprocaddr: LoadLibraryEx: 126", error);
    }
}

TEST_F(VmkUtilsBindingTest, BoundObjectAndDirectoryAreKept) {
    fs::path own = dir_.path() / "own";
    installUtilityLibrary(own);
    useModuleDirectory(own);
    VmkUtilsBase* first = vmkutils_base_stub();

    // Neither a new registry value nor a missing file changes the binding.
    // (Windows lets a loaded library be renamed, not deleted.)
    fs::rename(own / "VMKUtils_base.dll", own / "moved.dll");
    setRepository(pathText(dir_.path() / "elsewhere"));
    EXPECT_EQ(first, vmkutils_base_stub());
    EXPECT_EQ(hostPath(own), vmkUtilityDirectoryForTesting());
}

TEST_F(VmkUtilsBindingTest, FailedBindingIsLoggedRaisedAndNotCached) {
    fs::path own = dir_.path() / "own";
    fs::create_directories(own);
    useModuleDirectory(own);

    EXPECT_EQ("vmkprocaddr: LoadLibraryEx: 126", bindingError());
    std::string log = emergencyLog();
    EXPECT_NE(std::string::npos, log.find("] "));
    EXPECT_EQ(std::string(" vmkutils_base_stub: vmkprocaddr: LoadLibraryEx: 126\r\n"),
              log.substr(log.find(" vmkutils_base_stub: ")));

    // The directory was found and stays; the next call binds once the
    // library is there.
    installUtilityLibrary(own);
    VmkUtilsBase* object = vmkutils_base_stub();
    EXPECT_TRUE(sameFile(own / "VMKUtils_base.dll", moduleOfObject(object)));
}

TEST_F(VmkUtilsBindingTest, MissingExportIsAGetProcAddressFailure) {
    fs::path own = dir_.path() / "own";
    installUtilityLibrary(own);
    useModuleDirectory(own);
    char error[kVmkErrorTextSize] = {};
    EXPECT_EQ(nullptr, vmkprocaddr(kLibrary, "no_such_export", error));
    EXPECT_STREQ("vmkprocaddr: GetProcAddress: 127", error);
}

TEST_F(VmkUtilsBindingTest, FileThatIsNoLibraryFailsToLoad) {
    fs::path own = dir_.path() / "own";
    fs::create_directories(own);
    writeFile(own / "VMKUtils_base.dll", {'n', 'o', 't', ' ', 'a', ' ', 'l', 'i', 'b'});
    useModuleDirectory(own);
    char error[kVmkErrorTextSize] = {};
    EXPECT_EQ(nullptr, vmkprocaddr(kLibrary, "vmkutils_base", error));
    EXPECT_STREQ("vmkprocaddr: LoadLibraryEx: 193", error);
}

TEST_F(VmkUtilsBindingTest, NullArgumentsGiveNullAndLeaveTheBuffer) {
    char error[kVmkErrorTextSize] = "untouched";
    EXPECT_EQ(nullptr, vmkprocaddr(nullptr, "vmkutils_base", error));
    EXPECT_EQ(nullptr, vmkprocaddr(kLibrary, nullptr, error));
    EXPECT_STREQ("untouched", error);
    EXPECT_EQ(nullptr, vmkprocaddr(kLibrary, "vmkutils_base", nullptr));
    EXPECT_TRUE(vmkUtilityDirectoryForTesting().empty());
}

TEST_F(VmkUtilsBindingTest, ModuleDirectoryTooLongForTheMarkerFailsEveryBinding) {
    // 13 + 241 + 8 > 261: the search itself cannot start.
    fs::path folder = dir_.path() / std::string(241 - pathText(dir_.path()).size() - 1, 'd');
    ASSERT_EQ(241u, hostPath(folder).size());
    useModuleDirectory(folder);
    EXPECT_EQ("vmkprocaddr: pathname too long", bindingError());
    EXPECT_EQ("vmkprocaddr: pathname too long", bindingError());
    EXPECT_TRUE(vmkUtilityDirectoryForTesting().empty());
    EXPECT_NE(std::string::npos,
              emergencyLog().find(" vmkutils_base_stub: vmkprocaddr: pathname too long\r\n"));
}

TEST_F(VmkUtilsBindingTest, DirectoryOf250CharactersFailsWithPathnameTooLong) {
    fs::path folder = dir_.path() / std::string(250 - pathText(dir_.path()).size() - 1, 'd');
    ASSERT_EQ(250u, hostPath(folder).size());
    useModuleDirectory(folder);
    EXPECT_EQ("vmkprocaddr: pathname too long", bindingError());
    EXPECT_THROW(writeSharedLog("never %d", 1), std::runtime_error);
}

TEST_F(VmkUtilsBindingTest, PathLimitBoundaries) {
    struct Case {
        size_t length;
        const char* error;
        bool cached;
    };
    // Marker check: 13 + length + 8 <= 261; library: 17 + length + 8 <= 261.
    const Case cases[] = {
        {236, "vmkprocaddr: LoadLibraryEx: 126", true},
        {237, "vmkprocaddr: pathname too long", true},
        {240, "vmkprocaddr: pathname too long", true},
        {241, "vmkprocaddr: pathname too long", false},
    };
    for (const Case& c : cases) {
        fs::path folder =
            dir_.path() / std::string(c.length - pathText(dir_.path()).size() - 1, 'p');
        ASSERT_EQ(c.length, hostPath(folder).size());
        useModuleDirectory(folder);
        char error[kVmkErrorTextSize] = {};
        EXPECT_EQ(nullptr, vmkprocaddr(kLibrary, "vmkutils_base", error));
        EXPECT_STREQ(c.error, error) << c.length;
        EXPECT_EQ(c.cached, !vmkUtilityDirectoryForTesting().empty()) << c.length;
    }
}

TEST_F(VmkUtilsBindingTest, RegistryDirectoryTooLongFailsAtTheLibraryPath) {
    if (!kTestRegistry)
        GTEST_SKIP() << "needs a registry the test may change";
    fs::path own = dir_.path() / "own";
    std::string far =
        pathText(dir_.path() / std::string(245 - pathText(dir_.path()).size() - 1, 'r'));
    setRepository(far);
    useModuleDirectory(own);
    EXPECT_EQ("vmkprocaddr: pathname too long", bindingError());
    EXPECT_EQ(hostString(far), vmkUtilityDirectoryForTesting());
}

TEST_F(VmkUtilsBindingTest, SharedLogWritesThroughTheBoundLibrary) {
    fs::path own = dir_.path() / "own";
    installUtilityLibrary(own);
    useModuleDirectory(own);
    writeSharedLog("shared %S %u", KW5_WSTR("Gr\u00fc\u00dfe"), 5u);
    std::vector<std::string> lines = readLines(dir_.path() / "vmkutils.log");
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find(" shared Gr\xc3\xbc\xc3\x9f"
                                               "e 5"));
    writeLog("load-time %d", 6);
    EXPECT_EQ(2u, readLines(dir_.path() / "vmkutils.log").size());
}

TEST_F(VmkUtilsBindingTest, SharedLogFailureRaisesTheErrorText) {
    fs::path own = dir_.path() / "own";
    fs::create_directories(own);
    useModuleDirectory(own);
    try {
        writeSharedLog("line %d", 1);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("vmkprocaddr: LoadLibraryEx: 126", e.what());
    }
    EXPECT_FALSE(fs::exists(dir_.path() / "vmkutils.log"));
}
