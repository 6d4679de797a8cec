#include "tests/support/SupportTestHelpers.h"

#include "platform/Environment.h"
#include "platform/Module.h"
#include "support/vmkutils/VmkUtilsBase.h"
#include "tests/common/TempDir.h"

#include <stdexcept>

namespace kw5test {

ScopedVariable::ScopedVariable(const char* name, const std::string& utf8Value)
    : name_(name), hadValue_(kw5platform::environmentVariable(name, oldValue_)) {
    kw5platform::setEnvironmentVariable(name, hostString(utf8Value));
}

ScopedVariable::ScopedVariable(const char* name)
    : name_(name), hadValue_(kw5platform::environmentVariable(name, oldValue_)) {
    kw5platform::unsetEnvironmentVariable(name);
}

ScopedVariable::~ScopedVariable() {
    if (hadValue_)
        kw5platform::setEnvironmentVariable(name_.c_str(), oldValue_);
    else
        kw5platform::unsetEnvironmentVariable(name_.c_str());
}

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
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

std::string pathText(const std::filesystem::path& path) {
    return path.u8string();
}

} // namespace kw5test
