// Text values by (frame index, description index) through the shared
// library: GetString, PutString, GetFrameFlag and the protected helpers the
// class exports.
#include "TagBuilder.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"

#include <gtest/gtest.h>

using namespace kw5test;

namespace {

KW5WString w(const std::string& text) {
    return hostString(text);
}

std::vector<KW5WString> ws(std::initializer_list<const char*> texts) {
    std::vector<KW5WString> out;
    for (const char* text : texts)
        out.push_back(w(text));
    return out;
}

// Reaches the protected helpers, which the library exports with the class.
class Probe : public CKW5VorletLib {
public:
    using CKW5VorletLib::checkCanWriteFrame;
    using CKW5VorletLib::checkFieldDataSize;
    using CKW5VorletLib::checkReadOnlyFrame;
    using CKW5VorletLib::convertKw5Id;
    using CKW5VorletLib::deleteFrame;
    using CKW5VorletLib::modified;
};

class FacadeTextTest : public ::testing::Test {
protected:
    TempDir dir;

    KW5WString file(const Bytes& bytes, const std::string& name = "t.kw5") {
        writeFile(dir.file(name), bytes);
        return hostPath(dir.file(name));
    }

    void open(CKW5VorletLib& lib, const TagBuilder& builder, LONG mode = 2) {
        ASSERT_EQ(kw5::kS_OK, lib.Open(file(builder.bytes()), mode));
    }

