// Files written by mutagen and by id3v2 (id3lib): we must read every value
// they wrote, write the file back in each variant, and mutagen must then read
// the same values and the unchanged audio.
#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"
#include "tests/common/TempDir.h"
#include "tests/interop/InteropSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using kw5test::hostPath;
using kw5test::hostString;
using kw5test::quote;
using kw5test::utf8;

const int kAudioBytes = 20000;

class MutagenInterop : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "mutagen runs on the Linux host only";
#endif
        if (kw5test::mutagenPython().empty())
            GTEST_SKIP() << "python3-mutagen is not installed";
    }

    // mutagen writes the file; returns its path.
    std::string writeWithMutagen(const std::string& name, int encoding,
                                 const std::string& geobDesc) {
        std::string path = dir.file(name).string();
        std::string out;
        int rc = kw5test::runCommand(
            kw5test::mutagenCommand("write " + quote(path) + " " + std::to_string(encoding) + " " +
                                    std::to_string(kAudioBytes) + " " + geobDesc),
            out);
        EXPECT_EQ(rc, 0) << out;
        return path;
    }

    // mutagen compares the file with what it wrote, with overrides.
    void expectMutagenReads(const std::string& path, int encoding, const std::string& geobDesc,
                            const std::string& overrides = "") {
        std::string out;
        int rc = kw5test::runCommand(
            kw5test::mutagenCommand("check " + quote(path) + " " + std::to_string(encoding) + " " +
                                    geobDesc + " " + std::to_string(kAudioBytes) + " " + overrides),
            out);
        EXPECT_EQ(rc, 0) << out;
    }

    kw5test::TempDir dir;
};

std::string text(CKW5VorletLib& lib, const char* id) {
    std::vector<KW5WString> values;
    EXPECT_EQ(lib.GetPropertyFromId(hostString(id), values), 0) << id;
    return values.empty() ? std::string() : utf8(values[0]);
}

std::string userText(CKW5VorletLib& lib, const char* id, const char* desc) {
    KW5WString value;
    EXPECT_EQ(lib.GetPropertyFromDesc(hostString(id), hostString(desc), value), 0) << desc;
    return utf8(value);
}

std::vector<unsigned char> object(CKW5VorletLib& lib, const char* id, const char* desc,
                                  std::string* mime = nullptr) {
    _StructBinVal value = {nullptr, 0, KW5WString()};
    _StructBinVal* record = &value;
    EXPECT_EQ(lib.GetBinaryFromDesc(hostString(id), hostString(desc), record), 0) << id;
    std::vector<unsigned char> bytes(value.data, value.data + value.dataSize);
    if (mime)
        *mime = utf8(value.mimeType);
    CoTaskMemFree(value.data);
    return bytes;
}

