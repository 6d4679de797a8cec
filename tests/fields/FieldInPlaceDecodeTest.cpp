// Leading fields parsed where the body lies (no copy into a codec), and the
// holder handing its bytes over: the same answers as the copying paths.
#include "fields/KW5Field.h"
#include "fields/KW5FieldGEOB.h"

#include "FieldsTestSupport.h"

using namespace kw5fieldstest;

namespace {

class FieldInPlaceDecode : public FieldsTest {};

struct Answer {
    _KW5_FILE_RET result;
    std::string mimeType;
    std::string fileName;
    std::string description;
    ULONG offset;
};

Answer throughCodec(const std::vector<unsigned char>& body) {
    KW5FieldGEOB codec;
    EXPECT_EQ(codec.setData(body.data(), static_cast<ULONG>(body.size())), KW5_FILE_RET_OK);
    KW5FieldInfo record;
    ULONG offset = 777;
    Answer a{codec.decode(record, offset), "", "", "", 0};
    a.mimeType = record.mimeType();
    a.fileName = record.fileName();
    a.description = record.description();
    a.offset = offset;
    return a;
}

Answer inPlace(const std::vector<unsigned char>& body) {
    KW5FieldInfo record;
    ULONG offset = 777;
    Answer a{KW5FieldGEOB::decodeBody(body, record, offset), "", "", "", 0};
    a.mimeType = record.mimeType();
    a.fileName = record.fileName();
    a.description = record.description();
    a.offset = offset;
    return a;
}

void expectSame(const std::string& hexBody) {
    const std::vector<unsigned char> body = hex(hexBody);
    Answer a = throughCodec(body);
    Answer b = inPlace(body);
    EXPECT_EQ(a.result, b.result) << hexBody;
    EXPECT_EQ(a.mimeType, b.mimeType) << hexBody;
    EXPECT_EQ(a.fileName, b.fileName) << hexBody;
    EXPECT_EQ(a.description, b.description) << hexBody;
    EXPECT_EQ(a.offset, b.offset) << hexBody;
}

TEST_F(FieldInPlaceDecode, ObjectBodiesGiveTheCodecsAnswers) {
    expectSame("00 62 00 00 56 4D 4B 00 A0 A1");                   // narrow texts
    expectSame("01 6D 00 FF FE 61 00 00 00 FF FE 44 00 00 00 99"); // UTF-16 LE
    expectSame("02 6D 00 00 61 00 00 FE FF 00 44 00 00 99");       // UTF-16 BE
    expectSame("00 62 00 00 56 4D 4B");                            // unterminated
    expectSame("02 62 00 00 00 00 56");                            // odd tail
    expectSame("03 62 00 00 00");                                  // refused encoding
    expectSame("");                                                // nothing
    expectSame("00");                                              // encoding only
}

TEST_F(FieldInPlaceDecode, RefusalsLeaveTheOffsetAlone) {
    KW5FieldInfo record;
    ULONG offset = 777;
    EXPECT_EQ(KW5FieldGEOB::decodeBody({}, record, offset), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(KW5FieldGEOB::decodeBody(hex("03 62 00"), record, offset), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(offset, 777u);
}

TEST_F(FieldInPlaceDecode, HolderDescriptionsOfALargeObject) {
    // One megabyte of object data behind a short description.
    std::vector<unsigned char> body = hex("00 62 00 00 56 4D 4B 5F 4C 53 49 00");
    body.resize(body.size() + (1u << 20), 0x5A);
    KW5Field field;
    ASSERT_EQ(field.setBytes(body.data(), static_cast<ULONG>(body.size())), KW5_FILE_RET_OK);
    std::string description;
    ASSERT_EQ(field.getDescription("GEOB", description), KW5_FILE_RET_OK);
    EXPECT_EQ(description, "VMK_LSI");
    ULONG payload = 0;
    ASSERT_EQ(field.getPayloadSize("GEOB", payload), KW5_FILE_RET_OK);
    EXPECT_EQ(payload, 1u << 20);
    // The holder is unchanged by the parse.
    EXPECT_EQ(field.bytes(), body);
}

TEST_F(FieldInPlaceDecode, HolderDescriptionsOfUserFrames) {
    KW5Field field;
    const std::vector<unsigned char> txxx = hex("00 4D 4F 4F 44 00 63 61 6C 6D");
    ASSERT_EQ(field.setBytes(txxx.data(), static_cast<ULONG>(txxx.size())), KW5_FILE_RET_OK);
    std::string description;
    ASSERT_EQ(field.getDescription("TXXX", description), KW5_FILE_RET_OK);
    EXPECT_EQ(description, "MOOD");
    description = "kept";
    ASSERT_EQ(field.getDescription("WXXX", description), KW5_FILE_RET_OK);
    EXPECT_EQ(description, "MOOD");
    KW5FieldInfo record;
    record.setFrameId("TXXX");
    ULONG offset = 0;
    ASSERT_EQ(field.getDataOffset(record, offset), KW5_FILE_RET_OK);
    EXPECT_EQ(offset, 6u);
    // A refused encoding byte is refused by the holder too.
    const std::vector<unsigned char> bad = hex("07 4D 00 63");
    ASSERT_EQ(field.setBytes(bad.data(), static_cast<ULONG>(bad.size())), KW5_FILE_RET_OK);
    EXPECT_NE(field.getDescription("TXXX", description), KW5_FILE_RET_OK);
}

TEST_F(FieldInPlaceDecode, TakeBytesEmptiesTheHolder) {
    KW5Field field;
    const std::vector<unsigned char> body = hex("00 41 42 43");
    ASSERT_EQ(field.setBytes(body.data(), 4), KW5_FILE_RET_OK);
    const unsigned char* held = field.bytes().data();
    std::vector<unsigned char> taken = field.takeBytes();
    EXPECT_EQ(taken, body);
    EXPECT_EQ(taken.data(), held); // handed over, not copied
    EXPECT_TRUE(field.bytes().empty());
    ULONG size = 99;
    ASSERT_EQ(field.getSize(size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(field.takeBytes().empty());
}

} // namespace
