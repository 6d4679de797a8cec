// Update and Close through the shared library: what reaches the file, byte
// by byte, for each variant, and what the object keeps afterwards.
#include "TagBuilder.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <thread>

using namespace kw5test;

namespace {

const HRESULT kFormatError = static_cast<HRESULT>(0x8004040Eu);

KW5WString w(const std::string& text) {
    return hostString(text);
}

std::vector<KW5WString> ws(std::initializer_list<const char*> texts) {
    std::vector<KW5WString> out;
    for (const char* text : texts)
        out.push_back(w(text));
    return out;
}

Bytes audio() {
    Bytes data;
    for (int i = 0; i < 5000; ++i)
        data.push_back(static_cast<unsigned char>(i * 7 + 1));
    return data;
}

// Padding that makes frames of total length frames a new tag of a multiple
// of 3072 bytes (a full unit when it already is one).
size_t freshPadding(size_t frames) {
    return 3072 - ((frames + 10) % 3072);
}

class Probe : public CKW5VorletLib {
public:
    using CKW5VorletLib::modified;
};

class FacadeUpdateTest : public ::testing::Test {
protected:
    TempDir dir;

    KW5WString file(const Bytes& bytes, const std::string& name = "u.kw5") {
        writeFile(dir.file(name), bytes);
        return hostPath(dir.file(name));
    }
    Bytes onDisk(const std::string& name = "u.kw5") { return readFile(dir.file(name)); }

    static std::vector<KW5WString> get(CKW5VorletLib& lib, LONG frame, LONG desc) {
        std::vector<KW5WString> values;
        lib.GetString(frame, desc, values);
        return values;
    }
};

TEST_F(FacadeUpdateTest, InPlaceWriteKeepsTheTagSizeAndTheAudio) {
    Bytes before =
        TagBuilder().frame("TIT2", textBody(0, "Song")).padding(100).audio(audio()).bytes();
    KW5WString path = file(before);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(7, 0, ws({"Band"}), 0, 0));
    ASSERT_EQ(kw5::kS_OK, lib.Update(3));
    // 125-byte tag: two frames of 19 bytes in encoding 2, TIT2 first.
    Bytes expected = TagBuilder()
                         .frame("TIT2", textBody(2, "Song"))
                         .frame("TPE1", textBody(2, "Band"))
                         .padding(125 - 10 - 38)
                         .audio(audio())
                         .bytes();
    EXPECT_EQ(toHex(expected), toHex(onDisk()));
    // The recorded size is that of the Open.
    LONG size = 0;
    EXPECT_EQ(kw5::kS_OK, lib.GetId3TagSize(&size));
    EXPECT_EQ(125, size);
}

TEST_F(FacadeUpdateTest, RemakeAddsATagBeforeTheAudio) {
    KW5WString path = file(audio());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"A"}), 0, 0x40));
    ASSERT_EQ(kw5::kS_OK, lib.Update(2));
    Bytes frame = frameBytes("TIT2", textBody(2, "A"), 0x40);
    Bytes expected =
        TagBuilder().raw(frame).padding(freshPadding(frame.size())).audio(audio()).bytes();
    EXPECT_EQ(3072u + audio().size(), expected.size());
    EXPECT_EQ(toHex(expected), toHex(onDisk()));
}

TEST_F(FacadeUpdateTest, MissingFileIsCreatedWithOnlyTheTag) {
    KW5WString path = hostPath(dir.file("new.kw5"));
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutPropertyFromDesc(w("TXXX"), w("VMK_TRACK"), w("7"), 0));
    ASSERT_EQ(kw5::kS_OK, lib.Close(3));
    Bytes frame = frameBytes("TXXX", txxxBody(2, "VMK_TRACK", "7"));
    Bytes expected = TagBuilder().raw(frame).padding(freshPadding(frame.size())).tag();
    EXPECT_EQ(toHex(expected), toHex(onDisk("new.kw5")));
}

