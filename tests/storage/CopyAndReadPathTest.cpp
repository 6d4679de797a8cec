// The kernel copy of the audio and its fallback, the one-open read of a
// tag region, and big tags through a file: many small frames, many
// objects, one large object whose texts are re-encoded.
#include "platform/File.h"
#include "storage/KW5AudioCopy.h"
#include "storage/KW5File.h"
#include "tag/KW5Tag.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>
#ifdef __linux__
#include <dlfcn.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

using kw5platform::File;
using kw5platform::OpenPurpose;
using kw5test::hostPath;
using kw5test::TempDir;
using storagetest::Bytes;
using storagetest::join;

#ifdef __linux__
// The library's copy_file_range calls land here: refuse with gRefusal
// after gAllowedCalls calls that go through to the C library. With
// gLikeXfs the file system of every file is XFS (one the kernel copies
// on), whatever it really is.
namespace {
bool gLikeXfs = false;
int gRefusal = 0;
int gAllowedCalls = 0;
int gCalls = 0;
} // namespace

extern "C" int fstatfs64(int fd, struct statfs64* buffer) {
    typedef int (*Real)(int, struct statfs64*);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "fstatfs64"));
    const int result = real(fd, buffer);
    if (result == 0 && gLikeXfs)
        buffer->f_type = 0x58465342;
    return result;
}

extern "C" ssize_t copy_file_range(int in, loff_t* inOffset, int out, loff_t* outOffset,
                                   size_t length, unsigned int flags) {
    typedef ssize_t (*Real)(int, loff_t*, int, loff_t*, size_t, unsigned int);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "copy_file_range"));
    if (gCalls++ >= gAllowedCalls && gRefusal != 0) {
        errno = gRefusal;
        return -1;
    }
    // Small steps, so that a refusal can come in the middle of a copy.
    if (gRefusal != 0 && length > 4096 + 512)
        length = 4096 + 512;
    return real(in, inOffset, out, outOffset, length, flags);
}
#endif

namespace {

Bytes frameBytes(const std::string& id, const Bytes& body) {
    Bytes out(id.begin(), id.end());
    for (int shift : {24, 16, 8, 0})
        out.push_back(static_cast<unsigned char>(body.size() >> shift));
    out.push_back(0);
    out.push_back(0);
    return join(out, body);
}

Bytes text(const std::string& s, bool terminate = true) {
    Bytes b(s.begin(), s.end());
    if (terminate)
        b.push_back(0);
    return b;
}

Bytes utf16BE(const std::string& s) {
    Bytes b;
    for (char c : s) {
        b.push_back(0);
        b.push_back(static_cast<unsigned char>(c));
    }
    b.insert(b.end(), {0, 0});
    return b;
}

// A "ID3" tag of the frames, 100 bytes of padding, then audio.
Bytes fileOf(const Bytes& frames, const Bytes& audio) {
    return join(join(storagetest::tagHeader(static_cast<uint32_t>(frames.size() + 100), "ID3"),
                     join(frames, Bytes(100))),
                audio);
}

// The frames of the tag in the file at path (padding dropped).
Bytes framesIn(const TempDir& dir, const std::string& name) {
    Bytes file = kw5test::readFile(dir.file(name));
    size_t at = 10, end = 10 + KW5File::tagSizeInHeader(file.data(), file.size()) - 10;
    while (at + 10 <= end && file[at] != 0)
        at += 10 + ((size_t(file[at + 4]) << 24) | (size_t(file[at + 5]) << 16) |
                    (size_t(file[at + 6]) << 8) | file[at + 7]);
    return Bytes(file.begin() + 10, file.begin() + static_cast<std::ptrdiff_t>(at));
}

// Open (one read of the region), load, write back in the STD order.
void rewrite(const TempDir& dir, const std::string& name) {
    KW5File reader;
    ASSERT_EQ(reader.read(hostPath(dir.file(name)), 0), KW5_FILE_RET_OK);
    KW5Tag tag;
    ASSERT_EQ(reader.loadTag(tag), KW5_FILE_RET_OK);
    KW5Tag copy(tag); // what Update writes from: the bodies are shared
    KW5File writer;
    ASSERT_EQ(writer.writeSTD(copy, hostPath(dir.file(name))), KW5_FILE_RET_OK);
}

#ifdef __linux__
TEST(CopyAndReadPath, CopiesWholeWhereverTheKernelRefuses) {
    const struct {
        bool likeXfs;
        int refusal;
        int allowed; // calls that copy before the refusal
        int calls;   // of copy_file_range
    } rows[] = {{false, 0, 0, 0},     {true, 0, 0, 2},      {true, EXDEV, 0, 1},
                {true, ENOSYS, 0, 1}, {true, EINVAL, 0, 1}, {true, EOPNOTSUPP, 0, 1},
                {true, EXDEV, 3, 4}};
    const Bytes audio = storagetest::audioBytes(3 * 1024 * 1024 + 777, 5);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.refusal);
        TempDir dir;
        kw5test::writeFile(dir.file("src"), audio);
        gLikeXfs = row.likeXfs;
        gRefusal = row.refusal;
        gAllowedCalls = row.allowed;
        gCalls = 0;
        File out;
        ASSERT_TRUE(out.open(hostPath(dir.file("out")), OpenPurpose::CreateNewExclusive));
        EXPECT_EQ(kw5storage::copyAudio(hostPath(dir.file("src")), 1000, out, 3), KW5_FILE_RET_OK);
        gLikeXfs = false;
        gRefusal = 0;
        // A refusal is met once; the rest goes through memory.
        EXPECT_EQ(gCalls, row.calls);
        out.close();
        EXPECT_EQ(kw5test::readFile(dir.file("out")),
                  join(Bytes(3), Bytes(audio.begin() + 1000, audio.end())));
    }
}
#endif

