// Frame bodies byte for byte: what each field type renders for a record in
// every text encoding and code page, what it parses back, how it re-encodes
// a body to UTF-16 BE, and that cut or hostile bodies are never overread.
#include "fields/KW5Field.h"
#include "fields/KW5FieldGEOB.h"
#include "fields/KW5FieldT.h"
#include "fields/KW5FieldTXXX.h"
#include "fields/KW5FieldW.h"
#include "fields/KW5FieldWXXX.h"
#include "platform/CodePage.h"
#include "tests/tag/TagImages.h"

#include <memory>
#include <random>
#include <sstream>

using namespace kw5img;

namespace {

// Every case runs in code page 1252 unless its row names another.
class Fields : public ::testing::Test {
protected:
    void SetUp() override { saved_ = kw5platform::threadAnsiCodePage(); }
    void TearDown() override { kw5platform::setThreadAnsiCodePage(saved_); }
    static void codePage(unsigned cp) { ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(cp)); }

private:
    unsigned saved_ = 1252;
};

// 'T' text, 'W' URL, 'X' user text, 'U' user URL, 'G' object.
std::unique_ptr<KW5FieldBase> codec(char kind) {
    switch (kind) {
    case 'T':
        return std::unique_ptr<KW5FieldBase>(new KW5FieldT);
    case 'W':
        return std::unique_ptr<KW5FieldBase>(new KW5FieldW);
    case 'X':
        return std::unique_ptr<KW5FieldBase>(new KW5FieldTXXX);
    case 'U':
        return std::unique_ptr<KW5FieldBase>(new KW5FieldWXXX);
    }
    return std::unique_ptr<KW5FieldBase>(new KW5FieldGEOB);
}

std::string narrowHex(const std::string& s) {
    return toHex(str(s));
}

const std::string kNul(1, '\0');
const std::string kNihon = "\x93\xFA\x96\x7B\x8C\xEA"; // "日本語" in code page 932

