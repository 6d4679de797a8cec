// The platform pieces under the support services: registry values, user
// folders, process facts, modules, paths, the named mutex and the clock.
#include "platform/AppendFile.h"
#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/Module.h"
#include "platform/NamedMutex.h"
#include "platform/PathSpec.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <thread>

using namespace kw5test;
namespace fs = std::filesystem;

namespace {

typedef kw5test::ScopedEnv ScopedVariable;

std::string pathText(const fs::path& path) {
    return path.u8string();
}

const char* const kKey = "SOFTWARE\\Quorin Corporation\\Tarvel";

class RegistryTest : public ::testing::Test {
protected:
    RegistryTest() : root_("KW5_REGISTRY_ROOT", pathText(dir_.path())) {}

    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "the folder tree stands in for the registry only on POSIX";
#endif
    }

    void setValue(const std::string& name, const std::string& text) {
        fs::path key =
            dir_.path() / "HKEY_LOCAL_MACHINE" / "SOFTWARE" / "Quorin Corporation" / "Tarvel";
        fs::create_directories(key);
        writeFile(key / name, std::vector<unsigned char>(text.begin(), text.end()));
    }

    bool read(const std::string& key, const char* name, size_t maxBytes, KW5WString& value) {
        return kw5platform::readRegistryString(kw5platform::RegistryHive::LocalMachine, key,
                                               hostString(name), maxBytes, value);
    }

    TempDir dir_;
    ScopedVariable root_;
};

} // namespace

TEST_F(RegistryTest, ReadsAValueFileAsUtf8) {
    setValue("Repository", "C:/Tools/Util/;D:\\Other \xe6\x97\xa5");
    KW5WString value;
    ASSERT_TRUE(read(kKey, "Repository", 522, value));
    EXPECT_EQ(hostString("C:/Tools/Util/;D:\\Other \xe6\x97\xa5"), value);
}

TEST_F(RegistryTest, OneFinalLineEndIsNotPartOfTheValue) {
    KW5WString value;
    setValue("Repository", "/opt/util\n");
    ASSERT_TRUE(read(kKey, "Repository", 522, value));
    EXPECT_EQ(hostString("/opt/util"), value);
    setValue("Repository", "/opt/util\r\n");
    ASSERT_TRUE(read(kKey, "Repository", 522, value));
    EXPECT_EQ(hostString("/opt/util"), value);
    setValue("Repository", "two\n\n");
    ASSERT_TRUE(read(kKey, "Repository", 522, value));
    EXPECT_EQ(hostString("two\n"), value);
}

TEST_F(RegistryTest, MissingKeyOrValueFails) {
    KW5WString value = hostString("unchanged");
    EXPECT_FALSE(read(kKey, "Repository", 522, value));
    setValue("Other", "x");
    EXPECT_FALSE(read(kKey, "Repository", 522, value));
    EXPECT_FALSE(read("SOFTWARE\\Quorin Corporation\\Elsewhere", "Other", 522, value));
    EXPECT_EQ(hostString("unchanged"), value);
}

TEST_F(RegistryTest, KeyPathsCannotLeaveTheTree) {
    setValue("Repository", "x");
    KW5WString value;
    EXPECT_FALSE(
        read("SOFTWARE\\..\\SOFTWARE\\Quorin Corporation\\Tarvel", "Repository", 522, value));
    EXPECT_FALSE(read("SOFTWARE\\\\Quorin Corporation\\Tarvel", "Repository", 522, value));
    EXPECT_FALSE(read("SOFTWARE/Quorin Corporation\\Tarvel", "Repository", 522, value));
    EXPECT_FALSE(read(kKey, "..", 522, value));
}

TEST_F(RegistryTest, ValueMustFitTheBufferWithItsTerminator) {
    KW5WString value;
    setValue("Repository", std::string(260, 'a'));
    ASSERT_TRUE(read(kKey, "Repository", 522, value));
    EXPECT_EQ(260u, value.size());
    setValue("Repository", std::string(261, 'a'));
    EXPECT_FALSE(read(kKey, "Repository", 522, value));
    // Three UTF-8 bytes, one UTF-16 unit each.
    std::string wide;
    for (int i = 0; i < 260; ++i)
        wide += "\xe6\x97\xa5";
    setValue("Repository", wide);
    ASSERT_TRUE(read(kKey, "Repository", 522, value));
    EXPECT_EQ(260u, value.size());
}