TEST(CopyAndReadPath, OneOpenReadsTheRegionTheHeaderAnnounces) {
    const Bytes audio = storagetest::audioBytes(300, 2);
    const Bytes tag = storagetest::tagOfSize(200, storagetest::frameOf(50));
    const struct {
        const char* name;
        Bytes content;
        bool exists;
        Bytes expected;
    } rows[] = {
        {"missing", {}, false, {}},
        {"empty", {}, true, {}},
        {"nine bytes", Bytes(tag.begin(), tag.begin() + 9), true, {}},
        {"no tag", audio, true, {}},
        {"tag and audio", join(tag, audio), true, tag},
        {"short of its tag", Bytes(tag.begin(), tag.begin() + 120), true,
         Bytes(tag.begin(), tag.begin() + 120)},
        {"header only", Bytes(tag.begin(), tag.begin() + 10), true,
         Bytes(tag.begin(), tag.begin() + 10)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        if (row.exists)
            kw5test::writeFile(dir.file("f"), row.content);
        KW5File file;
        EXPECT_EQ(file.read(hostPath(dir.file("f")), 0), KW5_FILE_RET_OK);
        EXPECT_EQ(file.buffer(), row.expected);
    }
}

TEST(CopyAndReadPath, BigTagsGoThroughAFileWhole) {
    const struct {
        const char* id;
        size_t count;
    } rows[] = {{"WOAR", 100000}, {"WXXX", 100000}, {"TXXX", 100000}, {"GEOB", 20000}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        const std::string id = row.id;
        Bytes frames;
        for (size_t n = 0; n < row.count; ++n) {
            const std::string k = std::to_string(n);
            Bytes body = id == "WOAR"   ? text("http://e.com/" + k, false)
                         : id == "GEOB" ? join(join(Bytes{2}, text("x/y")),
                                               join(join(utf16BE("f"), utf16BE("o" + k)), text(k)))
                                        : join(join(Bytes{2}, utf16BE("d" + k)), utf16BE(k));
            const Bytes frame = frameBytes(id, body);
            frames.insert(frames.end(), frame.begin(), frame.end());
        }
        TempDir dir;
        const Bytes audio = storagetest::audioBytes(5000, 3);
        kw5test::writeFile(dir.file("f"), fileOf(frames, audio));
        rewrite(dir, "f");
        const Bytes written = framesIn(dir, "f");
        EXPECT_EQ(written.size(), frames.size());
        rewrite(dir, "f"); // a second write gives the same tag again
        EXPECT_EQ(framesIn(dir, "f"), written);
        const Bytes file = kw5test::readFile(dir.file("f"));
        EXPECT_EQ(Bytes(file.end() - 5000, file.end()), audio);
    }
}

TEST(CopyAndReadPath, ALargeObjectHasOnlyItsTextsReencoded) {
    const Bytes data = storagetest::audioBytes(8 * 1024 * 1024 + 3, 9);
    const Bytes utf16LE = {0xFF, 0xFE, 'f', 0, 0, 0, 0xFF, 0xFE, 'o', 0, 'b', 0, 0, 0};
    const struct {
        Bytes texts; // encoding byte, MIME type, file name, description
    } rows[] = {{join(join(Bytes{0}, text("a/b")), join(text("f"), text("ob")))},
                {join(join(Bytes{1}, text("a/b")), utf16LE)}};
    const Bytes expected = frameBytes(
        "GEOB", join(join(join(Bytes{2}, text("a/b")), join(utf16BE("f"), utf16BE("ob"))), data));
    for (const auto& row : rows) {
        TempDir dir;
        kw5test::writeFile(dir.file("f"), fileOf(frameBytes("GEOB", join(row.texts, data)), {}));
        rewrite(dir, "f");
        EXPECT_EQ(framesIn(dir, "f"), expected);
    }
}

} // namespace
