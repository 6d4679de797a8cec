// The kernel copy of the audio and its fallback, the one-open read of a
// tag region, and big tags through a file: many small frames, many
// objects, one large object whose texts are re-encoded.
#include "storage/KW5AudioCopy.h"
#include "storage/KW5File.h"
#include "tag/KW5Tag.h"
#include "tag/KW5TagHeader.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#ifdef __linux__
#include <dlfcn.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

using kw5test::hostPath;
using kw5test::TempDir;
using storagetest::Bytes;

#ifdef __linux__
// The library's copy_file_range calls land here: refused with
// gCopy.refusal after gCopy.allowed calls that reach the C library. With
// gCopy.likeXfs every file lies on XFS (where the kernel copies), whatever
// it really lies on.
static struct {
    bool likeXfs;
    int refusal, allowed, calls;
} gCopy;

extern "C" int fstatfs64(int fd, struct statfs64* buffer) {
    static auto real =
        reinterpret_cast<int (*)(int, struct statfs64*)>(dlsym(RTLD_NEXT, "fstatfs64"));
    const int result = real(fd, buffer);
    if (result == 0 && gCopy.likeXfs)
        buffer->f_type = 0x58465342;
    return result;
}

extern "C" ssize_t copy_file_range(int in, loff_t* inOffset, int out, loff_t* outOffset,
                                   size_t length, unsigned int flags) {
    static auto real = reinterpret_cast<ssize_t (*)(int, loff_t*, int, loff_t*, size_t, unsigned)>(
        dlsym(RTLD_NEXT, "copy_file_range"));
    if (gCopy.calls++ >= gCopy.allowed && gCopy.refusal != 0) {
        errno = gCopy.refusal;
        return -1;
    }
    // Small steps, so that a refusal can come in the middle of a copy.
    return real(in, inOffset, out, outOffset, gCopy.refusal ? 4608 : length, flags);
}
#endif

namespace {

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes frameBytes(const std::string& id, const Bytes& body) {
    Bytes out = cat({Bytes(id.begin(), id.end()), Bytes(6), body});
    for (int k = 0; k < 4; ++k)
        out[4 + k] = static_cast<unsigned char>(body.size() >> (24 - 8 * k));
    return out;
}

// Narrow text (wide: UTF-16 big-endian), with its terminator unless bare.
Bytes text(const std::string& s, bool wide = false, bool bare = false) {
    Bytes b;
    for (char c : s + (bare ? "" : std::string(1, '\0'))) {
        if (wide)
            b.push_back(0);
        b.push_back(static_cast<unsigned char>(c));
    }
    return b;
}

// The frames of the tag in the file (padding dropped).
Bytes framesIn(const TempDir& dir) {
    const Bytes file = kw5test::readFile(dir.file("f"));
    size_t at = 10, end = KW5TagHeader::tagSizeOf(file.data(), file.size());
    while (at + 10 <= end && file[at] != 0)
        at += 10 + ((size_t(file[at + 4]) << 24) | (size_t(file[at + 5]) << 16) |
                    (size_t(file[at + 6]) << 8) | file[at + 7]);
    return Bytes(file.begin() + 10, file.begin() + static_cast<std::ptrdiff_t>(at));
}

// A tag of the frames and 100 bytes of padding, then audio.
void writeTagFile(const TempDir& dir, const Bytes& frames, const Bytes& audio) {
    const auto size = static_cast<uint32_t>(frames.size() + 100);
    kw5test::writeFile(dir.file("f"),
                       cat({storagetest::tagHeader(size), frames, Bytes(100), audio}));
}

// Open (one read of the region), load, write back in the STD order.
void rewrite(const TempDir& dir) {
    KW5File file;
    ASSERT_EQ(file.read(hostPath(dir.file("f")), 0), KW5_FILE_RET_OK);
    KW5Tag tag;
    ASSERT_EQ(file.loadTag(tag), KW5_FILE_RET_OK);
    ASSERT_EQ(file.writeSTD(tag, hostPath(dir.file("f"))), KW5_FILE_RET_OK);
}

#ifdef __linux__
TEST(CopyAndReadPath, CopiesWholeWhereverTheKernelRefuses) {
    // On XFS?, the refusal, the calls that copy before it, the calls made.
    const int rows[][4] = {{0, 0, 0, 0},      {1, 0, 0, 2},      {1, EXDEV, 0, 1},
                           {1, ENOSYS, 0, 1}, {1, EINVAL, 0, 1}, {1, EOPNOTSUPP, 0, 1},
                           {1, EXDEV, 3, 4}};
    const Bytes audio = storagetest::audioBytes(3 * 1024 * 1024 + 777, 5);
    for (const auto& row : rows) {
        TempDir dir;
        kw5test::writeFile(dir.file("src"), audio);
        gCopy = {row[0] != 0, row[1], row[2], 0};
        kw5platform::File out;
        ASSERT_TRUE(
            out.open(hostPath(dir.file("out")), kw5platform::OpenPurpose::CreateNewExclusive));
        EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 1000, out, 3), KW5_FILE_RET_OK);
        // A refusal is met once; the rest goes through memory.
        EXPECT_EQ(gCopy.calls, row[3]) << row[1];
        gCopy = {};
        EXPECT_EQ(kw5test::readFile(dir.file("out")),
                  cat({Bytes(3), Bytes(audio.begin() + 1000, audio.end())}));
    }
}
#endif

