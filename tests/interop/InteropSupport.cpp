#include "tests/interop/InteropSupport.h"

#include <array>
#include <cstdio>

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#endif

namespace kw5test {

int runCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), got);
    int status = pclose(pipe);
#ifdef _WIN32
    return status;
#else
    return (status & 0x7F) == 0 ? (status >> 8) & 0xFF : 128 + (status & 0x7F);
#endif
}

const std::string& mutagenPython() {
    static const std::string python = [] {
        std::string out;
        for (const char* candidate : {"/usr/bin/python3", "python3"})
            if (runCommand(std::string(candidate) + " -c 'import mutagen'", out) == 0)
                return std::string(candidate);
        return std::string();
    }();
    return python;
}

bool haveId3v2Tool() {
    std::string out;
    return runCommand("id3v2 --version", out) == 0;
}

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string mutagenCommand(const std::string& arguments) {
    return mutagenPython() + " " +
           quote(std::string(KW5_TEST_SOURCE_DIR) + "/tests/interop/mutagen_tool.py") + " " +
           arguments;
}

} // namespace kw5test
