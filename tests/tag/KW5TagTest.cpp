#include "tag/KW5Tag.h"
#include "tag/KW5TagGM.h"

#include "tests/common/TempDir.h"
#include "tests/tag/TagTestFrames.h"

#include <gtest/gtest.h>

#include <random>

using kw5test::hex;
using kw5test::toHex;
using namespace tagtest;

namespace {

ULONG sizeOf(const Bytes& image) {
    return static_cast<ULONG>(image.size());
}

ULONG tagSize(const KW5Tag& tag) {
    ULONG size = 0xDEAD;
    EXPECT_EQ(tag.getTagSize(size), KW5_FILE_RET_OK);
    return size;
}

size_t frameCount(const KW5Tag& tag) {
    const KW5DataBase& store = tag.store();
    return store.singleFrames().size() + store.objectFrames().size() + store.linkFrames().size();
}

KW5FrameList find(const KW5Tag& tag, const std::string& id, const std::string& desc = "") {
    KW5FrameList frames;
    tag.findFramesById(id, desc, frames);
    return frames;
}

// Joins a serialised list into the frames part of a tag image.
Bytes joined(const KW5SerializedFrames& list) {
    Bytes out;
    for (const auto& buffer : list.buffers)
        out.insert(out.end(), buffer.begin(), buffer.end());
    return out;
}

TEST(TagLoad, EmptyAndShortImages) {
    KW5Tag tag;
    EXPECT_EQ(tag.load(nullptr, 0), KW5_FILE_RET_OK);
    EXPECT_EQ(tagSize(tag), 0u);

    const Bytes header = tagImage({});
    ASSERT_EQ(tag.load(header.data(), 10), KW5_FILE_RET_OK);
    EXPECT_EQ(tagSize(tag), 10u);
    EXPECT_EQ(frameCount(tag), 0u);

    const Bytes five = hex("01 02 03 04 05");
    ASSERT_EQ(tag.load(five.data(), 5), KW5_FILE_RET_OK);
    EXPECT_EQ(tagSize(tag), 5u);
    KW5TagHeader out;
    ASSERT_EQ(tag.getHeader(out), KW5_FILE_RET_OK);
    EXPECT_EQ(toHex(out.bytes()), "6B 77 35 03 00 00 00 00 00 00") << "the default header";
}

TEST(TagLoad, LeadingZeroBytesAreAllPadding) {
    KW5Tag tag;
    const Bytes image = tagImage({}, 2, "ID3");
    ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    EXPECT_EQ(frameCount(tag), 0u);
    EXPECT_EQ(tagSize(tag), 12u);
    KW5TagHeader out;
    tag.getHeader(out);
    EXPECT_EQ(toHex({out.bytes().begin(), out.bytes().begin() + 3}), "49 44 33");
}

TEST(TagLoad, WrongVersionIsRefused) {
    KW5Tag tag;
    const Bytes v4 = tagImage(frame("TIT2", textBody("t")), 10, "ID3", 4);
    EXPECT_EQ(tag.load(v4.data(), sizeOf(v4)), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(tagSize(tag), 0u);
    EXPECT_EQ(frameCount(tag), 0u);
    const Bytes v2 = tagImage({}, 0, "kw5", 2);
    EXPECT_EQ(tag.load(v2.data(), sizeOf(v2)), KW5_FILE_RET_INVALID_PARAMETER);
    const Bytes magic = tagImage({}, 0, "ID4");
    EXPECT_EQ(tag.load(magic.data(), sizeOf(magic)), KW5_FILE_RET_INVALID_PARAMETER);
}

TEST(TagLoad, UnknownIdRefusesTheImageButKeepsEarlierFrames) {
    KW5Tag tag;
    const Bytes image =
        tagImage(concat({frame("TIT2", textBody("t")), frame("TPE1", textBody("a")),
                         frame("XYZW", textBody("x")), frame("TALB", textBody("b"))}),
                 20);
    EXPECT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(tagSize(tag), 0u);
    EXPECT_EQ(find(tag, "TIT2").size(), 1u);
    EXPECT_EQ(find(tag, "TPE1").size(), 1u);
    EXPECT_EQ(find(tag, "TALB").size(), 0u);
}

TEST(TagLoad, LaterFramesReplaceAndLinkFramesAccumulate) {
    KW5Tag tag;
    const Bytes image =
        tagImage(concat({frame("TIT2", textBody("first")), frame("WCOM", bytesOf("http://1")),
                         frame("TIT2", textBody("second")), frame("WCOM", bytesOf("http://2"))}),
                 30);
    ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    EXPECT_EQ(tagSize(tag), image.size());
    KW5FrameList titles = find(tag, "TIT2");
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0].bodyBytes(), textBody("second"));
    KW5FrameList links = find(tag, "WCOM");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].bodyBytes(), bytesOf("http://1"));
    EXPECT_EQ(links[1].bodyBytes(), bytesOf("http://2"));
}

