// Object tag images built in memory: exact header, frame and padding bytes
// for one and two objects, the padding rule at its edges, and refused
// inputs that must never lead to a huge allocation or a crash.
#include "TagBuilder.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kw5test;

namespace {

const size_t kPaddingUnit = 3072;

// A valid pointer for an object of no bytes (a null one is refused).
const unsigned char kNoBytes = 0;

const unsigned char* pointerTo(const Bytes& object) {
    return object.empty() ? &kNoBytes : object.data();
}

KW5WString w(const std::string& text) {
    return hostString(text);
}

Bytes pattern(size_t size) {
    Bytes out(size);
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<unsigned char>(i * 31 + 5);
    return out;
}

Bytes lsiBody(const Bytes& object) {
    return geobBody(2, "binary", "", "VMK_LSI", object);
}

Bytes olinfBody(const Bytes& object) {
    return geobBody(2, "binary", "", "VMK_OLINF", object);
}

// The expected image: the frames, then zeros up to the next multiple of the
// padding unit (a full unit when the frames already end on one).
Bytes expectedImage(const std::vector<Bytes>& bodies) {
    TagBuilder builder;
    size_t used = 10;
    for (const Bytes& body : bodies) {
        builder.frame("GEOB", body);
        used += 10 + body.size();
    }
    builder.padding(kPaddingUnit - used % kPaddingUnit);
    return builder.tag();
}

class FacadeImageTest : public ::testing::Test {
protected:
    Bytes single(CKW5VorletLib& lib, const Bytes& object, HRESULT& hr) {
        unsigned char* image = nullptr;
        LONG size = -1;
        hr = lib.GetSimpleVorletVMKLSI(pointerTo(object), static_cast<LONG>(object.size()), &image,
                                       &size);
        return take(image, size);
    }

    Bytes pair(CKW5VorletLib& lib, const Bytes& first, const Bytes& second, HRESULT& hr) {
        unsigned char* image = nullptr;
        LONG size = -1;
        hr = lib.GetSimpleVorletVMKLSI_VMKOLINF(pointerTo(first), static_cast<LONG>(first.size()),
                                                pointerTo(second), static_cast<LONG>(second.size()),
                                                &image, &size);
        return take(image, size);
    }

