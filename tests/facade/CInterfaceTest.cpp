// The C interface: the frame listing (order, header fields, texts), round
// trips through files against the exported class, output blocks and the
// refusals of bad arguments.
#include "Driver.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/kw5vorlet.h"

#include <gtest/gtest.h>

using namespace kw5test;

namespace {

// The layout documented in kw5vorlet.h, for the width of this build.
static_assert(offsetof(KW5FrameInfo, description) == 0, "layout");
static_assert(offsetof(KW5FrameInfo, descriptionLength) == (sizeof(void*) == 8 ? 16 : 8), "");
static_assert(offsetof(KW5FrameInfo, size) == (sizeof(void*) == 8 ? 24 : 16), "layout");
static_assert(offsetof(KW5FrameInfo, flags) == (sizeof(void*) == 8 ? 28 : 20), "layout");
static_assert(offsetof(KW5FrameInfo, encoding) == (sizeof(void*) == 8 ? 30 : 22), "layout");
static_assert(offsetof(KW5FrameInfo, id) == (sizeof(void*) == 8 ? 31 : 23), "layout");
static_assert(sizeof(KW5FrameInfo) == (sizeof(void*) == 8 ? 40 : 28), "layout");

std::u16string u(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}
const kw5_char16* c(const std::u16string& text) {
    return reinterpret_cast<const kw5_char16*>(text.c_str());
}
// Literals keep their storage (a temporary string would not).
template <size_t N> const kw5_char16* c(const char16_t (&text)[N]) {
    return reinterpret_cast<const kw5_char16*>(text);
}
std::string a(const kw5_char16* text, size_t length) {
    return text == nullptr ? "<none>" : utf8(KW5WString(text, text + length));
}

struct Lib {
    KW5Lib* lib = nullptr;
    Lib() { EXPECT_EQ(KW5_S_OK, KW5LibCreate(&lib)); }
    ~Lib() { KW5LibDestroy(lib); }
};

// "id|desc|value|flags|size|encoding" per listed frame.
std::vector<std::string> listing(KW5Lib* lib, kw5_hresult expected = KW5_S_OK) {
    KW5FrameInfoList* list = nullptr;
    EXPECT_EQ(expected, KW5LibListFrames(lib, &list));
    std::vector<std::string> rows;
    for (uint32_t i = 0; list != nullptr && i < list->count; ++i) {
        const KW5FrameInfo& f = list->frames[i];
        rows.push_back(std::string(f.id) + "|" + a(f.description, f.descriptionLength) + "|" +
                       a(f.value, f.valueLength) + "|" + std::to_string(f.flags) + "|" +
                       std::to_string(f.size) + "|" + std::to_string(f.encoding));
    }
    KW5LibFree(list);
    return rows;
}

Bytes sample() {
    return build("TPE1/1=Artist,TXXX:VMK_TIT2S#20=Sort,WOAR=http://b,GEOB:VMK_LSI=app/x|010203,"
                 "TIT2=Title,WOAR=http://a,pad=16,audio=2");
}

// Listed in file order, changed frames in place, new ones after them; written
// back in the GM layout and read with a fresh handle.
TEST(CInterface, WritesAndListsFrames) {
    TempDir dir;
    writeFile(dir.file("a.kw5"), sample());
    const std::u16string path = u(dir.file("a.kw5").string());
    const std::u16string japanese = u"\u65e5\u672c\u8a9e \u00e9";
    Lib h;
    ASSERT_EQ(KW5_S_OK, KW5LibOpen(h.lib, c(path), KW5_MODE_READWRITE));
    std::vector<std::string> rows = {"TPE1||Artist|0|15|1",    "TXXX|VMK_TIT2S|Sort|32|15|0",
                                     "WOAR||http://b|0|8|255", "GEOB|VMK_LSI|<none>|0|19|0",
                                     "TIT2||Title|0|6|0",      "WOAR||http://a|0|8|255"};
    EXPECT_EQ(rows, listing(h.lib));
    const KW5String title = {c(u"Neu"), KW5_NUL_TERMINATED}, album = {c(u"Album"), 5};
    ASSERT_EQ(KW5_S_OK, KW5LibPutString(h.lib, 1, 0, &title, 1, 0, 0));
    ASSERT_EQ(KW5_S_OK, KW5LibPutString(h.lib, 11, 0, &album, 1, 0, 0));
    ASSERT_EQ(KW5_S_OK, KW5LibPutPropertyFromDesc(h.lib, c(u"TXXX"), c(u"Note"), c(japanese),
                                                  KW5_NUL_TERMINATED, 0));
    const KW5Binary objects[] = {
        {reinterpret_cast<const unsigned char*>("ab"), 2, {c(u"x/y"), KW5_NUL_TERMINATED}},
        {nullptr, 0, {c(u"x/z"), 3}}};
    ASSERT_EQ(KW5_S_OK, KW5LibPutBinary(h.lib, 15, 13, objects, 2, 0));
    rows[4] = "TIT2||Neu|0|4|0";
    rows.insert(rows.end(), {"TXXX|Note|\u65e5\u672c\u8a9e \u00e9|0|21|2", "TALB||Album|0|6|0",
                             "GEOB|VMK_FTHBL1|<none>|0|19|0", "GEOB|VMK_FTHBL2|<none>|0|17|0"});
    EXPECT_EQ(rows, listing(h.lib));
    ASSERT_EQ(KW5_S_OK, KW5LibClose(h.lib, KW5_KIND_GM));
    // The GM writer puts the object first and writes text in encoding 2.
    Lib again;
    ASSERT_EQ(KW5_S_OK, KW5LibOpen(again.lib, c(path), KW5_MODE_READONLY));
    EXPECT_EQ(
        (std::vector<std::string>{
            "GEOB|VMK_LSI|<none>|0|28|2", "TIT2||Neu|0|7|2", "TPE1||Artist|0|13|2",
            "TALB||Album|0|11|2", "GEOB|VMK_FTHBL1|<none>|0|31|2", "GEOB|VMK_FTHBL2|<none>|0|29|2",
            "WOAR||http://b|0|8|255", "WOAR||http://a|0|8|255",
            "TXXX|Note|\u65e5\u672c\u8a9e \u00e9|0|21|2", "TXXX|VMK_TIT2S|Sort|32|29|2"}),
        listing(again.lib));
    kw5_char16* value = nullptr;
    int32_t length = -5;
    ASSERT_EQ(KW5_S_OK,
              KW5LibGetPropertyFromDesc(again.lib, c(u"TXXX"), c(u"Note"), &value, &length));
    EXPECT_EQ(japanese + u'\0', std::u16string(value, value + length + 1));
    KW5LibFree(value);
    KW5Binary* second = nullptr;
    ASSERT_EQ(KW5_S_OK,
              KW5LibSeekBinaryFromDesc(again.lib, c(path), c(u"GEOB"), c(u"VMK_FTHBL2"), &second));
    EXPECT_EQ("x/z0",
              a(second->mimeType.text, second->mimeType.length) + std::to_string(second->dataSize));
    KW5LibFree(second);
    KW5StringList* none = nullptr;
    EXPECT_EQ(KW5_S_FALSE, KW5LibGetString(again.lib, 10, 0, &none));
    EXPECT_EQ(nullptr, none);
    // An empty tag lists nothing.
    const Bytes bare = build("pad=4");
    ASSERT_EQ(KW5_S_OK, KW5LibOpenImage(h.lib, bare.data(), static_cast<int32_t>(bare.size())));
    EXPECT_TRUE(listing(h.lib, KW5_S_FALSE).empty());
}

// Bad arguments are refused before anything happens; the records of a
// PutBinary stay the host's on every path (ASan and valgrind see leaks and
// double frees).
TEST(CInterface, RefusesBadArguments) {
    TempDir dir;
    writeFile(dir.file("a.kw5"), sample());
    const Bytes before = readFile(dir.file("a.kw5"));
    const std::u16string path = u(dir.file("a.kw5").string());
    Lib h;
    const KW5String bad = {nullptr, 3};
    const KW5Binary object = {reinterpret_cast<const unsigned char*>("x"), 1, {c(u"a/b"), 3}};
    const KW5Binary two[] = {object, object};
    EXPECT_EQ(KW5_E_POINTER, KW5LibCreate(nullptr));
    EXPECT_EQ(KW5_E_POINTER, KW5LibOpen(nullptr, c(path), 1));
    EXPECT_EQ(KW5_E_POINTER, KW5LibOpen(h.lib, nullptr, 1));
    ASSERT_EQ(KW5_S_OK, KW5LibOpen(h.lib, c(path), KW5_MODE_READONLY));
    EXPECT_EQ(KW5_S_FALSE, KW5LibPutBinary(h.lib, 15, 124, &object, 1, 0));
    KW5LibClose(h.lib, KW5_KIND_GM);
    ASSERT_EQ(KW5_S_OK, KW5LibOpen(h.lib, c(path), KW5_MODE_READWRITE));
    EXPECT_EQ(KW5_E_POINTER, KW5LibGetString(h.lib, 1, 0, nullptr));
    EXPECT_EQ(KW5_E_POINTER, KW5LibPutString(h.lib, 1, 0, &bad, 1, 0, 0));
    EXPECT_EQ(KW5_E_POINTER, KW5LibPutString(h.lib, 1, 0, nullptr, 2, 0, 0));
    EXPECT_EQ(KW5_E_INVALIDARG, KW5LibPutBinary(h.lib, 15, 124, two, 2, 0));
    EXPECT_EQ(KW5_E_FAIL, KW5LibPutBinary(h.lib, 15, 999, two, 2, 0));
    EXPECT_EQ(KW5_E_POINTER, KW5LibListFrames(h.lib, nullptr));
    KW5LibClose(h.lib, KW5_KIND_GM);
    EXPECT_EQ(before, readFile(dir.file("a.kw5")));
}

// Every call of the C interface on its own handle: results and every output
// it hands over (lists, texts, records, blocks), against literal values or,
// for tag images, against what the class makes of the same calls.
// The parts in the order written (the items of a braced list are evaluated
// left to right, the operands of + are not).
std::string all(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& part : parts)
        out += part;
    return out;
}

