#include "tag/KW5Frame.h"

#include "tests/common/TempDir.h"
#include "tests/tag/TagTestFrames.h"

#include <gtest/gtest.h>

using kw5test::hex;
using kw5test::toHex;
using namespace tagtest;

namespace {

TEST(FrameReaders, HeaderMustEndBeforeTheImage) {
    KW5FrameHeader header;
    const Bytes image = frame("TIT2", {});
    ULONG position = 0;
    EXPECT_EQ(KW5Frame::readHeader(image.data(), 10, header, position), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(KW5Frame::readHeader(nullptr, 11, header, position), KW5_FILE_RET_NULL_POINTER);
    Bytes longer = concat({image, Bytes{0}});
    ASSERT_EQ(KW5Frame::readHeader(longer.data(), 11, header, position), KW5_FILE_RET_OK);
    EXPECT_EQ(position, 10u);
    position = 11;
    EXPECT_EQ(KW5Frame::readHeader(longer.data(), 11, header, position), KW5_FILE_RET_INVALID_DATA);
}

TEST(FrameReaders, ZeroSizeFrameEndingExactlyAtTheEndIsRefused) {
    const Bytes image = concat({frame("TIT2", textBody("a")), frame("TPE1", {})});
    KW5FrameHeader header;
    KW5Field body;
    ULONG position = 0;
    ASSERT_EQ(
        KW5Frame::readFrame(image.data(), static_cast<ULONG>(image.size()), header, body, position),
        KW5_FILE_RET_OK);
    EXPECT_EQ(position, 12u);
    EXPECT_EQ(
        KW5Frame::readFrame(image.data(), static_cast<ULONG>(image.size()), header, body, position),
        KW5_FILE_RET_INVALID_DATA);
}

TEST(FrameReaders, BodyEndingExactlyAtTheEndIsAccepted) {
    const Bytes image = frame("TIT2", textBody("abc"));
    KW5FrameHeader header;
    KW5Field body;
    ULONG position = 0;
    ASSERT_EQ(
        KW5Frame::readFrame(image.data(), static_cast<ULONG>(image.size()), header, body, position),
        KW5_FILE_RET_OK);
    EXPECT_EQ(position, image.size());
    EXPECT_EQ(toHex(body.bytes()), "00 61 62 63");
}

TEST(FrameReaders, BodyRunningPastTheEndIsRefused) {
    Bytes image = frame("TIT2", textBody("abc"));
    image.pop_back();
    KW5FrameHeader header;
    KW5Field body;
    ULONG position = 0;
    EXPECT_EQ(
        KW5Frame::readFrame(image.data(), static_cast<ULONG>(image.size()), header, body, position),
        KW5_FILE_RET_INVALID_DATA);
    // A size near 2^32 must not wrap around the bounds test.
    image = concat({hex("54 49 54 32 FF FF FF FF 00 00"), Bytes(8, 0x41)});
    position = 0;
    EXPECT_EQ(
        KW5Frame::readFrame(image.data(), static_cast<ULONG>(image.size()), header, body, position),
        KW5_FILE_RET_INVALID_DATA);
    position = 0xFFFFFFFA;
    EXPECT_EQ(KW5Frame::readBody(image.data(), 0xFFFFFFFF, 0x10, body, position),
              KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(KW5Frame::readBody(nullptr, 10, 1, body, position), KW5_FILE_RET_NULL_POINTER);
    position = 0;
    EXPECT_EQ(KW5Frame::readFrame(nullptr, 10, header, body, position), KW5_FILE_RET_NULL_POINTER);
}

TEST(Frame, SetSplitAndHeader) {
    KW5Frame frame;
    KW5FrameHeader header;
    KW5Field body;
    EXPECT_EQ(frame.setFrame(header, body), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(frame.splitFrame(header, body), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(frame.getHeader(header), KW5_FILE_RET_BAD_LAYOUT);

    header.build("TALB", 2, 0x0040);
    const Bytes bytes = hex("00 41");
    body.setBytes(bytes.data(), 2);
    ASSERT_EQ(frame.setFrame(header, body), KW5_FILE_RET_OK);
    KW5FrameHeader outHeader;
    KW5Field outBody;
    ASSERT_EQ(frame.splitFrame(outHeader, outBody), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(outHeader.bytes()), "54 41 4C 42 00 00 00 02 40 00");
    EXPECT_EQ(toHex(outBody.bytes()), "00 41");
    std::string id;
    ASSERT_EQ(frame.getFrameId(id), KW5_FILE_RET_OK);
    EXPECT_EQ(id, "TALB");
}

TEST(Frame, EqualityCoversHeaderAndBody) {
    const KW5Frame a = makeFrame("WOAR", bytesOf("http://a"));
    EXPECT_TRUE(a.isEqual(makeFrame("WOAR", bytesOf("http://a"))));
    EXPECT_FALSE(a.isEqual(makeFrame("WOAR", bytesOf("http://a"), 0x0001)));
    EXPECT_FALSE(a.isEqual(makeFrame("WOAR", bytesOf("http://b"))));
    EXPECT_FALSE(a.isEqual(KW5Frame()));
    KW5Frame copy(a);
    EXPECT_TRUE(copy.isEqual(a));
}

TEST(Frame, EncodingAndPayloadSize) {
    KW5Frame empty = makeFrame("TIT2", {});
    unsigned char encoding = 9;
    EXPECT_EQ(empty.getEncoding(encoding), KW5_FILE_RET_NOT_FOUND);
    ULONG size = 5;
    ASSERT_EQ(empty.getPayloadSize(size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 0u);

    KW5Frame text = makeFrame("TIT2", hex("01 FF FE 41 00"));
    ASSERT_EQ(text.getEncoding(encoding), KW5_FILE_RET_OK);
    EXPECT_EQ(encoding, 1u);
    ASSERT_EQ(text.getPayloadSize(size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 4u) << "everything after the encoding byte";

    ASSERT_EQ(makeFrame("WOAR", bytesOf("http://x")).getPayloadSize(size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 8u);
    ASSERT_EQ(makeFrame("TXXX", userBody("Desc", "val")).getPayloadSize(size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 3u);
}

TEST(Frame, Description) {
    std::string id;
    std::string description;
    ASSERT_EQ(makeFrame("TXXX", userBody("Mood", "calm")).getDescription(id, description),
              KW5_FILE_RET_OK);
    EXPECT_EQ(id, "TXXX");
    EXPECT_EQ(description, "Mood");
    ASSERT_EQ(
        makeFrame("GEOB", objectBody("VMK_LSI", hex("01 02"))).getDescription(id, description),
        KW5_FILE_RET_OK);
    EXPECT_EQ(description, "VMK_LSI");

    description = "as given";
    ASSERT_EQ(makeFrame("TIT2", textBody("x")).getDescription(id, description), KW5_FILE_RET_OK);
    EXPECT_EQ(description, "as given");
    EXPECT_EQ(makeFrame("XYZW", textBody("x")).getDescription(id, description),
              KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(KW5Frame().getDescription(id, description), KW5_FILE_RET_INVALID_DATA);
}

TEST(Frame, NormalizeReencodesTextToUtf16BigEndian) {
    KW5Frame frame = makeFrame("TIT2", textBody("AB"), 0x2000);
    ASSERT_EQ(frame.normalizeEncoding(), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(whole(frame)), "54 49 54 32 00 00 00 05 00 20 02 00 41 00 42");

    KW5Frame user = makeFrame("TXXX", userBody("D", "v"));
    ASSERT_EQ(user.normalizeEncoding(), KW5_FILE_RET_OK);
    EXPECT_EQ(user.bodyBytes()[0], 2u);
    std::string id;
    std::string description;
    ASSERT_EQ(user.getDescription(id, description), KW5_FILE_RET_OK);
    EXPECT_EQ(description, "D");
    EXPECT_EQ(user.bodyLength() + 0u, (user.headerBytes()[6] << 8 | user.headerBytes()[7]) + 0u);

    KW5Frame object = makeFrame("GEOB", objectBody("VMK_LSI", hex("DE AD")));
    ASSERT_EQ(object.normalizeEncoding(), KW5_FILE_RET_OK);
    EXPECT_EQ(object.bodyBytes()[0], 2u);
    ASSERT_GE(object.bodyLength(), 2u);
    EXPECT_EQ(toHex({object.bodyBytes().end() - 2, object.bodyBytes().end()}), "DE AD");
}

TEST(Frame, NormalizeLeavesOtherFramesAlone) {
    for (const char* id : {"WOAR", "WCOM", "PRIV", "APIC"}) {
        KW5Frame frame = makeFrame(id, hex("00 61 62"));
        const Bytes before = whole(frame);
        EXPECT_EQ(frame.normalizeEncoding(), KW5_FILE_RET_OK) << id;
        EXPECT_EQ(whole(frame), before) << id;
    }
    KW5Frame done = makeFrame("TIT2", hex("02 00 41"));
    const Bytes before = whole(done);
    EXPECT_EQ(done.normalizeEncoding(), KW5_FILE_RET_OK);
    EXPECT_EQ(whole(done), before);
}

TEST(Frame, NormalizeRefusesUnknownIdsAndBadEncodings) {
    KW5Frame unknown = makeFrame("XYZW", textBody("abc"));
    const Bytes before = whole(unknown);
    EXPECT_EQ(unknown.normalizeEncoding(), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(whole(unknown), before);

    KW5Frame object = makeFrame("GEOB", objectBody("X", hex("01"), 3));
    EXPECT_EQ(object.normalizeEncoding(), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(makeFrame("TIT2", {}).normalizeEncoding(), KW5_FILE_RET_INVALID_DATA);

    // A description without its terminator cannot be re-encoded; the frame
    // keeps its bytes.
    KW5Frame user = makeFrame("TXXX", hex("00 58 59 5A"));
    const Bytes userBefore = whole(user);
    EXPECT_EQ(user.normalizeEncoding(), KW5_FILE_RET_FAILED);
    EXPECT_EQ(whole(user), userBefore);
}

TEST(Frame, TruncateKeepsAtMostTwoBytesPerUnit) {
    Bytes body{2};
    for (int i = 0; i < 300; ++i) {
        body.push_back(0);
        body.push_back(static_cast<unsigned char>('a' + i % 26));
    }
    KW5Frame frame = makeFrame("TIT2", body);
    ASSERT_EQ(frame.truncatePayload(256), KW5_FILE_RET_OK);
    EXPECT_EQ(frame.bodyLength(), 513u);
    EXPECT_EQ(toHex({frame.headerBytes().begin() + 4, frame.headerBytes().begin() + 8}),
              "00 00 02 01");
    EXPECT_EQ(Bytes(frame.bodyBytes().begin(), frame.bodyBytes().end()),
              Bytes(body.begin(), body.begin() + 513));

    // A shorter payload and the prefix of a user frame stay whole.
    KW5Frame user = makeFrame("TXXX", userBody("Desc", "abcdef"));
    const Bytes before = whole(user);
    ASSERT_EQ(user.truncatePayload(256), KW5_FILE_RET_OK);
    EXPECT_EQ(whole(user), before);
    ASSERT_EQ(user.truncatePayload(1), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(user.bodyBytes()), "00 44 65 73 63 00 61 62");
    EXPECT_EQ(user.headerBytes()[7], 8u);

    KW5Frame empty;
    EXPECT_EQ(empty.truncatePayload(1), KW5_FILE_RET_INVALID_DATA);
}

} // namespace
