#include "tests/common/TempDir.h"

#include "platform/Environment.h"
#include "platform/UnicodeText.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <thread>

namespace kw5test {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("kw5test-" + std::to_string(std::random_device()()) + "-" + std::to_string(counter++));
    if (!std::filesystem::create_directory(path_))
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
    // In one piece: byte by byte, megabytes take seconds under valgrind.
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::vector<unsigned char> bytes(ec ? 0 : static_cast<size_t>(size));
    std::ifstream(path, std::ios::binary)
        .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void writeFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string readText(const std::filesystem::path& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
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
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

std::string toHex(const std::vector<unsigned char>& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char byte : bytes) {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", byte);
        out += buf;
    }
    return out;
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& utf8Value)
    : name_(name), had_(kw5platform::environmentVariable(name.c_str(), old_)) {
    set(hostString(utf8Value), true);
}

void ScopedEnv::set(const KW5WString& value, bool present) {
    if (present)
        kw5platform::setEnvironmentVariable(name_.c_str(), value);
    else
        kw5platform::unsetEnvironmentVariable(name_.c_str());
}

bool waitForFile(const std::filesystem::path& path, int seconds) {
    for (int ms = 0; ms < seconds * 1000 && !std::filesystem::exists(path); ++ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return std::filesystem::exists(path);
}

bool startChild(kw5platform::ChildProcess& child, const KW5WString& executable,
                const std::vector<std::string>& arguments) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (child.start(executable, arguments))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

} // namespace kw5test
