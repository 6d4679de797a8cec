// The exported class's lifecycle through the shared library: both Open
// overloads, the recorded tag size, the Closed state and the code page
// switch, on real files in a temporary folder.
#include "TagBuilder.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace kw5test;

namespace {

KW5WString w(const std::string& text) {
    return hostString(text);
}

std::vector<KW5WString> title(CKW5VorletLib& lib, HRESULT& hr) {
    std::vector<KW5WString> values;
    hr = lib.GetString(1, 0, values);
    return values;
}

Bytes simpleTag() {
    return TagBuilder()
        .frame("TIT2", textBody(0, "Song"))
        .frame("TPE1", textBody(0, "Band"))
        .padding(30)
        .audio(Bytes(100, 0xAA))
        .bytes();
}

class FacadeLifecycleTest : public ::testing::Test {
protected:
    TempDir dir;
    KW5WString file(const std::string& name, const Bytes& bytes) {
        writeFile(dir.file(name), bytes);
        return hostPath(dir.file(name));
    }
};

TEST_F(FacadeLifecycleTest, OpenRefusesBadArguments) {
    CKW5VorletLib lib;
    KW5WString path = file("a.kw5", simpleTag());
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(KW5WString(), 1));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(path, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(path, 4));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(path, -1));
    const unsigned char image[10] = {'k', 'w', '5', 3, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(nullptr, 5));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(image, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(image, -3));
    // Nothing was accepted: a good Open still works.
    EXPECT_EQ(kw5::kS_OK, lib.Open(path, 1));
}

TEST_F(FacadeLifecycleTest, OpenReadsTheTagAndRecordsItsSize) {
    CKW5VorletLib lib;
    Bytes bytes = simpleTag();
    ASSERT_EQ(kw5::kS_OK, lib.Open(file("a.kw5", bytes), 2));
    HRESULT hr = 0;
    std::vector<KW5WString> values = title(lib, hr);
    EXPECT_EQ(kw5::kS_OK, hr);
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(w("Song"), values[0]);
    LONG size = -1;
    EXPECT_EQ(kw5::kS_OK, lib.GetId3TagSize(&size));
    EXPECT_EQ(static_cast<LONG>(bytes.size() - 100), size);
    EXPECT_EQ(kw5::kE_POINTER, lib.GetId3TagSize(nullptr));
}

TEST_F(FacadeLifecycleTest, Id3MagicIsAccepted) {
    CKW5VorletLib lib;
    Bytes bytes = TagBuilder().magic("ID3").frame("TIT2", textBody(0, "Old")).bytes();
    ASSERT_EQ(kw5::kS_OK, lib.Open(file("a.mp3", bytes), 1));
    HRESULT hr = 0;
    EXPECT_EQ(w("Old"), title(lib, hr).at(0));
}

TEST_F(FacadeLifecycleTest, MissingFileGivesAnEmptyTag) {
    CKW5VorletLib lib;
    KW5WString path = hostPath(dir.file("missing.kw5"));
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    LONG size = -1;
    EXPECT_EQ(kw5::kS_OK, lib.GetId3TagSize(&size));
    EXPECT_EQ(0, size);
    HRESULT hr = 0;
    EXPECT_TRUE(title(lib, hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.kw5")));
}

TEST_F(FacadeLifecycleTest, FileWithoutTagHasSizeZero) {
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(file("raw.bin", Bytes(50, 0x11)), 2));
    LONG size = -1;
    EXPECT_EQ(kw5::kS_OK, lib.GetId3TagSize(&size));
    EXPECT_EQ(0, size);
}

TEST_F(FacadeLifecycleTest, ReadOnlyAttributeRefusesWritingModes) {
    KW5WString path = file("ro.kw5", simpleTag());
    std::filesystem::permissions(dir.file("ro.kw5"),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    CKW5VorletLib lib;
    EXPECT_EQ(kw5::kE_FAIL, lib.Open(path, 2));
    EXPECT_EQ(kw5::kE_FAIL, lib.Open(path, 3));
    // The refusals did not open the object.
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    HRESULT hr = 0;
    EXPECT_EQ(w("Song"), title(lib, hr).at(0));
}

TEST_F(FacadeLifecycleTest, SecondOpenIsRefusedAndKeepsTheFirst) {
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(file("a.kw5", simpleTag()), 2));
    Bytes other = TagBuilder().frame("TIT2", textBody(0, "Other")).bytes();
    EXPECT_EQ(kw5::kE_FAIL, lib.Open(file("b.kw5", other), 1));
    const unsigned char image[10] = {'k', 'w', '5', 3, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(kw5::kE_FAIL, lib.Open(image, 10));
    HRESULT hr = 0;
    EXPECT_EQ(w("Song"), title(lib, hr).at(0));
    // Still writable: the mode of the first Open stands.
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, {w("New")}, 0, 0));
}