    static std::vector<KW5WString> get(CKW5VorletLib& lib, LONG frame, LONG desc, HRESULT* hr) {
        std::vector<KW5WString> values;
        HRESULT result = lib.GetString(frame, desc, values);
        if (hr)
            *hr = result;
        return values;
    }
    static std::vector<KW5WString> get(CKW5VorletLib& lib, LONG frame, LONG desc) {
        return get(lib, frame, desc, nullptr);
    }
};

TEST_F(FacadeTextTest, IndexPairsNameFramesAndDescriptions) {
    CKW5VorletLib lib;
    open(lib, TagBuilder()
                  .frame("TIT2", textBody(0, "Title"))
                  .frame("TXXX", txxxBody(0, "VMK_TIT2S", "Sort title"))
                  .frame("TALB", textBody(0, "Album"))
                  .frame("TPOS", textBody(0, "1/2")));
    EXPECT_EQ(ws({"Title"}), get(lib, 1, 0));
    EXPECT_EQ(ws({"Sort title"}), get(lib, 13, 1));
    EXPECT_EQ(ws({"Album"}), get(lib, 11, 0));
    EXPECT_EQ(ws({"1/2"}), get(lib, 19, 0));
    HRESULT hr = 0;
    EXPECT_TRUE(get(lib, 2, 0, &hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
}

TEST_F(FacadeTextTest, ConvertKw5IdMapsBothTables) {
    Probe lib;
    std::string id;
    std::string desc;
    ASSERT_EQ(1, lib.convertKw5Id(1, 0, id, desc));
    EXPECT_EQ("TIT2", id);
    EXPECT_EQ("", desc);
    ASSERT_EQ(1, lib.convertKw5Id(19, 163, id, desc));
    EXPECT_EQ("TPOS", id);
    EXPECT_EQ("USR_LAGA011", desc);
    ASSERT_EQ(1, lib.convertKw5Id(15, 124, id, desc));
    EXPECT_EQ("GEOB", id);
    EXPECT_EQ("VMK_LSI", desc);
    ASSERT_EQ(1, lib.convertKw5Id(14, 152, id, desc));
    EXPECT_EQ("WXXX", id);
    EXPECT_EQ("USR_VMKORIGINALID3TAG", desc);
    ASSERT_EQ(1, lib.convertKw5Id(8, 58, id, desc));
    EXPECT_EQ("WOAR", id);
    EXPECT_EQ("VMK_AWMAR", desc);
    id = "keep";
    EXPECT_EQ(0, lib.convertKw5Id(0, 0, id, desc));
    EXPECT_EQ(0, lib.convertKw5Id(20, 0, id, desc));
    EXPECT_EQ(0, lib.convertKw5Id(1, -1, id, desc));
    EXPECT_EQ(0, lib.convertKw5Id(1, 164, id, desc));
    EXPECT_EQ("keep", id);
}

TEST_F(FacadeTextTest, IndicesOutOfRangeFail) {
    CKW5VorletLib lib;
    open(lib, TagBuilder().frame("TIT2", textBody(0, "Title")));
    std::vector<KW5WString> values;
    std::vector<unsigned short> flags;
    const LONG bad[][2] = {{0, 0}, {20, 0}, {-1, 0}, {1, -1}, {1, 164}};
    for (const auto& pair : bad) {
        EXPECT_EQ(kw5::kE_FAIL, lib.GetString(pair[0], pair[1], values));
        EXPECT_EQ(kw5::kE_FAIL, lib.PutString(pair[0], pair[1], ws({"x"}), 0, 0));
        EXPECT_EQ(kw5::kE_FAIL, lib.GetFrameFlag(pair[0], pair[1], flags));
    }
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(flags.empty());
    EXPECT_EQ(ws({"Title"}), get(lib, 1, 0));
}

TEST_F(FacadeTextTest, GetStringAppends) {
    CKW5VorletLib lib;
    open(lib, TagBuilder().frame("TIT2", textBody(0, "Title")));
    std::vector<KW5WString> values{w("already")};
    EXPECT_EQ(kw5::kS_OK, lib.GetString(1, 0, values));
    EXPECT_EQ(kw5::kS_OK, lib.GetString(1, 0, values));
    EXPECT_EQ(ws({"already", "Title", "Title"}), values);
}

TEST_F(FacadeTextTest, ValuesDecodeByEncoding) {
    Bytes utf16Title = textBody(1, "Wide");
    Bytes beArtist = textBody(2, "Big");
    CKW5VorletLib lib;
    open(lib, TagBuilder()
                  .frame("TIT2", utf16Title)
                  .frame("TPE1", beArtist)
                  .frame("TCOM", textBody(0, ""))
                  .frame("TXXX", txxxBody(1, "VMK_TIT2S", "LE user"))
                  .frame("TXXX", txxxBody(2, "VMK_TIT3S", "BE user"))
                  .frame("WOAR", urlBody("http://a"))
                  .frame("WXXX", wxxxBody(0, "VMK_WRCDC", "http://n"))
                  .frame("WXXX", wxxxBody(1, "VMK_AWLPU", "http://l"))
                  .frame("WXXX", wxxxBody(2, "VMK_AWRDC", "http://b"))
                  // Encoding 2 with a byte-order mark: the mark decides.
                  .frame("TEXT", Bytes{0x02, 0xFF, 0xFE, 'M', 0, 'e', 0}));
    EXPECT_EQ(ws({"Wide"}), get(lib, 1, 0));
    EXPECT_EQ(ws({"Big"}), get(lib, 7, 0));
    EXPECT_EQ(ws({""}), get(lib, 10, 0));
    EXPECT_EQ(ws({"LE user"}), get(lib, 13, 1));
    EXPECT_EQ(ws({"BE user"}), get(lib, 13, 2));
    EXPECT_EQ(ws({"http://a"}), get(lib, 8, 0));
    EXPECT_EQ(ws({"http://n"}), get(lib, 14, 5));
    EXPECT_EQ(ws({"http://l"}), get(lib, 14, 52));
    EXPECT_EQ(ws({"http://b"}), get(lib, 14, 54));
    EXPECT_EQ(ws({"Me"}), get(lib, 9, 0));
}

TEST_F(FacadeTextTest, UserFrameWithoutDescription) {
    CKW5VorletLib lib;
    open(lib, TagBuilder().frame("TXXX", txxxBody(0, "VMK_TIT2S", "x")));
    HRESULT hr = 0;
    EXPECT_TRUE(get(lib, 13, 0, &hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutString(13, 0, ws({"y"}), 0, 0));
    EXPECT_EQ(ws({"x"}), get(lib, 13, 1));
}

TEST_F(FacadeTextTest, NumberedSeriesEndsAtTheFirstGap) {
    CKW5VorletLib lib;
    open(lib, TagBuilder()
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE1", "one"))
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE2", "two"))
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE4", "four"))
                  .frame("TXXX", txxxBody(0, "VMK_TCRDT2", "lonely")));
    EXPECT_EQ(ws({"one", "two"}), get(lib, 13, 109));
    // A series without its first member is not there.
    HRESULT hr = 0;
    EXPECT_TRUE(get(lib, 13, 110, &hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    std::vector<unsigned short> flags;
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(13, 110, flags));
    EXPECT_TRUE(flags.empty());
}

TEST_F(FacadeTextTest, PutStringReplacesTheSeriesAsFarAsItRuns) {
    CKW5VorletLib lib;
    open(lib, TagBuilder()
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE1", "one"))
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE2", "two"))
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE4", "four")));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(13, 109, ws({"a", "b", "c"}), 0, 0));
    // 1 and 2 replaced, 3 new, and the old 4 now joins the series.
    EXPECT_EQ(ws({"a", "b", "c", "four"}), get(lib, 13, 109));
    KW5WString value;
    EXPECT_EQ(kw5::kS_OK, lib.GetPropertyFromDesc(w("TXXX"), w("VMK_TNOTE3"), value));
    EXPECT_EQ(w("c"), value);

    // Shorter replacement: the whole run is deleted first.
    EXPECT_EQ(kw5::kS_OK, lib.PutString(13, 109, ws({"z"}), 2, 0));
    EXPECT_EQ(ws({"z"}), get(lib, 13, 109));
    EXPECT_EQ(kw5::kS_FALSE, lib.GetPropertyFromDesc(w("TXXX"), w("VMK_TNOTE4"), value));
}

TEST_F(FacadeTextTest, NumberedSeriesOfUrlFrames) {
    CKW5VorletLib lib;
    open(lib, TagBuilder());
    EXPECT_EQ(kw5::kS_OK, lib.PutString(14, 111, ws({"http://1", "http://2"}), 0, 0x40));
    EXPECT_EQ(ws({"http://1", "http://2"}), get(lib, 14, 111));
    std::vector<unsigned short> flags;
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(14, 111, flags));
    EXPECT_EQ((std::vector<unsigned short>{0x40, 0x40}), flags);
    EXPECT_EQ(kw5::kS_OK, lib.PutString(14, 111, {}, 0, 0));
    HRESULT hr = 0;
    EXPECT_TRUE(get(lib, 14, 111, &hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
}

TEST_F(FacadeTextTest, NumberedDescriptionOnAFrameKeyedByIdIsRefused) {
    CKW5VorletLib lib;
    open(lib, TagBuilder().frame("TIT2", textBody(0, "Title")).frame("WOAR", urlBody("http://a")));
    std::vector<KW5WString> values;
    std::vector<unsigned short> flags;
    // Every ordinal would find the one TIT2 frame: no endless walk.
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.GetString(1, 13, values));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.GetFrameFlag(1, 109, flags));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutString(1, 13, ws({"x"}), 0, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutString(1, 139, {}, 0, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.GetString(8, 58, values));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutString(8, 58, ws({"http://b"}), 0, 0));
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(flags.empty());
    EXPECT_EQ(ws({"Title"}), get(lib, 1, 0));
    EXPECT_EQ(ws({"http://a"}), get(lib, 8, 0));

    Probe probe;
    EXPECT_EQ(kw5::kE_INVALIDARG, probe.deleteFrame("TIT2", "VMK_FTHBL", 13));
}

TEST_F(FacadeTextTest, NonNumberedDescriptionOnAFrameKeyedById) {
    // The description only matters to user frames; TIT2 is found by its id.
    CKW5VorletLib lib;
    open(lib, TagBuilder().frame("TIT2", textBody(0, "Title")));
    EXPECT_EQ(ws({"Title"}), get(lib, 1, 1));
}

TEST_F(FacadeTextTest, PutStringWritesAndReplaces) {
    CKW5VorletLib lib;
    open(lib, TagBuilder().frame("TIT2", textBody(0, "Old")));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"New"}), 0, 0));
    EXPECT_EQ(ws({"New"}), get(lib, 1, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"Wide"}), 1, 0));
    EXPECT_EQ(ws({"Wide"}), get(lib, 1, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"Big"}), 2, 0));
    EXPECT_EQ(ws({"Big"}), get(lib, 1, 0));
    // Only the low 8 bits of the encoding count.
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"Low"}), 0x102, 0));
    EXPECT_EQ(ws({"Low"}), get(lib, 1, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(13, 6, ws({"Sort artist"}), 1, 0));
    EXPECT_EQ(ws({"Sort artist"}), get(lib, 13, 6));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(5, 0, ws({"http://pub"}), 0, 0));
    EXPECT_EQ(ws({"http://pub"}), get(lib, 5, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(14, 5, ws({"http://rec"}), 2, 0));
    EXPECT_EQ(ws({"http://rec"}), get(lib, 14, 5));
}