// A text record rendered by the holder, which picks the field type by id.
TEST_F(Fields, RenderText) {
    const struct {
        const char* id;
        unsigned cp;
        unsigned char encoding;
        std::string description;
        KW5WString value;
        _KW5_FILE_RET result;
        const char* body;
    } rows[] = {
        {"TIT2", 1252, 0, "", KW5_WSTR("A"), KW5_FILE_RET_OK, "00 41"},
        {"TIT2", 1252, 1, "", KW5_WSTR("A"), KW5_FILE_RET_OK, "01 FF FE 41 00"},
        {"TIT2", 1252, 2, "", KW5_WSTR("A"), KW5_FILE_RET_OK, "02 00 41"},
        {"TIT2", 1252, 0, "", KW5_WSTR(""), KW5_FILE_RET_OK, "00"},
        {"TIT2", 1252, 1, "", KW5_WSTR(""), KW5_FILE_RET_OK, "01 FF FE"},
        {"TIT2", 1252, 2, "", KW5_WSTR(""), KW5_FILE_RET_OK, "02"},
        {"TIT2", 1252, 0, "", KW5_WSTR("\u00E9\u20AC\u65E5"), KW5_FILE_RET_OK, "00 E9 80 3F"},
        {"TIT2", 932, 0, "", KW5_WSTR("\u65E5\u672C\u8A9E"), KW5_FILE_RET_OK,
         "00 93 FA 96 7B 8C EA"},
        {"TIT2", 1252, 1, "", KW5_WSTR("\u6C3E"), KW5_FILE_RET_OK, "01 FF FE 3E 6C"},
        {"TALB", 1252, 2, "", KW5WString(KW5_WSTR("a\0b"), 3), KW5_FILE_RET_OK,
         "02 00 61 00 00 00 62"},
        {"TIT2", 1252, 3, "", KW5_WSTR("A"), KW5_FILE_RET_BAD_LAYOUT, ""},
        {"TIT2", 1252, 9, "", KW5_WSTR("A"), KW5_FILE_RET_BAD_LAYOUT, ""},
        {"WOAR", 1252, 0, "", KW5_WSTR("http://x"), KW5_FILE_RET_OK, "68 74 74 70 3A 2F 2F 78"},
        {"WOAR", 1252, 0, "", KW5_WSTR(""), KW5_FILE_RET_OK, "00"},
        {"WCOM", 1252, 200, "d", KW5_WSTR("ab"), KW5_FILE_RET_OK, "61 62"}, // no encoding byte
        {"WOAR", 1252, 1, "", KW5_WSTR("\u00E9\u65E5"), KW5_FILE_RET_OK, "E9 3F"},
        {"WXXX", 1252, 0, "X", KW5_WSTR("a"), KW5_FILE_RET_OK, "00 58 00 61"},
        {"WXXX", 1252, 1, "X", KW5_WSTR("a"), KW5_FILE_RET_OK, "01 FF FE 58 00 00 00 61"},
        {"WXXX", 1252, 2, "X", KW5_WSTR("a"), KW5_FILE_RET_OK, "02 00 58 00 00 61"},
        {"WXXX", 1252, 2, "X", KW5_WSTR(""), KW5_FILE_RET_OK, "02 00 58 00 00"},
        {"WXXX", 1252, 0, "", KW5_WSTR("a"), KW5_FILE_RET_INVALID_PARAMETER, ""},
        {"WXXX", 1252, 1, "", KW5_WSTR("a"), KW5_FILE_RET_INVALID_PARAMETER, ""},
        {"WXXX", 1252, 2, "", KW5_WSTR("a"), KW5_FILE_RET_INVALID_PARAMETER, ""},
        {"WXXX", 1252, 3, "X", KW5_WSTR("a"), KW5_FILE_RET_BAD_LAYOUT, ""},
        {"TXXX", 1252, 0, "X", KW5_WSTR("A"), KW5_FILE_RET_OK, "00 58 00 41"},
        {"TXXX", 1252, 1, "X", KW5_WSTR("A"), KW5_FILE_RET_OK, "01 FF FE 58 00 00 00 FF FE 41 00"},
        {"TXXX", 1252, 2, "X", KW5_WSTR("A"), KW5_FILE_RET_OK, "02 00 58 00 00 00 41"},
        {"TXXX", 1252, 0, "X", KW5_WSTR(""), KW5_FILE_RET_OK, "00 58 00"},
        {"TXXX", 1252, 1, "X", KW5_WSTR(""), KW5_FILE_RET_OK, "01 FF FE 58 00 00 00 FF FE"},
        {"TXXX", 1252, 2, "X", KW5_WSTR(""), KW5_FILE_RET_OK, "02 00 58 00 00"},
        {"TXXX", 1252, 2, "\xE9", KW5_WSTR("\u6C3E"), KW5_FILE_RET_OK, "02 00 E9 00 00 6C 3E"},
        {"TXXX", 932, 1, kNihon, KW5_WSTR(""), KW5_FILE_RET_OK,
         "01 FF FE E5 65 2C 67 9E 8A 00 00 FF FE"},
        {"TXXX", 1252, 2, kNul, KW5_WSTR("A"), KW5_FILE_RET_OK, "02 00 00 00 41"},
        {"TXXX", 1252, 0, "", KW5_WSTR("A"), KW5_FILE_RET_INVALID_PARAMETER, ""},
        {"TXXX", 1252, 1, "", KW5_WSTR("A"), KW5_FILE_RET_INVALID_PARAMETER, ""},
        {"TXXX", 1252, 2, "", KW5_WSTR("A"), KW5_FILE_RET_INVALID_PARAMETER, ""},
        {"TXXX", 1252, 3, "X", KW5_WSTR("A"), KW5_FILE_RET_BAD_LAYOUT, ""},
        {"TXXX", 1252, 200, "X", KW5_WSTR("A"), KW5_FILE_RET_BAD_LAYOUT, ""},
        {"GEOB", 1252, 0, "X", KW5_WSTR("A"), KW5_FILE_RET_OK, ""}, // not a text frame
        {"APIC", 1252, 0, "X", KW5_WSTR("A"), KW5_FILE_RET_OK, ""},
        {"", 1252, 0, "X", KW5_WSTR("A"), KW5_FILE_RET_INVALID_PARAMETER, ""},
    };
    for (const auto& row : rows) {
        codePage(row.cp);
        KW5FieldInfo record;
        record.setFrameId(row.id);
        record.setDescription(row.description);
        record.setEncoding(row.encoding);
        record.setValue(row.value);
        KW5Field field;
        const Bytes old = hex("01 02");
        field.setBytes(old.data(), 2);
        EXPECT_EQ(field.buildTextField(record), row.result) << row.id << " " << row.body;
        EXPECT_EQ(toHex(field.bytes()), row.body) << row.id << " " << int(row.encoding);
    }
    // The codec keeps what it rendered; the holder takes it.
    KW5FieldT text;
    KW5FieldInfo record;
    record.setValue(KW5_WSTR("hi"));
    KW5Field field;
    ASSERT_EQ(field.encodeWith(text, record), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(field.bytes()), "00 68 69");
    EXPECT_EQ(text.buffer(), field.bytes());
    record.setEncoding(3);
    EXPECT_EQ(text.encode(record), KW5_FILE_RET_BAD_LAYOUT);
    EXPECT_TRUE(text.buffer().empty());
}