TEST(CInterface, EveryCallHandsOverItsOutputs) {
    const auto hr = [](kw5_hresult result) { return std::to_string(result); };
    const auto list = [](const KW5StringList* v, std::string out = "") {
        for (uint32_t i = 0; v != nullptr && i < v->count; ++i)
            out += "|" + a(v->items[i].text, v->items[i].length);
        return out;
    };
    const auto bin = [](const KW5Binary& b) {
        return "|" + a(b.mimeType.text, b.mimeType.length) + "#" +
               toHex(Bytes(b.data, b.data + b.dataSize));
    };
    const auto take = [](auto* block, const std::string& shown) {
        return KW5LibFree(block), shown;
    };
    const auto own = [&](unsigned char* b, size_t n) {
        return take(b, b ? toHex(Bytes(b, b + n)) : "~");
    };
    TempDir dir;
    writeFile(dir.file("a"), sample());
    writeFile(dir.file("b"), sample());
    const std::u16string pa = u(dir.file("a").string());
    const unsigned char obj[] = {1, 2, 3, 0};
    const KW5String album = {c(u"Album"), KW5_NUL_TERMINATED};
    const KW5Binary object = {obj, 4, {c(u"x/y"), 3}};
    const KW5Property known[] = {{1, 0}, {13, 1}};
    // The class, for the images: the same edits on a copy.
    CKW5VorletLib k;
    _StructProperty kTit2 = {1, 0}, kSort = {13, 1};
    _StructBinVal record{const_cast<unsigned char*>(obj), 4, hostString("x/y")}, *given = &record;
    unsigned char *blob = nullptr, *one = nullptr, *two = nullptr;
    ULONG blobSize = 0;
    LONG n1 = 0, n2 = 0; // the sizes of the class's blocks
    ASSERT_EQ("000000",
              all({hr(k.Open(hostPath(dir.file("b")), KW5_MODE_READWRITE)),
                   hr(k.PutPropertyFromId(hostString("TALB"), {hostString("Album")}, 0)),
                   hr(k.PutBinaryFromDesc(hostString("GEOB"), hostString("VMK_X"), given, 0)),
                   hr(k.GetSDKUnknown({&kTit2, &kSort}, blob, blobSize)),
                   hr(k.GetSimpleVorletVMKLSI(obj, 4, &one, &n1)),
                   hr(k.GetSimpleVorletVMKLSI_VMKOLINF(obj, 4, obj, 2, &two, &n2))}));
    const std::string images = all({own(blob, blobSize), "0", own(one, n1), "0", own(two, n2)});
    Lib h;
    KW5Lib* l = h.lib;
    ASSERT_EQ(KW5_S_OK, KW5LibOpen(l, c(pa), KW5_MODE_READWRITE));
    int32_t n = -1, m1 = 0, m2 = 0;
    EXPECT_EQ("0:157", all({hr(KW5LibGetId3TagSize(l, &n)), ":", std::to_string(n)}));
    uint16_t* f = nullptr;
    uint32_t count = 0;
    EXPECT_EQ("0:1:32", all({hr(KW5LibGetFrameFlag(l, 13, 1, &f, &count)), ":",
                             std::to_string(count), ":", take(f, f ? hr(f[0]) : "~")}));
    KW5StringList *v = nullptr, *s = nullptr;
    kw5_char16* d = nullptr;
    EXPECT_EQ("0|http://b|http://a0|Title0Sort",
              all({hr(KW5LibGetPropertyFromId(l, c(u"WOAR"), &v)), take(v, list(v)),
                   hr(KW5LibSeekPropertyFromId(l, c(pa), c(u"TIT2"), &s)), take(s, list(s)),
                   hr(KW5LibSeekPropertyFromDesc(l, c(pa), c(u"TXXX"), c(u"VMK_TIT2S"), &d, &n)),
                   take(d, a(d, n))}));
    EXPECT_EQ("000", all({hr(KW5LibPutPropertyFromId(l, c(u"TALB"), &album, 1, 0)),
                          hr(KW5LibPutBinaryFromDesc(l, c(u"GEOB"), c(u"VMK_X"), &object, 0)),
                          hr(KW5LibPutBinary(l, 15, 13, nullptr, 0, 0))}));
    KW5BinaryList* objects = nullptr;
    KW5Binary* b = nullptr;
    std::string shown = hr(KW5LibGetBinary(l, 15, 124, &objects));
    for (uint32_t i = 0; objects && i < objects->count; ++i)
        shown += bin(objects->items[i]);
    shown += take(objects, hr(KW5LibGetBinaryFromDesc(l, c(u"GEOB"), c(u"VMK_X"), &b)));
    EXPECT_EQ("0|app/x#01 02 030|x/y#01 02 03 00", take(b, shown + (b ? bin(*b) : "~")));
    unsigned char *cBlob = nullptr, *i1 = nullptr, *i2 = nullptr;
    uint32_t cBlobSize = 0;
    EXPECT_EQ(
        "0" + images,
        all({hr(KW5LibGetSDKUnknown(l, known, 2, &cBlob, &cBlobSize)), own(cBlob, cBlobSize),
             hr(KW5LibGetSimpleVorletVMKLSI(l, obj, 4, &i1, &m1)), own(i1, m1),
             hr(KW5LibGetSimpleVorletVMKLSI_VMKOLINF(l, obj, 4, obj, 2, &i2, &m2)), own(i2, m2)}));
    EXPECT_EQ("0000" + hr(static_cast<kw5_hresult>(0x8004040Eu)) + "0",
              all({hr(KW5LibUpdate(l, KW5_KIND_GM)), hr(KW5LibClose(l, KW5_KIND_GM)),
                   hr(KW5LibCheckFileFormat(l, c(pa), KW5_KIND_GM)),
                   hr(KW5LibFormatFile(l, c(pa), KW5_KIND_PRASK)),
                   hr(KW5LibCheckFileFormat(l, c(pa), KW5_KIND_GM)),
                   hr(KW5LibCheckAndFormatFile(l, c(pa), KW5_KIND_GM))}));
    EXPECT_EQ(KW5_E_POINTER, KW5LibGetId3TagSize(l, nullptr));
}

} // namespace