TEST_F(FacadeTextTest, NonAsciiValuesRoundTrip) {
    CKW5VorletLib lib;
    open(lib, TagBuilder());
    KW5WString text = w("x");
    text.push_back(static_cast<KW5WChar>(0x65E5)); // not in code page 1252
    text.push_back(static_cast<KW5WChar>(0x00E9));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, {text}, 1, 0));
    EXPECT_EQ(std::vector<KW5WString>{text}, get(lib, 1, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(7, 0, {text}, 2, 0));
    EXPECT_EQ(std::vector<KW5WString>{text}, get(lib, 7, 0));
}

TEST_F(FacadeTextTest, EmptyVectorDeletes) {
    CKW5VorletLib lib;
    open(lib, TagBuilder()
                  .frame("TIT2", textBody(0, "Title"))
                  .frame("TXXX", txxxBody(0, "VMK_TIT2S", "x")));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, {}, 0, 0));
    HRESULT hr = 0;
    EXPECT_TRUE(get(lib, 1, 0, &hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    // Nothing there: still S_OK.
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, {}, 0, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(13, 2, {}, 0, 0));
    EXPECT_EQ(ws({"x"}), get(lib, 13, 1));
}

TEST_F(FacadeTextTest, LinkFramesTakeSeveralValues) {
    CKW5VorletLib lib;
    open(lib,
         TagBuilder().frame("TIT2", textBody(0, "Title")).frame("WOAR", urlBody("http://old")));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(8, 0, ws({"http://a", "http://b"}), 0, 0));
    EXPECT_EQ(ws({"http://a", "http://b"}), get(lib, 8, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(12, 0, ws({"http://c1", "http://c2", "http://c3"}), 0, 0));
    EXPECT_EQ(ws({"http://c1", "http://c2", "http://c3"}), get(lib, 12, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutString(1, 0, ws({"a", "b"}), 0, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutString(13, 1, ws({"a", "b"}), 0, 0));
    EXPECT_EQ(ws({"Title"}), get(lib, 1, 0));
}

TEST_F(FacadeTextTest, ProtectedFramesFollowTheOpenMode) {
    TagBuilder builder;
    builder.frame("TLEN", textBody(0, "1000"))
        .frame("TXXX", txxxBody(0, "VMK_SINFO", "info"))
        .frame("GEOB", geobBody(0, "", "", "VMK_ASGTM", Bytes{'o', 'b', 'j'}));
    for (LONG mode : {1, 2}) {
        CKW5VorletLib lib;
        ASSERT_EQ(kw5::kS_OK, lib.Open(file(builder.bytes(), "p" + std::to_string(mode)), mode));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutString(3, 0, ws({"5"}), 0, 0));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutString(3, 0, {}, 0, 0));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutString(13, 44, ws({"x"}), 0, 0));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutString(13, 49, ws({"x"}), 0, 0));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutString(14, 44, {}, 0, 0));
        EXPECT_EQ(kw5::kS_FALSE, lib.PutString(15, 49, {}, 0, 0));
        EXPECT_EQ(ws({"1000"}), get(lib, 3, 0));
        EXPECT_EQ(ws({"info"}), get(lib, 13, 44));
        EXPECT_EQ(ws({"obj"}), get(lib, 15, 49));
    }
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(file(builder.bytes(), "p3"), 3));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(3, 0, ws({"5"}), 0, 0));
    EXPECT_EQ(ws({"5"}), get(lib, 3, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(13, 44, ws({"x"}), 0, 0));
    EXPECT_EQ(ws({"x"}), get(lib, 13, 44));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(15, 49, {}, 0, 0));
    HRESULT hr = 0;
    EXPECT_TRUE(get(lib, 15, 49, &hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
}

TEST_F(FacadeTextTest, ReadOnlyRuleTestsDescriptionBeforeId) {
    Probe lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(file(TagBuilder().bytes()), 2));
    EXPECT_EQ(1, lib.checkCanWriteFrame("TLEN", ""));
    EXPECT_EQ(1, lib.checkReadOnlyFrame("TLEN", ""));
    EXPECT_EQ(0, lib.checkCanWriteFrame("TLEN", "VMK_TIT2S"));
    EXPECT_EQ(1, lib.checkCanWriteFrame("TIT2", "VMK_SINFO"));
    EXPECT_EQ(1, lib.checkCanWriteFrame("GEOB", "VMK_ASGTM"));
    EXPECT_EQ(0, lib.checkCanWriteFrame("TXXX", "vmk_sinfo"));
    EXPECT_EQ(0, lib.checkCanWriteFrame("TIT2", ""));
    EXPECT_EQ(0, lib.checkCanWriteFrame("TLEN ", ""));

    Probe all;
    ASSERT_EQ(kw5::kS_OK, all.Open(file(TagBuilder().bytes(), "all.kw5"), 3));
    EXPECT_EQ(0, all.checkCanWriteFrame("TLEN", ""));
    EXPECT_EQ(0, all.checkReadOnlyFrame("TXXX", "VMK_SINFO"));
}

