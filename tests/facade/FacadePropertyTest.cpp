// Text properties by frame id and by frame id and description, and the Seek
// members that read a file's tag without opening it.
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

class FacadePropertyTest : public ::testing::Test {
protected:
    TempDir dir;

    KW5WString file(const Bytes& bytes, const std::string& name = "p.kw5") {
        writeFile(dir.file(name), bytes);
        return hostPath(dir.file(name));
    }

    void open(CKW5VorletLib& lib, const TagBuilder& builder, LONG mode = 2) {
        ASSERT_EQ(kw5::kS_OK, lib.Open(file(builder.bytes()), mode));
    }

    static std::vector<KW5WString> byId(CKW5VorletLib& lib, const char* id, HRESULT* hr = nullptr) {
        std::vector<KW5WString> values;
        HRESULT result = lib.GetPropertyFromId(w(id), values);
        if (hr)
            *hr = result;
        return values;
    }

    static KW5WString byDesc(CKW5VorletLib& lib, const char* id, const char* desc,
                             HRESULT* hr = nullptr) {
        KW5WString value = w("untouched");
        HRESULT result = lib.GetPropertyFromDesc(w(id), w(desc), value);
        if (hr)
            *hr = result;
        return value;
    }

    static TagBuilder sample() {
        TagBuilder builder;
        builder.frame("TIT2", textBody(0, "Title"))
            .frame("TLEN", textBody(0, "1000"))
            .frame("WOAR", urlBody("http://one"))
            .frame("WOAR", urlBody("http://two"))
            .frame("TXXX", txxxBody(1, "VMK_TIT2S", "Sort"))
            .frame("WXXX", wxxxBody(0, "VMK_WRCDC", "http://rec"))
            .padding(16);
        return builder;
    }
};

TEST_F(FacadePropertyTest, GetByIdReadsFramesWithoutDescription) {
    CKW5VorletLib lib;
    open(lib, sample(), 1);
    EXPECT_EQ(ws({"Title"}), byId(lib, "TIT2"));
    EXPECT_EQ(ws({"http://one", "http://two"}), byId(lib, "WOAR"));
    HRESULT hr = 0;
    EXPECT_TRUE(byId(lib, "TXXX", &hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    EXPECT_TRUE(byId(lib, "TALB", &hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    EXPECT_TRUE(byId(lib, "", &hr).empty());
    EXPECT_EQ(kw5::kE_INVALIDARG, hr);
    std::vector<KW5WString> values{w("x")};
    EXPECT_EQ(kw5::kS_OK, lib.GetPropertyFromId(w("TIT2"), values));
    EXPECT_EQ(ws({"x", "Title"}), values);
}

TEST_F(FacadePropertyTest, GetByDescReadsTheFirstMatch) {
    CKW5VorletLib lib;
    open(lib, sample(), 1);
    EXPECT_EQ(w("http://one"), byDesc(lib, "WOAR", ""));
    EXPECT_EQ(w("Sort"), byDesc(lib, "TXXX", "VMK_TIT2S"));
    EXPECT_EQ(w("http://rec"), byDesc(lib, "WXXX", "VMK_WRCDC"));
    EXPECT_EQ(w("Title"), byDesc(lib, "TIT2", ""));
    HRESULT hr = 0;
    EXPECT_EQ(w("untouched"), byDesc(lib, "TXXX", "VMK_NONE", &hr));
    EXPECT_EQ(kw5::kS_FALSE, hr);
    EXPECT_EQ(w("untouched"), byDesc(lib, "", "", &hr));
    EXPECT_EQ(kw5::kE_FAIL, hr);
}

TEST_F(FacadePropertyTest, PutByIdReplacesAndReadsBack) {
    CKW5VorletLib lib;
    open(lib, sample());
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromId(w("TIT2"), ws({"New"}), 0x40));
    EXPECT_EQ(ws({"New"}), byId(lib, "TIT2"));
    std::vector<unsigned short> flags;
    EXPECT_EQ(kw5::kS_OK, lib.GetFrameFlag(1, 0, flags));
    EXPECT_EQ(std::vector<unsigned short>{0x40}, flags);
    EXPECT_EQ(kw5::kS_OK,
              lib.PutPropertyFromId(w("WOAR"), ws({"http://a", "http://b", "http://c"}), 0));
    EXPECT_EQ(ws({"http://a", "http://b", "http://c"}), byId(lib, "WOAR"));
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromId(w("TALB"), ws({"Album"}), 0));
    std::vector<KW5WString> values;
    EXPECT_EQ(kw5::kS_OK, lib.GetString(11, 0, values));
    EXPECT_EQ(ws({"Album"}), values);
    // Unicode survives: properties are written in encoding 2.
    KW5WString wide = w("k");
    wide.push_back(static_cast<KW5WChar>(0x4E2D));
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromId(w("TPE1"), {wide}, 0));
    EXPECT_EQ(std::vector<KW5WString>{wide}, byId(lib, "TPE1"));
}

TEST_F(FacadePropertyTest, PutByIdWithoutValuesDeletes) {
    CKW5VorletLib lib;
    open(lib, sample());
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromId(w("WOAR"), {}, 0));
    HRESULT hr = 0;
    EXPECT_TRUE(byId(lib, "WOAR", &hr).empty());
    EXPECT_EQ(kw5::kS_FALSE, hr);
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromId(w("TCON"), {}, 0));
}

