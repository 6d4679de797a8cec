#include "fields/KW5TextDecode.h"

#include "FieldsTestSupport.h"

#include <algorithm>
#include <memory>

using namespace kw5fieldstest;
using kw5fields::readBodyText;

namespace {

struct Read {
    _KW5_FILE_RET result;
    std::string text;
    ULONG consumed;
};

// Each body lives in a buffer of exactly its size, so that a read past the
// end is caught by the address sanitizer.
Read readAt(const std::string& hexBody, ULONG pos, unsigned char encoding) {
    std::vector<unsigned char> body = hex(hexBody);
    std::unique_ptr<unsigned char[]> exact(new unsigned char[body.size() ? body.size() : 1]);
    std::copy(body.begin(), body.end(), exact.get());
    Read read{KW5_FILE_RET_FAILED, "junk", 12345};
    read.result = readBodyText(exact.get(), static_cast<ULONG>(body.size()), pos, encoding,
                               read.text, read.consumed);
    return read;
}

class BodyText : public FieldsTest {};

TEST_F(BodyText, MissingOrEmptyBody) {
    std::string text = "junk";
    ULONG consumed = 0;
    EXPECT_EQ(readBodyText(nullptr, 4, 0, 0, text, consumed), KW5_FILE_RET_NULL_POINTER);
    const unsigned char byte = 0;
    EXPECT_EQ(readBodyText(&byte, 0, 0, 0, text, consumed), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(readAt("41 00", 0, 3).result, KW5_FILE_RET_INVALID_DATA);
}

TEST_F(BodyText, NarrowText) {
    Read read = readAt("00 41 42 00 43", 1, 0);
    EXPECT_EQ(read.result, KW5_FILE_RET_OK);
    EXPECT_EQ(read.text, "AB");
    EXPECT_EQ(read.consumed, 3u);
    read = readAt("00 00 43", 1, 0);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(read.consumed, 1u);
}

TEST_F(BodyText, NarrowTextRunningToTheEnd) {
    Read read = readAt("00 58 59", 1, 0);
    EXPECT_EQ(read.text, "XY");
    EXPECT_EQ(read.consumed, 3u);
    // At or past the end nothing is read, the terminator still counts.
    read = readAt("00", 1, 0);
    EXPECT_EQ(read.result, KW5_FILE_RET_OK);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(read.consumed, 1u);
    read = readAt("00", 7, 0);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(read.consumed, 1u);
}

TEST_F(BodyText, NarrowTextKeepsItsBytes) {
    Read read = readAt("00 E9 81 00", 1, 0);
    EXPECT_EQ(hexOf(read.text), "E9 81");
}

TEST_F(BodyText, Encoding1ByteOrderMarks) {
    Read read = readAt("01 FF FE 58 00 00 00 61", 1, 1);
    EXPECT_EQ(read.text, "X");
    EXPECT_EQ(read.consumed, 6u);
    read = readAt("01 FE FF 00 58 00 00", 1, 1);
    EXPECT_EQ(read.text, "X");
    EXPECT_EQ(read.consumed, 6u);
    read = readAt("01 FE 41 00 42 00 00", 1, 1);
    EXPECT_EQ(read.text, "?B");
    EXPECT_EQ(read.consumed, 6u);
    read = readAt("01 41 00 42 00 00 00", 1, 1);
    EXPECT_EQ(read.text, "AB");
    EXPECT_EQ(read.consumed, 6u);
}

TEST_F(BodyText, Encoding1BigEndianWithoutMarkAfterFE) {
    // FE 41 is read big-endian from its first byte: U+FE41, which 1252 has not.
    Read read = readAt("01 FE 41 00 00", 1, 1);
    EXPECT_EQ(read.text, "?");
    EXPECT_EQ(read.consumed, 4u);
}

TEST_F(BodyText, Encoding1EmptyTexts) {
    Read read = readAt("01 00 00 41 00", 1, 1);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(read.consumed, 2u);
    read = readAt("01 FF FE 00 00 41", 1, 1);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(read.consumed, 4u);
}

TEST_F(BodyText, Encoding2) {
    Read read = readAt("02 00 58 00 00 00 61", 1, 2);
    EXPECT_EQ(read.text, "X");
    EXPECT_EQ(read.consumed, 4u);
    // No mark is looked for: FE FF is the character U+FEFF.
    read = readAt("02 FE FF 00 58 00 00", 1, 2);
    EXPECT_EQ(read.text, "?X");
    EXPECT_EQ(read.consumed, 6u);
    read = readAt("02 00 00", 1, 2);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(read.consumed, 2u);
}

TEST_F(BodyText, Utf16TextRunningToTheEnd) {
    // Only whole units inside the body are scanned; an odd byte is left.
    Read read = readAt("02 00 58 00 59 00", 1, 2);
    EXPECT_EQ(read.text, "XY");
    EXPECT_EQ(read.consumed, 4u);
    read = readAt("01 41 00 42", 1, 1);
    EXPECT_EQ(read.consumed, 2u);
    EXPECT_EQ(read.text, "");
    read = readAt("02", 1, 2);
    EXPECT_EQ(read.result, KW5_FILE_RET_OK);
    EXPECT_EQ(read.consumed, 0u);
    EXPECT_EQ(read.text, "");
    read = readAt("01 00", 9, 1);
    EXPECT_EQ(read.consumed, 0u);
}

TEST_F(BodyText, Utf16TextIsConvertedToTheCodePage) {
    Read read = readAt("01 FF FE E9 00 AC 20 00 00", 1, 1);
    EXPECT_EQ(hexOf(read.text), "E9 80");
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(932));
    read = readAt("02 65 E5 67 2C 8A 9E 00 00", 1, 2);
    EXPECT_EQ(hexOf(read.text), "93 FA 96 7B 8C EA");
}

} // namespace