TEST_F(FacadeTextTest, ReadOnlyModeRefusesEveryChange) {
    CKW5VorletLib lib;
    open(lib, TagBuilder().frame("TIT2", textBody(0, "Title")), 1);
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(1, 0, ws({"x"}), 0, 0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(1, 0, {}, 0, 0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(1, 0, ws({"a", "b"}), 0, 0));
    EXPECT_EQ(ws({"Title"}), get(lib, 1, 0));
}

TEST_F(FacadeTextTest, FlagsByteBecomesTheLowByte) {
    CKW5VorletLib lib;
    open(lib, TagBuilder());
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, ws({"x"}), 0, 0x40));
    EXPECT_EQ(kw5::kS_OK, lib.PutString(8, 0, ws({"http://a", "http://b"}), 0, 0xFF));
    std::vector<unsigned short> flags{7};
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(1, 0, flags));
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(8, 0, flags));
    EXPECT_EQ((std::vector<unsigned short>{7, 0x0040, 0x00FF, 0x00FF}), flags);
}

TEST_F(FacadeTextTest, GetFrameFlagReadsBothFlagBytes) {
    CKW5VorletLib lib;
    open(lib, TagBuilder()
                  .frame("TIT2", textBody(0, "Title"), 0x2000)
                  .frame("TPE1", textBody(0, "Band"), 0x0020)
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE1", "n1"), 0x1234)
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE2", "n2"), 0x00C0));
    std::vector<unsigned short> flags;
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(1, 0, flags));
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(7, 0, flags));
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(13, 109, flags));
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(2, 0, flags));
    EXPECT_EQ((std::vector<unsigned short>{0x2000, 0x0020, 0x1234, 0x00C0}), flags);
}

