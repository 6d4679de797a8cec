#include "fields/KW5FieldGEOB.h"

#include "FieldsTestSupport.h"

using namespace kw5fieldstest;

namespace {

class FieldGEOB : public FieldsTest {};

KW5FieldInfo objectRecord(unsigned char encoding, const std::string& mime,
                          const std::string& fileName, const std::string& description,
                          const std::string& hexData) {
    KW5FieldInfo record;
    record.setFrameId("GEOB");
    record.setEncoding(encoding);
    record.setMimeType(mime);
    record.setFileName(fileName);
    record.setDescription(description);
    record.setData(hex(hexData));
    return record;
}

std::string encoded(const KW5FieldInfo& source, _KW5_FILE_RET expected = KW5_FILE_RET_OK) {
    KW5FieldGEOB codec;
    KW5FieldInfo record = source;
    EXPECT_EQ(codec.encode(record), expected);
    return heldHex(codec);
}

struct Decoded {
    _KW5_FILE_RET result;
    KW5FieldInfo record;
    ULONG offset;
};

Decoded decoded(const std::vector<unsigned char>& body) {
    KW5FieldGEOB codec;
    EXPECT_EQ(codec.setData(body.data(), static_cast<ULONG>(body.size())), KW5_FILE_RET_OK);
    Decoded out{KW5_FILE_RET_FAILED, objectRecord(2, "m", "f", "d", "AA"), 999};
    out.result = codec.decode(out.record, out.offset);
    return out;
}

Decoded decoded(const std::string& hexBody) {
    return decoded(hex(hexBody));
}

std::vector<unsigned char> lsiBody(unsigned char dataBytes) {
    std::vector<unsigned char> body = {0x00};
    for (char c : std::string("binary"))
        body.push_back(static_cast<unsigned char>(c));
    body.push_back(0x00);
    body.push_back(0x00);
    for (char c : std::string("VMK_LSI"))
        body.push_back(static_cast<unsigned char>(c));
    body.push_back(0x00);
    for (unsigned char i = 0; i < dataBytes; ++i)
        body.push_back(static_cast<unsigned char>(0xA0 + i));
    return body;
}

TEST_F(FieldGEOB, DecodeTheLsiExample) {
    Decoded d = decoded(lsiBody(3));
    ASSERT_EQ(d.result, KW5_FILE_RET_OK);
    EXPECT_EQ(d.record.mimeType(), "binary");
    EXPECT_EQ(d.record.fileName(), "");
    EXPECT_EQ(d.record.description(), "VMK_LSI");
    EXPECT_EQ(d.offset, 17u);
    // Frame id, encoding and data are not touched.
    EXPECT_EQ(d.record.frameId(), "GEOB");
    EXPECT_EQ(d.record.encoding(), 2);
    EXPECT_EQ(toHex(d.record.data()), "AA");
}

TEST_F(FieldGEOB, DecodeUtf16Texts) {
    Decoded d = decoded("01 6D 00 FF FE 61 00 00 00 FF FE 44 00 00 00 99");
    ASSERT_EQ(d.result, KW5_FILE_RET_OK);
    EXPECT_EQ(d.record.mimeType(), "m");
    EXPECT_EQ(d.record.fileName(), "a");
    EXPECT_EQ(d.record.description(), "D");
    EXPECT_EQ(d.offset, 15u);
    d = decoded("02 6D 00 00 61 00 00 FE FF 00 44 00 00 99");
    ASSERT_EQ(d.result, KW5_FILE_RET_OK);
    EXPECT_EQ(d.record.fileName(), "a");
    EXPECT_EQ(d.record.description(), "?D");
    EXPECT_EQ(d.offset, 13u);
}

TEST_F(FieldGEOB, DecodeEncoding1MarksOfTheText) {
    // FE FF: big-endian without the mark; FE 41: big-endian from its first
    // byte; 41 00: little-endian from its first byte.
    Decoded d = decoded("01 00 FE FF 00 61 00 00 41 00 00 00");
    ASSERT_EQ(d.result, KW5_FILE_RET_OK);
    EXPECT_EQ(d.record.fileName(), "a");
    EXPECT_EQ(d.record.description(), "A");
    EXPECT_EQ(d.offset, 12u);
    d = decoded("01 00 FE 41 00 00 00 00");
    EXPECT_EQ(d.record.fileName(), "?");
    EXPECT_EQ(d.record.description(), "");
}

TEST_F(FieldGEOB, DecodeUnterminatedDescription) {
    Decoded d = decoded("00 62 00 00 56 4D 4B");
    ASSERT_EQ(d.result, KW5_FILE_RET_OK);
    EXPECT_EQ(d.record.description(), "VMK");
    EXPECT_EQ(d.offset, 8u); // one past the end
    d = decoded("02 62 00 00 00 00 56");
    ASSERT_EQ(d.result, KW5_FILE_RET_OK);
    EXPECT_EQ(d.record.description(), "");
    EXPECT_EQ(d.offset, 7u); // the last unit stood alone and counted
}

TEST_F(FieldGEOB, DecodeFailures) {
    Decoded d = decoded("03 62 00 00 00");
    EXPECT_EQ(d.result, KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(d.record.description(), "d");
    EXPECT_EQ(d.offset, 999u);
    d = decoded("");
    EXPECT_EQ(d.result, KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(d.record.mimeType(), "m");
}

TEST_F(FieldGEOB, EncodeLayouts) {
    EXPECT_EQ(encoded(objectRecord(0, "binary", "", "VMK_LSI", "01 02")),
              toHex(lsiBody(0)) + " 01 02");
    EXPECT_EQ(encoded(objectRecord(1, "b", "", "D", "01")), "01 62 00 00 00 FF FE 44 00 00 00 01");
    EXPECT_EQ(encoded(objectRecord(1, "b", "a", "D", "")),
              "01 62 00 FF FE 61 00 00 00 FF FE 44 00 00 00");
    EXPECT_EQ(encoded(objectRecord(1, "", "", "", "")), "01 00 00 00 FF FE 00 00");
    EXPECT_EQ(encoded(objectRecord(2, "b", "a", "D", "05")), "02 62 00 00 61 00 00 00 44 00 00 05");
    EXPECT_EQ(encoded(objectRecord(2, "", "", "", "")), "02 00 00 00 00 00");
    EXPECT_EQ(encoded(objectRecord(0, "", "", "", "")), "00 00 00 00");
}

TEST_F(FieldGEOB, EncodeSingleNulTextsInEncoding2AreEmpty) {
    const std::string nul(1, '\0');
    EXPECT_EQ(encoded(objectRecord(2, "b", nul, nul, "")), "02 62 00 00 00 00 00");
}

TEST_F(FieldGEOB, EncodeConvertsThroughTheCodePage) {
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(932));
    EXPECT_EQ(encoded(objectRecord(2, "b", "", "\x93\xFA\x96\x7B\x8C\xEA", "")),
              "02 62 00 00 00 65 E5 67 2C 8A 9E 00 00");
    Decoded d = decoded("01 62 00 00 00 FF FE E5 65 2C 67 9E 8A 00 00");
    ASSERT_EQ(d.result, KW5_FILE_RET_OK);
    EXPECT_EQ(hexOf(d.record.description()), "93 FA 96 7B 8C EA");
}

TEST_F(FieldGEOB, EncodeRefusesOtherEncodings) {
    EXPECT_EQ(encoded(objectRecord(3, "b", "", "D", ""), KW5_FILE_RET_INVALID_PARAMETER), "");
    KW5FieldGEOB codec;
    KW5FieldInfo record = objectRecord(2, "b", "", "D", "");
    ASSERT_EQ(codec.encode(record), KW5_FILE_RET_OK);
    record.setEncoding(3);
    EXPECT_EQ(codec.encode(record), KW5_FILE_RET_INVALID_PARAMETER);
}

TEST_F(FieldGEOB, EncodeDecodeRoundTrip) {
    for (unsigned char encoding = 0; encoding <= 2; ++encoding) {
        std::vector<unsigned char> body = hex(
            encoded(objectRecord(encoding, "image/png", "cover.png", "VMK_FTHBL1", "00 FF 00")));
        Decoded d = decoded(body);
        ASSERT_EQ(d.result, KW5_FILE_RET_OK) << int(encoding);
        EXPECT_EQ(d.record.mimeType(), "image/png");
        EXPECT_EQ(d.record.fileName(), "cover.png");
        EXPECT_EQ(d.record.description(), "VMK_FTHBL1");
        ASSERT_EQ(d.offset, body.size() - 3);
        EXPECT_EQ(toHex(std::vector<unsigned char>(body.begin() + d.offset, body.end())),
                  "00 FF 00");
    }
}

TEST_F(FieldGEOB, ReencodeTheLsiExample) {
    KW5FieldGEOB codec;
    std::vector<unsigned char> body = lsiBody(4);
    std::vector<unsigned char> newBody;
    ASSERT_EQ(
        codec.convertToUtf16BE("ignored", body.data(), static_cast<ULONG>(body.size()), newBody),
        KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(newBody), "02 62 69 6E 61 72 79 00 00 00 "
                              "00 56 00 4D 00 4B 00 5F 00 4C 00 53 00 49 00 00 "
                              "A0 A1 A2 A3");
    EXPECT_EQ(newBody, codec.buffer());
}

TEST_F(FieldGEOB, ReencodeEncoding1) {
    KW5FieldGEOB codec;
    std::vector<unsigned char> body = hex("01 62 00 FF FE 61 00 00 00 FF FE 44 00 00 00 01 02");
    std::vector<unsigned char> newBody;
    ASSERT_EQ(codec.convertToUtf16BE("GEOB", body.data(), static_cast<ULONG>(body.size()), newBody),
              KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(newBody), "02 62 00 00 61 00 00 00 44 00 00 01 02");
}

TEST_F(FieldGEOB, ReencodeWithoutData) {
    KW5FieldGEOB codec;
    std::vector<unsigned char> body = hex("00 62 00 00 44");
    std::vector<unsigned char> newBody;
    ASSERT_EQ(codec.convertToUtf16BE("GEOB", body.data(), static_cast<ULONG>(body.size()), newBody),
              KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(newBody), "02 62 00 00 00 00 44 00 00");
}

TEST_F(FieldGEOB, ReencodeFailures) {
    KW5FieldGEOB codec;
    std::vector<unsigned char> newBody;
    std::vector<unsigned char> body = hex("05 62 00 00 00");
    EXPECT_EQ(codec.convertToUtf16BE("GEOB", body.data(), 5, newBody), KW5_FILE_RET_INVALID_DATA);
    EXPECT_TRUE(codec.buffer().empty());
    EXPECT_EQ(codec.convertToUtf16BE("GEOB", body.data(), 0, newBody),
              KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(codec.convertToUtf16BE("GEOB", nullptr, 5, newBody), KW5_FILE_RET_NULL_POINTER);
    EXPECT_TRUE(newBody.empty());
}

} // namespace
