#include "tests/format/LogCapture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace kw5formattest {

namespace {

std::filesystem::path makeLogPath() {
    std::random_device rd;
    return std::filesystem::temp_directory_path() /
           ("kw5-format-test-" + std::to_string(rd()) + ".log");
}

// Set before main, so before the library writes its first line.
struct LogFile {
    LogFile() : path(makeLogPath()) {
#ifdef _WIN32
        _putenv_s("VMKUTILS_LOG", path.string().c_str());
#else
        setenv("VMKUTILS_LOG", path.string().c_str(), 1);
#endif
    }
    ~LogFile() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    std::filesystem::path path;
};

const LogFile& logFile() {
    static LogFile file;
    return file;
}

const LogFile& earlyLogFile = logFile();

std::uintmax_t currentSize() {
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(logFile().path, ec);
    return ec ? 0 : size;
}

} // namespace

LogCapture::LogCapture() : start_(currentSize()) {}

std::string LogCapture::text() const {
    std::ifstream in(logFile().path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return start_ < all.size() ? all.substr(static_cast<std::size_t>(start_)) : std::string();
}

bool LogCapture::contains(const std::string& line) const {
    return text().find(line) != std::string::npos;
}

} // namespace kw5formattest
