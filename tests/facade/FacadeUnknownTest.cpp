// Unknown-frame export and import through the exported class: the blob's
// byte layout, the filter of known properties, the merge into another
// file's tag, and that a failed import changes nothing.
#include "TagBuilder.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace kw5test;

namespace {

const LONG kTitle = 1;   // "TIT2"
const LONG kArtist = 7;  // "TPE1"
const LONG kUser = 13;   // "TXXX"
const LONG kObject = 15; // "GEOB"
const LONG kNoDesc = 0;
const LONG kThumbs = 13; // "VMK_FTHBL", numbered
const LONG kTrack = 77;  // "VMK_TRACK"
const LONG kLsi = 124;   // "VMK_LSI"

KW5WString w(const std::string& text) {
    return hostString(text);
}

class FacadeUnknownTest : public ::testing::Test {
protected:
    TempDir dir;

    KW5WString file(const std::string& name, const Bytes& bytes) {
        writeFile(dir.file(name), bytes);
        return hostPath(dir.file(name));
    }

    // The blob of the open lib for these known properties; empty when the
    // export answered anything but S_OK (hr tells).
    Bytes exportUnknown(CKW5VorletLib& lib, std::vector<_StructProperty> known, HRESULT& hr) {
        std::vector<_StructProperty*> pointers;
        for (_StructProperty& property : known)
            pointers.push_back(&property);
        unsigned char* blob = nullptr;
        ULONG size = 0;
        hr = lib.GetSDKUnknown(pointers, blob, size);
        Bytes out;
        if (hr == kw5::kS_OK) {
            out.assign(blob, blob + size);
            CoTaskMemFree(blob);
        }
        return out;
    }

    KW5WString text(CKW5VorletLib& lib, LONG frameIndex, LONG descIndex) {
        std::vector<KW5WString> values;
        if (lib.GetString(frameIndex, descIndex, values) != kw5::kS_OK || values.size() != 1)
            return w("<none>");
        return values[0];
    }

    KW5WString fileA() {
        return file("a.kw5", TagBuilder()
                                 .frame("TIT2", textBody(0, "A-title"))
                                 .frame("TXXX", txxxBody(0, "VMK_TRACK", "7"))
                                 .frame("GEOB", geobBody(0, "binary", "", "VMK_OLINF", {9}))
                                 .padding(40)
                                 .audio(Bytes(20, 0xA1))
                                 .bytes());
    }

