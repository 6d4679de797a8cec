#include "tests/support/SupportTestHelpers.h"

#include "platform/Module.h"
#include "support/EmergencyLog.h"
#include "support/vmkutils/VmkUtilsBase.h"
#include "tests/common/TempDir.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace kw5test {

namespace {

#ifndef _WIN32
struct OwnFolders {
    OwnFolders() {
        if (std::getenv("KW5_SUPPORT_TEST_HOME"))
            return; // a child: the parent's folders
        dir.reset(new TempDir);
        std::filesystem::create_directories(dir->file("run"));
        home.reset(new ScopedEnv("KW5_SUPPORT_TEST_HOME", dir->path().u8string()));
        desktop.reset(new ScopedEnv("XDG_DESKTOP_DIR", dir->file("desktop").u8string()));
        runtime.reset(new ScopedEnv("XDG_RUNTIME_DIR", dir->file("run").u8string()));
    }
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<ScopedEnv> home, desktop, runtime;
};
const OwnFolders ownFolders;
#endif

} // namespace

std::filesystem::path builtUtilityLibrary() {
    kw5platform::ModuleHandle module = nullptr;
    uint32_t error = 0;
    KW5WString path;
    if (!kw5platform::moduleOfAddress(reinterpret_cast<const void*>(&vmkutils_base), module,
                                      error) ||
        !kw5platform::moduleFileName(module, path, error))
        throw std::runtime_error("cannot find the utility library");
    return std::filesystem::u8path(utf8(path));
}

void installUtilityLibrary(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(builtUtilityLibrary(), folder / "VMKUtils_base.dll",
                               std::filesystem::copy_options::overwrite_existing);
}

std::string readText(const std::filesystem::path& path) {
    std::vector<unsigned char> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> readLines(const std::filesystem::path& path) {
    std::string text = readText(path);
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end) {
        end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::filesystem::path emergencyFile() {
    return std::filesystem::u8path(utf8(emergencyLogPath()));
}

} // namespace kw5test