TEST(TagLoad, DifferingFramesUnderOneKeyBlockTheWriteUntilTheKeyIsSet) {
    struct Case {
        Bytes first, second;
        const char* id;
        const char* desc;
        size_t conflicts;
    } cases[] = {
        {frame("TIT2", textBody("a")), frame("TIT2", textBody("b")), "TIT2", "", 1},
        {frame("TIT2", textBody("a")), frame("TIT2", textBody("a")), "TIT2", "", 0},
        {frame("TXXX", userBody("H", "t")), frame("WXXX", userBody("H", "u")), "WXXX", "H", 1},
        {frame("TPE1", textBody("a")), frame("TXXX", userBody("TPE1", "t")), "TPE1", "", 1},
        {frame("COMM", bytesOf("\x00"
                               "eng"
                               "a")),
         frame("COMM", bytesOf("\x00"
                               "eng"
                               "b")),
         "COMM", "", 0},
    };
    for (const Case& c : cases) {
        KW5Tag tag;
        const Bytes image = tagImage(concat({c.first, c.second}), 10);
        ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
        ASSERT_EQ(tag.loadConflicts().size(), c.conflicts) << c.id;
        KW5SerializedFrames out;
        KW5Tag copy(tag);
        EXPECT_EQ(copy.serializeFramesSTD(out),
                  c.conflicts ? KW5_FILE_RET_INVALID_DATA : KW5_FILE_RET_OK);
        if (!c.conflicts)
            continue;
        EXPECT_EQ(frameCount(copy), 1u) << "a refused write takes nothing out";
        EXPECT_NE(tag.loadConflicts()[0].frames.find(" at 10, "), std::string::npos);
        // Removing the key, or filing a new frame under it, lets it go out.
        KW5Tag removed(tag);
        ASSERT_EQ(removed.removeFramesById(c.id, c.desc, KW5_OPEN_READWRITE), KW5_FILE_RET_OK);
        EXPECT_EQ(removed.serializeFramesSTD(out), KW5_FILE_RET_OK);
        ASSERT_EQ(tag.addFrames({makeFrame("TXXX", userBody(c.desc[0] ? c.desc : c.id, "n"))}),
                  KW5_FILE_RET_OK);
        EXPECT_EQ(tag.serializeFramesSTD(out), KW5_FILE_RET_OK);
    }
}

TEST(TagLoad, FrameBoundaries) {
    KW5Tag tag;
    // A zero-size frame whose header ends the image.
    Bytes image = tagImage(concat({frame("TIT2", textBody("t")), frame("TPE1", {})}));
    EXPECT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(tagSize(tag), 0u);
    EXPECT_EQ(find(tag, "TIT2").size(), 1u);

    // A body that ends the image.
    image = tagImage(concat({frame("TIT2", textBody("t")), frame("TPE1", textBody("a"))}));
    ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    EXPECT_EQ(frameCount(tag), 2u);

    // One trailing zero byte is padding; one non-zero byte is a broken header.
    image = tagImage(frame("TIT2", textBody("t")), 1);
    ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    EXPECT_EQ(frameCount(tag), 1u);
    image.back() = 0x54;
    EXPECT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_INVALID_DATA);

    // A body that runs past the end.
    image = tagImage(frame("TIT2", textBody("title")));
    EXPECT_EQ(tag.load(image.data(), sizeOf(image) - 1), KW5_FILE_RET_INVALID_DATA);
}

TEST(TagLoad, ParseStopsAtTheFirstPaddingOfAMemoryImage) {
    KW5Tag tag;
    Bytes image = tagImage(frame("TIT2", textBody("t")), 4);
    image.insert(image.end(), {0xFF, 0xFB, 0x90, 0x00}); // audio after the tag
    ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    EXPECT_EQ(tagSize(tag), image.size());
    EXPECT_EQ(frameCount(tag), 1u);
}

