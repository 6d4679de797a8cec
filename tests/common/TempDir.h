// Test helpers every suite links: a temporary folder that removes itself,
// whole-file reads and writes, host strings, hex, environment variables and
// child processes.
#ifndef KW5_TESTS_TEMPDIR_H
#define KW5_TESTS_TEMPDIR_H

#include "kw5/Types.h"
#include "platform/ChildProcess.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kw5test {

class TempDir {
public:
    TempDir();
    ~TempDir();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::vector<unsigned char> readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);
std::string readText(const std::filesystem::path& path);

// A host string from a path or UTF-8 text, and back.
KW5WString hostString(const std::string& utf8);
KW5WString hostPath(const std::filesystem::path& path);
std::string utf8(const KW5WString& text);

// Bytes from a hex string such as "00 41 FF", and back ("00 41 FF").
std::vector<unsigned char> hex(const std::string& text);
std::string toHex(const std::vector<unsigned char>& bytes);

// Sets an environment variable for the life of the object, then puts back
// what was there.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::string& utf8Value);
    ~ScopedEnv() { set(old_, had_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const KW5WString& value, bool present);
    std::string name_;
    KW5WString old_;
    bool had_;
};

// Waits up to the given time for a file to appear.
bool waitForFile(const std::filesystem::path& path, int seconds);

// Starts a child; under a loaded Wine a start now and then fails at once,
// so it is tried up to five times.
bool startChild(kw5platform::ChildProcess& child, const KW5WString& executable,
                const std::vector<std::string>& arguments);

} // namespace kw5test

#endif
