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
    return std::unique_ptr<KW5FieldBase>(
        kind == 'T'   ? static_cast<KW5FieldBase*>(new KW5FieldT)
        : kind == 'W' ? static_cast<KW5FieldBase*>(new KW5FieldW)
        : kind == 'X' ? static_cast<KW5FieldBase*>(new KW5FieldTXXX)
        : kind == 'U' ? static_cast<KW5FieldBase*>(new KW5FieldWXXX)
                      : static_cast<KW5FieldBase*>(new KW5FieldGEOB));
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
        {"TIT2", 1252, 0, "", KW5_WSTR("A"), OK, "00 41"},
        {"TIT2", 1252, 1, "", KW5_WSTR("A"), OK, "01 FF FE 41 00"},
        {"TIT2", 1252, 2, "", KW5_WSTR("A"), OK, "02 00 41"},
        {"TIT2", 1252, 1, "", KW5_WSTR(""), OK, "01 FF FE"},
        {"TIT2", 1252, 2, "", KW5_WSTR(""), OK, "02"},
        {"TIT2", 1252, 0, "", KW5_WSTR("\u00E9\u20AC\u65E5"), OK, "00 E9 80 3F"},
        {"TIT2", 932, 0, "", KW5_WSTR("\u65E5\u672C\u8A9E"), OK, "00 93 FA 96 7B 8C EA"},
        {"TIT2", 1252, 1, "", KW5_WSTR("\u6C3E"), OK, "01 FF FE 3E 6C"},
        {"TALB", 1252, 2, "", KW5WString(KW5_WSTR("a\0b"), 3), OK, "02 00 61 00 00 00 62"},
        {"TIT2", 1252, 3, "", KW5_WSTR("A"), BAD_LAYOUT, ""},
        {"WOAR", 1252, 0, "", KW5_WSTR("http://x"), OK, "68 74 74 70 3A 2F 2F 78"},
        {"WOAR", 1252, 0, "", KW5_WSTR(""), OK, "00"},
        {"WCOM", 1252, 200, "d", KW5_WSTR("ab"), OK, "61 62"}, // no encoding byte
        {"WOAR", 1252, 1, "", KW5_WSTR("\u00E9\u65E5"), OK, "E9 3F"},
        {"WXXX", 1252, 0, "X", KW5_WSTR("a"), OK, "00 58 00 61"},
        {"WXXX", 1252, 1, "X", KW5_WSTR("a"), OK, "01 FF FE 58 00 00 00 61"},
        {"WXXX", 1252, 2, "X", KW5_WSTR("a"), OK, "02 00 58 00 00 61"},
        {"WXXX", 1252, 2, "X", KW5_WSTR(""), OK, "02 00 58 00 00"},
        {"WXXX", 1252, 0, "", KW5_WSTR("a"), BAD_PARAM, ""},
        {"WXXX", 1252, 3, "X", KW5_WSTR("a"), BAD_LAYOUT, ""},
        {"TXXX", 1252, 0, "X", KW5_WSTR("A"), OK, "00 58 00 41"},
        {"TXXX", 1252, 1, "X", KW5_WSTR("A"), OK, "01 FF FE 58 00 00 00 FF FE 41 00"},
        {"TXXX", 1252, 2, "X", KW5_WSTR("A"), OK, "02 00 58 00 00 00 41"},
        {"TXXX", 1252, 1, "X", KW5_WSTR(""), OK, "01 FF FE 58 00 00 00 FF FE"},
        {"TXXX", 1252, 2, "X", KW5_WSTR(""), OK, "02 00 58 00 00"},
        {"TXXX", 1252, 2, "\xE9", KW5_WSTR("\u6C3E"), OK, "02 00 E9 00 00 6C 3E"},
        {"TXXX", 932, 1, kNihon, KW5_WSTR(""), OK, "01 FF FE E5 65 2C 67 9E 8A 00 00 FF FE"},
        {"TXXX", 1252, 2, kNul, KW5_WSTR("A"), OK, "02 00 00 00 41"},
        {"TXXX", 1252, 0, "", KW5_WSTR("A"), BAD_PARAM, ""},
        {"TXXX", 1252, 3, "X", KW5_WSTR("A"), BAD_LAYOUT, ""},
        {"GEOB", 1252, 0, "X", KW5_WSTR("A"), OK, ""}, // not a text frame
        {"", 1252, 0, "X", KW5_WSTR("A"), BAD_PARAM, ""},
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
        {1252, 0, "binary", "", "VMK_LSI", "01 02", OK,
         "00 62 69 6E 61 72 79 00 00 56 4D 4B 5F 4C 53 49 00 01 02"},
        {1252, 1, "b", "", "D", "01", OK, "01 62 00 00 00 FF FE 44 00 00 00 01"},
        {1252, 1, "b", "a", "D", "", OK, "01 62 00 FF FE 61 00 00 00 FF FE 44 00 00 00"},
        {1252, 1, "", "", "", "", OK, "01 00 00 00 FF FE 00 00"},
        {1252, 2, "b", "a", "D", "05", OK, "02 62 00 00 61 00 00 00 44 00 00 05"},
        {1252, 2, "b", "", "D", "CA FE", OK, "02 62 00 00 00 00 44 00 00 CA FE"},
        {1252, 2, "", "", "", "", OK, "02 00 00 00 00 00"},
        {1252, 0, "", "", "", "", OK, "00 00 00 00"},
        {1252, 2, "b", kNul, kNul, "", OK, "02 62 00 00 00 00 00"},
        {932, 2, "b", "", kNihon, "", OK, "02 62 00 00 00 65 E5 67 2C 8A 9E 00 00"},
        {1252, 3, "b", "", "D", "", BAD_PARAM, ""},
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
    }
    KW5FieldInfo record;
    record.setFrameId("TXXX");
    EXPECT_EQ(KW5Field().buildObjectField(record), FAILED);
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
        {'X', 1252, "01 FF FE 58 00 00 00 FF FE 41 00", OK, "m", "f", "X", 7},
        {'X', 1252, "00 58 59", OK, "m", "f", "XY", 4},
        {'X', 1252, "02 00 58 00 00 00 41", OK, "m", "f", "X", 5},
        {'X', 1252, "00 58 00 41", OK, "m", "f", "X", 3},
        {'X', 932, "02 65 E5 67 2C 8A 9E 00 00 00 41", OK, "m", "f", kNihon, 9},
        {'X', 1252, "03 58 00", BAD_DATA, "m", "f", "d", 999},
        {'X', 1252, "", BAD_PARAM, "m", "f", "d", 999},
        {'U', 1252, "02 00 58 00 00 61 62", OK, "m", "f", "X", 5},
        {'U', 1252, "04 00 58 00 00 61 62", BAD_DATA, "m", "f", "d", 999},
        {'T', 1252, "00 41", NOT_IMPL, "m", "f", "d", 999},
        {'W', 1252, "61", NOT_IMPL, "m", "f", "d", 999},
        {'G', 1252, "00 62 69 6E 61 72 79 00 00 56 4D 4B 5F 4C 53 49 00 A0 A1", OK, "binary", "",
         "VMK_LSI", 17},
        {'G', 1252, "01 6D 00 FF FE 61 00 00 00 FF FE 44 00 00 00 99", OK, "m", "a", "D", 15},
        {'G', 1252, "02 6D 00 00 61 00 00 FE FF 00 44 00 00 99", OK, "m", "a", "?D", 13},
        // Encoding 1: FE FF is big-endian without the mark, FE 41 big-endian
        // from its first byte, 41 00 little-endian from its first byte.
        {'G', 1252, "01 00 FE FF 00 61 00 00 41 00 00 00", OK, "", "a", "A", 12},
        {'G', 1252, "01 00 FE 41 00 00 00 00", OK, "", "?", "", 8},
        {'G', 1252, "00 62 00 00 56 4D 4B", OK, "b", "", "VMK", 8}, // one past the end
        {'G', 1252, "02 62 00 00 00 00 56", OK, "b", "", "", 7},
        {'G', 932, "01 62 00 00 00 FF FE E5 65 2C 67 9E 8A 00 00", OK, "b", "", kNihon, 15},
        {'G', 1252, "00", OK, "", "", "", 4},
        {'G', 1252, "03 62 00 00 00", BAD_DATA, "m", "f", "d", 999},
        {'G', 1252, "", BAD_PARAM, "m", "f", "d", 999},
    };
    for (const auto& row : rows) {
        codePage(row.cp);
        const Bytes body = hex(row.body);
        auto c = codec(row.kind);
        ASSERT_EQ(c->setData(body.data(), static_cast<ULONG>(body.size())), OK);
        KW5FieldInfo record;
        record.setFrameId("ANY");
        record.setMimeType("m");
        record.setFileName("f");
        record.setDescription("d");
        record.setEncoding(2);
        ULONG offset = 999;
        EXPECT_EQ(c->decode(record, offset), row.result) << row.kind << " " << row.body;
        EXPECT_EQ(record.mimeType(), row.mime) << row.body;
        EXPECT_EQ(record.fileName(), row.file) << row.body;
        EXPECT_EQ(narrowHex(record.description()), narrowHex(row.description)) << row.body;
        EXPECT_EQ(offset, row.offset) << row.body;
        EXPECT_EQ(record.frameId() + char(record.encoding()), "ANY\x02") << "left alone";
        EXPECT_EQ(toHex(c->buffer()), row.body) << "the held body stays";
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
        {'T', "00 41 42", OK, "02 00 41 00 42"},
        {'T', "00 41 E9 80", OK, "02 00 41 00 E9 20 AC"},
        {'T', "00 41 00 42", OK, "02 00 41"},
        {'T', "00 00 41", OK, "02 00 00"},
        {'T', "01 FF FE 41 00 00 00", OK, "02 00 41 00 00"},
        {'T', "01 41 00", OK, "02 00 41"},
        {'T', "01 41 00 42 00", OK, "02 00 42"},
        {'T', "01 FF FE", OK, "02"},
        // A text after a NUL may bring its own mark; without a NUL it is a character.
        {'T', "01 FF FE 41 00 00 00 FF FE 42 00", OK, "02 00 41 00 00 00 42"},
        {'T', "01 FF FE 41 00 00 00 FE FF 00 42", OK, "02 00 41 00 00 00 42"},
        {'T', "01 FF FE 41 00 FF FE", OK, "02 00 41 FE FF"},
        {'T', "01", OK, "02"},
        {'T', "02 00 41", OK, "02 00 41"},
        {'T', "02 FE FF 00 41", OK, "02 FE FF 00 41"},
        {'T', "00 80", OK, "02 20 AC"},
        // An odd trailing byte is dropped.
        {'T', "02 00 41 00", OK, "02 00 41"},
        {'T', "01 FF FE 41", OK, "02"},
        {'T', "01 FF FE 41 00 42", OK, "02 00 41"},
        {'T', "03 41", BAD_DATA, "EE"},
        {'T', "", BAD_DATA, "EE"},
        {'W', "61", NOT_IMPL, "EE"},
        {'X', "00 58 00 41", OK, "02 00 58 00 00 00 41"},
        {'X', "01 FF FE 58 00 00 00 FF FE 41 00", OK, "02 00 58 00 00 00 41"},
        {'X', "01 FF FE 58 00 00 00 FF FE 41 00 00 00", OK,
         "02 00 58 00 00 00 41 00 00"}, // a terminator after the value stays
        {'X', "00 58 00 41 00 42", OK, "02 00 58 00 00 00 41"},
        {'X', "00 58 00", OK, "02 00 58 00 00"},
        {'X', "01 FF FE 3E 6C 00 00 FF FE 3E 6C", OK, "02 00 3F 00 00 6C 3E"},
        {'X', "00 58 59", FAILED, "EE"}, // the description runs to the end
        {'X', "03 58 00 41", BAD_DATA, "EE"},
        {'X', "", BAD_DATA, "EE"},
        {'X', "00 00 41", BAD_PARAM, "EE"},
        {'U', "00 58 00 61 62", OK, "02 00 58 00 00 61 62"},
        {'U', "01 FF FE 58 00 00 00 61", OK, "02 00 58 00 00 61"},
        {'U', "01 FF FE 58 00 00 00 61 00 62", OK, "02 00 58 00 00 61"},
        {'U', "00 58 00 E9 80", OK, "02 00 58 00 00 E9 80"},
        {'U', "00 58 59 5A", FAILED, "EE"},
        {'U', "07 58 00 61", BAD_DATA, "EE"},
        {'U', "", BAD_DATA, "EE"},
        {'U', "00 00 61", BAD_PARAM, "EE"},
        {'G', "00 62 69 6E 61 72 79 00 00 56 4D 4B 5F 4C 53 49 00 A0 A1 A2 A3", OK,
         "02 62 69 6E 61 72 79 00 00 00 00 56 00 4D 00 4B 00 5F 00 4C 00 53 00 49 00 00 A0 A1 A2 "
         "A3"},
        {'G', "01 62 00 FF FE 61 00 00 00 FF FE 44 00 00 00 01 02", OK,
         "02 62 00 00 61 00 00 00 44 00 00 01 02"},
        {'G', "00 62 00 00 44", OK, "02 62 00 00 00 00 44 00 00"},
        {'G', "05 62 00 00 00", BAD_DATA, "EE"},
        {'G', "", BAD_PARAM, "EE"},
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
        EXPECT_EQ(toHex(c->buffer()), row.result == OK ? row.out : "") << row.body;
    }
    Bytes out;
    EXPECT_EQ(KW5FieldT().convertToUtf16BE("TIT2", nullptr, 4, out), BAD_DATA);
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
        {"TIT2", "00 41 42", OK, 1, "41 42", "caller"},
        {"T", "00 41", OK, 1, "41", "caller"},
        {"TXXX", "00 58 00 41", OK, 3, "41", "X"},
        {"TXXX", "00 58 59", OK, 4, "", "XY"},
        {"TXXX", "01 FF FE 58 00 00 00 FF FE 41 00", OK, 7, "FF FE 41 00", "X"},
        {"WXXX", "02 00 58 00 00 61 62", OK, 5, "61 62", "X"},
        {"WXXX", "00 57 00 61", OK, 3, "61", "W"},
        {"WOAR", "68 74", OK, 0, "68 74", "caller"},
        {"APIC", "01 02 03", OK, 0, "01 02 03", "caller"},
        {"USLT", "01", OK, 0, "01", "caller"},
        {"GEOB", "00 62 00 00 44 00 09 08", OK, 6, "09 08", "D"},
        {"GEOB", "00 62 00 00 44", OK, 6, "", "D"},
        {"TIT2", "", OK, 1, "", "caller"},
        {"QQQQ", "00 41", BAD_PARAM, 99, "EE", "caller"},
        {"", "00 41", BAD_PARAM, 99, "EE", "caller"},
        {"TXXX", "09 41 00", BAD_DATA, 99, "EE", "caller"},
    };
    for (const auto& row : rows) {
        const Bytes body = hex(row.body);
        KW5Field field;
        ASSERT_EQ(field.setBytes(body.data(), static_cast<ULONG>(body.size())), OK);
        KW5FieldInfo record;
        record.setFrameId(row.id);
        ULONG offset = 99, size = 12345;
        EXPECT_EQ(field.getDataOffset(record, offset), row.result) << row.id << " " << row.body;
        EXPECT_EQ(offset, row.offset) << row.id << " " << row.body;
        Bytes payload = {0xEE};
        EXPECT_EQ(field.getPayload(row.id, payload), row.result);
        EXPECT_EQ(toHex(payload), row.payload) << row.id << " " << row.body;
        EXPECT_EQ(field.getPayloadSize(row.id, size), row.result);
        EXPECT_EQ(size, row.result == OK ? payload.size() : 12345u);
        std::string description = "caller";
        const _KW5_FILE_RET described = field.getDescription(row.id, description);
        EXPECT_EQ(described == OK, row.result == OK) << row.id;
        EXPECT_EQ(description, row.description) << row.id << " " << row.body;
    }
    // MIME types, of objects only.
    KW5Field field;
    KW5WString mime = KW5_WSTR("kept");
    EXPECT_EQ(field.getMimeType("GEOB", mime), BAD_DATA);
    EXPECT_EQ(mime, KW5_WSTR("kept"));
    const Bytes object = hex("00 69 6D 61 67 65 2F E9 00 00 44 00");
    field.setBytes(object.data(), static_cast<ULONG>(object.size()));
    ASSERT_EQ(field.getMimeType("GEOB", mime), OK);
    EXPECT_EQ(mime, KW5_WSTR("image/\u00E9"));
    ASSERT_EQ(field.getMimeType("TIT2", mime), OK);
    EXPECT_TRUE(mime.empty());
    EXPECT_EQ(field.getMimeType("XYZW", mime), BAD_PARAM);
    // Copies out refuse a short destination, copies in a null source.
    unsigned char out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    KW5FieldT c;
    ASSERT_EQ(c.setData(object.data(), 3), OK);
    EXPECT_EQ(c.getData(out, 4), BAD_PARAM);
    ASSERT_EQ(c.getData(out + 1, 3) + c.getData(nullptr, 0), 2 * OK);
    EXPECT_EQ(toHex({out, out + 4}), "EE 00 69 6D");
    EXPECT_EQ(c.setData(nullptr, 3) + field.setBytes(nullptr, 2), 2 * KW5_FILE_RET_NULL_POINTER);
    EXPECT_TRUE(c.buffer().empty() && field.bytes().empty());
}

