#include "tests/storage/StorageTestSupport.h"

#include "support/VmkUtilsBinding.h"
#include "tag/KW5TagHeader.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#ifndef _WIN32
#include <cerrno>
#include <dlfcn.h>

int storagetest::lockError = 0;

// Stands in for the C library's flock in this program (file systems
// without advisory locks answer ENOLCK and the like).
extern "C" int flock(int fd, int operation) {
    if (storagetest::lockError != 0) {
        errno = storagetest::lockError;
        return -1;
    }
    typedef int (*Flock)(int, int);
    static const Flock real = reinterpret_cast<Flock>(dlsym(RTLD_NEXT, "flock"));
    return real(fd, operation);
}
#endif

namespace storagetest {

namespace {

// Set before main, so before the library writes its first line.
struct LogFile {
    LogFile()
        : path(std::filesystem::temp_directory_path() /
               ("kw5-storage-test-" + std::to_string(std::random_device()()) + ".log")),
          variable("VMKUTILS_LOG", path.string()) {}
    ~LogFile() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    std::filesystem::path path;
    kw5test::ScopedEnv variable;
};

const LogFile& logFile() {
    static LogFile file;
    return file;
}

const LogFile& earlyLogFile = logFile();

// The utility library of the shared-file log lies in the build folder, not
// beside the test program.
struct BindLog : ::testing::Environment {
    void SetUp() override {
        std::filesystem::path folder = KW5_TEST_BINARY_DIR;
        if (!std::filesystem::exists(folder / "VMKUtils_base.dll"))
            folder /= "bin";
        resetVmkUtilsBindingForTesting(kw5test::hostPath(folder));
    }
};
const ::testing::Environment* const bindLog = ::testing::AddGlobalTestEnvironment(new BindLog);

std::uintmax_t logSize() {
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(logFile().path, ec);
    return ec ? 0 : size;
}

} // namespace

Bytes tagHeader(uint32_t sizeField, const std::string& magic) {
    Bytes out(magic.begin(), magic.end());
    out.insert(out.end(), {3, 0, 0});
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<unsigned char>((sizeField >> shift) & 0x7F));
    return out;
}

Bytes frameOf(uint32_t total, const std::string& id, unsigned char fill) {
    uint32_t body = total - 10;
    Bytes out(id.begin(), id.end());
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(body >> shift));
    out.insert(out.end(), {0, 0});
    for (uint32_t i = 0; i < body; ++i)
        out.push_back(static_cast<unsigned char>(fill + i % 7));
    return out;
}

Bytes tagOfSize(uint32_t tagSize, const Bytes& frame) {
    Bytes out = join(tagHeader(tagSize - 10), frame);
    out.resize(tagSize, 0);
    return out;
}

Bytes audioBytes(size_t count, uint32_t seed) {
    Bytes out(count);
    std::mt19937 generator(seed);
    for (unsigned char& byte : out)
        byte = static_cast<unsigned char>(generator() >> 24);
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

_KW5_FILE_RET writeTag(const std::filesystem::path& target, const std::vector<Bytes>& frames) {
    KW5TagHeader header;
    header.makeDefault();
    KW5File file;
    _KW5_FILE_RET result =
        file.buildTagBuffer(header, serialized(frames), kw5test::hostPath(target));
    return result == KW5_FILE_RET_OK ? file.writeBuffer(kw5test::hostPath(target)) : result;
}

LogCapture::LogCapture() : start_(logSize()) {}

std::string LogCapture::text() const {
    std::ifstream in(logFile().path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return start_ < all.size() ? all.substr(static_cast<size_t>(start_)) : std::string();
}

bool LogCapture::contains(const std::string& line) const {
    return text().find(line) != std::string::npos;
}

SmallVolume::SmallVolume(const std::filesystem::path& folder, size_t bytes)
    : folder_(folder), mounted_(false) {
#ifndef _WIN32
    std::filesystem::create_directories(folder);
    mounted_ = std::system(("mount -t tmpfs -o size=" + std::to_string(bytes) + " kw5test '" +
                            folder.string() + "' >/dev/null 2>&1")
                               .c_str()) == 0;
#else
    (void)bytes;
#endif
}

SmallVolume::~SmallVolume() {
    if (mounted_ && std::system(("umount '" + folder_.string() + "' 2>/dev/null").c_str()) != 0)
        (void)std::system(("umount -l '" + folder_.string() + "'").c_str());
}

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    return names;
}

} // namespace storagetest