// The existence test runs only after a failed open: it still tells a
// missing file (no tag) from one that is there but cannot be opened.
TEST(CopyAndReadPath, AFailedOpenIsToldFromAMissingFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder"));
    KW5File file;
    EXPECT_EQ(file.read(hostPath(dir.file("missing")), 0), KW5_FILE_RET_OK);
    EXPECT_EQ(file.read(hostPath(dir.file("missing") / "x"), 0), KW5_FILE_RET_OK);
    EXPECT_EQ(file.read(hostPath(dir.file("folder")), 0), KW5_FILE_RET_FILE_ACCESS_ERROR);
}

TEST(CopyAndReadPath, BigTagsGoThroughAFileWhole) {
    for (const std::string id : {"WOAR", "WXXX", "TXXX", "GEOB"}) {
        Bytes frames;
        for (size_t n = 0; n < (id == "GEOB" ? 20000 : 100000); ++n) {
            const std::string k = std::to_string(n);
            const Bytes body =
                id == "WOAR"   ? text("http://e.com/" + k, false, true)
                : id == "GEOB" ? cat({{2}, text("x/y"), text("f", true), text(k, true), text(k)})
                               : cat({{2}, text("d" + k, true), text(k, true)});
            const Bytes frame = frameBytes(id, body);
            frames.insert(frames.end(), frame.begin(), frame.end());
        }
        TempDir dir;
        writeTagFile(dir, frames, Bytes(5000, 7));
        rewrite(dir);
        const Bytes written = framesIn(dir);
        EXPECT_EQ(written.size(), frames.size()) << id;
        rewrite(dir); // a second write gives the same tag again
        EXPECT_EQ(framesIn(dir), written) << id;
    }
}

TEST(CopyAndReadPath, ALargeObjectHasOnlyItsTextsReencoded) {
    const Bytes data = storagetest::audioBytes(8 * 1024 * 1024 + 3, 9);
    // Encoding byte, MIME type, file name, description: narrow, then
    // UTF-16 little-endian with marks.
    const Bytes texts[] = {cat({{0}, text("a/b"), text("f"), text("ob")}),
                           cat({{1},
                                text("a/b"),
                                kw5test::hex("FF FE 66 00 00 00"),
                                kw5test::hex("FF FE 6F 00 62 00 00 00")})};
    const Bytes expected =
        frameBytes("GEOB", cat({{2}, text("a/b"), text("f", true), text("ob", true), data}));
    for (const Bytes& row : texts) {
        TempDir dir;
        writeTagFile(dir, frameBytes("GEOB", cat({row, data})), {});
        rewrite(dir);
        EXPECT_EQ(framesIn(dir), expected);
    }
}

} // namespace
