// Format check and conversion by path: CheckFileFormat, FormatFile and
// CheckAndFormatFile on files of each variant, files without a tag, bad
// kinds and paths, and the refusal to rewrite while a file is open.
#include "TagBuilder.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace kw5test;

namespace {

const LONG kGmAlias = 0;
const LONG kUnknownKind = 7;

Bytes audio() {
    return Bytes{0xFF, 0xFB, 0x90, 0x64, 0x00, 0x11, 0x22, 0x33, 0x44};
}

Bytes object(const std::string& desc) {
    return geobBody(2, "binary", "", desc, {0xC0, 0xDE});
}

// A valid STD tag: priority frames in order, everything in encoding 2.
Bytes stdFile(size_t padding = 20) {
    return TagBuilder()
        .frame("TIT2", textBody(2, "Title"))
        .frame("TALB", textBody(2, "Album"))
        .padding(padding)
        .audio(audio())
        .bytes();
}

// The same frames in encoding 0: every variant's check refuses the encoding.
Bytes narrowFile() {
    return TagBuilder()
        .frame("TIT2", textBody(0, "Title"))
        .frame("TALB", textBody(0, "Album"))
        .padding(20)
        .audio(audio())
        .bytes();
}

Bytes gmFile() {
    return TagBuilder()
        .frame("GEOB", object("VMK_LSI"))
        .frame("TIT2", textBody(2, "Title"))
        .padding(20)
        .audio(audio())
        .bytes();
}

// A Prask tag whose title stands after the album.
Bytes praskAlbumFirstFile() {
    return TagBuilder()
        .frame("GEOB", object("VMK_ULINF"))
        .frame("TALB", textBody(2, "Album"))
        .frame("TIT2", textBody(2, "Title"))
        .padding(30)
        .audio(audio())
        .bytes();
}

class FacadeFormatTest : public ::testing::Test {
protected:
    TempDir dir;
    CKW5VorletLib lib;

    KW5WString file(const std::string& name, const Bytes& bytes) {
        writeFile(dir.file(name), bytes);
        return hostPath(dir.file(name));
    }

    Bytes contents(const std::string& name) { return readFile(dir.file(name)); }
};

TEST_F(FacadeFormatTest, FileWithoutTagIsAnEmptyTag) {
    KW5WString bare = file("bare.mp3", audio());
    KW5WString missing = hostPath(dir.file("missing.mp3"));
    for (const KW5WString& path : {bare, missing}) {
        EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(path, KW5_FORMAT_STD));
        EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(path, KW5_FORMAT_GM));
        EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(path, kGmAlias));
        EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(path, KW5_FORMAT_PRASK));
    }
    // Rewritten from an empty tag: still no tag, the audio unchanged.
    EXPECT_EQ(kw5::kS_OK, lib.FormatFile(bare, KW5_FORMAT_STD));
    EXPECT_EQ(audio(), contents("bare.mp3"));
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(bare, KW5_FORMAT_GM));
    EXPECT_EQ(audio(), contents("bare.mp3"));
}

TEST_F(FacadeFormatTest, UnknownKind) {
    KW5WString path = file("a.mp3", narrowFile());
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.CheckFileFormat(path, kUnknownKind));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.CheckFileFormat(path, -1));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.CheckFileFormat(path, 4));
    EXPECT_EQ(kw5::kE_FAIL, lib.FormatFile(path, kUnknownKind));
    EXPECT_EQ(kw5::kE_FAIL, lib.CheckAndFormatFile(path, kUnknownKind));
    EXPECT_EQ(narrowFile(), contents("a.mp3"));
}

TEST_F(FacadeFormatTest, EmptyPath) {
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.CheckFileFormat(KW5WString(), KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_FAIL, lib.FormatFile(KW5WString(), KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_FAIL, lib.CheckAndFormatFile(KW5WString(), KW5_FORMAT_STD));
}

TEST_F(FacadeFormatTest, ValidFilesPassAndStayUntouched) {
    KW5WString std3 = file("std.mp3", stdFile());
    KW5WString gm = file("gm.mp3", gmFile());
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(std3, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(gm, KW5_FORMAT_GM));
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(std3, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(gm, KW5_FORMAT_GM));
    EXPECT_EQ(stdFile(), contents("std.mp3"));
    EXPECT_EQ(gmFile(), contents("gm.mp3"));
    // A STD tag is no GM tag, and the other way round.
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(std3, KW5_FORMAT_GM));
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(gm, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(gm, KW5_FORMAT_PRASK));
}

TEST_F(FacadeFormatTest, CheckAndFormatRewritesWrongEncodingInPlace) {
    KW5WString path = file("a.mp3", narrowFile());
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(path, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(path, KW5_FORMAT_STD));
    // Same tag size (62 bytes): the 10 bytes saved become padding.
    const Bytes expected = TagBuilder()
                               .frame("TIT2", textBody(2, "Title"))
                               .frame("TALB", textBody(2, "Album"))
                               .padding(10)
                               .audio(audio())
                               .bytes();
    EXPECT_EQ(toHex(expected), toHex(contents("a.mp3")));
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(path, KW5_FORMAT_STD));
}

TEST_F(FacadeFormatTest, GmRewriteDoesNotCreateTheLsiObject) {
    KW5WString path = file("a.mp3", narrowFile());
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(path, KW5_FORMAT_GM));
    EXPECT_NE(narrowFile(), contents("a.mp3"));
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(path, KW5_FORMAT_GM));
    // The rewrite did bring the encoding in line.
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(path, KW5_FORMAT_STD));
}

