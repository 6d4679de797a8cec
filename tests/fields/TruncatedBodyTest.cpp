// Cut and hostile bodies: every operation must answer without reading past
// the body. Each body is copied into a heap block of exactly its size, so
// that the address sanitizer sees any read beyond it.
#include "fields/KW5Field.h"
#include "fields/KW5FieldGEOB.h"
#include "fields/KW5FieldT.h"
#include "fields/KW5FieldTXXX.h"
#include "fields/KW5FieldWXXX.h"

#include "FieldsTestSupport.h"

#include <memory>
#include <random>

using namespace kw5fieldstest;

namespace {

class TruncatedBody : public FieldsTest {};

struct Exact {
    explicit Exact(const std::vector<unsigned char>& bytes)
        : size(static_cast<ULONG>(bytes.size())), block(new unsigned char[bytes.size() + !size]) {
        std::copy(bytes.begin(), bytes.end(), block.get());
    }
    ULONG size;
    std::unique_ptr<unsigned char[]> block;
};

const char* const kIds[] = {"TXXX", "WXXX", "GEOB", "TIT2", "WOAR", "APIC"};

// Runs every reading operation over one body and checks what must hold
// whatever the bytes are.
void exercise(const std::vector<unsigned char>& body) {
    const std::string where = "body " + toHex(body);
    Exact exact(body);
    KW5Field field;
    ASSERT_EQ(field.setBytes(exact.block.get(), exact.size), KW5_FILE_RET_OK);

    for (const char* id : kIds) {
        KW5FieldInfo record;
        record.setFrameId(id);
        ULONG offset = 0;
        _KW5_FILE_RET result = field.getDataOffset(record, offset);
        std::vector<unsigned char> payload;
        EXPECT_EQ(field.getPayload(id, payload), result) << id << " " << where;
        if (result == KW5_FILE_RET_OK) {
            const size_t expected = offset < body.size() ? body.size() - offset : 0;
            EXPECT_EQ(payload.size(), expected) << id << " " << where;
        }
        std::string description = "x";
        field.getDescription(id, description);
        KW5WString mime;
        field.getMimeType(id, mime);
    }

    KW5FieldT t;
    KW5FieldTXXX txxx;
    KW5FieldWXXX wxxx;
    KW5FieldGEOB geob;
    KW5FieldBase* codecs[] = {&t, &txxx, &wxxx, &geob};
    for (KW5FieldBase* codec : codecs) {
        std::vector<unsigned char> newBody;
        _KW5_FILE_RET result = codec->convertToUtf16BE("", exact.block.get(), exact.size, newBody);
        if (result != KW5_FILE_RET_OK) {
            EXPECT_TRUE(newBody.empty()) << where;
            continue;
        }
        // What was re-encoded is encoding 2 and reads back.
        ASSERT_FALSE(newBody.empty()) << where;
        EXPECT_EQ(newBody[0], 0x02) << where;
        if (codec == &t)
            continue;
        Exact again(newBody);
        ASSERT_EQ(codec->setData(again.block.get(), again.size), KW5_FILE_RET_OK);
        KW5FieldInfo record;
        ULONG offset = 0;
        EXPECT_EQ(codec->decode(record, offset), KW5_FILE_RET_OK) << toHex(newBody);
        EXPECT_LE(offset, newBody.size()) << toHex(newBody);
    }
}

TEST_F(TruncatedBody, EveryPrefixOfWellFormedBodies) {
    const char* bodies[] = {
        "00 58 00 41 42",
        "01 FF FE 58 00 00 00 FF FE 41 00",
        "02 00 58 00 00 00 41",
        "01 FE FF 00 58 00 00 61",
        "00 62 69 6E 00 00 56 4D 4B 00 01 02",
        "01 62 00 FF FE 61 00 00 00 FF FE 44 00 00 00 01 02",
        "02 62 00 00 61 00 00 00 44 00 00 05",
        "01 62 00 FE 41 00 00 41 00 00 00",
    };
    for (const char* hexBody : bodies) {
        const std::vector<unsigned char> full = hex(hexBody);
        for (size_t n = 0; n <= full.size(); ++n)
            exercise(std::vector<unsigned char>(full.begin(), full.begin() + n));
    }
}

TEST_F(TruncatedBody, RandomBodies) {
    std::mt19937 random(20240511);
    const unsigned char interesting[] = {0x00, 0x00, 0x00, 0xFF, 0xFE, 0x41, 0x80, 0x81};
    for (int round = 0; round < 1500; ++round) {
        std::vector<unsigned char> body(random() % 24);
        for (unsigned char& byte : body)
            byte = random() % 2 ? interesting[random() % sizeof interesting]
                                : static_cast<unsigned char>(random());
        if (!body.empty())
            body[0] = static_cast<unsigned char>(random() % 4);
        exercise(body);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(TruncatedBody, RandomBodiesIn932) {
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(932));
    std::mt19937 random(932);
    for (int round = 0; round < 500; ++round) {
        std::vector<unsigned char> body(random() % 20);
        for (unsigned char& byte : body)
            byte = random() % 3 ? static_cast<unsigned char>(0x81 + random() % 0x7F)
                                : static_cast<unsigned char>(random() % 2);
        if (!body.empty())
            body[0] = static_cast<unsigned char>(random() % 3);
        exercise(body);
        if (HasFatalFailure())
            return;
    }
}

} // namespace