TEST_F(Fields, RenderObject) {
    const struct {
        unsigned cp;
        unsigned char encoding;
        std::string mime, file, description;
        const char* data;
        _KW5_FILE_RET result;
        const char* body;
    } rows[] = {
        {1252, 0, "binary", "", "VMK_LSI", "01 02", KW5_FILE_RET_OK,
         "00 62 69 6E 61 72 79 00 00 56 4D 4B 5F 4C 53 49 00 01 02"},
        {1252, 1, "b", "", "D", "01", KW5_FILE_RET_OK, "01 62 00 00 00 FF FE 44 00 00 00 01"},
        {1252, 1, "b", "a", "D", "", KW5_FILE_RET_OK,
         "01 62 00 FF FE 61 00 00 00 FF FE 44 00 00 00"},
        {1252, 1, "", "", "", "", KW5_FILE_RET_OK, "01 00 00 00 FF FE 00 00"},
        {1252, 2, "b", "a", "D", "05", KW5_FILE_RET_OK, "02 62 00 00 61 00 00 00 44 00 00 05"},
        {1252, 2, "b", "", "D", "CA FE", KW5_FILE_RET_OK, "02 62 00 00 00 00 44 00 00 CA FE"},
        {1252, 2, "", "", "", "", KW5_FILE_RET_OK, "02 00 00 00 00 00"},
        {1252, 0, "", "", "", "", KW5_FILE_RET_OK, "00 00 00 00"},
        {1252, 2, "b", kNul, kNul, "", KW5_FILE_RET_OK, "02 62 00 00 00 00 00"},
        {932, 2, "b", "", kNihon, "", KW5_FILE_RET_OK, "02 62 00 00 00 65 E5 67 2C 8A 9E 00 00"},
        {1252, 3, "b", "", "D", "", KW5_FILE_RET_INVALID_PARAMETER, ""},
        {1252, 4, "b", "", "D", "", KW5_FILE_RET_INVALID_PARAMETER, ""},
    };
    for (const auto& row : rows) {
        codePage(row.cp);
        KW5FieldInfo record;
        record.setFrameId("GEOB");
        record.setEncoding(row.encoding);
        record.setMimeType(row.mime);
        record.setFileName(row.file);
        record.setDescription(row.description);
        record.setData(hex(row.data));
        KW5Field field;
        const Bytes old = hex("01 02");
        field.setBytes(old.data(), 2);
        EXPECT_EQ(field.buildObjectField(record), row.result) << row.body;
        EXPECT_EQ(toHex(field.bytes()), row.body);
        record.setFrameId("TXXX");
        EXPECT_EQ(field.buildObjectField(record), KW5_FILE_RET_FAILED);
        EXPECT_TRUE(field.bytes().empty());
    }
}

