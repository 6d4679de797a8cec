// The run-time binding of the utility library: where it is looked for
// (marker file, registry value, own folder), the path limits, what is kept
// and what a failure leaves (an error text, a line in the emergency log).
//
// The own folder is the folder of the module holding the loader, here the
// test program's; a stand-in folder (resetVmkUtilsBindingForTesting) saves
// copying the program and its libraries for every case.
#include "support/VmkUtilsBinding.h"
#include "platform/Module.h"
#include "support/EmergencyLog.h"
#include "support/KW5Log.h"
#include "support/vmkutils/VmkUtilsBase.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

using namespace kw5test;
namespace fs = std::filesystem;

namespace {

const KW5WChar* const kLibrary = KW5_WSTR("VMKUtils_base.dll");

fs::path moduleOf(const void* address) {
    kw5platform::ModuleHandle module = nullptr;
    uint32_t error = 0;
    KW5WString path;
    bool found = address && kw5platform::moduleOfAddress(address, module, error) &&
                 kw5platform::moduleFileName(module, path, error);
    return found ? fs::u8path(utf8(path)) : fs::path();
}

std::string bindingError() {
    try {
        vmkutils_base_stub();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

// Each test starts with nothing bound, an empty registry (on POSIX a
// folder tree) and a shared-file log of its own.
class VmkUtilsBinding : public ::testing::Test {
protected:
    VmkUtilsBinding()
        : registry_("KW5_REGISTRY_ROOT", dir_.file("registry").u8string()),
          log_("VMKUTILS_LOG", dir_.file("vmkutils.log").u8string()) {
        resetVmkUtilsBindingForTesting();
    }
    ~VmkUtilsBinding() override { resetVmkUtilsBindingForTesting(); }

    void setRepository(const std::string& value) {
        fs::path key =
            dir_.path() / "registry/HKEY_LOCAL_MACHINE/SOFTWARE/Quorin Corporation/Tarvel";
        fs::create_directories(key);
        writeFile(key / "Repository", std::vector<unsigned char>(value.begin(), value.end()));
    }
    // A folder of exactly length characters.
    fs::path folderOf(size_t length, char fill) {
        return dir_.path() / std::string(length - dir_.path().u8string().size() - 1, fill);
    }

    TempDir dir_;
    ScopedEnv registry_, log_;
};

// The marker check needs 13 + folder + 8 <= 261 characters, the library
// 17 + folder + 8; a folder the marker check cannot use is not kept.
TEST_F(VmkUtilsBinding, WhereTheLibraryIsLookedFor) {
    const char* const k126 = "vmkprocaddr: LoadLibraryEx: 126";
    const char* const kLong = "vmkprocaddr: pathname too long";
    const std::string v259 = "/" + std::string(259, 'v'), v260 = v259 + "v";
    const std::string far = folderOf(245, 'r').u8string();
    std::string wide; // 260 units of three bytes each
    for (int i = 0; i < 260; ++i)
        wide += "\xe6\x97\xa5";
    std::string p[3]; // stand-in module folders of 236, 237 and 241 characters
    for (size_t i = 0; i < 3; ++i)
        p[i] = folderOf(std::vector<size_t>{236, 237, 241}[i], 'p').u8string();
    // "@" stands for the row's own folder; the stand-in module folder is @/own.
    struct Row {
        bool marker;
        std::string repository;
        std::vector<const char*> installed;
        const char* error;
        std::string directory, own; // where the binding looked; the module folder
    } rows[] = {
        {false, "", {"own"}, "", "@/own", ""},
        {true, "@/other", {"own", "other"}, "", "@/own", ""},
        {false, "@/util/;@/second", {"own", "util"}, "", "@/util", ""},
        {false, "@\\util\\", {"util"}, "", "@/util", ""}, // read in Windows form everywhere
        {false, "C:/Tools/Util/;D:\\Other", {}, k126, "C:/Tools/Util", ""},
        {false, "", {}, k126, "@/own", ""},
        {false, "@/util\r\n", {"util"}, "", "@/util", ""},
        {false, v259, {}, kLong, v259, ""},
        {false, v260, {"own"}, "", "@/own", ""}, // too long for the value buffer: none
        {false, wide, {}, kLong, wide, ""},
        {false, far, {}, kLong, far, ""},
        {false, "", {}, k126, p[0], p[0]},
        {false, "", {}, kLong, p[1], p[1]},
        {false, "", {}, kLong, "", p[2]},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
#ifdef _WIN32
        if (!row.repository.empty())
            continue; // the machine's registry: RegistryAndDesktopWin32Test
#endif
        // Libraries once loaded stay: each row has folders of its own.
        const fs::path base = dir_.file(std::to_string(&row - rows));
        auto at = [&base](std::string text) {
            for (size_t i; (i = text.find('@')) != std::string::npos;)
                text.replace(i, 1, base.u8string());
            return text;
        };
        std::string repository = at(row.repository);
        if (row.repository[0] == '@' && row.repository[1] == '\\')
            std::replace(repository.begin(), repository.end(), '/', '\\');
        fs::remove_all(dir_.path() / "registry");
        if (!repository.empty())
            setRepository(repository);
        for (const char* folder : row.installed)
            installUtilityLibrary(base / folder);
        if (row.marker)
            writeFile(base / "own" / "vmkconfig.xml", {'<', '/', '>'});
        resetVmkUtilsBindingForTesting(hostString(row.own.empty() ? at("@/own") : row.own));
        char error[kVmkErrorTextSize] = {};
        void* entry = vmkprocaddr(kLibrary, "vmkutils_base", error);
        EXPECT_STREQ(row.error, error);
        EXPECT_EQ(row.error, bindingError());
        EXPECT_TRUE(*row.error ||
                    moduleOf(entry) == fs::u8path(at(row.directory)) / "VMKUtils_base.dll");
        EXPECT_EQ(utf8(vmkUtilityDirectoryForTesting()), at(row.directory));
    }
}

// Null arguments, a missing export, a file that is no library; a failure
// is raised, logged on the desktop and not cached: the next call binds once
// the library is there, and then object and folder are kept.
TEST_F(VmkUtilsBinding, FailuresAreNotCachedBindingsAre) {
    char error[kVmkErrorTextSize] = "untouched";
    EXPECT_EQ(nullptr, vmkprocaddr(nullptr, "vmkutils_base", error));
    EXPECT_EQ(nullptr, vmkprocaddr(kLibrary, nullptr, error));
    EXPECT_EQ(nullptr, vmkprocaddr(kLibrary, "vmkutils_base", nullptr));
    EXPECT_STREQ("untouched", error);
    const fs::path own = dir_.file("own"), text = dir_.file("text");
    fs::create_directories(text);
    writeFile(text / "VMKUtils_base.dll", {'n', 'o', 't'});
    resetVmkUtilsBindingForTesting(hostPath(text));
    EXPECT_EQ("vmkprocaddr: LoadLibraryEx: 193", bindingError());
    resetVmkUtilsBindingForTesting(hostPath(own));
    size_t before = readLines(emergencyFile()).size();
    EXPECT_EQ("vmkprocaddr: LoadLibraryEx: 126", bindingError());
    EXPECT_THROW(writeSharedLog("line %d", 1), std::runtime_error);
    std::vector<std::string> lines = readLines(emergencyFile());
    ASSERT_EQ(before + 2, lines.size());
    EXPECT_EQ(emergencyMessage(lines[before]),
              "vmkutils_base_stub: vmkprocaddr: LoadLibraryEx: 126");

    installUtilityLibrary(own);
    EXPECT_EQ(nullptr, vmkprocaddr(kLibrary, "no_such_export", error));
    EXPECT_STREQ("vmkprocaddr: GetProcAddress: 127", error);
    VmkUtilsBase* object = vmkutils_base_stub();
    const void* table = nullptr; // the module serving an object holds its virtual functions
    std::memcpy(&table, object, sizeof table);
    EXPECT_EQ(moduleOf(table), own / "VMKUtils_base.dll");
    writeSharedLog("shared %S %u", KW5_WSTR("Gr\u00fc\u00dfe"), 5u);
    EXPECT_NE(std::string::npos,
              readLines(dir_.file("vmkutils.log"))[0].find(" shared Gr\xc3\xbc\xc3\x9f\x65 5"));
    // Windows lets a loaded library be renamed, not deleted.
    fs::rename(own / "VMKUtils_base.dll", own / "moved.dll");
    setRepository((dir_.path() / "elsewhere").u8string());
    EXPECT_EQ(object, vmkutils_base_stub());
    EXPECT_EQ(hostPath(own), vmkUtilityDirectoryForTesting());
}

} // namespace