    KW5WString fileB(uint16_t titleFlags = 0) {
        return file("b.kw5", TagBuilder()
                                 .frame("TIT2", textBody(0, "B-title"), titleFlags)
                                 .frame("TXXX", txxxBody(0, "VMK_TRACK", "3"))
                                 .frame("TPE1", textBody(0, "B-artist"))
                                 .frame("GEOB", geobBody(0, "binary", "", "VMK_LSI", {1}))
                                 .padding(40)
                                 .audio(Bytes(20, 0xB2))
                                 .bytes());
    }
};

TEST_F(FacadeUnknownTest, ExportWithoutKnownGivesEveryFrameInPraskOrder) {
    const Bytes ulinf = geobBody(2, "binary", "", "VMK_ULINF", {1, 2});
    KW5WString path = file("a.kw5", TagBuilder()
                                        .magic("ID3")
                                        .frame("TCOM", textBody(0, "Comp"))
                                        .frame("TALB", textBody(2, "Alb"))
                                        .frame("GEOB", ulinf)
                                        .frame("PRIV", hex("01 02 03"))
                                        .padding(50)
                                        .bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    HRESULT hr = 0;
    const Bytes blob = exportUnknown(lib, {}, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    // The open tag's header with the frame total as size, the object that
    // leads a Prask tag, the priority frames, then the rest in key order;
    // text re-encoded to encoding 2; no padding.
    const Bytes expected = TagBuilder()
                               .magic("ID3")
                               .frame("GEOB", ulinf)
                               .frame("TALB", textBody(2, "Alb"))
                               .frame("PRIV", hex("01 02 03"))
                               .frame("TCOM", textBody(2, "Comp"))
                               .tag();
    EXPECT_EQ(toHex(expected), toHex(blob));
    // The open tag is untouched: all frames are still there, nothing to write.
    EXPECT_EQ(w("Comp"), text(lib, 10, kNoDesc));
    const Bytes before = readFile(dir.file("a.kw5"));
    EXPECT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    EXPECT_EQ(before, readFile(dir.file("a.kw5")));
}

TEST_F(FacadeUnknownTest, KnownPropertiesAreLeftOut) {
    KW5WString path = fileA();
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    HRESULT hr = 0;
    const Bytes blob = exportUnknown(lib, {{kTitle, kNoDesc}, {kUser, kTrack}}, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    const Bytes expected =
        TagBuilder().frame("GEOB", geobBody(2, "binary", "", "VMK_OLINF", {9})).tag();
    EXPECT_EQ(toHex(expected), toHex(blob));
}

TEST_F(FacadeUnknownTest, KnownEverythingIsSFalseWithoutBlob) {
    KW5WString path = fileA();
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    _StructProperty title{kTitle, kNoDesc};
    _StructProperty track{kUser, kTrack};
    _StructProperty olinf{kObject, 123};
    // Properties that name nothing in the tag are no error.
    _StructProperty artist{kArtist, kNoDesc};
    std::vector<_StructProperty*> known = {&title, &artist, &track, &olinf};
    unsigned char marker = 0;
    unsigned char* blob = &marker;
    ULONG size = 77;
    EXPECT_EQ(kw5::kS_FALSE, lib.GetSDKUnknown(known, blob, size));
    EXPECT_EQ(&marker, blob);
    EXPECT_EQ(77u, size);
}

TEST_F(FacadeUnknownTest, KnownNumberedPropertyRemovesWholeSeries) {
    KW5WString path = file("a.kw5", TagBuilder()
                                        .frame("GEOB", geobBody(2, "x", "", "VMK_FTHBL1", {1}))
                                        .frame("GEOB", geobBody(2, "x", "", "VMK_FTHBL2", {2}))
                                        .frame("TIT2", textBody(2, "T"))
                                        .bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    HRESULT hr = 0;
    const Bytes blob = exportUnknown(lib, {{kObject, kThumbs}}, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    EXPECT_EQ(toHex(TagBuilder().frame("TIT2", textBody(2, "T")).tag()), toHex(blob));
}

TEST_F(FacadeUnknownTest, KnownReadOnlyFrameIsLeftOutToo) {
    KW5WString path = file("a.kw5", TagBuilder()
                                        .frame("TIT2", textBody(2, "T"), 0x2000)
                                        .frame("TALB", textBody(2, "A"))
                                        .bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    HRESULT hr = 0;
    const Bytes blob = exportUnknown(lib, {{kTitle, kNoDesc}}, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    EXPECT_EQ(toHex(TagBuilder().frame("TALB", textBody(2, "A")).tag()), toHex(blob));
}

TEST_F(FacadeUnknownTest, ExportRefusesBadProperties) {
    KW5WString path = fileA();
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    HRESULT hr = 0;
    EXPECT_TRUE(exportUnknown(lib, {{20, kNoDesc}}, hr).empty());
    EXPECT_EQ(kw5::kE_FAIL, hr);
    EXPECT_TRUE(exportUnknown(lib, {{kTitle, 164}}, hr).empty());
    EXPECT_EQ(kw5::kE_FAIL, hr);
    // A series on a frame kind keyed by id: every ordinal would find the title.
    EXPECT_TRUE(exportUnknown(lib, {{kTitle, kThumbs}}, hr).empty());
    EXPECT_EQ(kw5::kE_INVALIDARG, hr);
    std::vector<_StructProperty*> known = {nullptr};
    unsigned char* blob = nullptr;
    ULONG size = 0;
    EXPECT_EQ(kw5::kE_POINTER, lib.GetSDKUnknown(known, blob, size));
    EXPECT_EQ(nullptr, blob);
    ASSERT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    known.clear();
    EXPECT_EQ(kw5::kE_FAIL, lib.GetSDKUnknown(known, blob, size));
}

TEST_F(FacadeUnknownTest, ImportReplacesSameKeysAddsOthersKeepsTheRest) {
    KW5WString a = fileA();
    KW5WString b = fileB();
    Bytes blob;
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(a, 1));
        HRESULT hr = 0;
        blob = exportUnknown(lib, {}, hr);
        ASSERT_EQ(kw5::kS_OK, hr);
    }
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(b, 2));
        ASSERT_EQ(kw5::kS_OK, lib.PutSDKUnknown(blob.data(), static_cast<LONG>(blob.size())));
        EXPECT_EQ(w("A-title"), text(lib, kTitle, kNoDesc));
        EXPECT_EQ(w("7"), text(lib, kUser, kTrack));
        EXPECT_EQ(w("B-artist"), text(lib, kArtist, kNoDesc));
        ASSERT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_PRASK));
    }
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(b, 1));
    EXPECT_EQ(w("A-title"), text(lib, kTitle, kNoDesc));
    EXPECT_EQ(w("7"), text(lib, kUser, kTrack));
    EXPECT_EQ(w("B-artist"), text(lib, kArtist, kNoDesc));
    std::vector<_StructBinVal*> records;
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(kObject, 123, records));
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(kObject, kLsi, records));
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(Bytes{9}, Bytes(records[0]->data, records[0]->data + records[0]->dataSize));
    EXPECT_EQ(Bytes{1}, Bytes(records[1]->data, records[1]->data + records[1]->dataSize));
    for (_StructBinVal* record : records) {
        CoTaskMemFree(record->data);
        delete record;
    }
    // The audio of B is where it was.
    const Bytes written = readFile(dir.file("b.kw5"));
    ASSERT_GE(written.size(), 20u);
    EXPECT_EQ(Bytes(20, 0xB2), Bytes(written.end() - 20, written.end()));
}

