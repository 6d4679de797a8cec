// Running the programs that write and read files for the interop tests.
#ifndef KW5_TESTS_INTEROP_SUPPORT_H
#define KW5_TESTS_INTEROP_SUPPORT_H

#include <string>

namespace kw5test {

// Runs a shell command; returns its exit status and collects its output.
int runCommand(const std::string& command, std::string& output);

// Debian's python3 with its python3-mutagen, or an empty string.
const std::string& mutagenPython();
bool haveId3v2Tool();

// The mutagen helper script with arguments, quoted for the shell.
std::string mutagenCommand(const std::string& arguments);
std::string quote(const std::string& text);

} // namespace kw5test

#endif
