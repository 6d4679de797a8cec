// Binary objects through the exported class: GetBinary / PutBinary by index
// pair, the by-description members, the direct file read, and the rule that
// a refused or failed Put leaves the open tag exactly as it was.
#include "TagBuilder.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace kw5test;

namespace {

// Index pairs of the host's tables.
const LONG kTitle = 1;   // "TIT2"
const LONG kLength = 3;  // "TLEN"
const LONG kObject = 15; // "GEOB"
const LONG kNoDesc = 0;  // ""
const LONG kThumbs = 13; // "VMK_FTHBL", a numbered series
const LONG kSinfo = 44;  // "VMK_SINFO", protected
const LONG kOlinf = 123; // "VMK_OLINF"
const LONG kLsi = 124;   // "VMK_LSI"

KW5WString w(const std::string& text) {
    return hostString(text);
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A record as a host makes it: a task-allocator block and a heap record.
_StructBinVal* newRecord(const Bytes& data, const std::string& mime) {
    _StructBinVal* record = new _StructBinVal();
    record->data = static_cast<unsigned char*>(CoTaskMemAlloc(data.size()));
    if (!data.empty())
        std::memcpy(record->data, data.data(), data.size());
    record->dataSize = static_cast<ULONG>(data.size());
    record->mimeType = w(mime);
    return record;
}

void freeRecords(std::vector<_StructBinVal*>& records) {
    for (_StructBinVal* record : records) {
        if (record == nullptr)
            continue;
        CoTaskMemFree(record->data);
        delete record;
    }
    records.clear();
}

Bytes dataOf(const _StructBinVal& record) {
    return Bytes(record.data, record.data + record.dataSize);
}

Bytes object(const std::string& desc, const Bytes& data, uint16_t flags = 0) {
    return frameBytes("GEOB", geobBody(0, "image/png", "", desc, data), flags);
}

class FacadeBinaryTest : public ::testing::Test {
protected:
    TempDir dir;

    KW5WString file(const std::string& name, const Bytes& bytes) {
        writeFile(dir.file(name), bytes);
        return hostPath(dir.file(name));
    }

    // Every record of GetBinary for the pair, released again.
    std::vector<Bytes> binaries(CKW5VorletLib& lib, LONG frameIndex, LONG descIndex, HRESULT& hr) {
        std::vector<_StructBinVal*> records;
        hr = lib.GetBinary(frameIndex, descIndex, records);
        std::vector<Bytes> out;
        for (_StructBinVal* record : records)
            out.push_back(dataOf(*record));
        freeRecords(records);
        return out;
    }

    // The object under desc, or an empty list when GetBinaryFromDesc finds none.
    std::vector<Bytes> objectByDesc(CKW5VorletLib& lib, const std::string& desc) {
        _StructBinVal record{};
        _StructBinVal* target = &record;
        std::vector<Bytes> out;
        if (lib.GetBinaryFromDesc(w("GEOB"), w(desc), target) == kw5::kS_OK)
            out.push_back(dataOf(record));
        CoTaskMemFree(record.data);
        return out;
    }
};

TEST_F(FacadeBinaryTest, GetBinaryGivesObjectDataAndMimeType) {
    KW5WString path =
        file("a.kw5", TagBuilder().raw(object("VMK_LSI", bytesOf("LSI-DATA"))).padding(16).bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    std::vector<_StructBinVal*> records;
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(kObject, kLsi, records));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(bytesOf("LSI-DATA"), dataOf(*records[0]));
    EXPECT_EQ(w("image/png"), records[0]->mimeType);
    // The list is appended to.
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(kObject, kLsi, records));
    EXPECT_EQ(2u, records.size());
    freeRecords(records);
}

TEST_F(FacadeBinaryTest, GetBinaryOnTextFrameGivesBytesAfterEncodingByte) {
    KW5WString path = file(
        "a.kw5",
        TagBuilder().frame("TIT2", textBody(0, "Hello")).frame("TALB", textBody(1, "Hi")).bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    std::vector<_StructBinVal*> records;
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(kTitle, kNoDesc, records));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(bytesOf("Hello"), dataOf(*records[0]));
    EXPECT_TRUE(records[0]->mimeType.empty());
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(11, kNoDesc, records));
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(hex("FF FE 48 00 69 00"), dataOf(*records[1]));
    freeRecords(records);
}

