// Helpers of the support tests: the built utility library, text files read
// as lines, and the emergency log of this test program.
#ifndef KW5_TESTS_SUPPORT_SUPPORTTESTHELPERS_H
#define KW5_TESTS_SUPPORT_SUPPORTTESTHELPERS_H

#include <filesystem>
#include <string>
#include <vector>

namespace kw5test {

// The VMKUtils_base.dll this test program was linked with, and a copy of
// it put into folder (created when missing).
std::filesystem::path builtUtilityLibrary();
void installUtilityLibrary(const std::filesystem::path& folder);

// The text of a file, and that text split after each "\n".
std::string readText(const std::filesystem::path& path);
std::vector<std::string> readLines(const std::filesystem::path& path);

// The emergency log file of this program. On POSIX the desktop and the
// runtime folder (for lock files) are folders of the program's own, set
// before main and inherited by the children it starts.
std::filesystem::path emergencyFile();

} // namespace kw5test

#endif