TEST_F(FacadePropertyTest, PutByIdRefusals) {
    CKW5VorletLib lib;
    open(lib, sample());
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromId(w("TIT2"), ws({"a", "b"}), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromId(w("TXXX"), ws({"a"}), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromId(w("GEOB"), ws({"a"}), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromId(w(""), ws({"a"}), 0));
    for (const char* id : {"TIT", "TIT2X", "TIT2 ", "TLENTIT2"})
        EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromId(w(id), ws({"a"}), 0)) << id;
    EXPECT_EQ(ws({"Title"}), byId(lib, "TIT2"));
    EXPECT_EQ(ws({"1000"}), byId(lib, "TLEN"));
}

TEST_F(FacadePropertyTest, PutByIdOfAFrameWithoutTextBodyChangesNothing) {
    // Text would replace the object data of a PRIV frame by an empty body.
    Bytes priv{'o', 'w', 'n', 0, 1, 2, 3};
    CKW5VorletLib lib;
    open(lib, TagBuilder().frame("PRIV", priv).frame("TIT2", textBody(0, "Title")));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromId(w("PRIV"), ws({"text"}), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromId(w("XYZW"), ws({"text"}), 0));
    std::vector<KW5WString> values;
    // The PRIV frame is still there with its bytes (payload offset 0).
    EXPECT_EQ(kw5::kS_OK, lib.GetPropertyFromId(w("PRIV"), values));
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(w("own"), values[0]);
    EXPECT_EQ(kw5::kS_FALSE, lib.GetPropertyFromId(w("XYZW"), values));
}

TEST_F(FacadePropertyTest, PutByIdIgnoresTheProtectedList) {
    CKW5VorletLib lib;
    open(lib, sample());
    EXPECT_EQ(kw5::kS_FALSE, lib.PutString(3, 0, ws({"5"}), 0, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromId(w("TLEN"), ws({"5"}), 0));
    EXPECT_EQ(ws({"5"}), byId(lib, "TLEN"));
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromDesc(w("TXXX"), w("VMK_SINFO"), w("info"), 0));
    EXPECT_EQ(w("info"), byDesc(lib, "TXXX", "VMK_SINFO"));
}

TEST_F(FacadePropertyTest, ReadOnlyFlagAndReadOnlyMode) {
    TagBuilder builder;
    builder.frame("TIT2", textBody(0, "Locked"), 0x2000)
        .frame("TXXX", txxxBody(0, "VMK_TIT2S", "Locked too"), 0x2000);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(file(builder.bytes()), 2));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutPropertyFromId(w("TIT2"), ws({"x"}), 0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutPropertyFromId(w("TIT2"), {}, 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromId(w("TIT2X"), ws({"x"}), 0));
    EXPECT_EQ(kw5::kS_FALSE, lib.PutPropertyFromDesc(w("TXXX"), w("VMK_TIT2S"), w("x"), 0));
    EXPECT_EQ(ws({"Locked"}), byId(lib, "TIT2"));
    EXPECT_EQ(w("Locked too"), byDesc(lib, "TXXX", "VMK_TIT2S"));

    CKW5VorletLib all;
    ASSERT_EQ(kw5::kS_OK, all.Open(file(builder.bytes(), "all.kw5"), 3));
    EXPECT_EQ(kw5::kS_OK, all.PutPropertyFromId(w("TIT2"), ws({"x"}), 0));
    EXPECT_EQ(kw5::kS_OK, all.PutPropertyFromDesc(w("TXXX"), w("VMK_TIT2S"), w("y"), 0));
    EXPECT_EQ(ws({"x"}), byId(all, "TIT2"));
    EXPECT_EQ(w("y"), byDesc(all, "TXXX", "VMK_TIT2S"));

    CKW5VorletLib readOnly;
    ASSERT_EQ(kw5::kS_OK, readOnly.Open(file(sample().bytes(), "ro.kw5"), 1));
    EXPECT_EQ(kw5::kS_FALSE, readOnly.PutPropertyFromId(w("TIT2"), ws({"x"}), 0));
    EXPECT_EQ(kw5::kS_FALSE, readOnly.PutPropertyFromId(w("TIT2"), ws({"a", "b"}), 0));
    EXPECT_EQ(kw5::kS_FALSE, readOnly.PutPropertyFromDesc(w("TIT2"), w(""), w("x"), 0));
    EXPECT_EQ(ws({"Title"}), byId(readOnly, "TIT2"));
}

TEST_F(FacadePropertyTest, PutByDescWritesUserFrames) {
    CKW5VorletLib lib;
    open(lib, sample());
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromDesc(w("TXXX"), w("VMK_TIT2S"), w("New sort"), 0));
    EXPECT_EQ(w("New sort"), byDesc(lib, "TXXX", "VMK_TIT2S"));
    std::vector<KW5WString> values;
    EXPECT_EQ(kw5::kS_OK, lib.GetString(13, 1, values));
    EXPECT_EQ(ws({"New sort"}), values);
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromDesc(w("WXXX"), w("MY_LINK"), w("http://m"), 0x02));
    EXPECT_EQ(w("http://m"), byDesc(lib, "WXXX", "MY_LINK"));
    // An empty value deletes, also when nothing is there.
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromDesc(w("TXXX"), w("VMK_TIT2S"), w(""), 0));
    HRESULT hr = 0;
    byDesc(lib, "TXXX", "VMK_TIT2S", &hr);
    EXPECT_EQ(kw5::kS_FALSE, hr);
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromDesc(w("TXXX"), w("VMK_TIT2S"), w(""), 0));
}