bool contains(const std::vector<unsigned char>& haystack, const std::string& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

std::vector<unsigned char> expectedObject() {
    std::vector<unsigned char> bytes(1500);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>((i * 37) & 0xFF);
    return bytes;
}

TEST_P(MutagenInterop, ReadsEveryValueMutagenWrote) {
    int encoding = GetParam();
    std::string path = writeWithMutagen("in.mp3", encoding, "VMK_LSI");
    CKW5VorletLib lib;
    ASSERT_EQ(lib.Open(hostString(path), KW5_OPEN_READONLY), 0);

    EXPECT_EQ(text(lib, "TIT2"),
              encoding == 0 ? "Caf\xC3\xA9 del Mar - Sunrise" : "Caf\xC3\xA9 del Mar - Sunrise");
    EXPECT_EQ(text(lib, "TPE1"), "Ensemble \xC3\x89toile");
    EXPECT_EQ(text(lib, "TALB"), "Songs of the Sea");
    EXPECT_EQ(text(lib, "TYER"), "2026");
    EXPECT_EQ(text(lib, "WOAR"), "https://example.org/artist");
    EXPECT_EQ(userText(lib, "TXXX", "MOOD"), "calm");
    EXPECT_EQ(userText(lib, "TXXX", "VMK_TRACK"), "7");
    EXPECT_EQ(userText(lib, "WXXX", "HOME"), "https://example.org/home");

    // Index access reaches the same user text frame.
    std::vector<KW5WString> track;
    EXPECT_EQ(lib.GetString(13, 77, track), 0);
    ASSERT_EQ(track.size(), 1u);
    EXPECT_EQ(utf8(track[0]), "7");

    std::string mime;
    EXPECT_EQ(object(lib, "GEOB", "VMK_LSI", &mime), expectedObject());
    EXPECT_EQ(mime, "application/x-vmk");
    // Frames kept byte for byte come back whole.
    auto comment = object(lib, "COMM", "");
    EXPECT_TRUE(comment.size() > 4 && comment[1] == 'e' && comment[2] == 'n' && comment[3] == 'g');
    auto picture = object(lib, "APIC", "");
    EXPECT_TRUE(contains(picture, "image/png"));
    EXPECT_GT(picture.size(), 1024u);

    // The direct scan finds the same values without Open.
    std::vector<KW5WString> seek;
    CKW5VorletLib other;
    EXPECT_EQ(other.SeekPropertyFromId(hostString(path), KW5_WSTR("TALB"), seek), 0);
    ASSERT_EQ(seek.size(), 1u);
    EXPECT_EQ(utf8(seek[0]), "Songs of the Sea");
}

TEST_P(MutagenInterop, WritesBackInEveryVariantAndMutagenReadsTheSameValues) {
    int encoding = GetParam();
    struct Case {
        LONG kind;
        const char* name;
        const char* geobDesc;
    };
    // STD does not take a VMK_LSI object: give it an ordinary one.
    for (Case c : {Case{KW5_FORMAT_STD, "std", "NOTES"}, Case{KW5_FORMAT_GM, "gm", "VMK_LSI"},
                   Case{KW5_FORMAT_PRASK, "prask", "VMK_ULINF"}}) {
        SCOPED_TRACE(c.name);
        std::string path =
            writeWithMutagen(std::string("rw-") + c.name + ".mp3", encoding, c.geobDesc);
        {
            CKW5VorletLib lib;
            ASSERT_EQ(lib.Open(hostString(path), KW5_OPEN_READWRITE), 0);
            std::vector<KW5WString> title = {hostString("Neuer Titel \xE2\x80\x94 \xE6\x96\xB0")};
            // Encoding 2 keeps every character; 0 would pass through code page 1252.
            ASSERT_EQ(lib.PutString(1, 0, title, 2, 0), 0);
            ASSERT_EQ(lib.Close(c.kind), 0);
        }
        expectMutagenReads(path, encoding, c.geobDesc,
                           quote("TIT2=Neuer Titel \xE2\x80\x94 \xE6\x96\xB0"));
        // And we read our own file again, in the variant's layout.
        CKW5VorletLib lib;
        ASSERT_EQ(lib.Open(hostString(path), KW5_OPEN_READONLY), 0);
        EXPECT_EQ(userText(lib, "TXXX", "MOOD"), "calm");
        EXPECT_EQ(object(lib, "GEOB", c.geobDesc), expectedObject());
        // (The variant checks still refuse this file: its COMM and APIC frames
        // are kept byte for byte, with mutagen's text encoding byte.)
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, MutagenInterop, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 0 ? std::string("Latin1") : std::string("Utf16");
                         });

class ForeignTags : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "mutagen runs on the Linux host only";
#endif
        if (kw5test::mutagenPython().empty())
            GTEST_SKIP() << "python3-mutagen is not installed";
    }
    kw5test::TempDir dir;
};

// A tag the library does not read is refused clearly and left alone.
void expectRefusedAndUntouched(const std::string& path) {
    auto before = kw5test::readFile(path);
    CKW5VorletLib lib;
    EXPECT_EQ(static_cast<uint32_t>(lib.Open(hostString(path), KW5_OPEN_READWRITE)), 0x80070057u);
    std::vector<KW5WString> title = {KW5_WSTR("x")};
    lib.PutString(1, 0, title, 0, 0);
    EXPECT_LT(lib.Close(KW5_FORMAT_PRASK), 0) << "nothing may be written over a tag we cannot read";
    EXPECT_NE(lib.CheckFileFormat(hostString(path), KW5_FORMAT_STD), 0);
    EXPECT_LT(lib.FormatFile(hostString(path), KW5_FORMAT_PRASK), 0);
    EXPECT_EQ(kw5test::readFile(path), before);
}

TEST_F(ForeignTags, Id3v24IsRefusedWithoutDamage) {
    std::string path = dir.file("v24.mp3").string();
    std::string out;
    ASSERT_EQ(kw5test::runCommand(kw5test::mutagenCommand("write24 " + quote(path)), out), 0)
        << out;
    expectRefusedAndUntouched(path);
}

TEST_F(ForeignTags, UnknownFrameIsRefusedWithoutDamage) {
    std::string path = dir.file("chap.mp3").string();
    std::string out;
    ASSERT_EQ(kw5test::runCommand(kw5test::mutagenCommand("writechap " + quote(path)), out), 0)
        << out;
    expectRefusedAndUntouched(path);
}