TEST_F(FacadeUnknownTest, ImportWithKnownFilterKeepsTargetsKnownFrames) {
    KW5WString a = fileA();
    KW5WString b = fileB();
    CKW5VorletLib source;
    ASSERT_EQ(kw5::kS_OK, source.Open(a, 1));
    HRESULT hr = 0;
    const Bytes blob = exportUnknown(source, {{kTitle, kNoDesc}}, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(b, 2));
    ASSERT_EQ(kw5::kS_OK, lib.PutSDKUnknown(blob.data(), static_cast<LONG>(blob.size())));
    EXPECT_EQ(w("B-title"), text(lib, kTitle, kNoDesc));
    EXPECT_EQ(w("7"), text(lib, kUser, kTrack));
}

TEST_F(FacadeUnknownTest, ImportReplacesReadOnlyFrames) {
    KW5WString b = fileB(0x2000);
    const Bytes blob = TagBuilder().frame("TIT2", textBody(2, "New")).tag();
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(b, 2));
    // PutString may not touch it ...
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(kTitle, kNoDesc, {w("x")}, 0, 0));
    // ... the import may.
    ASSERT_EQ(kw5::kS_OK, lib.PutSDKUnknown(blob.data(), static_cast<LONG>(blob.size())));
    EXPECT_EQ(w("New"), text(lib, kTitle, kNoDesc));
}

TEST_F(FacadeUnknownTest, HeaderOnlyBlobAddsNothing) {
    KW5WString b = fileB();
    const Bytes before = readFile(dir.file("b.kw5"));
    const Bytes blob = hex("6B 77 35 03 00 00 00 00 00 00");
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(b, 2));
    EXPECT_EQ(kw5::kS_OK, lib.PutSDKUnknown(blob.data(), 10));
    EXPECT_EQ(w("B-title"), text(lib, kTitle, kNoDesc));
    // Nothing changed, so nothing is written.
    EXPECT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    EXPECT_EQ(before, readFile(dir.file("b.kw5")));
}