TEST(TagLoadGM, WrongEncodingIsReportedButEveryFrameIsStored) {
    KW5TagGM tag;
    const Bytes image = tagImage(
        concat({frame("TIT2", hex("02 00 41")), frame("TXXX", hex("01 FF FE 44 00 00 00 76 00")),
                frame("WOAR", bytesOf("http://a")), frame("TALB", hex("02 00 42"))}),
        8);
    EXPECT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_FORMAT_WRONG_ENCODING);
    EXPECT_EQ(tagSize(tag), 0u);
    EXPECT_EQ(find(tag, "TXXX", "D").size(), 1u);
    EXPECT_EQ(find(tag, "TALB").size(), 1u);

    KW5Tag plain;
    EXPECT_EQ(plain.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
}

TEST(TagLoadGM, PlainUrlFramesCarryNoEncodingByte) {
    KW5TagGM tag;
    const Bytes image = tagImage(
        concat({frame("WOAR", bytesOf("http://a")), frame("WXXX", hex("02 00 44 00 00 61"))}), 8);
    EXPECT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    EXPECT_EQ(tagSize(tag), image.size());

    const Bytes badUrl = tagImage(frame("WXXX", hex("00 44 00 61")), 8);
    EXPECT_EQ(tag.load(badUrl.data(), sizeOf(badUrl)), KW5_FILE_RET_FORMAT_WRONG_ENCODING);
}

TEST(TagLoadGM, EmptyTextBodyFails) {
    KW5TagGM tag;
    const Bytes image = tagImage(concat({frame("TIT2", {}), frame("TALB", hex("02 00 42"))}), 8);
    EXPECT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_FAILED);
    EXPECT_EQ(tagSize(tag), 0u);
    // Through the base class the same virtual parse runs.
    KW5Tag& base = tag;
    EXPECT_EQ(base.load(image.data(), sizeOf(image)), KW5_FILE_RET_FAILED);
}