// A body parsed by a field type: the texts ahead of the payload and where
// the payload starts. The record starts as mime "m", file "f", desc "d".
TEST_F(Fields, ParseLeadingTexts) {
    const struct {
        char kind;
        unsigned cp;
        const char* body;
        _KW5_FILE_RET result;
        std::string mime, file, description;
        ULONG offset;
    } rows[] = {
        {'X', 1252, "01 FF FE 58 00 00 00 FF FE 41 00", KW5_FILE_RET_OK, "m", "f", "X", 7},
        {'X', 1252, "00 58 59", KW5_FILE_RET_OK, "m", "f", "XY", 4},
        {'X', 1252, "02 00 58 00 00 00 41", KW5_FILE_RET_OK, "m", "f", "X", 5},
        {'X', 1252, "00 58 00 41", KW5_FILE_RET_OK, "m", "f", "X", 3},
        {'X', 932, "02 65 E5 67 2C 8A 9E 00 00 00 41", KW5_FILE_RET_OK, "m", "f", kNihon, 9},
        {'X', 1252, "03 58 00", KW5_FILE_RET_INVALID_DATA, "m", "f", "d", 999},
        {'X', 1252, "", KW5_FILE_RET_INVALID_PARAMETER, "m", "f", "d", 999},
        {'U', 1252, "02 00 58 00 00 61 62", KW5_FILE_RET_OK, "m", "f", "X", 5},
        {'U', 1252, "04 00 58 00 00 61 62", KW5_FILE_RET_INVALID_DATA, "m", "f", "d", 999},
        {'T', 1252, "00 41", KW5_FILE_RET_NOT_IMPLEMENTED, "m", "f", "d", 999},
        {'W', 1252, "61", KW5_FILE_RET_NOT_IMPLEMENTED, "m", "f", "d", 999},
        {'G', 1252, "00 62 69 6E 61 72 79 00 00 56 4D 4B 5F 4C 53 49 00 A0 A1", KW5_FILE_RET_OK,
         "binary", "", "VMK_LSI", 17},
        {'G', 1252, "01 6D 00 FF FE 61 00 00 00 FF FE 44 00 00 00 99", KW5_FILE_RET_OK, "m", "a",
         "D", 15},
        {'G', 1252, "02 6D 00 00 61 00 00 FE FF 00 44 00 00 99", KW5_FILE_RET_OK, "m", "a", "?D",
         13},
        // Encoding 1: FE FF is big-endian without the mark, FE 41 big-endian
        // from its first byte, 41 00 little-endian from its first byte.
        {'G', 1252, "01 00 FE FF 00 61 00 00 41 00 00 00", KW5_FILE_RET_OK, "", "a", "A", 12},
        {'G', 1252, "01 00 FE 41 00 00 00 00", KW5_FILE_RET_OK, "", "?", "", 8},
        {'G', 1252, "00 62 00 00 56 4D 4B", KW5_FILE_RET_OK, "b", "", "VMK", 8}, // one past the end
        {'G', 1252, "02 62 00 00 00 00 56", KW5_FILE_RET_OK, "b", "", "", 7},
        {'G', 932, "01 62 00 00 00 FF FE E5 65 2C 67 9E 8A 00 00", KW5_FILE_RET_OK, "b", "", kNihon,
         15},
        {'G', 1252, "00", KW5_FILE_RET_OK, "", "", "", 4},
        {'G', 1252, "03 62 00 00 00", KW5_FILE_RET_INVALID_DATA, "m", "f", "d", 999},
        {'G', 1252, "", KW5_FILE_RET_INVALID_PARAMETER, "m", "f", "d", 999},
    };
    for (const auto& row : rows) {
        codePage(row.cp);
        const Bytes body = hex(row.body);
        auto c = codec(row.kind);
        ASSERT_EQ(c->setData(body.data(), static_cast<ULONG>(body.size())), KW5_FILE_RET_OK);
        KW5FieldInfo record, inPlace;
        for (KW5FieldInfo* r : {&record, &inPlace}) {
            r->setFrameId("ANY");
            r->setMimeType("m");
            r->setFileName("f");
            r->setDescription("d");
            r->setEncoding(2);
            r->setValue(KW5_WSTR("v"));
        }
        ULONG offset = 999, inPlaceOffset = 999;
        EXPECT_EQ(c->decode(record, offset), row.result) << row.kind << " " << row.body;
        EXPECT_EQ(record.mimeType(), row.mime) << row.body;
        EXPECT_EQ(record.fileName(), row.file) << row.body;
        EXPECT_EQ(narrowHex(record.description()), narrowHex(row.description)) << row.body;
        EXPECT_EQ(offset, row.offset) << row.body;
        EXPECT_EQ(record.frameId() + char(record.encoding()), "ANY\x02") << "left alone";
        EXPECT_EQ(toHex(c->buffer()), row.body) << "the held body stays";
        if (row.kind != 'G')
            continue;
        // Parsed where the body lies: the same answers.
        EXPECT_EQ(KW5FieldGEOB::decodeBody(body, inPlace, inPlaceOffset), row.result);
        EXPECT_EQ(inPlace.mimeType() + "|" + inPlace.fileName() + "|" + inPlace.description(),
                  record.mimeType() + "|" + record.fileName() + "|" + record.description());
        EXPECT_EQ(inPlaceOffset, offset);
    }
}

