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

} // namespace