TEST_F(FacadeLifecycleTest, WrongVersionIsRefused) {
    CKW5VorletLib lib;
    Bytes v4 = TagBuilder().version(4, 0).frame("TIT2", textBody(0, "x")).bytes();
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(file("v4.kw5", v4), 1));
    Bytes v2 = TagBuilder().version(2, 0).frame("TIT2", textBody(0, "x")).bytes();
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(file("v2.kw5", v2), 1));
    Bytes r1 = TagBuilder().version(3, 1).frame("TIT2", textBody(0, "x")).bytes();
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(file("r1.kw5", r1), 1));
    LONG size = -1;
    EXPECT_EQ(kw5::kS_OK, lib.GetId3TagSize(&size));
    EXPECT_EQ(0, size);
    // A failed Open leaves the object free for the next one.
    EXPECT_EQ(kw5::kS_OK, lib.Open(file("good.kw5", simpleTag()), 1));
}

TEST_F(FacadeLifecycleTest, UnknownFrameRefusesTheWholeTag) {
    CKW5VorletLib lib;
    Bytes bytes = TagBuilder()
                      .frame("TIT2", textBody(0, "Song"))
                      .frame("TPE1", textBody(0, "Band"))
                      .frame("XYZW", Bytes{1, 2, 3})
                      .bytes();
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(file("u.kw5", bytes), 1));
    // The frames before the fault are not offered as the tag.
    HRESULT hr = 0;
    EXPECT_TRUE(title(lib, hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
}

TEST_F(FacadeLifecycleTest, FrameRunningPastTheTagIsRefused) {
    CKW5VorletLib lib;
    // The body announces 40 bytes, the tag holds 5 of them.
    Bytes broken = frameBytes("TIT2", textBody(0, "Song"));
    broken[7] = 40;
    Bytes bytes = TagBuilder().raw(broken).audio(Bytes(64, 0x55)).bytes();
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(file("t.kw5", bytes), 1));
    HRESULT hr = 0;
    EXPECT_TRUE(title(lib, hr).empty());
}

TEST_F(FacadeLifecycleTest, FileCutInsideTheTag) {
    // The header announces 200 bytes; the file ends in the second frame.
    Bytes whole = TagBuilder()
                      .frame("TIT2", textBody(0, "Song"))
                      .frame("TPE1", textBody(0, "A long artist name"))
                      .declaredSize(200)
                      .tag();
    Bytes cut(whole.begin(), whole.end() - 6);
    CKW5VorletLib lib;
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(file("cut.kw5", cut), 1));

    // Cut right after a complete frame: what is there is read.
    Bytes clean = TagBuilder().frame("TIT2", textBody(0, "Song")).declaredSize(200).tag();
    CKW5VorletLib other;
    ASSERT_EQ(kw5::kS_OK, other.Open(file("clean.kw5", clean), 1));
    HRESULT hr = 0;
    EXPECT_EQ(w("Song"), title(other, hr).at(0));
}

