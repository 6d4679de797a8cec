// Frames whose bytes move instead of being copied: the body taken from a
// value holder, frames moved into the store, and a tag load that stores each
// body once with the same contents as before.
#include "tag/KW5DataBase.h"
#include "tag/KW5Tag.h"

#include "tests/common/TempDir.h"
#include "tests/tag/TagTestFrames.h"

#include <gtest/gtest.h>

#include <algorithm>

using kw5test::toHex;
using namespace tagtest;

namespace {

// A frame header and value holder as the tag reader produces them.
void readRaw(const std::string& id, const Bytes& body, KW5FrameHeader& header, KW5Field& field) {
    Bytes raw = frame(id, body);
    raw.push_back(0xEE);
    ULONG position = 0;
    ASSERT_EQ(
        KW5Frame::readFrame(raw.data(), static_cast<ULONG>(raw.size()), header, field, position),
        KW5_FILE_RET_OK);
}

TEST(FrameMove, SetFrameTakesTheBody) {
    KW5FrameHeader header;
    KW5Field field;
    readRaw("TIT2", textBody("title"), header, field);
    const unsigned char* held = field.bytes().data();
    KW5Frame moved;
    ASSERT_EQ(moved.setFrame(header, std::move(field)), KW5_FILE_RET_OK);
    EXPECT_EQ(moved.bodyBytes().data(), held);
    EXPECT_TRUE(field.bytes().empty());
    // Byte for byte what the copying form gives.
    EXPECT_TRUE(moved.isEqual(makeFrame("TIT2", textBody("title"))));
    EXPECT_EQ(toHex(whole(moved)), toHex(frame("TIT2", textBody("title"))));
}

TEST(FrameMove, SetFrameRefusesAnEmptyHeaderAndKeepsTheBody) {
    KW5Field field;
    const Bytes body = textBody("x");
    ASSERT_EQ(field.setBytes(body.data(), static_cast<ULONG>(body.size())), KW5_FILE_RET_OK);
    KW5Frame frame = makeFrame("TPE1", textBody("old"));
    EXPECT_EQ(frame.setFrame(KW5FrameHeader(), std::move(field)), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(field.bytes(), body);
    EXPECT_EQ(frame.headerLength(), 0u);
    EXPECT_EQ(frame.bodyLength(), 0u);
}

TEST(FrameMove, StoreTakesMovedFramesLikeCopies) {
    KW5DataBase store;
    KW5Frame first = makeFrame("TXXX", userBody("MOOD", "calm"));
    const KW5Frame expected = makeFrame("TXXX", userBody("MOOD", "bright"));
    KW5Frame second = expected;
    ASSERT_EQ(store.addFrame("TXXX", "MOOD", std::move(first)), KW5_FILE_RET_OK);
    ASSERT_EQ(store.addFrame("TXXX", "MOOD", std::move(second)), KW5_FILE_RET_OK);
    EXPECT_EQ(second.bodyLength(), 0u);
    ASSERT_EQ(store.singleFrames().size(), 1u);
    EXPECT_TRUE(store.singleFrames().begin()->second.isEqual(expected));

    KW5Frame object = makeFrame("GEOB", objectBody("VMK_LSI", Bytes(5000, 0x42)));
    ASSERT_EQ(store.addFrame("GEOB", "VMK_LSI", std::move(object)), KW5_FILE_RET_OK);
    ASSERT_EQ(store.objectFrames().size(), 1u);
    EXPECT_EQ(store.objectFrames().begin()->second.bodyLength(), 5000u + 17u);

    // Link frames: duplicates are dropped, others appended in order.
    const KW5Frame a = makeFrame("WOAR", bytesOf("http://a"));
    KW5Frame a1 = a;
    KW5Frame a2 = a;
    KW5Frame b = makeFrame("WOAR", bytesOf("http://b"));
    ASSERT_EQ(store.addFrame("WOAR", "", std::move(a1)), KW5_FILE_RET_OK);
    ASSERT_EQ(store.addFrame("WOAR", "", std::move(a2)), KW5_FILE_RET_OK);
    ASSERT_EQ(store.addFrame("WOAR", "", std::move(b)), KW5_FILE_RET_OK);
    ASSERT_EQ(store.linkFrames().size(), 2u);
    EXPECT_TRUE(store.linkFrames().begin()->second.isEqual(a));

    // Refusals as for copies.
    KW5Frame nameless = makeFrame("TXXX", userBody("", "v"));
    EXPECT_EQ(store.addFrame("TXXX", "", std::move(nameless)), KW5_FILE_RET_INVALID_PARAMETER);
    KW5Frame idless = makeFrame("TIT2", textBody("v"));
    EXPECT_EQ(store.addFrame("", "", std::move(idless)), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(store.singleFrames().size(), 1u);
}

TEST(FrameMove, LoadedBodiesAreWholeAndIndependentOfTheImage) {
    Bytes data(100 * 1024);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 7);
    Bytes frames =
        concat({frame("TIT2", textBody("title")), frame("GEOB", objectBody("COVERART", data)),
                frame("TXXX", userBody("MOOD", "calm"))});
    Bytes image = tagImage(frames, 64);
    KW5Tag tag;
    ASSERT_EQ(tag.load(image.data(), static_cast<ULONG>(image.size())), KW5_FILE_RET_OK);
    // The image may go away: the store owns its bytes.
    std::fill(image.begin(), image.end(), 0xCC);
    KW5FrameList found;
    ASSERT_EQ(tag.findFramesById("GEOB", "COVERART", found), KW5_FILE_RET_OK);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(toHex(found[0].bodyBytes()), toHex(objectBody("COVERART", data)));
    found.clear();
    ASSERT_EQ(tag.findFramesById("TXXX", "MOOD", found), KW5_FILE_RET_OK);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(toHex(found[0].bodyBytes()), toHex(userBody("MOOD", "calm")));
}

} // namespace
