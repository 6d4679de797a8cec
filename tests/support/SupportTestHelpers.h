// Helpers of the support tests: the built utility library, text files read
// as lines, and the emergency log of this test program.
#ifndef KW5_TESTS_SUPPORT_SUPPORTTESTHELPERS_H
#define KW5_TESTS_SUPPORT_SUPPORTTESTHELPERS_H

#include <filesystem>
#include <string>
#include <vector>

namespace kw5test {

// A copy of the VMKUtils_base.dll this program was linked with, in folder.
void installUtilityLibrary(const std::filesystem::path& folder);

// The lines of a text file, each with its line end.
std::vector<std::string> readLines(const std::filesystem::path& path);

// The emergency log file of this program. On POSIX the desktop and the
// runtime folder (for lock files) are folders of the program's own, set
// before main and inherited by the children it starts.
std::filesystem::path emergencyFile();
// The message of an emergency log line of this program and thread, or
// "other:" and the line.
std::string emergencyMessage(const std::string& line);

} // namespace kw5test

#endif
