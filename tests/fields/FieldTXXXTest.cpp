#include "fields/KW5FieldTXXX.h"

#include "FieldsTestSupport.h"

using namespace kw5fieldstest;

namespace {

class FieldTXXX : public FieldsTest {};

std::string encoded(const std::string& description, unsigned char encoding, const KW5WString& value,
                    _KW5_FILE_RET expected = KW5_FILE_RET_OK) {
    KW5FieldTXXX codec;
    KW5FieldInfo record = textRecord("TXXX", description, encoding, value);
    EXPECT_EQ(codec.encode(record), expected);
    return heldHex(codec);
}

struct Decoded {
    _KW5_FILE_RET result;
    std::string description;
    ULONG offset;
};

Decoded decoded(const std::string& hexBody) {
    KW5FieldTXXX codec;
    std::vector<unsigned char> body = hex(hexBody);
    EXPECT_EQ(codec.setData(body.data(), static_cast<ULONG>(body.size())), KW5_FILE_RET_OK);
    KW5FieldInfo record = textRecord("TXXX", "before", 2, KW5_WSTR("v"));
    Decoded out{KW5_FILE_RET_FAILED, "", 999};
    out.result = codec.decode(record, out.offset);
    out.description = record.description();
    // decode touches nothing but the description.
    EXPECT_EQ(record.frameId(), "TXXX");
    EXPECT_EQ(record.encoding(), 2);
    EXPECT_EQ(record.value(), KW5_WSTR("v"));
    return out;
}

std::string reencoded(const std::string& hexBody, _KW5_FILE_RET expected = KW5_FILE_RET_OK) {
    KW5FieldTXXX codec;
    std::vector<unsigned char> body = hex(hexBody);
    std::vector<unsigned char> newBody;
    EXPECT_EQ(codec.convertToUtf16BE("TXXX", body.data(), static_cast<ULONG>(body.size()), newBody),
              expected)
        << hexBody;
    if (expected != KW5_FILE_RET_OK)
        return newBody.empty() && codec.buffer().empty() ? "nothing" : "left " + toHex(newBody);
    return toHex(newBody);
}

TEST_F(FieldTXXX, EncodeDescriptionAndValue) {
    EXPECT_EQ(encoded("X", 0, KW5_WSTR("A")), "00 58 00 41");
    EXPECT_EQ(encoded("X", 1, KW5_WSTR("A")), "01 FF FE 58 00 00 00 FF FE 41 00");
    EXPECT_EQ(encoded("X", 2, KW5_WSTR("A")), "02 00 58 00 00 00 41");
}

TEST_F(FieldTXXX, EncodeEmptyValue) {
    EXPECT_EQ(encoded("X", 0, KW5WString()), "00 58 00");
    EXPECT_EQ(encoded("X", 1, KW5WString()), "01 FF FE 58 00 00 00 FF FE");
    EXPECT_EQ(encoded("X", 2, KW5WString()), "02 00 58 00 00");
}

TEST_F(FieldTXXX, EncodeRefusesAnEmptyDescription) {
    for (unsigned char encoding = 0; encoding <= 2; ++encoding)
        EXPECT_EQ(encoded("", encoding, KW5_WSTR("A"), KW5_FILE_RET_INVALID_PARAMETER), "")
            << int(encoding);
}

TEST_F(FieldTXXX, EncodeRefusesOtherEncodings) {
    EXPECT_EQ(encoded("X", 3, KW5_WSTR("A"), KW5_FILE_RET_BAD_LAYOUT), "");
    EXPECT_EQ(encoded("X", 200, KW5_WSTR("A"), KW5_FILE_RET_BAD_LAYOUT), "");
}

TEST_F(FieldTXXX, DescriptionGoesThroughTheCodePage) {
    EXPECT_EQ(encoded("\xE9", 2, KW5_WSTR("\u6C3E")), "02 00 E9 00 00 6C 3E");
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(932));
    EXPECT_EQ(encoded("\x93\xFA\x96\x7B\x8C\xEA", 1, KW5WString()),
              "01 FF FE E5 65 2C 67 9E 8A 00 00 FF FE");
    Decoded d = decoded("02 65 E5 67 2C 8A 9E 00 00 00 41");
    EXPECT_EQ(hexOf(d.description), "93 FA 96 7B 8C EA");
    EXPECT_EQ(d.offset, 9u);
}

TEST_F(FieldTXXX, SingleNulDescriptionInEncoding2IsEmpty) {
    EXPECT_EQ(encoded(std::string(1, '\0'), 2, KW5_WSTR("A")), "02 00 00 00 41");
}

TEST_F(FieldTXXX, DecodeExamples) {
    Decoded d = decoded("01 FF FE 58 00 00 00 FF FE 41 00");
    EXPECT_EQ(d.result, KW5_FILE_RET_OK);
    EXPECT_EQ(d.description, "X");
    EXPECT_EQ(d.offset, 7u);
    d = decoded("00 58 59");
    EXPECT_EQ(d.description, "XY");
    EXPECT_EQ(d.offset, 4u);
    d = decoded("02 00 58 00 00 00 41");
    EXPECT_EQ(d.description, "X");
    EXPECT_EQ(d.offset, 5u);
    d = decoded("00 58 00 41");
    EXPECT_EQ(d.description, "X");
    EXPECT_EQ(d.offset, 3u);
}

TEST_F(FieldTXXX, DecodeFailuresLeaveTheRecord) {
    Decoded d = decoded("03 58 00");
    EXPECT_EQ(d.result, KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(d.description, "before");
    EXPECT_EQ(d.offset, 999u);
    d = decoded("");
    EXPECT_EQ(d.result, KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(d.description, "before");
}

TEST_F(FieldTXXX, ReencodeKeepsDescriptionAndValue) {
    EXPECT_EQ(reencoded("00 58 00 41"), "02 00 58 00 00 00 41");
    EXPECT_EQ(reencoded("01 FF FE 58 00 00 00 FF FE 41 00"), "02 00 58 00 00 00 41");
    EXPECT_EQ(reencoded("02 00 58 00 00 00 41"), "02 00 58 00 00 00 41");
    // A terminator after the value stays as a NUL unit.
    EXPECT_EQ(reencoded("01 FF FE 58 00 00 00 FF FE 41 00 00 00"), "02 00 58 00 00 00 41 00 00");
    // Encoding 0 values end at their first 00.
    EXPECT_EQ(reencoded("00 58 00 41 00 42"), "02 00 58 00 00 00 41");
    EXPECT_EQ(reencoded("00 58 00"), "02 00 58 00 00");
}

TEST_F(FieldTXXX, ReencodePassesTheDescriptionThroughTheCodePage) {
    // U+6C3E has no place in 1252; the value keeps it.
    EXPECT_EQ(reencoded("01 FF FE 3E 6C 00 00 FF FE 3E 6C"), "02 00 3F 00 00 6C 3E");
}

TEST_F(FieldTXXX, ReencodeFailures) {
    // The description runs past the end of the body.
    EXPECT_EQ(reencoded("00 58 59", KW5_FILE_RET_FAILED), "nothing");
    EXPECT_EQ(reencoded("03 58 00 41", KW5_FILE_RET_INVALID_DATA), "nothing");
    EXPECT_EQ(reencoded("", KW5_FILE_RET_INVALID_DATA), "nothing");
    // An empty description cannot be written.
    EXPECT_EQ(reencoded("00 00 41", KW5_FILE_RET_INVALID_PARAMETER), "nothing");
    EXPECT_EQ(reencoded("00", KW5_FILE_RET_INVALID_PARAMETER), "nothing");
}

} // namespace