TEST_F(FacadeUpdateTest, VariantsWriteInTheirOrder) {
    Bytes lsi{'L', 'S', 'I', 0, 1};
    Bytes other{9, 8, 7};
    TagBuilder source;
    source.magic("ID3")
        .frame("TALB", textBody(0, "Album"))
        .frame("GEOB", geobBody(0, "app/x", "f", "VMK_LSI", lsi))
        .frame("TIT2", textBody(1, "Title"))
        .frame("WOAR", urlBody("http://a"))
        .frame("TXXX", txxxBody(0, "B", "bee"))
        .frame("GEOB", geobBody(0, "", "", "X", other))
        .audio(audio());
    Bytes titles = frameBytes("TIT2", textBody(2, "Title"));
    Bytes album = frameBytes("TALB", textBody(2, "Album"));
    Bytes link = frameBytes("WOAR", urlBody("http://a"));
    Bytes user = frameBytes("TXXX", txxxBody(2, "B", "bee"));
    Bytes lead = frameBytes("GEOB", geobBody(2, "app/x", "f", "VMK_LSI", lsi));
    Bytes object = frameBytes("GEOB", geobBody(2, "", "", "X", other));

    auto expectWritten = [&](LONG kind, std::vector<const Bytes*> order) {
        KW5WString path = file(source.bytes(), "v" + std::to_string(kind));
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
        // A change that leaves the frames as they were still marks the tag.
        ASSERT_EQ(kw5::kS_OK, lib.PutString(2, 0, {}, 0, 0));
        ASSERT_EQ(kw5::kS_OK, lib.PutString(2, 0, ws({"Sub"}), 0, 0));
        ASSERT_EQ(kw5::kS_OK, lib.PutString(2, 0, {}, 0, 0));
        ASSERT_EQ(kw5::kS_OK, lib.Update(kind));
        TagBuilder expected;
        expected.magic("ID3");
        size_t total = 0;
        for (const Bytes* frame : order) {
            expected.raw(*frame);
            total += frame->size();
        }
        expected.padding(freshPadding(total)).audio(audio());
        EXPECT_EQ(toHex(expected.bytes()), toHex(onDisk("v" + std::to_string(kind))))
            << "kind " << kind;
    };
    // GM (0 and 2): the VMK_LSI object leads. Prask without VMK_ULINF: the
    // objects come last. Links come before the remaining single frames.
    expectWritten(2, {&lead, &titles, &album, &link, &user, &object});
    expectWritten(0, {&lead, &titles, &album, &link, &user, &object});
    expectWritten(1, {&titles, &album, &link, &user, &lead, &object});
}

TEST_F(FacadeUpdateTest, StdRefusesAnLsiObjectAndKeepsTheChange) {
    Bytes before = TagBuilder()
                       .frame("GEOB", geobBody(0, "", "", "VMK_LSI", Bytes{1, 2}))
                       .frame("TIT2", textBody(0, "Old"))
                       .audio(audio())
                       .bytes();
    KW5WString path = file(before);
    Probe lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"New"}), 0, 0));
    EXPECT_EQ(kFormatError, lib.Update(3));
    EXPECT_EQ(1, lib.modified);
    EXPECT_EQ(before, onDisk());
    // The refused write took nothing from the object.
    EXPECT_EQ(ws({"New"}), get(lib, 1, 0));
    EXPECT_EQ(kw5::kS_OK, lib.Update(2));
    EXPECT_EQ(0, lib.modified);
    CKW5VorletLib check;
    ASSERT_EQ(kw5::kS_OK, check.Open(path, 1));
    EXPECT_EQ(ws({"New"}), get(check, 1, 0));
    KW5WString object;
    EXPECT_EQ(kw5::kS_OK, check.GetPropertyFromDesc(w("GEOB"), w("VMK_LSI"), object));
}

TEST_F(FacadeUpdateTest, UnknownKindIsRefusedAndTheChangeStays) {
    Bytes before = TagBuilder().frame("TIT2", textBody(0, "Old")).bytes();
    KW5WString path = file(before);
    Probe lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"New"}), 0, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Update(4));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Update(-1));
    EXPECT_EQ(1, lib.modified);
    EXPECT_EQ(before, onDisk());
    EXPECT_EQ(kw5::kS_OK, lib.Update(3));
    EXPECT_EQ(0, lib.modified);
    CKW5VorletLib check;
    ASSERT_EQ(kw5::kS_OK, check.Open(path, 1));
    EXPECT_EQ(ws({"New"}), get(check, 1, 0));
}

