#include "tests/support/SupportTestHelpers.h"

#include "platform/Module.h"
#include "platform/Process.h"
#include "support/EmergencyLog.h"
#include "support/vmkutils/VmkUtilsBase.h"
#include "tests/common/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <regex>

namespace kw5test {

namespace {

#ifndef _WIN32
struct OwnFolders {
    OwnFolders() {
        if (std::getenv("KW5_SUPPORT_TEST_HOME"))
            return; // a child: the parent's folders
        std::filesystem::create_directories(dir.file("run"));
        for (auto variable : {std::make_pair("KW5_SUPPORT_TEST_HOME", dir.path()),
                              std::make_pair("XDG_DESKTOP_DIR", dir.file("desktop")),
                              std::make_pair("XDG_RUNTIME_DIR", dir.file("run"))})
            variables.emplace_back(new ScopedEnv(variable.first, variable.second.u8string()));
    }
    TempDir dir;
    std::vector<std::unique_ptr<ScopedEnv>> variables;
};
const OwnFolders ownFolders;
#endif

} // namespace

void installUtilityLibrary(const std::filesystem::path& folder) {
    kw5platform::ModuleHandle module = nullptr;
    uint32_t error = 0;
    KW5WString built;
    kw5platform::moduleOfAddress(reinterpret_cast<const void*>(&vmkutils_base), module, error);
    kw5platform::moduleFileName(module, built, error);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(std::filesystem::u8path(utf8(built)), folder / "VMKUtils_base.dll",
                               std::filesystem::copy_options::overwrite_existing);
}

std::vector<std::string> readLines(const std::filesystem::path& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    const std::string text(bytes.begin(), bytes.end());
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

// "%04d/%02d/%02d %02d:%02d:%02d.%03d [%S %s] %08x:%08x " and the message.
std::string emergencyMessage(const std::string& line) {
    static const std::regex pattern(
        "\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "
        "\\[([^\\r\\n]*)\\] ([0-9a-f]{8}:[0-9a-f]{8}) ([^\\r\\n]*)\\r\\n");
    char ids[20];
    std::snprintf(ids, sizeof ids, "%08x:%08x", kw5platform::processId(), kw5platform::threadId());
    std::smatch match;
    bool ours = std::regex_match(line, match, pattern) && match[2] == ids &&
                match[1] == utf8(kw5platform::executablePath()) + " " + kw5platform::commandLine();
    return ours ? match[3].str() : "other:" + line;
}

} // namespace kw5test