// A body re-encoded to UTF-16 BE (encoding 2) by its field type.
TEST_F(Fields, ReencodeToUtf16BigEndian) {
    const struct {
        char kind;
        const char* body;
        _KW5_FILE_RET result;
        const char* out;
    } rows[] = {
        {'T', "00 41 42", KW5_FILE_RET_OK, "02 00 41 00 42"},
        {'T', "00 41 E9 80", KW5_FILE_RET_OK, "02 00 41 00 E9 20 AC"},
        {'T', "00 41 00 42", KW5_FILE_RET_OK, "02 00 41"},
        {'T', "00 00 41", KW5_FILE_RET_OK, "02 00 00"},
        {'T', "01 FF FE 41 00 00 00", KW5_FILE_RET_OK, "02 00 41 00 00"},
        {'T', "01 FE FF 00 41", KW5_FILE_RET_OK, "02 00 41"},
        {'T', "01 41 00", KW5_FILE_RET_OK, "02 00 41"},
        {'T', "01 41 00 42 00", KW5_FILE_RET_OK, "02 00 42"},
        {'T', "01 FF FE", KW5_FILE_RET_OK, "02"},
        {'T', "01 FE FF", KW5_FILE_RET_OK, "02"},
        // A text after a NUL may bring its own mark; without a NUL it is a character.
        {'T', "01 FF FE 41 00 00 00 FF FE 42 00", KW5_FILE_RET_OK, "02 00 41 00 00 00 42"},
        {'T', "01 FF FE 41 00 00 00 FE FF 00 42", KW5_FILE_RET_OK, "02 00 41 00 00 00 42"},
        {'T', "01 FF FE 41 00 FF FE", KW5_FILE_RET_OK, "02 00 41 FE FF"},
        {'T', "01", KW5_FILE_RET_OK, "02"},
        {'T', "02 00 41", KW5_FILE_RET_OK, "02 00 41"},
        {'T', "02 FE FF 00 41", KW5_FILE_RET_OK, "02 FE FF 00 41"},
        {'T', "00 80", KW5_FILE_RET_OK, "02 20 AC"},
        // An odd trailing byte is dropped.
        {'T', "02 00 41 00", KW5_FILE_RET_OK, "02 00 41"},
        {'T', "01 FF FE 41", KW5_FILE_RET_OK, "02"},
        {'T', "01 41", KW5_FILE_RET_OK, "02"},
        {'T', "01 FF FE 41 00 42", KW5_FILE_RET_OK, "02 00 41"},
        {'T', "01 FE FF 00 41 42", KW5_FILE_RET_OK, "02 00 41"},
        {'T', "03 41", KW5_FILE_RET_INVALID_DATA, "EE"},
        {'T', "FF 00 41", KW5_FILE_RET_INVALID_DATA, "EE"},
        {'T', "", KW5_FILE_RET_INVALID_DATA, "EE"},
        {'W', "61", KW5_FILE_RET_NOT_IMPLEMENTED, "EE"},
        {'X', "00 58 00 41", KW5_FILE_RET_OK, "02 00 58 00 00 00 41"},
        {'X', "01 FF FE 58 00 00 00 FF FE 41 00", KW5_FILE_RET_OK, "02 00 58 00 00 00 41"},
        {'X', "02 00 58 00 00 00 41", KW5_FILE_RET_OK, "02 00 58 00 00 00 41"},
        {'X', "01 FF FE 58 00 00 00 FF FE 41 00 00 00", KW5_FILE_RET_OK,
         "02 00 58 00 00 00 41 00 00"}, // a terminator after the value stays
        {'X', "00 58 00 41 00 42", KW5_FILE_RET_OK, "02 00 58 00 00 00 41"},
        {'X', "00 58 00", KW5_FILE_RET_OK, "02 00 58 00 00"},
        {'X', "01 FF FE 3E 6C 00 00 FF FE 3E 6C", KW5_FILE_RET_OK, "02 00 3F 00 00 6C 3E"},
        {'X', "00 58 59", KW5_FILE_RET_FAILED, "EE"}, // the description runs to the end
        {'X', "03 58 00 41", KW5_FILE_RET_INVALID_DATA, "EE"},
        {'X', "", KW5_FILE_RET_INVALID_DATA, "EE"},
        {'X', "00 00 41", KW5_FILE_RET_INVALID_PARAMETER, "EE"},
        {'X', "00", KW5_FILE_RET_INVALID_PARAMETER, "EE"},
        {'U', "00 58 00 61 62", KW5_FILE_RET_OK, "02 00 58 00 00 61 62"},
        {'U', "01 FF FE 58 00 00 00 61", KW5_FILE_RET_OK, "02 00 58 00 00 61"},
        {'U', "02 00 58 00 00 61", KW5_FILE_RET_OK, "02 00 58 00 00 61"},
        {'U', "01 FF FE 58 00 00 00 61 00 62", KW5_FILE_RET_OK, "02 00 58 00 00 61"},
        {'U', "00 58 00 E9 80", KW5_FILE_RET_OK, "02 00 58 00 00 E9 80"},
        {'U', "00 58 59 5A", KW5_FILE_RET_FAILED, "EE"},
        {'U', "07 58 00 61", KW5_FILE_RET_INVALID_DATA, "EE"},
        {'U', "", KW5_FILE_RET_INVALID_DATA, "EE"},
        {'U', "00 00 61", KW5_FILE_RET_INVALID_PARAMETER, "EE"},
        {'G', "00 62 69 6E 61 72 79 00 00 56 4D 4B 5F 4C 53 49 00 A0 A1 A2 A3", KW5_FILE_RET_OK,
         "02 62 69 6E 61 72 79 00 00 00 00 56 00 4D 00 4B 00 5F 00 4C 00 53 00 49 00 00 A0 A1 A2 "
         "A3"},
        {'G', "01 62 00 FF FE 61 00 00 00 FF FE 44 00 00 00 01 02", KW5_FILE_RET_OK,
         "02 62 00 00 61 00 00 00 44 00 00 01 02"},
        {'G', "00 62 00 00 44", KW5_FILE_RET_OK, "02 62 00 00 00 00 44 00 00"},
        {'G', "05 62 00 00 00", KW5_FILE_RET_INVALID_DATA, "EE"},
        {'G', "", KW5_FILE_RET_INVALID_PARAMETER, "EE"},
    };
    for (const auto& row : rows) {
        codePage(1252);
        auto c = codec(row.kind);
        const Bytes body = hex(row.body);
        Bytes out = {0xEE};
        const unsigned char* data = body.empty() ? out.data() : body.data();
        EXPECT_EQ(c->convertToUtf16BE("TIT2", data, static_cast<ULONG>(body.size()), out),
                  row.result)
            << row.kind << " " << row.body;
        EXPECT_EQ(toHex(out), row.out) << row.kind << " " << row.body;
        EXPECT_EQ(toHex(c->buffer()), row.result == KW5_FILE_RET_OK ? row.out : "") << row.body;
    }
    Bytes out;
    EXPECT_EQ(KW5FieldT().convertToUtf16BE("TIT2", nullptr, 4, out), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(KW5FieldGEOB().convertToUtf16BE("GEOB", nullptr, 5, out), KW5_FILE_RET_NULL_POINTER);
}

// The holder of a read body: where the payload starts for each frame id,
// the payload, and the description.
TEST_F(Fields, HolderPayloadAndDescription) {
    const struct {
        const char* id;
        const char* body;
        _KW5_FILE_RET result;
        ULONG offset;
        const char *payload, *description;
    } rows[] = {
        {"TIT2", "00 41 42", KW5_FILE_RET_OK, 1, "41 42", "caller"},
        {"TALB", "00", KW5_FILE_RET_OK, 1, "", "caller"},
        {"T", "00 41", KW5_FILE_RET_OK, 1, "41", "caller"},
        {"TXXX", "00 58 00 41", KW5_FILE_RET_OK, 3, "41", "X"},
        {"TXXX", "00 58 59", KW5_FILE_RET_OK, 4, "", "XY"},
        {"TXXX", "01 FF FE 58 00 00 00 FF FE 41 00", KW5_FILE_RET_OK, 7, "FF FE 41 00", "X"},
        {"WXXX", "02 00 58 00 00 61 62", KW5_FILE_RET_OK, 5, "61 62", "X"},
        {"WXXX", "00 57 00 61", KW5_FILE_RET_OK, 3, "61", "W"},
        {"WOAR", "68 74", KW5_FILE_RET_OK, 0, "68 74", "caller"},
        {"WCOM", "68", KW5_FILE_RET_OK, 0, "68", "caller"},
        {"APIC", "01 02 03", KW5_FILE_RET_OK, 0, "01 02 03", "caller"},
        {"USLT", "01", KW5_FILE_RET_OK, 0, "01", "caller"},
        {"GEOB", "00 62 00 00 44 00 09 08", KW5_FILE_RET_OK, 6, "09 08", "D"},
        {"GEOB", "00 62 00 00 44", KW5_FILE_RET_OK, 6, "", "D"},
        {"TIT2", "", KW5_FILE_RET_OK, 1, "", "caller"},
        {"QQQQ", "00 41", KW5_FILE_RET_INVALID_PARAMETER, 99, "EE", "caller"},
        {"geob", "00 41", KW5_FILE_RET_INVALID_PARAMETER, 99, "EE", "caller"},
        {"", "00 41", KW5_FILE_RET_INVALID_PARAMETER, 99, "EE", "caller"},
        {"TXXX", "09 41 00", KW5_FILE_RET_INVALID_DATA, 99, "EE", "caller"},
    };
    for (const auto& row : rows) {
        const Bytes body = hex(row.body);
        KW5Field field;
        ASSERT_EQ(field.setBytes(body.data(), static_cast<ULONG>(body.size())), KW5_FILE_RET_OK);
        KW5FieldInfo record;
        record.setFrameId(row.id);
        ULONG offset = 99, size = 12345;
        EXPECT_EQ(field.getDataOffset(record, offset), row.result) << row.id << " " << row.body;
        EXPECT_EQ(offset, row.offset) << row.id << " " << row.body;
        Bytes payload = {0xEE};
        EXPECT_EQ(field.getPayload(row.id, payload), row.result);
        EXPECT_EQ(toHex(payload), row.payload) << row.id << " " << row.body;
        EXPECT_EQ(field.getPayloadSize(row.id, size), row.result);
        EXPECT_EQ(size, row.result == KW5_FILE_RET_OK ? payload.size() : 12345u);
        std::string description = "caller";
        const _KW5_FILE_RET described = field.getDescription(row.id, description);
        EXPECT_EQ(described == KW5_FILE_RET_OK, row.result == KW5_FILE_RET_OK) << row.id;
        EXPECT_EQ(description, row.description) << row.id << " " << row.body;
    }
    // MIME types, of objects only; the standard frames by their ids.
    KW5Field field;
    KW5WString mime = KW5_WSTR("kept");
    EXPECT_EQ(field.getMimeType("GEOB", mime), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(mime, KW5_WSTR("kept"));
    const Bytes object = hex("00 69 6D 61 67 65 2F E9 00 00 44 00");
    field.setBytes(object.data(), static_cast<ULONG>(object.size()));
    ASSERT_EQ(field.getMimeType("GEOB", mime), KW5_FILE_RET_OK);
    EXPECT_EQ(mime, KW5_WSTR("image/\u00E9"));
    ASSERT_EQ(field.getMimeType("TIT2", mime), KW5_FILE_RET_OK);
    EXPECT_TRUE(mime.empty());
    EXPECT_EQ(field.getMimeType("XYZW", mime), KW5_FILE_RET_INVALID_PARAMETER);
    std::istringstream ids("AENC APIC COMM COMR ENCR EQUA ETCO GRID IPLS LINK MCDI MLLT OWNE PRIV "
                           "PCNT POPM POSS RBUF RVAD RVRB SYLT SYTC UFID USER USLT");
    for (std::string id; ids >> id;)
        EXPECT_TRUE(isStandardFrameId(id)) << id;
    for (const char* id : {"", "GEOB", "TXXX", "TIT2", "WOAR", "API", "APICX", "apic", "XYZW"})
        EXPECT_FALSE(isStandardFrameId(id)) << id;
    // Copies in and out refuse a null source or a short destination.
    unsigned char out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(field.copyTo(out, 11), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(field.setBytes(nullptr, 2), KW5_FILE_RET_NULL_POINTER);
    EXPECT_TRUE(field.takeBytes().empty());
    KW5FieldT c;
    ASSERT_EQ(c.setData(object.data(), 3), KW5_FILE_RET_OK);
    EXPECT_EQ(c.getData(out, 4), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(c.getData(nullptr, 3), KW5_FILE_RET_NULL_POINTER);
    ASSERT_EQ(c.getData(out + 1, 3), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex({out, out + 4}), "EE 00 69 6D");
    EXPECT_EQ(c.setData(nullptr, 3), KW5_FILE_RET_NULL_POINTER);
    EXPECT_TRUE(c.buffer().empty());
}

// Runs every reading operation over one body, copied into a block of exactly
// its size so that the address sanitizer sees any read beyond it.
void exercise(const Bytes& body) {
    const std::string where = "body " + toHex(body);
    const ULONG size = static_cast<ULONG>(body.size());
    std::unique_ptr<unsigned char[]> exact(new unsigned char[size + !size]);
    std::copy(body.begin(), body.end(), exact.get());
    KW5Field field;
    ASSERT_EQ(field.setBytes(exact.get(), size), KW5_FILE_RET_OK);
    for (const char* id : {"TXXX", "WXXX", "GEOB", "TIT2", "WOAR", "APIC"}) {
        KW5FieldInfo record;
        record.setFrameId(id);
        ULONG offset = 0;
        const _KW5_FILE_RET result = field.getDataOffset(record, offset);
        Bytes payload;
        EXPECT_EQ(field.getPayload(id, payload), result) << id << " " << where;
        if (result == KW5_FILE_RET_OK) {
            EXPECT_EQ(payload.size(), offset < size ? size - offset : 0) << id << " " << where;
        }
        std::string description;
        field.getDescription(id, description);
        KW5WString mime;
        field.getMimeType(id, mime);
    }
    for (char kind : {'T', 'X', 'U', 'G'}) {
        auto c = codec(kind);
        Bytes out;
        if (c->convertToUtf16BE("", exact.get(), size, out) != KW5_FILE_RET_OK) {
            EXPECT_TRUE(out.empty()) << where;
            continue;
        }
        // What was re-encoded is encoding 2 and reads back.
        ASSERT_EQ(out.empty() ? -1 : out[0], 0x02) << where;
        KW5FieldInfo record;
        ULONG offset = 0;
        if (kind != 'T') {
            EXPECT_EQ(c->decode(record, offset), KW5_FILE_RET_OK) << toHex(out);
            EXPECT_LE(offset, out.size()) << toHex(out);
        }
    }
}

TEST_F(Fields, CutAndHostileBodies) {
    for (const char* whole :
         {"00 58 00 41 42", "01 FF FE 58 00 00 00 FF FE 41 00", "02 00 58 00 00 00 41",
          "01 FE FF 00 58 00 00 61", "00 62 69 6E 00 00 56 4D 4B 00 01 02",
          "01 62 00 FF FE 61 00 00 00 FF FE 44 00 00 00 01 02",
          "02 62 00 00 61 00 00 00 44 00 00 05", "01 62 00 FE 41 00 00 41 00 00 00"}) {
        const Bytes full = hex(whole);
        for (size_t n = 0; n <= full.size(); ++n)
            exercise(Bytes(full.begin(), full.begin() + n));
    }
    const unsigned char interesting[] = {0x00, 0x00, 0x00, 0xFF, 0xFE, 0x41, 0x80, 0x81};
    for (unsigned cp : {1252u, 932u}) {
        codePage(cp);
        std::mt19937 random(cp);
        for (int round = 0; round < 1000; ++round) {
            Bytes body(random() % 24);
            for (unsigned char& byte : body)
                byte = cp == 932      ? (random() % 3 ? 0x81 + random() % 0x7F : random() % 2)
                       : random() % 2 ? interesting[random() % sizeof interesting]
                                      : random();
            if (!body.empty())
                body[0] = static_cast<unsigned char>(random() % 4);
            exercise(body);
            if (HasFatalFailure())
                return;
        }
    }
}

} // namespace
