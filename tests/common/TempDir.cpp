#include "tests/common/TempDir.h"

#include "platform/UnicodeText.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

namespace kw5test {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto name = "kw5test-" + std::to_string(rd()) + "-" + std::to_string(counter++);
        auto candidate = base / name;
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Files may have been made read-only by a test.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::vector<unsigned char> readFile(const std::filesystem::path& path) {
    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(path, ec);
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = regular && in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size >= 0 && in.seekg(0)) {
        // In one piece: byte by byte, a file of megabytes takes seconds
        // under valgrind.
        std::vector<unsigned char> bytes(static_cast<size_t>(size));
        in.read(reinterpret_cast<char*>(bytes.data()), size);
        bytes.resize(static_cast<size_t>(in.gcount()));
        return bytes;
    }
    in.clear();
    in.seekg(0);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

KW5WString hostString(const std::string& text) {
    return kw5platform::utf8ToUtf16(text);
}

KW5WString hostPath(const std::filesystem::path& path) {
    return hostString(path.u8string());
}

std::string utf8(const KW5WString& text) {
    return kw5platform::utf16ToUtf8(text);
}

std::vector<unsigned char> hex(const std::string& text) {
    std::vector<unsigned char> out;
    int nibble = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(static_cast<unsigned char>(nibble * 16 + v));
            nibble = -1;
        }
    }
    return out;
}

std::string toHex(const std::vector<unsigned char>& bytes) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        if (i)
            out += ' ';
        out += buf;
    }
    return out;
}

} // namespace kw5test