TEST_F(RegistryTest, ValueThatIsAFolderIsNoValue) {
    fs::create_directories(dir_.path() / "HKEY_LOCAL_MACHINE" / "SOFTWARE" / "Quorin Corporation" /
                           "Tarvel" / "Repository");
    KW5WString value;
    EXPECT_FALSE(read(kKey, "Repository", 522, value));
}

#ifndef _WIN32
TEST(UserFolders, DesktopFromTheVariableIsCreated) {
    TempDir dir;
    ScopedVariable desktop("XDG_DESKTOP_DIR", pathText(dir.path() / "a" / "Desk"));
    KW5WString path;
    ASSERT_TRUE(kw5platform::desktopFolder(path));
    EXPECT_EQ(hostPath(dir.path() / "a" / "Desk"), path);
    EXPECT_TRUE(fs::is_directory(dir.path() / "a" / "Desk"));
}

TEST(UserFolders, RelativeVariablesAreIgnoredForTheHomeFolder) {
    TempDir dir;
    ScopedVariable home("HOME", pathText(dir.path()));
    ScopedVariable desktop("XDG_DESKTOP_DIR", "relative/desk");
    ScopedVariable state("XDG_STATE_HOME", ""); // empty counts as unset
    KW5WString path;
    ASSERT_TRUE(kw5platform::desktopFolder(path));
    EXPECT_EQ(hostPath(dir.path() / "Desktop"), path);
    ASSERT_TRUE(kw5platform::userStateFolder(path));
    EXPECT_EQ(hostPath(dir.path() / ".local" / "state"), path);
    EXPECT_TRUE(fs::is_directory(dir.path() / ".local" / "state"));
}
#endif

TEST(Process, ExecutableAndCommandLineNameThisTest) {
    KW5WString executable = kw5platform::executablePath();
    EXPECT_NE(std::string::npos, utf8(executable).find("test_support"));
    EXPECT_TRUE(fs::exists(fs::u8path(utf8(executable))));
    EXPECT_NE(std::string::npos, kw5platform::commandLine().find("test_support"));
}

TEST(Module, AddressesMapToTheirModules) {
    kw5platform::ModuleHandle module = nullptr;
    uint32_t error = 0;
    KW5WString path;
    ASSERT_TRUE(kw5platform::moduleOfAddress(
        reinterpret_cast<const void*>(&kw5platform::executablePath), module, error));
    ASSERT_TRUE(kw5platform::moduleFileName(module, path, error));
    EXPECT_EQ(kw5platform::executablePath(), path);
}

TEST(Module, LoadFailuresCarryWindowsErrorNumbers) {
    TempDir dir;
    kw5platform::ModuleHandle module = nullptr;
    uint32_t error = 0;
    EXPECT_FALSE(kw5platform::loadLibrary(hostPath(dir.file("missing.dll")), module, error));
    EXPECT_EQ(126u, error);
    writeFile(dir.file("text.dll"), {'t', 'e', 'x', 't'});
    EXPECT_FALSE(kw5platform::loadLibrary(hostPath(dir.file("text.dll")), module, error));
    EXPECT_EQ(193u, error);
}

TEST(Module, LoadedLibraryGivesItsExports) {
    TempDir dir;
    installUtilityLibrary(dir.path());
    kw5platform::ModuleHandle module = nullptr;
    uint32_t error = 0;
    ASSERT_TRUE(kw5platform::loadLibrary(hostPath(dir.file("VMKUtils_base.dll")), module, error));
    EXPECT_NE(nullptr, kw5platform::librarySymbol(module, "vmkutils_base", error));
    EXPECT_EQ(nullptr, kw5platform::librarySymbol(module, "absent", error));
    EXPECT_EQ(127u, error);
    kw5platform::freeLibrary(module);
}

TEST(PathSpec, RemoveFileSpec) {
    KW5WString path = hostPath(fs::path("top") / "sub" / "lib.dll");
    kw5platform::removeFileSpec(path);
    EXPECT_EQ(hostPath(fs::path("top") / "sub"), path);
    path = hostString("lib.dll");
    kw5platform::removeFileSpec(path);
    EXPECT_TRUE(path.empty());
}

