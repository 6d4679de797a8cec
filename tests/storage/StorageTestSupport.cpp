#include "tests/storage/StorageTestSupport.h"

#include "support/VmkUtilsBinding.h"
#include "tag/KW5TagHeader.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#ifndef _WIN32
#include <cerrno>
#include <dlfcn.h>

int storagetest::lockError = 0;

// Stands in for the C library's flock in this program (file systems
// without advisory locks answer ENOLCK and the like).
extern "C" int flock(int fd, int operation) {
    typedef int (*Flock)(int, int);
    static const Flock real = reinterpret_cast<Flock>(dlsym(RTLD_NEXT, "flock"));
    errno = storagetest::lockError;
    return errno ? -1 : real(fd, operation);
}
#endif

namespace storagetest {

namespace {

// Set before main, so before the library writes its first line.
const kw5test::TempDir logFolder;
const kw5test::ScopedEnv logVariable("VMKUTILS_LOG", logFolder.file("log").string());

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

} // namespace

Bytes tagHeader(uint32_t sizeField) {
    Bytes out = {'k', 'w', '5', 3, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<unsigned char>((sizeField >> shift) & 0x7F));
    return out;
}

Bytes frameOf(uint32_t total, const std::string& id, unsigned char fill) {
    Bytes out(id.begin(), id.end());
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>((total - 10) >> shift));
    out.resize(10, 0);
    for (uint32_t i = 10; i < total; ++i)
        out.push_back(static_cast<unsigned char>(fill + (i - 10) % 7));
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

_KW5_FILE_RET writeTag(const std::filesystem::path& target, const std::vector<Bytes>& frames) {
    KW5TagHeader header;
    header.makeDefault();
    KW5FrameList list;
    ULONG total = 0;
    for (const Bytes& bytes : frames) {
        // Header and body as they stand (a frame without a body too).
        KW5FrameHeader frameHeader;
        KW5Field body;
        EXPECT_EQ(frameHeader.setFromBytes(bytes.data(), 10), KW5_FILE_RET_OK);
        EXPECT_EQ(body.setBytes(bytes.data() + 10, static_cast<ULONG>(bytes.size() - 10)),
                  KW5_FILE_RET_OK);
        list.emplace_back();
        EXPECT_EQ(list.back().setFrame(frameHeader, std::move(body)), KW5_FILE_RET_OK);
        total += static_cast<ULONG>(bytes.size());
    }
    return KW5File().writeFrames(header, std::move(list), total, kw5test::hostPath(target));
}

std::string logText() {
    return kw5test::readText(logFolder.file("log"));
}

SmallVolume::SmallVolume(const std::filesystem::path& folder, size_t bytes) : folder_(folder) {
    std::filesystem::create_directories(folder);
    const std::string mount = "mount -t tmpfs -o size=" + std::to_string(bytes) + " kw5test '";
#ifndef _WIN32
    mounted_ = std::system((mount + folder.string() + "' 2>/dev/null").c_str()) == 0;
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