TEST_F(FacadeBinaryTest, GetBinaryMissingFrameIsSFalse) {
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(hostPath(dir.file("none.kw5")), 1));
    HRESULT hr = 0;
    EXPECT_TRUE(binaries(lib, kObject, kLsi, hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    EXPECT_TRUE(binaries(lib, kObject, kThumbs, hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    // The store files no object without a description.
    EXPECT_TRUE(binaries(lib, kObject, kNoDesc, hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
}

TEST_F(FacadeBinaryTest, NumberedSeriesReadsInOrderAndStopsAtFirstGap) {
    KW5WString path = file("a.kw5", TagBuilder()
                                        .raw(object("VMK_FTHBL2", bytesOf("two")))
                                        .raw(object("VMK_FTHBL4", bytesOf("four")))
                                        .raw(object("VMK_FTHBL1", bytesOf("one")))
                                        .bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    HRESULT hr = 0;
    std::vector<Bytes> got = binaries(lib, kObject, kThumbs, hr);
    EXPECT_EQ(kw5::kS_OK, hr);
    EXPECT_EQ((std::vector<Bytes>{bytesOf("one"), bytesOf("two")}), got);
}

TEST_F(FacadeBinaryTest, NumberedSeriesWithoutFirstMemberIsSFalse) {
    KW5WString path = file("a.kw5", TagBuilder()
                                        .raw(object("VMK_FTHBL2", bytesOf("two")))
                                        .raw(object("VMK_FTHBL3", bytesOf("three")))
                                        .bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    HRESULT hr = 0;
    EXPECT_TRUE(binaries(lib, kObject, kThumbs, hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
}

TEST_F(FacadeBinaryTest, PutBinaryThreeRecordsWritesNumberedSeries) {
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(hostPath(dir.file("new.kw5")), 2));
    std::vector<_StructBinVal*> records = {newRecord(bytesOf("a"), "image/jpeg"),
                                           newRecord(bytesOf("bb"), "image/jpeg"),
                                           newRecord(bytesOf("ccc"), "image/jpeg")};
    ASSERT_EQ(kw5::kS_OK, lib.PutBinary(kObject, kThumbs, records, 0));
    // The library has taken the records over.
    records.clear();

    EXPECT_EQ(std::vector<Bytes>{bytesOf("a")}, objectByDesc(lib, "VMK_FTHBL1"));
    EXPECT_EQ(std::vector<Bytes>{bytesOf("bb")}, objectByDesc(lib, "VMK_FTHBL2"));
    EXPECT_EQ(std::vector<Bytes>{bytesOf("ccc")}, objectByDesc(lib, "VMK_FTHBL3"));
    EXPECT_TRUE(objectByDesc(lib, "VMK_FTHBL").empty());
    HRESULT hr = 0;
    std::vector<Bytes> got = binaries(lib, kObject, kThumbs, hr);
    EXPECT_EQ(kw5::kS_OK, hr);
    EXPECT_EQ((std::vector<Bytes>{bytesOf("a"), bytesOf("bb"), bytesOf("ccc")}), got);

    // A shorter series replaces the whole old one.
    records = {newRecord(bytesOf("x"), "image/jpeg")};
    ASSERT_EQ(kw5::kS_OK, lib.PutBinary(kObject, kThumbs, records, 0));
    got = binaries(lib, kObject, kThumbs, hr);
    EXPECT_EQ(std::vector<Bytes>{bytesOf("x")}, got);
    EXPECT_TRUE(objectByDesc(lib, "VMK_FTHBL2").empty());
}

TEST_F(FacadeBinaryTest, PutBinaryEmptyVectorDeletes) {
    KW5WString path = file("a.kw5", TagBuilder()
                                        .raw(object("VMK_LSI", bytesOf("L")))
                                        .raw(object("VMK_FTHBL1", bytesOf("1")))
                                        .raw(object("VMK_FTHBL2", bytesOf("2")))
                                        .bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    const std::vector<_StructBinVal*> none;
    EXPECT_EQ(kw5::kS_OK, lib.PutBinary(kObject, kLsi, none, 0));
    EXPECT_TRUE(objectByDesc(lib, "VMK_LSI").empty());
    EXPECT_EQ(kw5::kS_OK, lib.PutBinary(kObject, kThumbs, none, 0));
    EXPECT_TRUE(objectByDesc(lib, "VMK_FTHBL1").empty());
    EXPECT_TRUE(objectByDesc(lib, "VMK_FTHBL2").empty());
    // Nothing there: still a success.
    EXPECT_EQ(kw5::kS_OK, lib.PutBinary(kObject, kLsi, none, 0));
    // A frame of another kind goes too.
    EXPECT_EQ(kw5::kS_OK, lib.PutString(kTitle, kNoDesc, {w("T")}, 0, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutBinary(kTitle, kNoDesc, none, 0));
    std::vector<KW5WString> titles;
    EXPECT_EQ(kw5::kS_FALSE, lib.GetString(kTitle, kNoDesc, titles));
}

TEST_F(FacadeBinaryTest, PutBinaryWithNonObjectFrameFailsAndKeepsTheFrame) {
    KW5WString path = file("a.kw5", TagBuilder().frame("TIT2", textBody(0, "Keep")).bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    std::vector<_StructBinVal*> records = {newRecord(bytesOf("x"), "")};
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutBinary(kTitle, kNoDesc, records, 0));
    std::vector<KW5WString> titles;
    ASSERT_EQ(kw5::kS_OK, lib.GetString(kTitle, kNoDesc, titles));
    EXPECT_EQ(std::vector<KW5WString>{w("Keep")}, titles);
    // Nothing changed: the file is not rewritten.
    const Bytes before = readFile(dir.file("a.kw5"));
    EXPECT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    EXPECT_EQ(before, readFile(dir.file("a.kw5")));
}

TEST_F(FacadeBinaryTest, PutBinaryRefusedPartWayThroughSeriesChangesNothing) {
    // The third member is read-only: the series cannot be replaced, and the
    // first two members must not be lost on the way.
    KW5WString path = file("a.kw5", TagBuilder()
                                        .raw(object("VMK_FTHBL1", bytesOf("1")))
                                        .raw(object("VMK_FTHBL2", bytesOf("2")))
                                        .raw(object("VMK_FTHBL3", bytesOf("3"), 0x2000))
                                        .bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    std::vector<_StructBinVal*> records = {newRecord(bytesOf("new"), "")};
    EXPECT_EQ(kw5::kS_FALSE, lib.PutBinary(kObject, kThumbs, records, 0));
    HRESULT hr = 0;
    std::vector<Bytes> got = binaries(lib, kObject, kThumbs, hr);
    EXPECT_EQ((std::vector<Bytes>{bytesOf("1"), bytesOf("2"), bytesOf("3")}), got);
    const Bytes before = readFile(dir.file("a.kw5"));
    EXPECT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    EXPECT_EQ(before, readFile(dir.file("a.kw5")));

    // Open mode 3 may replace read-only frames.
    CKW5VorletLib all;
    ASSERT_EQ(kw5::kS_OK, all.Open(path, 3));
    records = {newRecord(bytesOf("new"), "")};
    EXPECT_EQ(kw5::kS_OK, all.PutBinary(kObject, kThumbs, records, 0));
    got = binaries(all, kObject, kThumbs, hr);
    EXPECT_EQ(std::vector<Bytes>{bytesOf("new")}, got);
}

TEST_F(FacadeBinaryTest, PutBinaryOnProtectedDescriptionIsRefused) {
    KW5WString path = file("a.kw5", TagBuilder().raw(object("VMK_SINFO", bytesOf("info"))).bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    std::vector<_StructBinVal*> records = {newRecord(bytesOf("new"), "")};
    EXPECT_EQ(kw5::kS_FALSE, lib.PutBinary(kObject, kSinfo, records, 0));
    EXPECT_EQ(std::vector<Bytes>{bytesOf("info")}, objectByDesc(lib, "VMK_SINFO"));
    // "TLEN" without a description is protected as well.
    records = {newRecord(bytesOf("x"), "")};
    EXPECT_EQ(kw5::kS_FALSE, lib.PutBinary(kLength, kNoDesc, records, 0));
}

TEST_F(FacadeBinaryTest, PutBinaryTwoRecordsForSingleFrameIsRefusedAndKeepsRecords) {
    KW5WString path = file("a.kw5", TagBuilder().raw(object("VMK_LSI", bytesOf("L"))).bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    std::vector<_StructBinVal*> records = {newRecord(bytesOf("a"), ""),
                                           newRecord(bytesOf("b"), "")};
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutBinary(kObject, kLsi, records, 0));
    // The records are still the host's and intact.
    EXPECT_EQ(bytesOf("a"), dataOf(*records[0]));
    EXPECT_EQ(bytesOf("b"), dataOf(*records[1]));
    freeRecords(records);
    EXPECT_EQ(std::vector<Bytes>{bytesOf("L")}, objectByDesc(lib, "VMK_LSI"));
}

TEST_F(FacadeBinaryTest, PutBinaryReadOnlyOrClosedKeepsRecords) {
    KW5WString path = file("a.kw5", TagBuilder().raw(object("VMK_LSI", bytesOf("L"))).bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    std::vector<_StructBinVal*> records = {newRecord(bytesOf("a"), "")};
    EXPECT_EQ(kw5::kS_FALSE, lib.PutBinary(kObject, kLsi, records, 0));
    EXPECT_EQ(bytesOf("a"), dataOf(*records[0]));
    EXPECT_EQ(std::vector<Bytes>{bytesOf("L")}, objectByDesc(lib, "VMK_LSI"));
    ASSERT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_FAIL, lib.PutBinary(kObject, kLsi, records, 0));
    EXPECT_EQ(bytesOf("a"), dataOf(*records[0]));
    freeRecords(records);
    HRESULT hr = 0;
    binaries(lib, kObject, kLsi, hr);
    EXPECT_EQ(kw5::kE_FAIL, hr);
}

TEST_F(FacadeBinaryTest, PutBinaryRejectsBadIndexAndBadRecords) {
    KW5WString path = file("a.kw5", TagBuilder().raw(object("VMK_LSI", bytesOf("L"))).bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    std::vector<_StructBinVal*> records = {newRecord(bytesOf("a"), "")};
    // Released from the id conversion on.
    EXPECT_EQ(kw5::kE_FAIL, lib.PutBinary(20, kLsi, records, 0));
    records = {nullptr};
    EXPECT_EQ(kw5::kE_POINTER, lib.PutBinary(kObject, kLsi, records, 0));
    _StructBinVal broken{};
    broken.dataSize = 5;
    records = {&broken};
    // A record with no data is left to the host (nothing to release).
    EXPECT_EQ(kw5::kE_POINTER, lib.PutBinary(kObject, kLsi, records, 0));
    EXPECT_EQ(std::vector<Bytes>{bytesOf("L")}, objectByDesc(lib, "VMK_LSI"));
    // An object may be empty.
    records = {newRecord(Bytes(), "")};
    EXPECT_EQ(kw5::kS_OK, lib.PutBinary(kObject, kLsi, records, 0));
    EXPECT_EQ(std::vector<Bytes>{Bytes()}, objectByDesc(lib, "VMK_LSI"));
}

TEST_F(FacadeBinaryTest, NumberedIndexOnFrameKeyedByIdIsRejected) {
    // Every ordinal would find this one title: the walk must not run forever.
    KW5WString path = file("a.kw5", TagBuilder().frame("TIT2", textBody(0, "T")).bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    HRESULT hr = 0;
    EXPECT_TRUE(binaries(lib, kTitle, kThumbs, hr).empty());
    EXPECT_EQ(kw5::kE_INVALIDARG, hr);
    std::vector<_StructBinVal*> records = {newRecord(bytesOf("a"), "")};
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutBinary(kTitle, kThumbs, records, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutBinary(kTitle, kThumbs, {}, 0));
    std::vector<KW5WString> titles;
    EXPECT_EQ(kw5::kS_OK, lib.GetString(kTitle, kNoDesc, titles));
}

TEST_F(FacadeBinaryTest, PutBinaryFromDescRejectsOtherFrameIds) {
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(hostPath(dir.file("new.kw5")), 2));
    _StructBinVal* record = newRecord(bytesOf("a"), "");
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutBinaryFromDesc(w("GEOB "), w("VMK_LSI"), record, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutBinaryFromDesc(w("TXXX"), w("VMK_LSI"), record, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutBinaryFromDesc(w("geob"), w("VMK_LSI"), record, 0));
    // An object without a description cannot be filed.
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutBinaryFromDesc(w("GEOB"), w(""), record, 0));
    // The host's record is only read.
    EXPECT_EQ(bytesOf("a"), dataOf(*record));
    EXPECT_EQ(kw5::kS_OK, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_LSI"), record, 0));
    EXPECT_EQ(bytesOf("a"), dataOf(*record));
    std::vector<_StructBinVal*> mine = {record};
    freeRecords(mine);
    EXPECT_EQ(std::vector<Bytes>{bytesOf("a")}, objectByDesc(lib, "VMK_LSI"));
}

TEST_F(FacadeBinaryTest, PutBinaryFromDescNullRecordDeletes) {
    KW5WString path = file("a.kw5", TagBuilder().raw(object("VMK_LSI", bytesOf("L"))).bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    EXPECT_EQ(kw5::kS_OK, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_LSI"), nullptr, 0));
    EXPECT_TRUE(objectByDesc(lib, "VMK_LSI").empty());
    EXPECT_EQ(kw5::kS_OK, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_LSI"), nullptr, 0));
    // The deletion reaches the file.
    EXPECT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    CKW5VorletLib again;
    ASSERT_EQ(kw5::kS_OK, again.Open(path, 1));
    EXPECT_TRUE(objectByDesc(again, "VMK_LSI").empty());
}

TEST_F(FacadeBinaryTest, PutBinaryFromDescReadOnlyFrameNeedsModeThree) {
    KW5WString path =
        file("a.kw5", TagBuilder().raw(object("VMK_LSI", bytesOf("L"), 0x2000)).bytes());
    _StructBinVal* record = newRecord(bytesOf("new"), "");
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_LSI"), record, 0));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_LSI"), nullptr, 0));
        EXPECT_EQ(std::vector<Bytes>{bytesOf("L")}, objectByDesc(lib, "VMK_LSI"));
    }
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_LSI"), record, 0));
    }
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(path, 3));
        EXPECT_EQ(kw5::kS_OK, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_LSI"), record, 0));
        EXPECT_EQ(std::vector<Bytes>{bytesOf("new")}, objectByDesc(lib, "VMK_LSI"));
    }
    std::vector<_StructBinVal*> mine = {record};
    freeRecords(mine);
}

TEST_F(FacadeBinaryTest, PutBinaryFromDescMarksProtectedObjects) {
    _StructBinVal* record = newRecord(bytesOf("info"), "");
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(hostPath(dir.file("a.kw5")), 2));
        EXPECT_EQ(kw5::kS_OK, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_SINFO"), record, 0x04));
        std::vector<unsigned short> flags;
        ASSERT_EQ(kw5::kS_OK, lib.GetFrameFlag(kObject, kSinfo, flags));
        EXPECT_EQ(std::vector<unsigned short>{0x0020}, flags);
        EXPECT_EQ(kw5::kS_OK, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_OLINF"), record, 0x04));
        flags.clear();
        ASSERT_EQ(kw5::kS_OK, lib.GetFrameFlag(kObject, kOlinf, flags));
        EXPECT_EQ(std::vector<unsigned short>{0x0004}, flags);
    }
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(hostPath(dir.file("b.kw5")), 3));
        EXPECT_EQ(kw5::kS_OK, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_SINFO"), record, 0x04));
        std::vector<unsigned short> flags;
        ASSERT_EQ(kw5::kS_OK, lib.GetFrameFlag(kObject, kSinfo, flags));
        EXPECT_EQ(std::vector<unsigned short>{0x0004}, flags);
    }
    std::vector<_StructBinVal*> mine = {record};
    freeRecords(mine);
}

TEST_F(FacadeBinaryTest, WrittenObjectBodyIsExactInFile) {
    const Bytes data = hex("01 02 03 00 FF");
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(hostPath(dir.file("new.kw5")), 2));
    _StructBinVal* record = newRecord(data, "application/x-test");
    ASSERT_EQ(kw5::kS_OK, lib.PutBinaryFromDesc(w("GEOB"), w("VMK_OLINF"), record, 0));
    std::vector<_StructBinVal*> mine = {record};
    freeRecords(mine);

    // In memory the body is encoding 0 with narrow MIME type, an empty file
    // name and the narrow description: its object data starts right after.
    std::vector<_StructBinVal*> records;
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(kObject, kOlinf, records));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(data, dataOf(*records[0]));
    EXPECT_EQ(w("application/x-test"), records[0]->mimeType);
    freeRecords(records);

    // The writer lays every text-bearing body out in encoding 2.
    ASSERT_EQ(kw5::kS_OK, lib.Update(KW5_FORMAT_PRASK));
    const Bytes body = geobBody(2, "application/x-test", "", "VMK_OLINF", data);
    ASSERT_EQ(1 + 19 + 2 + 20 + 5u, body.size());
    const Bytes expected =
        TagBuilder().frame("GEOB", body).padding(3072 - 10 - 10 - body.size()).bytes();
    EXPECT_EQ(toHex(expected), toHex(readFile(dir.file("new.kw5"))));
}

TEST_F(FacadeBinaryTest, GetBinaryFromDescFillsHostRecordOrLeavesIt) {
    KW5WString path = file("a.kw5", TagBuilder()
                                        .raw(object("VMK_LSI", bytesOf("LSI")))
                                        .frame("TIT2", textBody(0, "T"))
                                        .bytes());
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    unsigned char marker = 0x5A;
    _StructBinVal record{};
    record.data = &marker;
    record.dataSize = 1;
    record.mimeType = w("keep");
    _StructBinVal* target = &record;
    EXPECT_EQ(kw5::kS_FALSE, lib.GetBinaryFromDesc(w("GEOB"), w("VMK_NONE"), target));
    EXPECT_EQ(&marker, record.data);
    EXPECT_EQ(1u, record.dataSize);
    EXPECT_EQ(w("keep"), record.mimeType);
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.GetBinaryFromDesc(w(""), w("VMK_LSI"), target));
    EXPECT_EQ(&marker, record.data);

    ASSERT_EQ(kw5::kS_OK, lib.GetBinaryFromDesc(w("GEOB"), w("VMK_LSI"), target));
    EXPECT_EQ(bytesOf("LSI"), dataOf(record));
    EXPECT_EQ(w("image/png"), record.mimeType);
    CoTaskMemFree(record.data);
    // Any frame kind: the title's bytes after its encoding byte.
    ASSERT_EQ(kw5::kS_OK, lib.GetBinaryFromDesc(w("TIT2"), w(""), target));
    EXPECT_EQ(bytesOf("T"), dataOf(record));
    EXPECT_TRUE(record.mimeType.empty());
    CoTaskMemFree(record.data);

    _StructBinVal* none = nullptr;
    EXPECT_EQ(kw5::kE_POINTER, lib.GetBinaryFromDesc(w("GEOB"), w("VMK_LSI"), none));
}

TEST_F(FacadeBinaryTest, SeekBinaryFromDescReadsFileWithoutOpen) {
    KW5WString path = file("a.kw5", TagBuilder()
                                        .raw(object("VMK_LSI", bytesOf("first")))
                                        .raw(object("VMK_OLINF", bytesOf("second")))
                                        .padding(10)
                                        .audio(bytesOf("AUDIO"))
                                        .bytes());
    CKW5VorletLib lib;
    _StructBinVal record{};
    _StructBinVal* target = &record;
    ASSERT_EQ(kw5::kS_OK, lib.SeekBinaryFromDesc(path, w("GEOB"), w("VMK_OLINF"), target));
    EXPECT_EQ(bytesOf("second"), dataOf(record));
    EXPECT_EQ(w("image/png"), record.mimeType);
    CoTaskMemFree(record.data);
    record = _StructBinVal{};
    EXPECT_EQ(kw5::kS_FALSE, lib.SeekBinaryFromDesc(path, w("GEOB"), w("VMK_NONE"), target));
    EXPECT_EQ(nullptr, record.data);
    EXPECT_EQ(kw5::kE_FAIL, lib.SeekBinaryFromDesc(hostPath(dir.file("missing.kw5")), w("GEOB"),
                                                   w("VMK_LSI"), target));
    // No tag, or one below 20 bytes.
    KW5WString bare = file("bare.kw5", bytesOf("just audio, no tag at all"));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.SeekBinaryFromDesc(bare, w("GEOB"), w("VMK_LSI"), target));
    _StructBinVal* none = nullptr;
    EXPECT_EQ(kw5::kE_POINTER, lib.SeekBinaryFromDesc(path, w("GEOB"), w("VMK_LSI"), none));
    // The instance was never opened and is still usable.
    EXPECT_EQ(kw5::kS_OK, lib.Open(path, 1));
}

TEST_F(FacadeBinaryTest, ObjectsRoundTripThroughFile) {
    KW5WString path = hostPath(dir.file("round.kw5"));
    Bytes big(5000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<unsigned char>(i * 7);
    {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
        std::vector<_StructBinVal*> records = {newRecord(big, "application/octet-stream")};
        ASSERT_EQ(kw5::kS_OK, lib.PutBinary(kObject, kLsi, records, 0));
        ASSERT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_GM));
    }
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    std::vector<_StructBinVal*> records;
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(kObject, kLsi, records));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(big, dataOf(*records[0]));
    EXPECT_EQ(w("application/octet-stream"), records[0]->mimeType);
    freeRecords(records);
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(path, KW5_FORMAT_GM));
}

} // namespace
