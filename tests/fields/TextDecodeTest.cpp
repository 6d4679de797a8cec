#include "fields/KW5TextDecode.h"

#include "FieldsTestSupport.h"

using namespace kw5fieldstest;
using kw5fields::decodeToUtf16BE;
using kw5fields::decodeUtf16;
using kw5fields::makeNarrowString;

namespace {

class TextDecode : public FieldsTest {};

std::string toBE(unsigned char encoding, const std::string& hexBytes,
                 _KW5_FILE_RET expected = KW5_FILE_RET_OK) {
    std::vector<unsigned char> in = hex(hexBytes);
    std::vector<unsigned char> out = {0xEE};
    EXPECT_EQ(decodeToUtf16BE(encoding, in.data(), static_cast<ULONG>(in.size()), out), expected)
        << hexBytes;
    return toHex(out);
}

TEST_F(TextDecode, MakeNarrowString) {
    std::string narrow = "kept";
    EXPECT_EQ(makeNarrowString(nullptr, 0, narrow), KW5_FILE_RET_OK);
    EXPECT_EQ(narrow, "kept");
    EXPECT_EQ(makeNarrowString(nullptr, 3, narrow), KW5_FILE_RET_NULL_POINTER);
    EXPECT_EQ(narrow, "kept");

    std::vector<unsigned char> bytes = hex("41 42 00 43");
    ASSERT_EQ(makeNarrowString(bytes.data(), 4, narrow), KW5_FILE_RET_OK);
    EXPECT_EQ(narrow, "AB");
    ASSERT_EQ(makeNarrowString(bytes.data(), 2, narrow), KW5_FILE_RET_OK);
    EXPECT_EQ(narrow, "AB");
    bytes = hex("00 41");
    ASSERT_EQ(makeNarrowString(bytes.data(), 2, narrow), KW5_FILE_RET_OK);
    EXPECT_EQ(narrow, std::string(1, '\0'));
}

TEST_F(TextDecode, EmptyTextProducesNothing) {
    EXPECT_EQ(toBE(0, ""), "");
    EXPECT_EQ(toBE(1, ""), "");
    EXPECT_EQ(toBE(7, ""), "");
}

TEST_F(TextDecode, NarrowTextGoesThroughTheCodePage) {
    EXPECT_EQ(toBE(0, "41 E9 80"), "00 41 00 E9 20 AC");
    EXPECT_EQ(toBE(0, "41 00 42"), "00 41");
    EXPECT_EQ(toBE(0, "00 41"), "00 00");
}

TEST_F(TextDecode, Encoding1MarkHandling) {
    EXPECT_EQ(toBE(1, "FF FE 41 00"), "00 41");
    EXPECT_EQ(toBE(1, "FE FF 00 41"), "00 41");
    EXPECT_EQ(toBE(1, "41 00 42 00"), "00 42");
    EXPECT_EQ(toBE(1, "41 00"), "00 41");
    EXPECT_EQ(toBE(1, "FF FE 41 00 00 00"), "00 41 00 00");
    // A mark alone is an empty text; a text after a NUL may bring its own.
    EXPECT_EQ(toBE(1, "FF FE"), "");
    EXPECT_EQ(toBE(1, "FE FF"), "");
    EXPECT_EQ(toBE(1, "FF FE 41 00 00 00 FF FE 42 00"), "00 41 00 00 00 42");
    EXPECT_EQ(toBE(1, "FF FE 41 00 00 00 FE FF 00 42"), "00 41 00 00 00 42");
    EXPECT_EQ(toBE(1, "FF FE 41 00 FF FE"), "00 41 FE FF") << "no NUL before it: a character";
}

TEST_F(TextDecode, Encoding2IsCopied) {
    EXPECT_EQ(toBE(2, "00 41 00 00 00 42"), "00 41 00 00 00 42");
    EXPECT_EQ(toBE(2, "FE FF 00 41"), "FE FF 00 41");
}

TEST_F(TextDecode, OddTrailingByteIsIgnored) {
    EXPECT_EQ(toBE(2, "00 41 00"), "00 41");
    EXPECT_EQ(toBE(1, "41"), "");
    EXPECT_EQ(toBE(1, "FF FE 41 00 42"), "00 41");
    EXPECT_EQ(toBE(1, "FE FF 00 41 42"), "00 41");
}

TEST_F(TextDecode, UnknownEncodingIsInvalidData) {
    EXPECT_EQ(toBE(3, "41", KW5_FILE_RET_INVALID_DATA), "");
    EXPECT_EQ(toBE(0xFF, "00 41", KW5_FILE_RET_INVALID_DATA), "");
}

TEST_F(TextDecode, DecodeUtf16) {
    KW5WString wide = KW5_WSTR("kept");
    EXPECT_EQ(decodeUtf16(nullptr, 2, wide), KW5_FILE_RET_NULL_POINTER);
    EXPECT_EQ(wide, KW5_WSTR("kept"));

    std::vector<unsigned char> bytes = hex("00 41 00 42");
    ASSERT_EQ(decodeUtf16(bytes.data(), 4, wide), KW5_FILE_RET_OK);
    EXPECT_EQ(wide, KW5_WSTR("AB"));
    bytes = hex("FF FE 41 00");
    ASSERT_EQ(decodeUtf16(bytes.data(), 4, wide), KW5_FILE_RET_OK);
    EXPECT_EQ(wide, KW5_WSTR("A"));
    bytes = hex("FE FF 00 41 00 00 00 42");
    ASSERT_EQ(decodeUtf16(bytes.data(), 8, wide), KW5_FILE_RET_OK);
    EXPECT_EQ(wide, KW5_WSTR("A"));
    bytes = hex("FF FE 3E 6C");
    ASSERT_EQ(decodeUtf16(bytes.data(), 4, wide), KW5_FILE_RET_OK);
    EXPECT_EQ(wide, KW5_WSTR("\u6C3E"));
    ASSERT_EQ(decodeUtf16(bytes.data(), 0, wide), KW5_FILE_RET_OK);
    EXPECT_TRUE(wide.empty());
    bytes = hex("00 41 00");
    ASSERT_EQ(decodeUtf16(bytes.data(), 3, wide), KW5_FILE_RET_OK);
    EXPECT_EQ(wide, KW5_WSTR("A"));
    bytes = hex("FF FE");
    ASSERT_EQ(decodeUtf16(bytes.data(), 2, wide), KW5_FILE_RET_OK);
    EXPECT_TRUE(wide.empty());
}

} // namespace