TEST_F(FacadeUnknownTest, ImportRefusesBadArguments) {
    KW5WString b = fileB();
    const Bytes blob = TagBuilder().frame("TIT2", textBody(2, "New")).tag();
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(b, 2));
        EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutSDKUnknown(blob.data(), 0));
        EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutSDKUnknown(blob.data(), -5));
        EXPECT_EQ(kw5::kE_POINTER, lib.PutSDKUnknown(nullptr, 10));
        EXPECT_EQ(w("B-title"), text(lib, kTitle, kNoDesc));
        ASSERT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
        EXPECT_EQ(kw5::kE_FAIL, lib.PutSDKUnknown(blob.data(), static_cast<LONG>(blob.size())));
    }
    // Read-only is reported first, before the pointer is looked at.
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(b, 1));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutSDKUnknown(nullptr, 0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutSDKUnknown(blob.data(), static_cast<LONG>(blob.size())));
    EXPECT_EQ(w("B-title"), text(lib, kTitle, kNoDesc));
}

TEST_F(FacadeUnknownTest, InvalidBlobChangesNothing) {
    KW5WString b = fileB();
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(b, 2));
    const Bytes wrongVersion = TagBuilder().version(4, 0).frame("TIT2", textBody(2, "N")).tag();
    EXPECT_EQ(kw5::kE_INVALIDARG,
              lib.PutSDKUnknown(wrongVersion.data(), static_cast<LONG>(wrongVersion.size())));
    // The second frame runs past the end of the blob.
    Bytes truncated =
        TagBuilder().frame("TIT2", textBody(2, "N")).frame("TALB", textBody(2, "Album")).tag();
    truncated.resize(truncated.size() - 3);
    EXPECT_EQ(kw5::kE_INVALIDARG,
              lib.PutSDKUnknown(truncated.data(), static_cast<LONG>(truncated.size())));
    // A frame of unknown id.
    const Bytes unknown =
        TagBuilder().frame("TIT2", textBody(2, "N")).frame("XYZW", hex("01")).tag();
    EXPECT_EQ(kw5::kE_INVALIDARG,
              lib.PutSDKUnknown(unknown.data(), static_cast<LONG>(unknown.size())));
    EXPECT_EQ(w("B-title"), text(lib, kTitle, kNoDesc));
    const Bytes before = readFile(dir.file("b.kw5"));
    EXPECT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    EXPECT_EQ(before, readFile(dir.file("b.kw5")));
}

TEST_F(FacadeUnknownTest, ImportFailingHalfWayChangesNothing) {
    KW5WString b = fileB();
    // The title is taken over first; the composer's encoding byte 5 cannot
    // be re-encoded, so the import fails after the title was handled.
    const Bytes blob =
        TagBuilder().frame("TIT2", textBody(2, "New")).frame("TCOM", textBody(5, "Comp")).tag();
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(b, 2));
    EXPECT_LT(lib.PutSDKUnknown(blob.data(), static_cast<LONG>(blob.size())), 0);
    EXPECT_EQ(w("B-title"), text(lib, kTitle, kNoDesc));
    const Bytes before = readFile(dir.file("b.kw5"));
    EXPECT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    EXPECT_EQ(before, readFile(dir.file("b.kw5")));
}

TEST_F(FacadeUnknownTest, ExportImportRoundTripIntoEmptyFile) {
    KW5WString a = fileA();
    CKW5VorletLib source;
    ASSERT_EQ(kw5::kS_OK, source.Open(a, 1));
    HRESULT hr = 0;
    const Bytes blob = exportUnknown(source, {}, hr);
    ASSERT_EQ(kw5::kS_OK, hr);

    KW5WString c = hostPath(dir.file("c.kw5"));
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(c, 2));
        ASSERT_EQ(kw5::kS_OK, lib.PutSDKUnknown(blob.data(), static_cast<LONG>(blob.size())));
        ASSERT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_PRASK));
    }
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(c, 1));
    // Exporting again gives the same blob.
    EXPECT_EQ(toHex(blob), toHex(exportUnknown(lib, {}, hr)));
}

} // namespace