TEST_F(FacadeUpdateTest, NothingIsWrittenWithoutChangesOrWhenReadOnly) {
    Bytes before = TagBuilder().frame("TIT2", textBody(0, "Old")).padding(3).audio(audio()).bytes();
    KW5WString path = file(before);
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
        EXPECT_EQ(kw5::kS_OK, lib.Update(3));
        EXPECT_EQ(kw5::kS_OK, lib.Close(2));
    }
    EXPECT_EQ(before, onDisk());
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutString(1, 0, ws({"New"}), 0, 0));
        EXPECT_EQ(kw5::kS_OK, lib.Update(3));
        EXPECT_EQ(kw5::kS_OK, lib.Update(4));
        EXPECT_EQ(kw5::kS_OK, lib.Close(3));
    }
    EXPECT_EQ(before, onDisk());
}

TEST_F(FacadeUpdateTest, PutBeforeOpenHasNoFileToWrite) {
    Probe lib;
    ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"Loose"}), 0, 0));
    EXPECT_EQ(1, lib.modified);
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Update(2));
    EXPECT_EQ(1, lib.modified);
    EXPECT_EQ(ws({"Loose"}), get(lib, 1, 0));
    // Opening a file replaces that tag; with nothing changed since, Update
    // leaves the file alone.
    Bytes before = TagBuilder().frame("TIT2", textBody(0, "File")).bytes();
    KW5WString path = file(before);
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    EXPECT_EQ(0, lib.modified);
    EXPECT_EQ(ws({"File"}), get(lib, 1, 0));
    EXPECT_EQ(kw5::kS_OK, lib.Update(2));
    EXPECT_EQ(before, onDisk());
}

TEST_F(FacadeUpdateTest, ObjectKeepsItsFramesAfterUpdate) {
    Bytes before = TagBuilder()
                       .frame("TIT2", textBody(0, "Title"))
                       .frame("TPE1", textBody(0, "Band"))
                       .frame("WOAR", urlBody("http://a"))
                       .frame("WOAR", urlBody("http://b"))
                       .frame("TXXX", txxxBody(0, "VMK_TNOTE1", "n1"))
                       .frame("TXXX", txxxBody(0, "VMK_TNOTE2", "n2"))
                       .frame("PRIV", Bytes{'o', 0, 1, 2})
                       .padding(40)
                       .audio(audio())
                       .bytes();
    KW5WString path = file(before);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(11, 0, ws({"Album"}), 0, 0));
    ASSERT_EQ(kw5::kS_OK, lib.Update(3));
    // A Get after Update still finds every frame.
    EXPECT_EQ(ws({"Title"}), get(lib, 1, 0));
    EXPECT_EQ(ws({"Band"}), get(lib, 7, 0));
    EXPECT_EQ(ws({"http://a", "http://b"}), get(lib, 8, 0));
    EXPECT_EQ(ws({"n1", "n2"}), get(lib, 13, 109));
    EXPECT_EQ(ws({"Album"}), get(lib, 11, 0));

    // A second change and Update keep all the other frames in the file.
    ASSERT_EQ(kw5::kS_OK, lib.PutString(18, 0, ws({"1999"}), 0, 0));
    ASSERT_EQ(kw5::kS_OK, lib.Close(3));

    CKW5VorletLib check;
    ASSERT_EQ(kw5::kS_OK, check.Open(path, 1));
    EXPECT_EQ(ws({"Title"}), get(check, 1, 0));
    EXPECT_EQ(ws({"Band"}), get(check, 7, 0));
    EXPECT_EQ(ws({"http://a", "http://b"}), get(check, 8, 0));
    EXPECT_EQ(ws({"n1", "n2"}), get(check, 13, 109));
    EXPECT_EQ(ws({"Album"}), get(check, 11, 0));
    EXPECT_EQ(ws({"1999"}), get(check, 18, 0));
    std::vector<KW5WString> priv;
    EXPECT_EQ(kw5::kS_OK, check.GetPropertyFromId(w("PRIV"), priv));
    EXPECT_EQ(ws({"o"}), priv);
    // The audio is still the tail of the file.
    Bytes after = onDisk();
    Bytes tail = audio();
    ASSERT_GT(after.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), after.end() - tail.size()));
}