// Files as other taggers write them. A file either takes the edit and keeps
// every other frame (byte for byte; text frames may change encoding only) and
// its audio, or the edit is refused and the file stays as it was.
struct ForeignCase {
    const char* writer; // "mutagen" or "taglib"
    const char* name;   // the case the writer makes
    bool opens;
    // Refused: the key whose frames the load could not keep apart; a write
    // succeeds once the host has put a new value under it.
    const char* conflictId;
    const char* conflictDesc;
    const char* unreadableId; // a frame whose value cannot be read
};

const ForeignCase kForeignCases[] = {
    {"mutagen", "repeated", true, nullptr, nullptr, nullptr},
    {"mutagen", "scripts", true, nullptr, nullptr, nullptr},
    {"mutagen", "emptydesc", true, nullptr, nullptr, nullptr},
    {"mutagen", "baremark", true, nullptr, nullptr, nullptr},
    {"mutagen", "sealed", true, nullptr, nullptr, "TPE1"},
    {"mutagen", "twotitles", true, "TIT2", "", nullptr},
    {"mutagen", "userpair", true, "WXXX", "HOME", nullptr},
    {"mutagen", "userasid", true, "TPE1", "", nullptr},
    {"mutagen", "unsync", false, nullptr, nullptr, nullptr},
    {"mutagen", "exthdr", false, nullptr, nullptr, nullptr},
    {"taglib", "repeated", true, nullptr, nullptr, nullptr},
    {"taglib", "scripts", true, nullptr, nullptr, nullptr},
    {"taglib", "emptydesc", true, nullptr, nullptr, nullptr},
    {"taglib", "baremark", true, nullptr, nullptr, nullptr},
};

void PrintTo(const ForeignCase& c, std::ostream* os) {
    *os << c.writer << " " << c.name;
}

class ForeignFiles : public ::testing::TestWithParam<ForeignCase> {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "the writers run on the Linux host only";
#endif
        if (kw5test::mutagenPython().empty())
            GTEST_SKIP() << "python3-mutagen is not installed";
    }

    // Makes the case's file; false when the writer is not built here.
    bool make(const std::string& path) {
        std::string command;
        if (std::string(GetParam().writer) == "mutagen")
            command = kw5test::mutagenCommand("case " + quote(path) + " " + GetParam().name);
#ifdef KW5_TAGLIB_WRITER
        else
            command = quote(KW5_TAGLIB_WRITER) + " " + quote(path) + " " + GetParam().name;
#endif
        if (command.empty())
            return false;
        std::string out;
        EXPECT_EQ(kw5test::runCommand(command, out), 0) << out;
        return true;
    }

    // The mutagen helper compares every frame but those of skipIds.
    void expectSame(const std::string& before, const std::string& after, const char* skipIds) {
        std::string out;
        EXPECT_EQ(kw5test::runCommand(kw5test::mutagenCommand("same " + quote(before) + " " +
                                                              quote(after) + " " + skipIds),
                                      out),
                  0)
            << out;
    }

    kw5test::TempDir dir;
};

