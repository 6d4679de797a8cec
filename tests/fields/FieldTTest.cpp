#include "fields/KW5FieldT.h"

#include "FieldsTestSupport.h"

using namespace kw5fieldstest;

namespace {

class FieldT : public FieldsTest {};

std::string encoded(unsigned char encoding, const KW5WString& value,
                    _KW5_FILE_RET expected = KW5_FILE_RET_OK) {
    KW5FieldT codec;
    KW5FieldInfo record = textRecord("TIT2", "ignored", encoding, value);
    EXPECT_EQ(codec.encode(record), expected);
    return heldHex(codec);
}

std::string reencoded(const std::string& hexBody, _KW5_FILE_RET expected = KW5_FILE_RET_OK) {
    KW5FieldT codec;
    std::vector<unsigned char> body = hex(hexBody);
    std::vector<unsigned char> newBody = {0xEE};
    EXPECT_EQ(codec.convertToUtf16BE("TIT2", body.data(), static_cast<ULONG>(body.size()), newBody),
              expected)
        << hexBody;
    if (expected != KW5_FILE_RET_OK) {
        EXPECT_TRUE(codec.buffer().empty());
        return "failed, kept " + toHex(newBody);
    }
    // The codec holds the new body as well.
    EXPECT_EQ(newBody, codec.buffer());
    return toHex(newBody);
}

TEST_F(FieldT, EncodeOneLetter) {
    EXPECT_EQ(encoded(0, KW5_WSTR("A")), "00 41");
    EXPECT_EQ(encoded(1, KW5_WSTR("A")), "01 FF FE 41 00");
    EXPECT_EQ(encoded(2, KW5_WSTR("A")), "02 00 41");
}

TEST_F(FieldT, EncodeEmptyValue) {
    EXPECT_EQ(encoded(0, KW5WString()), "00");
    EXPECT_EQ(encoded(1, KW5WString()), "01 FF FE");
    EXPECT_EQ(encoded(2, KW5WString()), "02");
}

TEST_F(FieldT, EncodeNarrowUsesTheCodePage) {
    EXPECT_EQ(encoded(0, KW5_WSTR("\u00E9\u20AC\u65E5")), "00 E9 80 3F");
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(932));
    EXPECT_EQ(encoded(0, KW5_WSTR("日本語")), "00 93 FA 96 7B 8C EA");
}

TEST_F(FieldT, EncodeUtf16KeepsEveryUnit) {
    EXPECT_EQ(encoded(1, KW5_WSTR("\u6C3E")), "01 FF FE 3E 6C");
    EXPECT_EQ(encoded(2, KW5WString(KW5_WSTR("a\0b"), 3)), "02 00 61 00 00 00 62");
}

TEST_F(FieldT, EncodeRefusesOtherEncodings) {
    KW5FieldT codec;
    KW5FieldInfo record = textRecord("TIT2", "", 2, KW5_WSTR("A"));
    ASSERT_EQ(codec.encode(record), KW5_FILE_RET_OK);
    record.setEncoding(3);
    EXPECT_EQ(codec.encode(record), KW5_FILE_RET_BAD_LAYOUT);
    EXPECT_TRUE(codec.buffer().empty());
}

TEST_F(FieldT, DecodeIsNotImplemented) {
    KW5FieldT codec;
    const unsigned char body[] = {0x00, 0x41};
    ASSERT_EQ(codec.setData(body, 2), KW5_FILE_RET_OK);
    KW5FieldInfo record;
    ULONG offset = 77;
    EXPECT_EQ(codec.decode(record, offset), KW5_FILE_RET_NOT_IMPLEMENTED);
    EXPECT_EQ(offset, 77u);
}

TEST_F(FieldT, ReencodeExamples) {
    EXPECT_EQ(reencoded("00 41 42"), "02 00 41 00 42");
    EXPECT_EQ(reencoded("01 FF FE 41 00 00 00"), "02 00 41 00 00");
    EXPECT_EQ(reencoded("00 41 00 42"), "02 00 41");
    EXPECT_EQ(reencoded("01"), "02");
    EXPECT_EQ(reencoded("02 00 41"), "02 00 41");
    EXPECT_EQ(reencoded("01 FE FF 00 41"), "02 00 41");
    EXPECT_EQ(reencoded("00 80"), "02 20 AC");
}

TEST_F(FieldT, ReencodeFailures) {
    EXPECT_EQ(reencoded("03 41", KW5_FILE_RET_INVALID_DATA), "failed, kept EE");
    EXPECT_EQ(reencoded("", KW5_FILE_RET_INVALID_DATA), "failed, kept EE");
    KW5FieldT codec;
    std::vector<unsigned char> newBody;
    EXPECT_EQ(codec.convertToUtf16BE("TIT2", nullptr, 4, newBody), KW5_FILE_RET_INVALID_DATA);
}

TEST_F(FieldT, ReencodeOddLengthDropsTheHalfUnit) {
    EXPECT_EQ(reencoded("02 00 41 00"), "02 00 41");
    EXPECT_EQ(reencoded("01 FF FE 41"), "02");
}

} // namespace
