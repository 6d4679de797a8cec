#include "fields/KW5Bytes.h"
#include "tag/KW5FrameHeader.h"
#include "tag/KW5TagHeader.h"

#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

using kw5test::hex;
using kw5test::toHex;

namespace {

std::vector<unsigned char> bytesOf(const KW5TagHeader& header) {
    return header.bytes();
}

TEST(Syncsafe, DecodesSevenBitGroups) {
    EXPECT_EQ(kw5bytes::decodeSyncsafe(hex("00 00 02 01").data()), 257u);
    EXPECT_EQ(kw5bytes::decodeSyncsafe(hex("7F 7F 7F 7F").data()), 0x0FFFFFFFu);
    // Bit 7 of every byte is not part of the value.
    EXPECT_EQ(kw5bytes::decodeSyncsafe(hex("80 80 80 81").data()), 1u);
}

TEST(Syncsafe, EncodingDropsTheTopFourBits) {
    unsigned char out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    kw5bytes::encodeSyncsafe(0x10000000, out);
    EXPECT_EQ(toHex({out, out + 4}), "00 00 00 00");
    kw5bytes::encodeSyncsafe(257, out);
    EXPECT_EQ(toHex({out, out + 4}), "00 00 02 01");
    kw5bytes::encodeSyncsafe(0x0FFFFFFF, out);
    EXPECT_EQ(toHex({out, out + 4}), "7F 7F 7F 7F");
}

TEST(BigEndian32, RoundTrips) {
    unsigned char out[4];
    kw5bytes::writeBigEndian32(0x01020304, out);
    EXPECT_EQ(toHex({out, out + 4}), "01 02 03 04");
    EXPECT_EQ(kw5bytes::readBigEndian32(out), 0x01020304u);
    EXPECT_EQ(kw5bytes::readBigEndian32(hex("FF 00 00 01").data()), 0xFF000001u);
}

TEST(TagHeader, DefaultHeaderBytes) {
    KW5TagHeader header;
    EXPECT_EQ(header.length(), 0u);
    ASSERT_EQ(header.makeDefault(), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(bytesOf(header)), "6B 77 35 03 00 00 00 00 00 00");
    EXPECT_TRUE(header.isValid());
    EXPECT_EQ(header.getSize(), 0u);
}

TEST(TagHeader, SetFromBytesTakesTenOrMakesTheDefault) {
    KW5TagHeader header;
    const auto image = hex("49 44 33 03 00 3A 00 00 02 01 EE EE");
    ASSERT_EQ(header.setFromBytes(image.data(), static_cast<ULONG>(image.size())), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(bytesOf(header)), "49 44 33 03 00 3A 00 00 02 01");
    EXPECT_EQ(header.getSize(), 257u);
    EXPECT_TRUE(header.isValid()) << "flags other than 0x80 and 0x40 are kept";

    ASSERT_EQ(header.setFromBytes(image.data(), 9), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(bytesOf(header)), "6B 77 35 03 00 00 00 00 00 00");
    ASSERT_EQ(header.setFromBytes(nullptr, 20), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(bytesOf(header)), "6B 77 35 03 00 00 00 00 00 00");
}

TEST(TagHeader, MagicAndVersionChecks) {
    struct Case {
        const char* bytes;
        bool magic;
        bool version;
        bool flags;
    } cases[] = {
        {"49 44 33 03 00 3F 00 00 00 00", true, true, true},  // ID3 3.0
        {"6B 77 35 03 00 00 00 00 00 00", true, true, true},  // kw5 3.0
        {"49 44 33 03 00 80 00 00 00 00", true, true, false}, // unsynchronised
        {"49 44 33 03 00 40 00 00 00 00", true, true, false}, // extended header
        {"49 44 33 04 00 00 00 00 00 00", true, false, true}, // ID3 4.0
        {"6B 77 35 02 00 00 00 00 00 00", true, false, true}, // kw5 2.0
        {"6B 77 35 03 01 00 00 00 00 00", true, false, true}, // revision 1
        {"4B 57 35 03 00 00 00 00 00 00", false, true, true}, // "KW5"
        {"69 64 33 03 00 00 00 00 00 00", false, true, true}, // "id3"
    };
    for (const Case& c : cases) {
        KW5TagHeader header;
        const auto bytes = hex(c.bytes);
        header.setFromBytes(bytes.data(), 10);
        EXPECT_EQ(header.magicAccepted(), c.magic) << c.bytes;
        EXPECT_EQ(header.versionAccepted(), c.version) << c.bytes;
        EXPECT_EQ(header.flagsAccepted(), c.flags) << c.bytes;
        EXPECT_EQ(header.isValid(), c.magic && c.version && c.flags) << c.bytes;
    }
}

TEST(TagHeader, SetSizeWritesSyncsafe) {
    KW5TagHeader header;
    EXPECT_EQ(header.setSize(5), KW5_FILE_RET_INVALID_DATA) << "nothing held";
    header.makeDefault();
    ASSERT_EQ(header.setSize(0x0FFFFFFF), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(bytesOf(header)), "6B 77 35 03 00 00 7F 7F 7F 7F");
    ASSERT_EQ(header.setSize(0x10000000), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(bytesOf(header)), "6B 77 35 03 00 00 00 00 00 00");
    ASSERT_EQ(header.setSize(3062), KW5_FILE_RET_OK);
    EXPECT_EQ(header.getSize(), 3062u);
}

TEST(TagHeader, CopyOutAndReset) {
    KW5TagHeader header;
    header.makeDefault();
    unsigned char out[11] = {};
    EXPECT_EQ(header.copyOut(out, 11), KW5_FILE_RET_INVALID_PARAMETER);
    ASSERT_EQ(header.copyOut(out, 3), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex({out, out + 3}), "6B 77 35");

    KW5TagHeader copy(header);
    header.reset();
    EXPECT_EQ(header.length(), 0u);
    EXPECT_FALSE(header.isValid());
    EXPECT_EQ(copy.length(), 10u) << "copies are deep";
    KW5TagHeader fromEmpty(header);
    EXPECT_EQ(fromEmpty.length(), 0u);
}

TEST(FrameHeader, BuildLaysOutIdSizeAndFlags) {
    KW5FrameHeader header;
    ASSERT_EQ(header.build("TIT2", 0x0102, 0x2001), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(header.bytes()), "54 49 54 32 00 00 01 02 01 20");
    std::string id;
    ASSERT_EQ(header.getId(id), KW5_FILE_RET_OK);
    EXPECT_EQ(id, "TIT2");
    ULONG size = 0;
    ASSERT_EQ(header.getSize(size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 0x0102u);
    uint16_t flags = 0;
    ASSERT_EQ(header.getFlags(flags), KW5_FILE_RET_OK);
    EXPECT_EQ(flags, 0x2001u);

    ASSERT_EQ(header.setSize(0xA1B2C3D4), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(header.bytes()), "54 49 54 32 A1 B2 C3 D4 01 20");
    // Only the first four id bytes count; a short id is zero-filled.
    ASSERT_EQ(header.build("TXXXYZ", 1, 0), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(header.bytes()), "54 58 58 58 00 00 00 01 00 00");
    ASSERT_EQ(header.build("AB", 1, 0), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(header.bytes()), "41 42 00 00 00 00 00 01 00 00");
    ASSERT_EQ(header.getId(id), KW5_FILE_RET_OK);
    EXPECT_EQ(id, "AB");
}

TEST(FrameHeader, SizeIsPlainBigEndian) {
    KW5FrameHeader header;
    const auto bytes = hex("54 50 45 31 00 00 01 00 00 00");
    ASSERT_EQ(header.setFromBytes(bytes.data(), 10), KW5_FILE_RET_OK);
    ULONG size = 0;
    ASSERT_EQ(header.getSize(size), KW5_FILE_RET_OK);
    EXPECT_EQ(size, 256u);
}

TEST(FrameHeader, ReadOnlyFlagIsBit5OfTheSecondFlagByte) {
    KW5FrameHeader header;
    auto bytes = hex("54 49 54 32 00 00 00 01 00 20");
    header.setFromBytes(bytes.data(), 10);
    uint16_t flags = 0;
    header.getFlags(flags);
    EXPECT_EQ(flags, 0x2000u);
    EXPECT_EQ(header.readOnlyState(), KW5_FILE_RET_READ_ONLY);

    bytes = hex("54 49 54 32 00 00 00 01 20 00");
    header.setFromBytes(bytes.data(), 10);
    header.getFlags(flags);
    EXPECT_EQ(flags, 0x0020u);
    EXPECT_EQ(header.readOnlyState(), KW5_FILE_RET_WRITABLE);
}

TEST(FrameHeader, SetFromBytesWantsExactlyTen) {
    KW5FrameHeader header;
    const auto bytes = hex("54 49 54 32 00 00 00 01 00 00 00");
    EXPECT_EQ(header.setFromBytes(bytes.data(), 9), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(header.setFromBytes(bytes.data(), 11), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(header.setFromBytes(nullptr, 10), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_TRUE(header.isEmpty());
    EXPECT_EQ(header.setFromBytes(bytes.data(), 10), KW5_FILE_RET_OK);
}

TEST(FrameHeader, EmptyHeaderAnswersInvalidData) {
    KW5FrameHeader header;
    std::string id = "keep";
    EXPECT_EQ(header.getId(id), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(id, "keep");
    ULONG size = 7;
    EXPECT_EQ(header.getSize(size), KW5_FILE_RET_INVALID_DATA);
    uint16_t flags = 0;
    EXPECT_EQ(header.getFlags(flags), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(header.readOnlyState(), KW5_FILE_RET_INVALID_DATA);
    unsigned char out[10];
    EXPECT_EQ(header.copyOut(out, 0), KW5_FILE_RET_INVALID_DATA);
}

TEST(FrameHeader, CopyOut) {
    KW5FrameHeader header;
    header.build("WOAR", 3, 0);
    unsigned char out[10] = {};
    EXPECT_EQ(header.copyOut(nullptr, 10), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(header.copyOut(out, 9), KW5_FILE_RET_INVALID_PARAMETER);
    ASSERT_EQ(header.copyOut(out, 10), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex({out, out + 10}), "57 4F 41 52 00 00 00 03 00 00");
}

} // namespace
