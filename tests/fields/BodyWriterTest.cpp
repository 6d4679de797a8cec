#include "fields/KW5BodyWriter.h"

#include "FieldsTestSupport.h"

using namespace kw5fieldstest;

namespace {

// Runs one appender over a buffer of exactly the given size and returns the
// bytes, or the raised code as text.
template <typename Append> std::string written(size_t size, Append append) {
    std::vector<unsigned char> buffer(size, 0xEE);
    KW5BodyWriter writer(buffer);
    try {
        append(writer);
        writer.finish();
    } catch (_KW5_FILE_RET code) {
        return "raised " + std::to_string(code);
    }
    return toHex(buffer);
}

const std::string kRaisedBadLayout = "raised " + std::to_string(KW5_FILE_RET_BAD_LAYOUT);

TEST(BodyWriter, AppendBytes) {
    const unsigned char bytes[] = {1, 2, 3};
    EXPECT_EQ(written(3, [&](KW5BodyWriter& w) { w.appendBytes(bytes, 3); }), "01 02 03");
    EXPECT_EQ(written(0, [&](KW5BodyWriter& w) { w.appendBytes(nullptr, 0); }), "");
}

TEST(BodyWriter, AppendTerminatedPerEncoding) {
    const unsigned char bytes[] = {0x41};
    EXPECT_EQ(written(2, [&](KW5BodyWriter& w) { w.appendTerminated(bytes, 1, 0); }), "41 00");
    EXPECT_EQ(written(3, [&](KW5BodyWriter& w) { w.appendTerminated(bytes, 1, 1); }), "41 00 00");
    EXPECT_EQ(written(3, [&](KW5BodyWriter& w) { w.appendTerminated(bytes, 1, 2); }), "41 00 00");
    EXPECT_EQ(written(3, [&](KW5BodyWriter& w) { w.appendTerminated(bytes, 1, 3); }),
              "raised " + std::to_string(KW5_FILE_RET_INVALID_PARAMETER));
    EXPECT_EQ(written(3, [&](KW5BodyWriter& w) { w.appendTerminated(nullptr, 0, 0); }),
              "raised " + std::to_string(KW5_FILE_RET_NULL_POINTER));
}

TEST(BodyWriter, NarrowText) {
    EXPECT_EQ(written(3, [](KW5BodyWriter& w) { w.writeNarrowText("ab"); }), "61 62 00");
    EXPECT_EQ(written(1, [](KW5BodyWriter& w) { w.writeNarrowText(""); }), "00");
}

TEST(BodyWriter, Utf16WithMark) {
    EXPECT_EQ(written(4, [](KW5BodyWriter& w) { w.writeUtf16WithMark(KW5WString()); }),
              "FF FE 00 00");
    EXPECT_EQ(written(8, [](KW5BodyWriter& w) { w.writeUtf16WithMark(KW5_WSTR("A\u6C3E")); }),
              "FF FE 41 00 3E 6C 00 00");
    EXPECT_EQ(written(2, [](KW5BodyWriter& w) { w.writeUtf16WithMarkIfAny(KW5WString()); }),
              "00 00");
    EXPECT_EQ(written(6, [](KW5BodyWriter& w) { w.writeUtf16WithMarkIfAny(KW5_WSTR("a")); }),
              "FF FE 61 00 00 00");
    EXPECT_EQ(written(4, [](KW5BodyWriter& w) { w.writeUtf16LEWithMark(KW5_WSTR("A")); }),
              "FF FE 41 00");
}

TEST(BodyWriter, Utf16BigEndian) {
    EXPECT_EQ(written(4, [](KW5BodyWriter& w) { w.writeUtf16BE(KW5_WSTR("A\u6C3E")); }),
              "00 41 6C 3E");
    EXPECT_EQ(written(0, [](KW5BodyWriter& w) { w.writeUtf16BE(KW5WString()); }), "");
    EXPECT_EQ(written(4, [](KW5BodyWriter& w) { w.writeUtf16BETerminated(KW5_WSTR("A")); }),
              "00 41 00 00");
    EXPECT_EQ(written(2, [](KW5BodyWriter& w) { w.writeUtf16BETerminated(KW5WString()); }),
              "00 00");
    // A single-NUL text is written as an empty one.
    EXPECT_EQ(written(2, [](KW5BodyWriter& w) { w.writeUtf16BETerminated(KW5WString(1, 0)); }),
              "00 00");
    // Counting gives the size the same appends write.
    KW5BodyWriter counter;
    counter.writeUtf16BETerminated(KW5WString(1, 0));
    counter.writeUtf16BETerminated(KW5WString(2, 0));
    EXPECT_EQ(counter.position(), 2u + 6u);
}

TEST(BodyWriter, NeverWritesPastTheBuffer) {
    EXPECT_EQ(written(2, [](KW5BodyWriter& w) { w.writeNarrowText("ab"); }), kRaisedBadLayout);
    EXPECT_EQ(written(3, [](KW5BodyWriter& w) { w.writeUtf16WithMark(KW5_WSTR("A")); }),
              kRaisedBadLayout);
    EXPECT_EQ(written(1, [](KW5BodyWriter& w) { w.writeUtf16BE(KW5_WSTR("A")); }),
              kRaisedBadLayout);
    EXPECT_EQ(written(0, [](KW5BodyWriter& w) { w.appendByte(1); }), kRaisedBadLayout);
}

TEST(BodyWriter, FinishWantsAFullBuffer) {
    EXPECT_EQ(written(3, [](KW5BodyWriter& w) { w.appendByte(1); }), kRaisedBadLayout);
    std::vector<unsigned char> buffer(2);
    KW5BodyWriter writer(buffer);
    writer.appendByte(7);
    EXPECT_EQ(writer.position(), 1u);
}

// A codec whose writer terminates its text in the record's encoding: the
// appender's raised code must come back from encode with the codec empty.
class TerminatingCodec : public KW5FieldBase {
public:
    _KW5_FILE_RET encode(KW5FieldInfo& record) override {
        const std::string& text = record.description();
        if (!allocateBuffer(1 + text.size() + 2))
            return KW5_FILE_RET_BUFFER_ERROR;
        try {
            KW5BodyWriter writer(buffer_);
            writer.appendByte(record.encoding());
            writer.appendTerminated(reinterpret_cast<const unsigned char*>(text.data()),
                                    text.size(), record.encoding());
            if (record.encoding() == 0)
                writer.appendByte(0);
            writer.finish();
        } catch (_KW5_FILE_RET code) {
            clear();
            return code;
        }
        return KW5_FILE_RET_OK;
    }
};

TEST(BodyWriter, RaisedCodeClearsTheCodec) {
    TerminatingCodec codec;
    KW5FieldInfo record = textRecord("TXXX", "ab", 2, KW5WString());
    ASSERT_EQ(codec.encode(record), KW5_FILE_RET_OK);
    EXPECT_EQ(heldHex(codec), "02 61 62 00 00");
    record.setEncoding(3);
    EXPECT_EQ(codec.encode(record), KW5_FILE_RET_INVALID_PARAMETER);
    ULONG size = 99;
    codec.getSize(size);
    EXPECT_EQ(size, 0u);
}

} // namespace
