#include "tests/storage/StorageTestSupport.h"

#include "support/VmkUtilsBinding.h"
#include "tests/common/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace storagetest {

namespace {

std::filesystem::path makeLogPath() {
    std::random_device rd;
    return std::filesystem::temp_directory_path() /
           ("kw5-storage-test-" + std::to_string(rd()) + ".log");
}

void setVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void clearVariable(const std::string& name) {
#ifdef _WIN32
    _putenv_s(name.c_str(), "");
#else
    unsetenv(name.c_str());
#endif
}

// Set before main, so before the library writes its first line.
struct LogFile {
    LogFile() : path(makeLogPath()) { setVariable("VMKUTILS_LOG", path.string()); }
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

std::uintmax_t currentLogSize() {
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(logFile().path, ec);
    return ec ? 0 : size;
}

} // namespace

Bytes tagHeader(uint32_t sizeField, const std::string& magic) {
    Bytes out(magic.begin(), magic.end());
    out.push_back(3);
    out.push_back(0);
    out.push_back(0);
    out.push_back(static_cast<unsigned char>((sizeField >> 21) & 0x7F));
    out.push_back(static_cast<unsigned char>((sizeField >> 14) & 0x7F));
    out.push_back(static_cast<unsigned char>((sizeField >> 7) & 0x7F));
    out.push_back(static_cast<unsigned char>(sizeField & 0x7F));
    return out;
}

Bytes frameOf(uint32_t total, const std::string& id, unsigned char fill) {
    uint32_t body = total - 10;
    Bytes out(id.begin(), id.end());
    out.push_back(static_cast<unsigned char>(body >> 24));
    out.push_back(static_cast<unsigned char>(body >> 16));
    out.push_back(static_cast<unsigned char>(body >> 8));
    out.push_back(static_cast<unsigned char>(body));
    out.push_back(0);
    out.push_back(0);
    for (uint32_t i = 0; i < body; ++i)
        out.push_back(static_cast<unsigned char>(fill + i % 7));
    return out;
}

Bytes tagOfSize(uint32_t tagSize, const Bytes& frame) {
    Bytes out = tagHeader(tagSize - 10);
    out.insert(out.end(), frame.begin(), frame.end());
    out.resize(tagSize, 0);
    return out;
}

Bytes audioBytes(size_t count, uint32_t seed) {
    Bytes out(count);
    std::mt19937 generator(seed);
    for (size_t i = 0; i < count; ++i)
        out[i] = static_cast<unsigned char>(generator() >> 24);
    return out;
}

Bytes join(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

KW5SerializedFrames serialized(const std::vector<Bytes>& frames) {
    KW5SerializedFrames out;
    for (const Bytes& frame : frames) {
        out.buffers.push_back(frame);
        out.lengths.push_back(static_cast<ULONG>(frame.size()));
        out.total += static_cast<ULONG>(frame.size());
    }
    return out;
}

LogCapture::LogCapture() : start_(currentLogSize()) {}

std::string LogCapture::text() const {
    std::ifstream in(logFile().path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return start_ < all.size() ? all.substr(static_cast<size_t>(start_)) : std::string();
}

bool LogCapture::contains(const std::string& line) const {
    return text().find(line) != std::string::npos;
}

void bindSharedLog() {
    std::filesystem::path folder = KW5_TEST_BINARY_DIR;
    if (!std::filesystem::exists(folder / "VMKUtils_base.dll") &&
        std::filesystem::exists(folder / "bin" / "VMKUtils_base.dll"))
        folder /= "bin";
    resetVmkUtilsBindingForTesting(kw5test::hostPath(folder));
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name.c_str());
    had_ = old != nullptr;
    if (had_)
        old_ = old;
    setVariable(name, value);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        setVariable(name_, old_);
    else
        clearVariable(name_);
}

SmallVolume::SmallVolume(const std::filesystem::path& folder, size_t bytes)
    : folder_(folder), mounted_(false) {
#ifndef _WIN32
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string command = "mount -t tmpfs -o size=" + std::to_string(bytes) + " kw5test '" +
                          folder.string() + "' >/dev/null 2>&1";
    mounted_ = std::system(command.c_str()) == 0;
#else
    (void)bytes;
#endif
}

SmallVolume::~SmallVolume() {
#ifndef _WIN32
    if (mounted_) {
        std::string command = "umount '" + folder_.string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            (void)std::system(("umount -l '" + folder_.string() + "' >/dev/null 2>&1").c_str());
    }
#endif
}

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    return names;
}

} // namespace storagetest