TEST_P(ForeignFiles, EditKeepsEveryOtherFrameOrLeavesTheFile) {
    const ForeignCase& c = GetParam();
    const std::vector<KW5WString> title = {KW5_WSTR("New")};
    for (LONG kind : {KW5_FORMAT_STD, KW5_FORMAT_GM, KW5_FORMAT_PRASK}) {
        SCOPED_TRACE(kind);
        const std::string path = dir.file("f" + std::to_string(kind) + ".mp3").string();
        if (!make(path))
            GTEST_SKIP() << "TagLib is not installed";
        const auto before = kw5test::readFile(path);
        kw5test::writeFile(path + ".orig", before);

        CKW5VorletLib lib;
        const LONG opened = lib.Open(hostString(path), KW5_OPEN_READWRITE);
        if (c.unreadableId) {
            std::vector<KW5WString> values;
            EXPECT_EQ(lib.GetPropertyFromId(hostString(c.unreadableId), values), kw5::kE_NOTIMPL);
        }
        if (c.opens && !c.conflictId) {
            ASSERT_EQ(opened, 0);
            // Every frame moves to another copy of the file as the blob of
            // unknown frames, and nothing changes there.
            unsigned char* blob = nullptr;
            ULONG blobSize = 0;
            ASSERT_EQ(lib.GetSDKUnknown({}, blob, blobSize), 0);
            kw5test::writeFile(path + ".copy", before);
            CKW5VorletLib other;
            ASSERT_EQ(other.Open(hostString(path + ".copy"), KW5_OPEN_READWRITE), 0);
            EXPECT_EQ(other.PutSDKUnknown(blob, static_cast<LONG>(blobSize)), 0);
            CoTaskMemFree(blob);
            ASSERT_EQ(other.Close(kind), 0);
            expectSame(path + ".orig", path + ".copy", "-");
            ASSERT_EQ(lib.PutString(1, 0, title, 2, 0), 0);
            ASSERT_EQ(lib.Close(kind), 0);
            expectSame(path + ".orig", path, "TIT2");
            continue;
        }
        // Refused: nothing is written, whatever the host tries.
        EXPECT_EQ(opened, c.opens ? 0 : kw5::kE_INVALIDARG);
        lib.PutPropertyFromId(KW5_WSTR("TCON"), {KW5_WSTR("Jazz")}, 0);
        EXPECT_LT(lib.Close(kind), 0);
        EXPECT_LT(lib.FormatFile(hostString(path), kind), 0);
        EXPECT_EQ(kw5test::readFile(path), before);
        if (!c.conflictId)
            continue;
        // Once the host has put its own value under the key, the tag goes out.
        ASSERT_EQ(lib.Open(hostString(path), KW5_OPEN_READWRITE), 0);
        const KW5WString value = KW5_WSTR("http://x");
        ASSERT_EQ(*c.conflictDesc ? lib.PutPropertyFromDesc(hostString(c.conflictId),
                                                            hostString(c.conflictDesc), value, 0)
                                  : lib.PutPropertyFromId(hostString(c.conflictId), {value}, 0),
                  0);
        ASSERT_EQ(lib.Close(kind), 0);
        expectSame(path + ".orig", path, (std::string(c.conflictId) + ",TXXX").c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Taggers, ForeignFiles, ::testing::ValuesIn(kForeignCases),
                         [](const ::testing::TestParamInfo<ForeignCase>& info) {
                             return std::string(info.param.writer) + "_" + info.param.name;
                         });

TEST(Id3v2Tool, ReadsAndRewritesWhatId3libWrote) {
#ifdef _WIN32
    GTEST_SKIP() << "id3v2 runs on the Linux host only";
#endif
    if (!kw5test::haveId3v2Tool() || kw5test::mutagenPython().empty())
        GTEST_SKIP() << "id3v2 or python3-mutagen is not installed";
    kw5test::TempDir dir;
    std::string path = dir.file("id3lib.mp3").string();
    std::vector<unsigned char> audio(30000);
    for (size_t i = 0; i < audio.size(); ++i)
        audio[i] = static_cast<unsigned char>(i * 13 + 5);
    kw5test::writeFile(path, audio);
    std::string out;
    ASSERT_EQ(kw5test::runCommand("id3v2 --id3v2-only -t 'Blue Train' -a 'J. Coltrane' "
                                  "-A 'Blue Train' -y 1957 -g 8 -T 1/5 " +
                                      quote(path),
                                  out),
              0)
        << out;
    {
        CKW5VorletLib lib;
        ASSERT_EQ(lib.Open(hostString(path), KW5_OPEN_READWRITE), 0);
        EXPECT_EQ(text(lib, "TIT2"), "Blue Train");
        EXPECT_EQ(text(lib, "TPE1"), "J. Coltrane");
        EXPECT_EQ(text(lib, "TALB"), "Blue Train");
        EXPECT_EQ(text(lib, "TYER"), "1957");
        std::vector<KW5WString> album = {KW5_WSTR("Blue Train (Remastered)")};
        ASSERT_EQ(lib.PutPropertyFromId(KW5_WSTR("TALB"), album, 0), 0);
        ASSERT_EQ(lib.Close(KW5_FORMAT_STD), 0);
    }
    ASSERT_EQ(kw5test::runCommand(kw5test::mutagenCommand("read " + quote(path)), out), 0) << out;
    EXPECT_NE(out.find("\"TALB\": \"Blue Train (Remastered)\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"TIT2\": \"Blue Train\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"TPE1\": \"J. Coltrane\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"audio_size\": 30000"), std::string::npos) << out;
    // Audio unchanged, byte for byte.
    auto after = kw5test::readFile(path);
    ASSERT_GE(after.size(), audio.size());
    EXPECT_TRUE(
        std::equal(audio.begin(), audio.end(), after.end() - static_cast<long>(audio.size())));
}

} // namespace