TEST_F(FacadeLifecycleTest, MemoryImageIsReadOnly) {
    Bytes image = TagBuilder().frame("TIT2", textBody(0, "Mem")).padding(7).tag();
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(image.data(), static_cast<LONG>(image.size())));
    LONG size = 0;
    EXPECT_EQ(kw5::kS_OK, lib.GetId3TagSize(&size));
    EXPECT_EQ(static_cast<LONG>(image.size()), size);
    HRESULT hr = 0;
    EXPECT_EQ(w("Mem"), title(lib, hr).at(0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(1, 0, {w("x")}, 0, 0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutPropertyFromId(w("TIT2"), {w("x")}, 0));
    EXPECT_EQ(kw5::kS_OK, lib.Update(2));
    EXPECT_EQ(w("Mem"), title(lib, hr).at(0));
}

TEST_F(FacadeLifecycleTest, ShortMemoryImageGivesAnEmptyTag) {
    const unsigned char image[5] = {'k', 'w', '5', 3, 0};
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(image, 5));
    LONG size = 0;
    EXPECT_EQ(kw5::kS_OK, lib.GetId3TagSize(&size));
    EXPECT_EQ(5, size);
    HRESULT hr = 0;
    EXPECT_TRUE(title(lib, hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
}

TEST_F(FacadeLifecycleTest, BadMemoryImageIsRefused) {
    Bytes image = TagBuilder().version(4, 0).frame("TIT2", textBody(0, "x")).tag();
    CKW5VorletLib lib;
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.Open(image.data(), static_cast<LONG>(image.size())));
    Bytes good = TagBuilder().frame("TIT2", textBody(0, "y")).tag();
    EXPECT_EQ(kw5::kS_OK, lib.Open(good.data(), static_cast<LONG>(good.size())));
}

TEST_F(FacadeLifecycleTest, ConstructedObjectWorksOnAnEmptyTag) {
    CKW5VorletLib lib;
    HRESULT hr = 0;
    EXPECT_TRUE(title(lib, hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    LONG size = -1;
    EXPECT_EQ(kw5::kS_OK, lib.GetId3TagSize(&size));
    EXPECT_EQ(0, size);
    std::vector<unsigned short> flags;
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(1, 0, flags));
    EXPECT_TRUE(flags.empty());
}

TEST_F(FacadeLifecycleTest, ClosedObjectRefusesAccessUntilTheNextOpen) {
    CKW5VorletLib lib;
    KW5WString path = file("a.kw5", simpleTag());
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    EXPECT_EQ(kw5::kS_OK, lib.Close(2));
    std::vector<KW5WString> values;
    EXPECT_EQ(kw5::kE_FAIL, lib.GetString(1, 0, values));
    EXPECT_EQ(kw5::kE_FAIL, lib.PutString(1, 0, {w("x")}, 0, 0));
    std::vector<unsigned short> flags;
    EXPECT_EQ(kw5::kE_FAIL, lib.GetFrameFlag(1, 0, flags));
    EXPECT_EQ(kw5::kE_FAIL, lib.GetPropertyFromId(w("TIT2"), values));
    KW5WString value;
    EXPECT_EQ(kw5::kE_FAIL, lib.GetPropertyFromDesc(w("TIT2"), KW5WString(), value));
    EXPECT_EQ(kw5::kE_FAIL, lib.PutPropertyFromId(w("TIT2"), {w("x")}, 0));
    EXPECT_EQ(kw5::kE_FAIL, lib.PutPropertyFromDesc(w("TXXX"), w("A"), w("x"), 0));
    LONG size = 0;
    EXPECT_EQ(kw5::kE_FAIL, lib.GetId3TagSize(&size));
    EXPECT_TRUE(values.empty());
    // Nothing to write: Update and Close answer S_OK.
    EXPECT_EQ(kw5::kS_OK, lib.Update(2));
    EXPECT_EQ(kw5::kS_OK, lib.Close(2));

    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    HRESULT hr = 0;
    EXPECT_EQ(w("Song"), title(lib, hr).at(0));
}

TEST_F(FacadeLifecycleTest, ReopenAfterCloseReadsTheNewFile) {
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(file("a.kw5", simpleTag()), 1));
    ASSERT_EQ(kw5::kS_OK, lib.Close(2));
    Bytes other = TagBuilder().frame("TALB", textBody(0, "Album")).bytes();
    ASSERT_EQ(kw5::kS_OK, lib.Open(file("b.kw5", other), 1));
    HRESULT hr = 0;
    EXPECT_TRUE(title(lib, hr).empty());
    std::vector<KW5WString> values;
    EXPECT_EQ(kw5::kS_OK, lib.GetString(11, 0, values));
    EXPECT_EQ(w("Album"), values.at(0));
}

TEST_F(FacadeLifecycleTest, ThreadCodePageDecidesNarrowTexts) {
    ASSERT_TRUE(KW5SetThreadAnsiCodePage(1252));
    EXPECT_FALSE(KW5SetThreadAnsiCodePage(4242));
    Bytes body{0x00, 'c', 'a', 'f', 0xE9};
    Bytes bytes = TagBuilder().frame("TIT2", body).bytes();
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(file("cp.kw5", bytes), 1));
    HRESULT hr = 0;
    // 0xE9 is e with acute in 1252; the failed switch kept 1252.
    KW5WString expected = w("caf");
    expected.push_back(static_cast<KW5WChar>(0x00E9));
    EXPECT_EQ(expected, title(lib, hr).at(0));
}

#ifndef _WIN32
// Another process holds an exclusive lock (the platform emulates the share
// modes of Windows with flock): Open retries for about 200 ms, then fails.
TEST_F(FacadeLifecycleTest, FileLockedByAnotherProcess) {
    if (std::system("command -v flock >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "flock(1) is not available";
    KW5WString path = file("locked.kw5", simpleTag());
    auto ready = dir.file("ready");
    auto release = dir.file("release");
    auto done = dir.file("done");
    std::string command = "( flock -x '" + dir.file("locked.kw5").string() + "' -c 'touch \"" +
                          ready.string() + "\"; while [ ! -e \"" + release.string() +
                          "\" ]; do sleep 0.02; done'; touch '" + done.string() + "' ) &";
    ASSERT_EQ(0, std::system(command.c_str()));
    for (int i = 0; i < 500 && !std::filesystem::exists(ready); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(ready));

    CKW5VorletLib lib;
    auto start = std::chrono::steady_clock::now();
    LONG hr = lib.Open(path, 1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    writeFile(release, Bytes());
    for (int i = 0; i < 500 && !std::filesystem::exists(done); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    EXPECT_EQ(kw5::kE_FAIL, hr);
    EXPECT_GE(elapsed, std::chrono::milliseconds(150));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
    // Once the lock is gone the same object opens the file.
    ASSERT_TRUE(std::filesystem::exists(done));
    EXPECT_EQ(kw5::kS_OK, lib.Open(path, 1));
}
#endif

} // namespace