TEST_F(FacadeTextTest, ReadOnlyFlagProtectsAFrame) {
    TagBuilder builder;
    builder.frame("TIT2", textBody(0, "Locked"), 0x2000)
        .frame("TPE1", textBody(0, "Open"), 0x0020)
        .frame("WOAR", urlBody("http://first"), 0x2000)
        .frame("WOAR", urlBody("http://second"));
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(file(builder.bytes()), 2));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(1, 0, ws({"x"}), 0, 0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(1, 0, {}, 0, 0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(8, 0, ws({"http://x"}), 0, 0));
    EXPECT_EQ(ws({"Locked"}), get(lib, 1, 0));
    EXPECT_EQ(ws({"http://first", "http://second"}), get(lib, 8, 0));
    // Flag 0x0020 (low byte) is not the read-only bit.
    EXPECT_EQ(kw5::kS_OK, lib.PutString(7, 0, ws({"New band"}), 0, 0));

    CKW5VorletLib all;
    ASSERT_EQ(kw5::kS_OK, all.Open(file(builder.bytes(), "all.kw5"), 3));
    EXPECT_EQ(kw5::kS_OK, all.PutString(1, 0, ws({"x"}), 0, 0));
    EXPECT_EQ(ws({"x"}), get(all, 1, 0));
    EXPECT_EQ(kw5::kS_OK, all.PutString(8, 0, ws({"http://x"}), 0, 0));
    EXPECT_EQ(ws({"http://x"}), get(all, 8, 0));
}