TEST_F(FacadeUpdateTest, UpdateAfterAFailedUpdateTriesAgain) {
    Bytes before = TagBuilder().frame("TIT2", textBody(0, "Old")).audio(audio()).bytes();
    KW5WString path = file(before);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"New"}), 0, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Update(9));
    EXPECT_EQ(kw5::kS_OK, lib.Update(1));
    CKW5VorletLib check;
    ASSERT_EQ(kw5::kS_OK, check.Open(path, 1));
    EXPECT_EQ(ws({"New"}), get(check, 1, 0));
}

TEST_F(FacadeUpdateTest, DeletingEveryFrameRemovesTheTag) {
    Bytes before = TagBuilder()
                       .frame("TIT2", textBody(0, "Title"))
                       .frame("WOAR", urlBody("http://a"))
                       .padding(10)
                       .audio(audio())
                       .bytes();
    KW5WString path = file(before);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, {}, 0, 0));
    ASSERT_EQ(kw5::kS_OK, lib.PutPropertyFromId(w("WOAR"), {}, 0));
    ASSERT_EQ(kw5::kS_OK, lib.Close(2));
    EXPECT_EQ(audio(), onDisk());
}

TEST_F(FacadeUpdateTest, CloseReleasesTheTagWhateverUpdateAnswered) {
    Bytes before = TagBuilder().frame("TIT2", textBody(0, "Old")).bytes();
    KW5WString path = file(before);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"New"}), 0, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Close(4));
    std::vector<KW5WString> values;
    EXPECT_EQ(kw5::kE_FAIL, lib.GetString(1, 0, values));
    EXPECT_EQ(before, onDisk());
    // The unwritten change went with the tag.
    EXPECT_EQ(kw5::kE_FAIL, lib.Update(2));
    EXPECT_EQ(kw5::kE_FAIL, lib.Close(2));
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    EXPECT_EQ(ws({"Old"}), get(lib, 1, 0));
}

TEST_F(FacadeUpdateTest, NothingIsWrittenOverATagThatFailedToOpen) {
    // A version 4 tag: Open refuses it, and no later Put may lead to a write.
    Bytes bytes = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
    bytes.resize(30, 0);
    bytes[10] = 'T';
    bytes[11] = 'I';
    bytes[12] = 'T';
    bytes[13] = '2';
    bytes[17] = 2;
    bytes[19] = 0;
    bytes[20] = 'x';
    Bytes withAudio = bytes;
    Bytes tail = audio();
    withAudio.insert(withAudio.end(), tail.begin(), tail.end());
    KW5WString path = file(withAudio);
    CKW5VorletLib lib;
    EXPECT_EQ(static_cast<uint32_t>(lib.Open(path, KW5_OPEN_READWRITE)), 0x80070057u);
    EXPECT_EQ(lib.PutString(1, 0, ws({"new"}), 0, 0), kw5::kS_OK);
    EXPECT_EQ(lib.Update(KW5_FORMAT_STD), kw5::kE_FAIL);
    EXPECT_EQ(lib.Close(KW5_FORMAT_STD), kw5::kE_FAIL);
    EXPECT_EQ(onDisk(), withAudio);
}

TEST_F(FacadeUpdateTest, SecondOpenLeavesUpdateOnTheFirstFile) {
    Bytes first = TagBuilder().frame("TIT2", textBody(0, "First")).bytes();
    Bytes second = TagBuilder().frame("TIT2", textBody(0, "Second")).bytes();
    KW5WString a = file(first, "a.kw5");
    KW5WString b = file(second, "b.kw5");
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(a, 2));
    EXPECT_EQ(kw5::kE_FAIL, lib.Open(b, 3));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"Changed"}), 0, 0));
    ASSERT_EQ(kw5::kS_OK, lib.Close(2));
    EXPECT_EQ(second, onDisk("b.kw5"));
    CKW5VorletLib check;
    ASSERT_EQ(kw5::kS_OK, check.Open(a, 1));
    EXPECT_EQ(ws({"Changed"}), get(check, 1, 0));
}