TEST_F(FacadeFormatTest, StdOnGmFileIsRefusedAndFileUnchanged) {
    KW5WString path = file("gm.mp3", gmFile());
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(path, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckAndFormatFile(path, KW5_FORMAT_STD));
    EXPECT_EQ(gmFile(), contents("gm.mp3"));
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.FormatFile(path, KW5_FORMAT_STD));
    EXPECT_EQ(gmFile(), contents("gm.mp3"));
}

TEST_F(FacadeFormatTest, PraskTitleAfterAlbumIsRewrittenThenPasses) {
    KW5WString path = file("p.mp3", praskAlbumFirstFile());
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(path, KW5_FORMAT_PRASK));
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(path, KW5_FORMAT_PRASK));
    const Bytes expected = TagBuilder()
                               .frame("GEOB", object("VMK_ULINF"))
                               .frame("TIT2", textBody(2, "Title"))
                               .frame("TALB", textBody(2, "Album"))
                               .padding(30)
                               .audio(audio())
                               .bytes();
    EXPECT_EQ(toHex(expected), toHex(contents("p.mp3")));
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(path, KW5_FORMAT_PRASK));
}

TEST_F(FacadeFormatTest, GmWrongEncodingIsRewrittenThenPasses) {
    const Bytes bytes = TagBuilder()
                            .frame("GEOB", object("VMK_LSI"))
                            .frame("TIT2", textBody(1, "Title"))
                            .audio(audio())
                            .bytes();
    KW5WString path = file("gm.mp3", bytes);
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(path, KW5_FORMAT_GM));
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(path, KW5_FORMAT_GM));
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(path, KW5_FORMAT_GM));
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(path, kGmAlias));
}

TEST_F(FacadeFormatTest, KindZeroIsKindTwo) {
    const std::vector<Bytes> files = {stdFile(), narrowFile(), gmFile(), praskAlbumFirstFile(),
                                      audio()};
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string zero = "zero" + std::to_string(i);
        const std::string two = "two" + std::to_string(i);
        KW5WString zeroPath = file(zero, files[i]);
        KW5WString twoPath = file(two, files[i]);
        EXPECT_EQ(lib.CheckFileFormat(twoPath, KW5_FORMAT_GM),
                  lib.CheckFileFormat(zeroPath, kGmAlias));
        EXPECT_EQ(lib.CheckAndFormatFile(twoPath, KW5_FORMAT_GM),
                  lib.CheckAndFormatFile(zeroPath, kGmAlias));
        EXPECT_EQ(contents(two), contents(zero));
        EXPECT_EQ(lib.FormatFile(twoPath, KW5_FORMAT_GM), lib.FormatFile(zeroPath, kGmAlias));
        EXPECT_EQ(contents(two), contents(zero));
    }
}

TEST_F(FacadeFormatTest, FormatFileRewritesWithoutChecking) {
    // Valid already, but 5000 bytes of padding: the rewrite shrinks the tag
    // to one padding unit.
    KW5WString path = file("a.mp3", stdFile(5000));
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(path, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kS_OK, lib.FormatFile(path, KW5_FORMAT_STD));
    const Bytes expected = TagBuilder()
                               .frame("TIT2", textBody(2, "Title"))
                               .frame("TALB", textBody(2, "Album"))
                               .padding(3072 - 10 - 42)
                               .audio(audio())
                               .bytes();
    EXPECT_EQ(toHex(expected), toHex(contents("a.mp3")));
    // CheckAndFormatFile leaves such a valid file alone.
    KW5WString other = file("b.mp3", stdFile(5000));
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(other, KW5_FORMAT_STD));
    EXPECT_EQ(stdFile(5000), contents("b.mp3"));
}

TEST_F(FacadeFormatTest, UnparsableTagIsNotRewritten) {
    const Bytes bytes = TagBuilder()
                            .frame("TIT2", textBody(2, "Title"))
                            .frame("XYZW", hex("01 02"))
                            .audio(audio())
                            .bytes();
    KW5WString path = file("a.mp3", bytes);
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.CheckFileFormat(path, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_FAIL, lib.CheckAndFormatFile(path, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.FormatFile(path, KW5_FORMAT_STD));
    EXPECT_EQ(bytes, contents("a.mp3"));
    // A wrong version is a format rule, but the tag cannot be loaded.
    const Bytes v4 = TagBuilder().version(4, 0).frame("TIT2", textBody(2, "T")).bytes();
    KW5WString four = file("v4.mp3", v4);
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(four, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_INVALIDARG, lib.CheckAndFormatFile(four, KW5_FORMAT_STD));
    EXPECT_EQ(v4, contents("v4.mp3"));
}

TEST_F(FacadeFormatTest, RewriteRefusedWhileAFileIsOpen) {
    KW5WString open = file("open.mp3", stdFile());
    KW5WString valid = file("valid.mp3", stdFile());
    KW5WString narrow = file("narrow.mp3", narrowFile());
    ASSERT_EQ(kw5::kS_OK, lib.Open(open, 2));
    EXPECT_EQ(kw5::kE_FAIL, lib.FormatFile(valid, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_FAIL, lib.FormatFile(open, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(valid, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_KW5_FORMAT, lib.CheckFileFormat(narrow, KW5_FORMAT_STD));
    // No rewrite needed: fine; a rewrite needed: refused.
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(valid, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kE_FAIL, lib.CheckAndFormatFile(narrow, KW5_FORMAT_STD));
    EXPECT_EQ(narrowFile(), contents("narrow.mp3"));
    // The open tag is unaffected.
    std::vector<KW5WString> titles;
    EXPECT_EQ(kw5::kS_OK, lib.GetString(1, 0, titles));
    ASSERT_EQ(kw5::kS_OK, lib.Close(KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kS_OK, lib.CheckAndFormatFile(narrow, KW5_FORMAT_STD));
    EXPECT_EQ(kw5::kS_OK, lib.CheckFileFormat(narrow, KW5_FORMAT_STD));
}

} // namespace