TEST_F(FacadeTextTest, RefusalInsideASeriesChangesNothing) {
    CKW5VorletLib lib;
    open(lib, TagBuilder()
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE1", "one"))
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE2", "two"), 0x2000)
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE3", "three")));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(13, 109, ws({"x"}), 0, 0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(13, 109, {}, 0, 0));
    EXPECT_EQ(ws({"one", "two", "three"}), get(lib, 13, 109));
}

TEST_F(FacadeTextTest, FailedPutLeavesTheOldValue) {
    CKW5VorletLib lib;
    open(lib, TagBuilder()
                  .frame("TIT2", textBody(0, "Old"))
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE1", "one"))
                  .frame("TXXX", txxxBody(0, "VMK_TNOTE2", "two"))
                  .frame("WOAR", urlBody("http://a"))
                  .frame("GEOB", geobBody(0, "bin", "f", "VMK_LSI", Bytes{'L', 'S', 'I'})));
    // Encoding 3 cannot be written.
    EXPECT_EQ(kw5::kE_FAIL, lib.PutString(1, 0, ws({"New"}), 3, 0));
    EXPECT_EQ(ws({"Old"}), get(lib, 1, 0));
    EXPECT_EQ(kw5::kE_FAIL, lib.PutString(13, 109, ws({"a", "b", "c"}), 0x103, 0));
    EXPECT_EQ(ws({"one", "two"}), get(lib, 13, 109));
    // A user frame cannot be filed without a description.
    EXPECT_LT(lib.PutString(13, 0, ws({"x"}), 0, 0), 0);
    // No text body can be built for an object: the object stays.
    EXPECT_LT(lib.PutString(15, 124, ws({"text"}), 0, 0), 0);
    EXPECT_EQ(ws({"LSI"}), get(lib, 15, 124));
    EXPECT_EQ(ws({"http://a"}), get(lib, 8, 0));
}

TEST_F(FacadeTextTest, ValueLengthIsCutAtTheSizeLimit) {
    if (sizeof(void*) < 8)
        GTEST_SKIP() << "a 512 MiB string and its copies need more than a 32-bit address space";
    Probe lib;
    const size_t limit = 0x0FFFFFFF;
    KW5WString value(limit, static_cast<KW5WChar>('a'));
    EXPECT_EQ(kw5::kS_OK, lib.checkFieldDataSize("TIT2", value));
    EXPECT_EQ(limit, value.size());
    value.push_back(static_cast<KW5WChar>('b'));
    EXPECT_EQ(kw5::kS_OK, lib.checkFieldDataSize("WOAR", value));
    EXPECT_EQ(limit, value.size());
    EXPECT_EQ(static_cast<KW5WChar>('a'), value.back());
    value = w("short");
    EXPECT_EQ(kw5::kS_OK, lib.checkFieldDataSize("TXXX", value));
    EXPECT_EQ(w("short"), value);
}

TEST_F(FacadeTextTest, ChangesSetModified) {
    Probe lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(file(TagBuilder().frame("TIT2", textBody(0, "T")).bytes()), 2));
    EXPECT_EQ(0, lib.modified);
    EXPECT_EQ(kw5::kS_OK, lib.PutString(2, 0, {}, 0, 0));
    EXPECT_EQ(0, lib.modified);
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(3, 0, ws({"1"}), 0, 0));
    EXPECT_EQ(kw5::kE_FAIL, lib.PutString(1, 0, ws({"x"}), 3, 0));
    EXPECT_EQ(0, lib.modified);
    EXPECT_EQ(kw5::kS_OK, lib.PutString(1, 0, {}, 0, 0));
    EXPECT_EQ(1, lib.modified);
}

} // namespace
