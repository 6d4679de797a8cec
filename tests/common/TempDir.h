// Test helpers: a temporary folder that removes itself, and small file
// utilities. Every suite links them, whether it tests the internals or the
// exported class (the UTF-8 conversion comes from the platform layer).
#ifndef KW5_TESTS_TEMPDIR_H
#define KW5_TESTS_TEMPDIR_H

#include "kw5/Types.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kw5test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::vector<unsigned char> readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);

// A host string from a path or UTF-8 text, and back.
KW5WString hostString(const std::string& utf8);
KW5WString hostPath(const std::filesystem::path& path);
std::string utf8(const KW5WString& text);

// Bytes from a hex string such as "00 41 FF".
std::vector<unsigned char> hex(const std::string& text);
std::string toHex(const std::vector<unsigned char>& bytes);

} // namespace kw5test

#endif