TEST_F(FacadePropertyTest, PutByDescRefusals) {
    CKW5VorletLib lib;
    open(lib, sample());
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromDesc(w("TIT2"), w(""), w("x"), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromDesc(w("TXX"), w("A"), w("x"), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromDesc(w("TXXXX"), w("A"), w("x"), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromDesc(w("GEOB"), w("VMK_LSI"), w("x"), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromDesc(w("TXXX"), w(""), w("x"), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromDesc(w("TXXX"), w(""), w(""), 0));
    EXPECT_EQ(ws({"Title"}), byId(lib, "TIT2"));
}

TEST_F(FacadePropertyTest, SeekReadsTheFileWithoutOpening) {
    KW5WString path = file(sample().bytes());
    CKW5VorletLib lib;
    std::vector<KW5WString> values;
    EXPECT_EQ(kw5::kS_OK, lib.SeekPropertyFromId(path, w("WOAR"), values));
    EXPECT_EQ(kw5::kS_OK, lib.SeekPropertyFromId(path, w("TIT2"), values));
    EXPECT_EQ(ws({"http://one", "http://two", "Title"}), values);
    KW5WString value;
    EXPECT_EQ(kw5::kS_OK, lib.SeekPropertyFromDesc(path, w("TXXX"), w("VMK_TIT2S"), value));
    EXPECT_EQ(w("Sort"), value);
    value = w("untouched");
    EXPECT_EQ(kw5::kS_FALSE, lib.SeekPropertyFromDesc(path, w("TXXX"), w("NONE"), value));
    EXPECT_EQ(kw5::kS_FALSE, lib.SeekPropertyFromId(path, w("TALB"), values));
    EXPECT_EQ(w("untouched"), value);
    // The object's own (empty) tag is untouched, and Seek works after Close.
    EXPECT_EQ(kw5::kS_FALSE, lib.GetPropertyFromId(w("TIT2"), values));
    EXPECT_EQ(kw5::kS_OK, lib.Close(2));
    EXPECT_EQ(kw5::kS_OK, lib.SeekPropertyFromDesc(path, w("WOAR"), w(""), value));
    EXPECT_EQ(w("http://one"), value);
}

TEST_F(FacadePropertyTest, SeekTakesFileOrder) {
    Bytes bytes = TagBuilder()
                      .frame("TXXX", txxxBody(0, "A", "first"))
                      .frame("TXXX", txxxBody(0, "A", "second"))
                      .frame("TIT2", textBody(0, "t1"))
                      .frame("TIT2", textBody(2, "t2"))
                      .bytes();
    KW5WString path = file(bytes);
    CKW5VorletLib lib;
    KW5WString value;
    EXPECT_EQ(kw5::kS_OK, lib.SeekPropertyFromDesc(path, w("TXXX"), w("A"), value));
    EXPECT_EQ(w("first"), value);
    std::vector<KW5WString> values;
    EXPECT_EQ(kw5::kS_OK, lib.SeekPropertyFromId(path, w("TIT2"), values));
    EXPECT_EQ(ws({"t1", "t2"}), values);
    // The loaded tag keeps the later frame of a key.
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 1));
    EXPECT_EQ(w("second"), byDesc(lib, "TXXX", "A"));
    EXPECT_EQ(ws({"t2"}), byId(lib, "TIT2"));
}

TEST_F(FacadePropertyTest, SeekFindsUserTextWithoutDescription) {
    // No description can reach such a frame once the file is open; the
    // direct scan still reads it.
    Bytes bytes = TagBuilder().frame("TXXX", txxxBody(0, "", "bare")).bytes();
    KW5WString path = file(bytes);
    CKW5VorletLib lib;
    std::vector<KW5WString> values;
    EXPECT_EQ(kw5::kS_OK, lib.SeekPropertyFromId(path, w("TXXX"), values));
    EXPECT_EQ(ws({"bare"}), values);
    EXPECT_EQ(kw5::kS_OK, lib.Open(path, 1));
    EXPECT_EQ(kw5::kS_FALSE, lib.GetPropertyFromId(w("TXXX"), values));
}

TEST_F(FacadePropertyTest, SeekFailures) {
    CKW5VorletLib lib;
    std::vector<KW5WString> values;
    KW5WString value = w("untouched");
    EXPECT_EQ(kw5::kE_FAIL,
              lib.SeekPropertyFromId(hostPath(dir.file("missing.kw5")), w("TIT2"), values));
    // Tag below 20 bytes, and no tag at all.
    KW5WString tiny = file(TagBuilder().padding(5).bytes(), "tiny.kw5");
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.SeekPropertyFromId(tiny, w("TIT2"), values));
    KW5WString plain = file(Bytes(64, 0x41), "plain.bin");
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.SeekPropertyFromDesc(plain, w("TXXX"), w("A"), value));
    // A frame that runs past the end of the file.
    Bytes broken = frameBytes("TIT2", textBody(0, "Song"));
    broken[7] = 100;
    KW5WString cut = file(TagBuilder().raw(broken).declaredSize(200).tag(), "cut.kw5");
    EXPECT_EQ(kw5::kE_FAIL, lib.SeekPropertyFromId(cut, w("TIT2"), values));
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(w("untouched"), value);
}

TEST_F(FacadePropertyTest, PutSetsModifiedOnlyWhenSomethingChanged) {
    // Observed through Update: nothing changed means the file stays as it is.
    Bytes bytes = sample().bytes();
    KW5WString path = file(bytes);
    CKW5VorletLib lib;
    ASSERT_EQ(kw5::kS_OK, lib.Open(path, 2));
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromId(w("TCON"), {}, 0));
    EXPECT_EQ(kw5::kS_OK, lib.PutPropertyFromDesc(w("TXXX"), w("NONE"), w(""), 0));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.PutPropertyFromId(w("TIT2"), ws({"a", "b"}), 0));
    EXPECT_EQ(kw5::kS_OK, lib.Update(2));
    EXPECT_EQ(bytes, readFile(dir.file("p.kw5")));
}

} // namespace