// Runs every reading operation over one body, copied into a block of exactly
// its size so that the address sanitizer sees any read beyond it.
void exercise(const Bytes& body) {
    const std::string where = "body " + toHex(body);
    const ULONG size = static_cast<ULONG>(body.size());
    std::unique_ptr<unsigned char[]> exact(new unsigned char[size + !size]);
    std::copy(body.begin(), body.end(), exact.get());
    KW5Field field;
    ASSERT_EQ(field.setBytes(exact.get(), size), OK);
    for (const char* id : {"TXXX", "WXXX", "GEOB", "TIT2", "WOAR", "APIC"}) {
        KW5FieldInfo record;
        record.setFrameId(id);
        ULONG offset = 0;
        const _KW5_FILE_RET result = field.getDataOffset(record, offset);
        Bytes payload;
        EXPECT_EQ(field.getPayload(id, payload), result) << id << " " << where;
        if (result == OK) {
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
        if (c->convertToUtf16BE("", exact.get(), size, out) != OK) {
            EXPECT_TRUE(out.empty()) << where;
            continue;
        }
        // What was re-encoded is encoding 2 and reads back.
        ASSERT_EQ(out.empty() ? -1 : out[0], 0x02) << where;
        KW5FieldInfo record;
        ULONG offset = 0;
        if (kind != 'T') {
            EXPECT_EQ(c->decode(record, offset), OK) << toHex(out);
            EXPECT_LE(offset, out.size()) << toHex(out);
        }
    }
}

TEST_F(Fields, CutBodies) {
    for (const char* whole :
         {"00 58 00 41 42", "01 FF FE 58 00 00 00 FF FE 41 00", "02 00 58 00 00 00 41",
          "01 FE FF 00 58 00 00 61", "00 62 69 6E 00 00 56 4D 4B 00 01 02",
          "01 62 00 FF FE 61 00 00 00 FF FE 44 00 00 00 01 02",
          "02 62 00 00 61 00 00 00 44 00 00 05", "01 62 00 FE 41 00 00 41 00 00 00",
          "00 93 FA 96 00 8C", "01 FF FE 93 FA 00", "02 00 93 00 00 81 41"}) {
        codePage(std::string(whole).find(" 93 ") != std::string::npos ? 932 : 1252);
        const Bytes full = hex(whole);
        for (size_t n = 0; n <= full.size(); ++n)
            exercise(Bytes(full.begin(), full.begin() + n));
    }
}

} // namespace