TEST_F(FacadeUpdateTest, HeaderFlagsAndMagicSurviveTheWrite) {
    Bytes before = TagBuilder().magic("ID3").frame("TIT2", textBody(0, "Old")).padding(200).bytes();
    // Unsynchronisation and an extended header are refused and the file
    // stays as it is; the experimental bit is kept.
    for (unsigned char refused : {0x80, 0x40, 0xC0}) {
        before[5] = refused;
        KW5WString path = file(before);
        CKW5VorletLib lib;
        EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(path, 2));
        lib.PutString(1, 0, ws({"New"}), 0, 0);
        EXPECT_GT(0, lib.Close(3));
        EXPECT_GT(0, lib.FormatFile(path, 3));
        EXPECT_EQ(before, onDisk());
    }
    before[5] = 0x20;
    KW5WString path = file(before);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"New"}), 0, 0));
    ASSERT_EQ(kw5::kS_OK, lib.Close(3));
    Bytes after = onDisk();
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(toHex(Bytes(before.begin(), before.begin() + 10)),
              toHex(Bytes(after.begin(), after.begin() + 10)));
    Bytes frame = frameBytes("TIT2", textBody(2, "New"));
    EXPECT_EQ(toHex(frame), toHex(Bytes(after.begin() + 10, after.begin() + 10 + frame.size())));
}

TEST_F(FacadeUpdateTest, ReadOnlyFlagSurvivesAndProtectsAfterRoundTrip) {
    Bytes before = TagBuilder()
                       .frame("TIT2", textBody(0, "Locked"), 0x2000)
                       .frame("TPE1", textBody(0, "Band"))
                       .bytes();
    KW5WString path = file(before);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutString(7, 0, ws({"Other"}), 0, 0));
    ASSERT_EQ(kw5::kS_OK, lib.Close(3));
    CKW5VorletLib again;
    ASSERT_EQ(kw5::kS_OK, again.Open(path, 2));
    std::vector<unsigned short> flags;
    EXPECT_EQ(kw5::kS_OK, again.GetFrameFlag(1, 0, flags));
    EXPECT_EQ(std::vector<unsigned short>{0x2000}, flags);
    EXPECT_EQ(kw5::kS_FALSE, again.PutString(1, 0, ws({"x"}), 0, 0));
    EXPECT_EQ(ws({"Locked"}), get(again, 1, 0));
    EXPECT_EQ(ws({"Other"}), get(again, 7, 0));
}

} // namespace

#ifndef _WIN32
// --- Writers against each other, other users, odd files and no memory ---
//
// The children are this test program run again (the test FacadeUpdateChild),
// through setpriv where they must run as another user.

