#include "fields/KW5FieldW.h"
#include "fields/KW5FieldWXXX.h"

#include "FieldsTestSupport.h"

using namespace kw5fieldstest;

namespace {

class FieldW : public FieldsTest {};

template <typename Codec>
std::string encoded(const std::string& description, unsigned char encoding, const KW5WString& url,
                    _KW5_FILE_RET expected = KW5_FILE_RET_OK) {
    Codec codec;
    KW5FieldInfo record = textRecord("WXXX", description, encoding, url);
    EXPECT_EQ(codec.encode(record), expected);
    return heldHex(codec);
}

std::string reencoded(const std::string& hexBody, _KW5_FILE_RET expected = KW5_FILE_RET_OK) {
    KW5FieldWXXX codec;
    std::vector<unsigned char> body = hex(hexBody);
    std::vector<unsigned char> newBody;
    EXPECT_EQ(codec.convertToUtf16BE("WXXX", body.data(), static_cast<ULONG>(body.size()), newBody),
              expected)
        << hexBody;
    if (expected != KW5_FILE_RET_OK)
        return newBody.empty() && codec.buffer().empty() ? "nothing" : "left " + toHex(newBody);
    return toHex(newBody);
}

TEST_F(FieldW, UrlFrameIsItsNarrowBytes) {
    EXPECT_EQ(encoded<KW5FieldW>("", 0, KW5_WSTR("http://x")), "68 74 74 70 3A 2F 2F 78");
    EXPECT_EQ(encoded<KW5FieldW>("", 0, KW5WString()), "00");
}

TEST_F(FieldW, UrlFrameIgnoresTheEncoding) {
    for (unsigned char encoding : {0, 1, 2, 3, 200})
        EXPECT_EQ(encoded<KW5FieldW>("d", encoding, KW5_WSTR("ab")), "61 62") << int(encoding);
}

TEST_F(FieldW, UrlFrameUsesTheCodePage) {
    EXPECT_EQ(encoded<KW5FieldW>("", 0, KW5_WSTR("\u00E9\u65E5")), "E9 3F");
}

TEST_F(FieldW, UrlFrameHasNoDecodeNorReencode) {
    KW5FieldW codec;
    const unsigned char body[] = {0x61};
    ASSERT_EQ(codec.setData(body, 1), KW5_FILE_RET_OK);
    KW5FieldInfo record;
    ULONG offset = 5;
    EXPECT_EQ(codec.decode(record, offset), KW5_FILE_RET_NOT_IMPLEMENTED);
    EXPECT_EQ(offset, 5u);
    std::vector<unsigned char> newBody;
    EXPECT_EQ(codec.convertToUtf16BE("WOAR", body, 1, newBody), KW5_FILE_RET_NOT_IMPLEMENTED);
    EXPECT_TRUE(newBody.empty());
    // Nothing done: the held body is still there.
    EXPECT_EQ(heldHex(codec), "61");
}

TEST_F(FieldW, UserUrlEncodings) {
    EXPECT_EQ(encoded<KW5FieldWXXX>("X", 0, KW5_WSTR("a")), "00 58 00 61");
    EXPECT_EQ(encoded<KW5FieldWXXX>("X", 1, KW5_WSTR("a")), "01 FF FE 58 00 00 00 61");
    EXPECT_EQ(encoded<KW5FieldWXXX>("X", 2, KW5_WSTR("a")), "02 00 58 00 00 61");
    EXPECT_EQ(encoded<KW5FieldWXXX>("X", 2, KW5WString()), "02 00 58 00 00");
}

TEST_F(FieldW, UserUrlRefusals) {
    for (unsigned char encoding = 0; encoding <= 2; ++encoding)
        EXPECT_EQ(
            encoded<KW5FieldWXXX>("", encoding, KW5_WSTR("a"), KW5_FILE_RET_INVALID_PARAMETER), "")
            << int(encoding);
    EXPECT_EQ(encoded<KW5FieldWXXX>("X", 3, KW5_WSTR("a"), KW5_FILE_RET_BAD_LAYOUT), "");
}

TEST_F(FieldW, UserUrlDecode) {
    KW5FieldWXXX codec;
    std::vector<unsigned char> body = hex("02 00 58 00 00 61 62");
    ASSERT_EQ(codec.setData(body.data(), static_cast<ULONG>(body.size())), KW5_FILE_RET_OK);
    KW5FieldInfo record;
    ULONG offset = 0;
    ASSERT_EQ(codec.decode(record, offset), KW5_FILE_RET_OK);
    EXPECT_EQ(record.description(), "X");
    EXPECT_EQ(offset, 5u);
    body = hex("04 00 58 00 00 61 62");
    ASSERT_EQ(codec.setData(body.data(), static_cast<ULONG>(body.size())), KW5_FILE_RET_OK);
    EXPECT_EQ(codec.decode(record, offset), KW5_FILE_RET_INVALID_DATA);
}

TEST_F(FieldW, UserUrlReencode) {
    EXPECT_EQ(reencoded("00 58 00 61 62"), "02 00 58 00 00 61 62");
    EXPECT_EQ(reencoded("01 FF FE 58 00 00 00 61"), "02 00 58 00 00 61");
    EXPECT_EQ(reencoded("02 00 58 00 00 61"), "02 00 58 00 00 61");
    // The URL keeps only its bytes before a 00.
    EXPECT_EQ(reencoded("01 FF FE 58 00 00 00 61 00 62"), "02 00 58 00 00 61");
    // Narrow both ways through the code page.
    EXPECT_EQ(reencoded("00 58 00 E9 80"), "02 00 58 00 00 E9 80");
}

TEST_F(FieldW, UserUrlReencodeFailures) {
    EXPECT_EQ(reencoded("00 58 59 5A", KW5_FILE_RET_FAILED), "nothing");
    EXPECT_EQ(reencoded("07 58 00 61", KW5_FILE_RET_INVALID_DATA), "nothing");
    EXPECT_EQ(reencoded("", KW5_FILE_RET_INVALID_DATA), "nothing");
    EXPECT_EQ(reencoded("00 00 61", KW5_FILE_RET_INVALID_PARAMETER), "nothing");
}

} // namespace