TEST(TagFrames, FindAndRemoveRefuseAnEmptyId) {
    KW5Tag tag;
    KW5FrameList frames;
    EXPECT_EQ(tag.findFramesById("", "x", frames), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(tag.removeFramesById("", "x", KW5_OPEN_READWRITE_ALL),
              KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(tag.findFramesById("TIT2", "", frames), KW5_FILE_RET_NOT_FOUND);
}

TEST(TagFrames, AddFramesFilesUnderTheBodysDescription) {
    KW5Tag tag;
    KW5FrameList frames{makeFrame("TXXX", userBody("Mood", "calm")),
                        makeFrame("GEOB", objectBody("VMK_LSI", hex("01"))),
                        makeFrame("WOAR", bytesOf("http://a")), makeFrame("TIT2", textBody("t"))};
    ASSERT_EQ(tag.addFrames(frames), KW5_FILE_RET_OK);
    EXPECT_EQ(find(tag, "TXXX", "Mood").size(), 1u);
    EXPECT_EQ(find(tag, "GEOB", "VMK_LSI").size(), 1u);
    EXPECT_EQ(find(tag, "WOAR").size(), 1u);
    EXPECT_EQ(find(tag, "TIT2").size(), 1u);
    EXPECT_EQ(tag.addFrames({}), KW5_FILE_RET_OK);

    ASSERT_EQ(tag.removeFramesById("TXXX", "Mood", KW5_OPEN_READWRITE), KW5_FILE_RET_OK);
    EXPECT_EQ(find(tag, "TXXX", "Mood").size(), 0u);
}

TEST(TagFrames, AddFramesStopsAtTheFirstFailure) {
    KW5Tag tag;
    KW5FrameList frames{makeFrame("TIT2", textBody("t")), makeFrame("XYZW", textBody("x")),
                        makeFrame("TALB", textBody("b"))};
    EXPECT_EQ(tag.addFrames(frames), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(find(tag, "TIT2").size(), 1u);
    EXPECT_EQ(find(tag, "TALB").size(), 0u);
    EXPECT_EQ(tag.addFrames({KW5Frame()}), KW5_FILE_RET_INVALID_PARAMETER);
}

TEST(TagCopy, AssignmentIsDeep) {
    KW5Tag tag;
    const Bytes image = tagImage(concat({frame("TIT2", textBody("t")), frame("WOAR", bytesOf("u")),
                                         frame("GEOB", objectBody("O", hex("01")))}),
                                 5, "ID3");
    ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    KW5Tag copy;
    copy.load(tagImage(frame("TALB", textBody("x")), 3).data(), 0);
    copy = tag;
    KW5Tag constructed(tag);
    tag.reset();
    EXPECT_EQ(frameCount(tag), 0u);
    EXPECT_EQ(tagSize(tag), 0u);
    for (const KW5Tag* t : {&copy, &constructed}) {
        EXPECT_EQ(frameCount(*t), 3u);
        EXPECT_EQ(tagSize(*t), image.size());
        KW5TagHeader header;
        t->getHeader(header);
        EXPECT_EQ(header.bytes(), Bytes(image.begin(), image.begin() + 10));
    }
    KW5TagHeader none;
    none.makeDefault();
    ASSERT_EQ(tag.getHeader(none), KW5_FILE_RET_OK);
    EXPECT_EQ(none.length(), 0u) << "a reset tag holds no header";
}

TEST(TagSerialize, EmptiesTheStoreIntoFrameBuffers) {
    KW5Tag tag;
    const Bytes image =
        tagImage(concat({frame("WOAR", bytesOf("http://a")), frame("TALB", hex("02 00 41"), 0x2000),
                         frame("PRIV", hex("6F 77 6E 00 78")), frame("TIT2", hex("02 00 42"))}),
                 40);
    ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    KW5SerializedFrames list;
    ASSERT_EQ(tag.serializeFramesSTD(list), KW5_FILE_RET_OK);
    EXPECT_EQ(frameCount(tag), 0u);
    ASSERT_EQ(list.buffers.size(), 4u);
    ASSERT_EQ(list.lengths.size(), 4u);
    ULONG sum = 0;
    for (size_t i = 0; i < list.buffers.size(); ++i) {
        EXPECT_EQ(list.lengths[i], list.buffers[i].size());
        sum += list.lengths[i];
    }
    EXPECT_EQ(list.total, sum);
    EXPECT_EQ(joined(list),
              concat({frame("TIT2", hex("02 00 42")), frame("TALB", hex("02 00 41"), 0x2000),
                      frame("WOAR", bytesOf("http://a")), frame("PRIV", hex("6F 77 6E 00 78"))}));

    ASSERT_EQ(KW5Tag::releaseFrameBuffers(list), KW5_FILE_RET_OK);
    EXPECT_TRUE(list.buffers.empty());
    ASSERT_EQ(tag.serializeFramesGM(list), KW5_FILE_RET_OK);
    EXPECT_EQ(list.total, 0u);
    EXPECT_TRUE(list.buffers.empty());
}

TEST(TagSerialize, ReencodedFramesCarryTheirNewSize) {
    KW5Tag tag;
    const Bytes image = tagImage(
        concat({frame("TPE2", textBody("AB")), frame("GEOB", objectBody("VMK_LSI", hex("AA"))),
                frame("GEOB", objectBody("VMK_ULINF", hex("BB")))}),
        10);
    ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    KW5Tag gm = tag;
    KW5Tag prask = tag;
    KW5SerializedFrames list;
    ASSERT_EQ(tag.serializeFramesSTD(list), KW5_FILE_RET_OK);
    ASSERT_EQ(list.buffers.size(), 3u);
    EXPECT_EQ(list.buffers[0], frame("TPE2", hex("02 00 41 00 42")));

    // Whatever the order, a reloaded image gives back the same frames.
    for (KW5Tag* t : {&gm, &prask}) {
        KW5SerializedFrames out;
        ASSERT_EQ(t == &gm ? t->serializeFramesGM(out) : t->serializeFramesPrask(out),
                  KW5_FILE_RET_OK);
        ASSERT_EQ(out.buffers.size(), 3u);
        EXPECT_EQ(nameOf(makeFrame(std::string(out.buffers[0].begin(), out.buffers[0].begin() + 4),
                                   Bytes(out.buffers[0].begin() + 10, out.buffers[0].end()))),
                  t == &gm ? "GEOB:VMK_LSI" : "GEOB:VMK_ULINF");
        const Bytes again = tagImage(joined(out), 4);
        KW5TagGM strict;
        ASSERT_EQ(strict.load(again.data(), sizeOf(again)), KW5_FILE_RET_OK)
            << "every text-bearing frame left in encoding 2";
        EXPECT_EQ(frameCount(strict), 3u);
    }
}

TEST(TagSerialize, FrameWhoseTreatmentFailsIsNotLost) {
    KW5Tag tag;
    // A TXXX description without terminator cannot be re-encoded.
    const Bytes image =
        tagImage(concat({frame("TXXX", hex("00 58 59 5A")), frame("TXXX", userBody("ZZ", "after")),
                         frame("GEOB", objectBody("Obj", hex("01")))}),
                 10);
    ASSERT_EQ(tag.load(image.data(), sizeOf(image)), KW5_FILE_RET_OK);
    KW5SerializedFrames list;
    ASSERT_EQ(tag.serializeFramesSTD(list), KW5_FILE_RET_OK);
    ASSERT_EQ(list.buffers.size(), 3u);
    EXPECT_EQ(list.buffers[0], frame("TXXX", hex("00 58 59 5A"))) << "kept as it was";
    EXPECT_EQ(frameCount(tag), 0u);
}

TEST(TagSerialize, UnknownFramesInTheStoreGoOutAsTheyAre) {
    KW5Tag tag;
    const KW5Frame unknown = makeFrame("XYZW", textBody("x"));
    ASSERT_EQ(tag.store().addFrame("XYZW", "", unknown), KW5_FILE_RET_OK);
    ASSERT_EQ(tag.store().addFrame("GEOB", "broken", makeFrame("GEOB", {})), KW5_FILE_RET_OK);
    KW5SerializedFrames list;
    ASSERT_EQ(tag.serializeFramesPrask(list), KW5_FILE_RET_OK);
    ASSERT_EQ(list.buffers.size(), 2u);
    EXPECT_EQ(list.buffers[0], whole(unknown));
    EXPECT_EQ(list.buffers[1], frame("GEOB", {}));
    EXPECT_EQ(list.total, 22u);
}

TEST(TagSerialize, StartsAFreshList) {
    KW5Tag tag;
    tag.store().addFrame("TIT2", "", makeFrame("TIT2", hex("02 00 41")));
    KW5SerializedFrames list;
    list.buffers.push_back(Bytes(3, 1));
    list.lengths.push_back(3);
    list.total = 3;
    ASSERT_EQ(tag.serializeFramesSTD(list), KW5_FILE_RET_OK);
    ASSERT_EQ(list.buffers.size(), 1u);
    EXPECT_EQ(list.lengths.size(), 1u);
    EXPECT_EQ(list.total, 13u);
}

// Every prefix and many corrupted copies of a valid image are parsed
// without reading outside them (checked under the sanitizers).
TEST(TagHostile, TruncatedAndCorruptedImages) {
    const Bytes frames = concat(
        {frame("TIT2", textBody("Title")), frame("TXXX", hex("01 FF FE 44 00 00 00 76 00")),
         frame("WXXX", userBody("Link", "http://x")), frame("WOAR", bytesOf("http://a")),
         frame("GEOB", objectBody("VMK_LSI", hex("01 02 03"))), frame("PRIV", bytesOf("o"))});
    const Bytes image = tagImage(frames, 6);
    for (size_t n = 0; n <= image.size(); ++n) {
        // A copy of exactly n bytes, so that any overread hits the sanitizer.
        std::unique_ptr<unsigned char[]> copy(new unsigned char[n == 0 ? 1 : n]);
        std::copy(image.begin(), image.begin() + n, copy.get());
        KW5Tag tag;
        KW5TagGM gm;
        const _KW5_FILE_RET ret = tag.load(copy.get(), static_cast<ULONG>(n));
        gm.load(copy.get(), static_cast<ULONG>(n));
        if (ret == KW5_FILE_RET_OK) {
            EXPECT_EQ(tagSize(tag), n);
        }
        KW5SerializedFrames list;
        EXPECT_EQ(tag.serializeFramesGM(list), KW5_FILE_RET_OK);
    }
    std::mt19937 random(42);
    for (int round = 0; round < 3000; ++round) {
        Bytes bad = image;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i)
            bad[10 + random() % (bad.size() - 10)] = static_cast<unsigned char>(random());
        const size_t n = 10 + random() % (bad.size() - 9);
        std::unique_ptr<unsigned char[]> copy(new unsigned char[n]);
        std::copy(bad.begin(), bad.begin() + n, copy.get());
        KW5Tag tag;
        tag.load(copy.get(), static_cast<ULONG>(n));
        KW5SerializedFrames list;
        EXPECT_EQ(tag.serializeFramesSTD(list), KW5_FILE_RET_OK);
        EXPECT_EQ(frameCount(tag), 0u);
    }
}

} // namespace