namespace {

namespace fs = std::filesystem;

const char* const kChildAction = "KW5_FACADE_CHILD";
const char* const kChildPath = "KW5_FACADE_CHILD_PATH";
const uint32_t kOtherUser = 65534;
const uint32_t kOtherGroup = 4242;

std::string shellQuote(const std::string& text) {
    return "'" + text + "'";
}

// "action:path" for the child test, run as uid:gid when user is not empty;
// the command's exit code (0 when the child's checks passed).
std::string childCommand(const std::string& action, const fs::path& target, const std::string& user,
                         const fs::path& output) {
    std::string command = "env " + std::string(kChildAction) + "=" + action + " " + kChildPath +
                          "=" + shellQuote(target.string()) + " TMPDIR=/tmp ";
    if (!user.empty())
        command += "setpriv --reuid=" + user.substr(0, user.find(':')) +
                   " --regid=" + user.substr(user.find(':') + 1) + " --clear-groups ";
    return command + shellQuote(fs::read_symlink("/proc/self/exe").string()) +
           " --gtest_filter=FacadeUpdateChild.* >>" + shellQuote(output.string()) + " 2>&1";
}

// owner:group:mode:links of a file, as stat tells them.
std::string identityOf(const fs::path& file, const fs::path& scratch) {
    std::string command =
        "stat -c %u:%g:%a:%h:%F " + shellQuote(file.string()) + " >" + shellQuote(scratch.string());
    if (std::system(command.c_str()) != 0)
        return "?";
    Bytes text = readFile(scratch);
    return std::string(text.begin(), text.end() - (text.empty() ? 0 : 1));
}

Bytes bigAudio() {
    Bytes data(300 * 1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    return data;
}

// The sanitizers replace the allocator themselves; a second replacement
// would pair their operator new with our free.
#if defined(__SANITIZE_ADDRESS__)
#define KW5_TEST_OWN_ALLOCATOR 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KW5_TEST_OWN_ALLOCATOR 0
#endif
#endif
#ifndef KW5_TEST_OWN_ALLOCATOR
#define KW5_TEST_OWN_ALLOCATOR 1
#endif
// Never inlined, so that a tool that replaces the allocator (valgrind with
// --soname-synonyms=somalloc=NONE) replaces both halves of the pair.
#if defined(__GNUC__)
#define KW5_TEST_NOINLINE __attribute__((noinline))
#else
#define KW5_TEST_NOINLINE
#endif

// Switches on failing allocations: the allocation after `countdown` more
// succeeds throws std::bad_alloc (once).
std::atomic<long> gFailAfter{-1};
std::atomic<bool> gFailed{false};

} // namespace

#if KW5_TEST_OWN_ALLOCATOR
KW5_TEST_NOINLINE void* operator new(std::size_t size) {
    if (gFailAfter.load() >= 0 && gFailAfter.fetch_sub(1) == 0) {
        gFailAfter = -1;
        gFailed = true;
        throw std::bad_alloc();
    }
    void* block = std::malloc(size ? size : 1);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

// The pair above and below replaces the library's: malloc and free match.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
KW5_TEST_NOINLINE void operator delete(void* block) noexcept {
    std::free(block);
}

KW5_TEST_NOINLINE void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

// The body of the child processes; skipped when run on its own.
TEST(FacadeUpdateChild, Run) {
    const char* action = std::getenv(kChildAction);
    const char* target = std::getenv(kChildPath);
    if (action == nullptr || target == nullptr)
        GTEST_SKIP() << "runs only as a child of the tests below";
    KW5WString path = hostPath(target);
    std::string what = action;
    if (what == "edit") {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
        ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"Edited"}), 0, 0));
        ASSERT_EQ(kw5::kS_OK, lib.PutString(7, 0, ws({std::string(2000, 'e').c_str()}), 0, 0));
        EXPECT_EQ(kw5::kS_OK, lib.Close(3));
    } else if (what == "refuse") {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
        ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"Edited"}), 0, 0));
        EXPECT_EQ(kw5::kE_FAIL, lib.Update(3));
        ASSERT_EQ(kw5::kS_OK, lib.PutString(7, 0, ws({std::string(4000, 'e').c_str()}), 0, 0));
        EXPECT_EQ(kw5::kE_FAIL, lib.Close(3));
        CKW5VorletLib other;
        EXPECT_EQ(kw5::kE_FAIL, other.FormatFile(path, 1));
        EXPECT_EQ(kw5::kE_FAIL, other.CheckAndFormatFile(path, 2));
    } else {
        // A writer among others: retries what another writer holds.
        for (int round = 0; round < 60; ++round) {
            CKW5VorletLib lib;
            HRESULT hr = kw5::kE_FAIL;
            for (int tries = 0; tries < 300 && hr != kw5::kS_OK; ++tries)
                if ((hr = lib.Open(path, 2)) != kw5::kS_OK)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ASSERT_EQ(kw5::kS_OK, hr) << "round " << round;
            std::string title = what + std::to_string(round);
            // Alternately above and below one padding unit: remakes and
            // in-place writes.
            std::string filler(round % 3 == 0 ? 4000 : 300 + round, 'f');
            ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({title.c_str()}), 0, 0));
            ASSERT_EQ(kw5::kS_OK, lib.PutString(7, 0, ws({filler.c_str()}), 0, 0));
            hr = kw5::kE_FAIL;
            for (int tries = 0; tries < 300 && hr != kw5::kS_OK; ++tries)
                if ((hr = lib.Update(3)) != kw5::kS_OK)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ASSERT_EQ(kw5::kS_OK, hr) << "round " << round;
            lib.Close(3);
        }
    }
}