    static Bytes take(unsigned char* image, LONG size) {
        Bytes out;
        if (image != nullptr) {
            out.assign(image, image + size);
            CoTaskMemFree(image);
        }
        return out;
    }
};

TEST_F(FacadeImageTest, EmptyObjectGivesOneUnitImage) {
    CKW5VorletLib lib;
    const unsigned char none = 0;
    unsigned char* image = nullptr;
    LONG size = 0;
    ASSERT_EQ(kw5::kS_OK, lib.GetSimpleVorletVMKLSI(&none, 0, &image, &size));
    const Bytes got = take(image, size);
    ASSERT_EQ(3072u, got.size());
    // "kw5" 03 00 00, then 3062 syncsafe.
    EXPECT_EQ("6B 77 35 03 00 00 00 00 17 76", toHex(Bytes(got.begin(), got.begin() + 10)));
    // "GEOB", body of 26 bytes, flags 0.
    EXPECT_EQ("47 45 4F 42 00 00 00 1A 00 00", toHex(Bytes(got.begin() + 10, got.begin() + 20)));
    EXPECT_EQ(toHex(hex("02 62 69 6E 61 72 79 00 00 00 00 56 00 4D 00 4B 00 5F 00 4C 00 53 00 49 "
                        "00 00")),
              toHex(Bytes(got.begin() + 20, got.begin() + 46)));
    EXPECT_EQ(Bytes(3072 - 46, 0), Bytes(got.begin() + 46, got.end()));
    EXPECT_EQ(toHex(expectedImage({lsiBody(Bytes())})), toHex(got));
}

TEST_F(FacadeImageTest, ObjectBytesFollowTheBody) {
    CKW5VorletLib lib;
    const Bytes object = pattern(100);
    HRESULT hr = 0;
    const Bytes got = single(lib, object, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    ASSERT_EQ(26u + 100u, lsiBody(object).size());
    EXPECT_EQ(toHex(expectedImage({lsiBody(object)})), toHex(got));
}

TEST_F(FacadeImageTest, PaddingRuleAtTheUnitEdge) {
    CKW5VorletLib lib;
    HRESULT hr = 0;
    // 10 + 10 + 26 + n = 3072: a full unit of padding follows.
    const Bytes exact = pattern(3072 - 46);
    Bytes got = single(lib, exact, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    ASSERT_EQ(6144u, got.size());
    EXPECT_EQ(Bytes(3072, 0), Bytes(got.begin() + 3072, got.end()));
    EXPECT_EQ(toHex(expectedImage({lsiBody(exact)})), toHex(got));
    // One byte less leaves one byte of padding.
    const Bytes under = pattern(3072 - 47);
    got = single(lib, under, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    ASSERT_EQ(3072u, got.size());
    EXPECT_EQ(0, got.back());
    EXPECT_EQ(toHex(expectedImage({lsiBody(under)})), toHex(got));
    // One byte more starts the next unit.
    const Bytes over = pattern(3072 - 45);
    got = single(lib, over, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    EXPECT_EQ(6144u, got.size());
}

TEST_F(FacadeImageTest, TwoObjectsLsiFirst) {
    CKW5VorletLib lib;
    const Bytes first = pattern(7);
    const Bytes second = pattern(300);
    HRESULT hr = 0;
    const Bytes got = pair(lib, first, second, hr);
    ASSERT_EQ(kw5::kS_OK, hr);
    ASSERT_EQ(30u + 300u, olinfBody(second).size());
    EXPECT_EQ(toHex(expectedImage({lsiBody(first), olinfBody(second)})), toHex(got));
    // Both empty.
    const unsigned char none = 0;
    unsigned char* image = nullptr;
    LONG size = 0;
    ASSERT_EQ(kw5::kS_OK, lib.GetSimpleVorletVMKLSI_VMKOLINF(&none, 0, &none, 0, &image, &size));
    EXPECT_EQ(toHex(expectedImage({lsiBody(Bytes()), olinfBody(Bytes())})),
              toHex(take(image, size)));
}

TEST_F(FacadeImageTest, NullPointersAreEPointer) {
    CKW5VorletLib lib;
    const unsigned char object[4] = {1, 2, 3, 4};
    unsigned char marker = 0;
    unsigned char* image = &marker;
    LONG size = 99;
    EXPECT_EQ(kw5::kE_POINTER, lib.GetSimpleVorletVMKLSI(nullptr, 4, &image, &size));
    EXPECT_EQ(kw5::kE_POINTER, lib.GetSimpleVorletVMKLSI(object, 4, nullptr, &size));
    EXPECT_EQ(kw5::kE_POINTER, lib.GetSimpleVorletVMKLSI(object, 4, &image, nullptr));
    EXPECT_EQ(kw5::kE_POINTER,
              lib.GetSimpleVorletVMKLSI_VMKOLINF(nullptr, 4, object, 4, &image, &size));
    EXPECT_EQ(kw5::kE_POINTER,
              lib.GetSimpleVorletVMKLSI_VMKOLINF(object, 4, nullptr, 4, &image, &size));
    EXPECT_EQ(kw5::kE_POINTER,
              lib.GetSimpleVorletVMKLSI_VMKOLINF(object, 4, object, 4, nullptr, &size));
    EXPECT_EQ(kw5::kE_POINTER,
              lib.GetSimpleVorletVMKLSI_VMKOLINF(object, 4, object, 4, &image, nullptr));
    EXPECT_EQ(&marker, image);
    EXPECT_EQ(99, size);
}

TEST_F(FacadeImageTest, NegativeOrHugeSizesAreRefusedWithoutCopy) {
    CKW5VorletLib lib;
    const unsigned char object[4] = {1, 2, 3, 4};
    unsigned char marker = 0;
    unsigned char* image = &marker;
    LONG size = 99;
    EXPECT_EQ(kw5::kE_OUTOFMEMORY, lib.GetSimpleVorletVMKLSI(object, -1, &image, &size));
    EXPECT_EQ(kw5::kE_OUTOFMEMORY,
              lib.GetSimpleVorletVMKLSI(object, static_cast<LONG>(0x80000000u), &image, &size));
    EXPECT_EQ(kw5::kE_OUTOFMEMORY,
              lib.GetSimpleVorletVMKLSI_VMKOLINF(object, 4, object, -4, &image, &size));
    EXPECT_EQ(kw5::kE_OUTOFMEMORY,
              lib.GetSimpleVorletVMKLSI_VMKOLINF(object, -4, object, 4, &image, &size));
    // Larger than any tag can be: refused as too large (E_FAIL), and the
    // four bytes behind the pointer are never read beyond.
    EXPECT_EQ(kw5::kE_FAIL, lib.GetSimpleVorletVMKLSI(object, 0x7FFFFFFF, &image, &size));
    EXPECT_EQ(kw5::kE_FAIL,
              lib.GetSimpleVorletVMKLSI_VMKOLINF(object, 4, object, 0x10000000, &image, &size));
    EXPECT_EQ(&marker, image);
    EXPECT_EQ(99, size);
}

TEST_F(FacadeImageTest, ImageOpensAndGivesTheObjectsBack) {
    CKW5VorletLib maker;
    const Bytes first = pattern(1000);
    const Bytes second = pattern(10);
    HRESULT hr = 0;
    const Bytes image = pair(maker, first, second, hr);
    ASSERT_EQ(kw5::kS_OK, hr);

    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(image.data(), static_cast<LONG>(image.size())));
    LONG tagSize = 0;
    ASSERT_EQ(kw5::kS_OK, lib.GetId3TagSize(&tagSize));
    EXPECT_EQ(static_cast<LONG>(image.size()), tagSize);
    std::vector<_StructBinVal*> records;
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(15, 124, records));
    ASSERT_EQ(kw5::kS_OK, lib.GetBinary(15, 123, records));
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(first, Bytes(records[0]->data, records[0]->data + records[0]->dataSize));
    EXPECT_EQ(second, Bytes(records[1]->data, records[1]->data + records[1]->dataSize));
    EXPECT_EQ(w("binary"), records[0]->mimeType);
    for (_StructBinVal* record : records) {
        CoTaskMemFree(record->data);
        delete record;
    }
}

TEST_F(FacadeImageTest, OpenInstanceIsLeftAlone) {
    TempDir dir;
    const Bytes file = TagBuilder().frame("TIT2", textBody(0, "Song")).padding(8).bytes();
    writeFile(dir.file("a.kw5"), file);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(hostPath(dir.file("a.kw5")), 2));
    HRESULT hr = 0;
    EXPECT_EQ(3072u, single(lib, Bytes(), hr).size());
    EXPECT_EQ(kw5::kS_OK, hr);
    EXPECT_EQ(6144u, pair(lib, pattern(3000), pattern(100), hr).size());
    EXPECT_EQ(kw5::kS_OK, hr);
    std::vector<KW5WString> titles;
    ASSERT_EQ(kw5::kS_OK, lib.GetString(1, 0, titles));
    EXPECT_EQ(std::vector<KW5WString>{w("Song")}, titles);
    std::vector<_StructBinVal*> records;
    EXPECT_EQ(kw5::kS_FALSE, lib.GetBinary(15, 124, records));
    // Nothing was changed, so nothing is written.
    ASSERT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    EXPECT_EQ(file, readFile(dir.file("a.kw5")));
    // Also after Close, without any tag.
    EXPECT_EQ(3072u, single(lib, Bytes(), hr).size());
    EXPECT_EQ(kw5::kS_OK, hr);
}

} // namespace