TEST(PathSpec, RemoveTrailingBackslashKeepsRoots) {
    KW5WString path = hostString("C:\\Tools\\Util\\");
    kw5platform::removeTrailingBackslash(path);
    EXPECT_EQ(hostString("C:\\Tools\\Util"), path);
    kw5platform::removeTrailingBackslash(path);
    EXPECT_EQ(hostString("C:\\Tools\\Util"), path);
    path = hostString("C:\\");
    kw5platform::removeTrailingBackslash(path);
    EXPECT_EQ(hostString("C:\\"), path);
    path = hostString("\\");
    kw5platform::removeTrailingBackslash(path);
    EXPECT_EQ(hostString("\\"), path);
}

TEST(PathSpec, ExistenceAndNestedFolders) {
    TempDir dir;
    fs::path nested = dir.path() / "a" / "b" / "c";
    EXPECT_FALSE(kw5platform::fileExists(hostPath(nested)));
    ASSERT_TRUE(kw5platform::createFolders(hostPath(nested)));
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(kw5platform::fileExists(hostPath(nested)));
    EXPECT_TRUE(kw5platform::createFolders(hostPath(nested)));
    writeFile(dir.file("file"), {'x'});
    EXPECT_TRUE(kw5platform::fileExists(hostPath(dir.file("file"))));
    EXPECT_FALSE(kw5platform::createFolders(hostPath(dir.file("file") / "below")));
    EXPECT_FALSE(kw5platform::fileExists(KW5WString()));
}

TEST(AppendFile, AppendsAndCreates) {
    TempDir dir;
    {
        kw5platform::AppendFile file;
        ASSERT_TRUE(file.open(hostPath(dir.file("log")), kw5platform::AppendSharing::ShareRead));
        ASSERT_TRUE(file.append("ab", 2));
    }
    {
        kw5platform::AppendFile file;
        ASSERT_TRUE(
            file.open(hostPath(dir.file("log")), kw5platform::AppendSharing::ShareReadWrite));
        ASSERT_TRUE(file.append("cd", 2));
    }
    EXPECT_EQ("abcd", readText(dir.file("log")));
    kw5platform::AppendFile missing;
    EXPECT_FALSE(
        missing.open(hostPath(dir.path() / "no" / "log"), kw5platform::AppendSharing::ShareRead));
    EXPECT_FALSE(missing.append("x", 1));
}

TEST(NamedMutex, OneOwnerAtATime) {
    TempDir dir;
    ScopedVariable runtime("XDG_RUNTIME_DIR", pathText(dir.path()));
    kw5platform::NamedMutex first;
    ASSERT_TRUE(first.open("kw5-test-mutex"));
    ASSERT_EQ(kw5platform::NamedMutex::Wait::Acquired, first.wait(1000));
    // What another thread's own handle gets within 200 ms.
    const auto fromAnotherThread = [] {
        kw5platform::NamedMutex::Wait other = kw5platform::NamedMutex::Wait::Failed;
        std::thread([&] {
            kw5platform::NamedMutex second;
            ASSERT_TRUE(second.open("kw5-test-mutex"));
            other = second.wait(200);
        }).join();
        return other;
    };
    EXPECT_EQ(kw5platform::NamedMutex::Wait::TimedOut, fromAnotherThread());
    first.release();
    EXPECT_EQ(kw5platform::NamedMutex::Wait::Acquired, fromAnotherThread());
}

TEST(NamedMutex, UnopenedMutexFailsToWait) {
    kw5platform::NamedMutex mutex;
    EXPECT_EQ(kw5platform::NamedMutex::Wait::Failed, mutex.wait(10));
}

TEST(Clock, LocalTimeMatchesTheCRuntime) {
    kw5platform::LocalTime t = kw5platform::localTimeNow();
    std::tm parts = {};
    parts.tm_year = t.year - 1900;
    parts.tm_mon = t.month - 1;
    parts.tm_mday = t.day;
    parts.tm_hour = t.hour;
    parts.tm_min = t.minute;
    parts.tm_sec = t.second;
    parts.tm_isdst = -1;
    double apart = std::difftime(std::mktime(&parts), std::time(nullptr));
    EXPECT_LE(std::abs(apart), 2.0);
    EXPECT_TRUE(t.millisecond >= 0 && t.millisecond <= 999) << t.millisecond;
}