TEST_F(FacadeUpdateTest, TwoProcessesUpdatingOneFileNeverMixIt) {
    Bytes sound = bigAudio();
    file(TagBuilder().frame("TIT2", textBody(0, "Start")).audio(sound).bytes());
    fs::path out = dir.file("children.txt");
    std::string command = "(" + childCommand("A", dir.file("u.kw5"), "", out) + ") & first=$!; " +
                          childCommand("B", dir.file("u.kw5"), "", out) +
                          "; second=$?; wait $first; exit $((second | $?))";
    int status = std::system(command.c_str());
    Bytes log = readFile(out);
    std::string text(log.begin(), log.end());
    EXPECT_EQ(0, status) << text;
    // Both children really ran (a child that skips passes too).
    EXPECT_NE(text.find("[       OK ] FacadeUpdateChild.Run"),
              text.rfind("[       OK ] FacadeUpdateChild.Run"))
        << text;
    CKW5VorletLib check;
    ASSERT_EQ(kw5::kS_OK, check.Open(hostPath(dir.file("u.kw5")), 1));
    std::vector<KW5WString> title = get(check, 1, 0);
    ASSERT_EQ(1u, title.size());
    EXPECT_TRUE(title[0] == w("A59") || title[0] == w("B59"));
    Bytes now = onDisk();
    ASSERT_GE(now.size(), sound.size());
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), now.end() - sound.size()));
}

// Each row: the file's owner, group and mode, who edits it, and what must
// come out: the edit (identity kept) or a refusal (file unchanged).
TEST_F(FacadeUpdateTest, OtherUsersKeepTheFileItsIdentityOrLeaveItAlone) {
    if (std::system("[ $(id -u) = 0 ] && command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "needs root (to make files of other users) and setpriv";
    struct Row {
        const char* name;
        std::string owner; // uid:gid
        const char* mode;
        std::string editor; // uid:gid, empty: root itself
        bool link;          // a second hard link
        bool edited;
    };
    const std::string other = std::to_string(kOtherUser) + ":" + std::to_string(kOtherGroup);
    const std::string root = "0:" + std::to_string(kOtherGroup);
    const std::vector<Row> rows = {
        {"group member edits a group-writable file", root, "664", other, false, true},
        {"owner edits a hard-linked file", other, "644", other, true, true},
        {"root edits another user's file", other, "640", "", true, true},
        {"no write permission", "0:0", "644", other, false, false},
        {"group without write permission", root, "644", other, false, false},
    };
    fs::path scratch = dir.file("stat.txt");
    fs::permissions(dir.path(), fs::perms::all);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes before = TagBuilder().frame("TIT2", textBody(0, "Old")).audio(audio()).bytes();
        file(before);
        fs::path target = dir.file("u.kw5");
        fs::path alias = dir.file("alias.kw5");
        fs::remove(alias);
        std::string prepare = "chown " + row.owner + " " + shellQuote(target.string()) +
                              " && chmod " + row.mode + " " + shellQuote(target.string());
        if (row.link)
            prepare += " && ln " + shellQuote(target.string()) + " " + shellQuote(alias.string());
        ASSERT_EQ(0, std::system(prepare.c_str()));
        bool attribute = std::system(("setfattr -n user.kw5 -v kept " +
                                      shellQuote(target.string()) + " 2>/dev/null")
                                         .c_str()) == 0;
        std::string identity = identityOf(target, scratch);

        fs::path out = dir.file("child.txt");
        fs::remove(out);
        int status = std::system(
            childCommand(row.edited ? "edit" : "refuse", target, row.editor, out).c_str());
        Bytes log = readFile(out);
        EXPECT_EQ(0, status) << std::string(log.begin(), log.end());
        EXPECT_EQ(identity, identityOf(target, scratch));
        if (attribute) {
            EXPECT_EQ(0, std::system(("getfattr -n user.kw5 " + shellQuote(target.string()) +
                                      " 2>/dev/null | grep -q kept")
                                         .c_str()));
        }
        if (!row.edited) {
            EXPECT_EQ(before, onDisk());
            continue;
        }
        CKW5VorletLib check;
        ASSERT_EQ(kw5::kS_OK, check.Open(hostPath(target), 1));
        EXPECT_EQ(ws({"Edited"}), get(check, 1, 0));
        Bytes now = onDisk(), sound = audio();
        EXPECT_TRUE(std::equal(sound.begin(), sound.end(), now.end() - sound.size()));
        if (row.link) {
            EXPECT_EQ(now, readFile(alias));
        }
    }
}

// Devices, FIFOs and files nobody may write are refused by every write
// path and stay what they were.
TEST_F(FacadeUpdateTest, TargetsThatAreNoWritableFilesAreRefused) {
    fs::path scratch = dir.file("stat.txt");
    struct Row {
        const char* name;
        const char* make;
    };
    const Row rows[] = {
        {"character device", "mknod %s c 1 3"},
        {"fifo", "mkfifo %s"},
        {"read-only file", "cp %s.src %s && chmod 444 %s"},
    };
    Bytes tagged = TagBuilder().frame("TIT2", textBody(0, "Old")).audio(audio()).bytes();
    writeFile(dir.file("t.src"), tagged);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::path target = dir.file("t");
        fs::remove(target);
        std::string make = row.make;
        for (size_t at; (at = make.find("%s")) != std::string::npos;)
            make.replace(at, 2, shellQuote(target.string()));
        if (std::system(make.c_str()) != 0) {
            ADD_FAILURE() << "cannot make it here: " << make;
            continue;
        }
        std::string identity = identityOf(target, scratch);
        KW5WString path = hostPath(target);
        CKW5VorletLib lib;
        if (lib.Open(path, 3) == kw5::kS_OK) {
            ASSERT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"New"}), 0, 0));
            EXPECT_EQ(kw5::kE_FAIL, lib.Update(3));
            EXPECT_EQ(kw5::kE_FAIL, lib.Close(3));
        }
        EXPECT_EQ(kw5::kE_FAIL, lib.FormatFile(path, 1));
        EXPECT_EQ(kw5::kE_FAIL, lib.CheckAndFormatFile(path, 2));
        EXPECT_EQ(identity, identityOf(target, scratch));
        if (fs::is_regular_file(target)) {
            EXPECT_EQ(tagged, readFile(target));
        }
    }
}

