// Update and Close through the shared library: what reaches the file, byte
// by byte, for each variant, and what the object keeps afterwards.
#include "TagBuilder.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"

#include <gtest/gtest.h>

#include <filesystem>

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
