// Helpers of the support tests: environment variables that restore
// themselves, the built utility library, and log files read as lines.
#ifndef KW5_TESTS_SUPPORT_SUPPORTTESTHELPERS_H
#define KW5_TESTS_SUPPORT_SUPPORTTESTHELPERS_H

#include "kw5/Types.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kw5test {

// Sets (or, with unset(), removes) an environment variable for the life of
// the object, then puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& utf8Value);
    explicit ScopedVariable(const char* name);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    KW5WString oldValue_;
    bool hadValue_;
};

// The VMKUtils_base.dll this test executable was linked with.
std::filesystem::path builtUtilityLibrary();

// Copies the built utility library into folder (created when missing).
void installUtilityLibrary(const std::filesystem::path& folder);

// The text of a file, and that text split after each "\n".
std::string readText(const std::filesystem::path& path);
std::vector<std::string> readLines(const std::filesystem::path& path);

// A path of the platform's form, as a UTF-8 string.
std::string pathText(const std::filesystem::path& path);

} // namespace kw5test

#endif