// Whichever allocation of an Update fails, the file is the old one (and
// the change waits for the next Update) or the whole new one; no
// temporary file stays behind.
TEST_F(FacadeUpdateTest, AnUpdateWithoutMemoryWritesAllOrNothing) {
    if (!KW5_TEST_OWN_ALLOCATOR)
        GTEST_SKIP() << "the sanitizers own the allocator";
    fs::path tmp = dir.file("tmp");
    fs::create_directories(tmp);
    std::string oldTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("TMPDIR", tmp.string().c_str(), 1);
    Bytes before = TagBuilder()
                       .frame("TIT2", textBody(0, "Old"))
                       .frame("TXXX", txxxBody(0, "VMK_TIT2S", "Sort"))
                       .padding(40)
                       .audio(audio())
                       .bytes();
    auto edit = [&](Probe& lib) {
        KW5WString path = file(before);
        EXPECT_EQ(kw5::kS_OK, lib.Open(path, 2));
        EXPECT_EQ(kw5::kS_OK, lib.PutString(7, 0, ws({std::string(3000, 'b').c_str()}), 0, 0));
    };
    Probe reference;
    edit(reference);
    ASSERT_EQ(kw5::kS_OK, reference.Update(3));
    const Bytes after = onDisk();
    for (long countdown = 0; !HasFailure(); ++countdown) {
        SCOPED_TRACE(countdown);
        Probe lib;
        edit(lib);
        gFailed = false;
        gFailAfter = countdown;
        HRESULT hr = lib.Update(3);
        gFailAfter = -1;
        EXPECT_TRUE(fs::is_empty(tmp));
        if (hr != kw5::kS_OK) {
            EXPECT_EQ(before, onDisk());
            EXPECT_EQ(1, lib.modified);
            EXPECT_EQ(kw5::kS_OK, lib.Update(3));
        }
        EXPECT_EQ(after, onDisk());
        if (!gFailed)
            break;
    }
    ::setenv("TMPDIR", oldTmp.c_str(), 1);
}
#endif
