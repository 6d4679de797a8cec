#include "tag/KW5DataBase.h"

#include "tests/common/TempDir.h"
#include "tests/tag/TagTestFrames.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using kw5test::hex;
using kw5test::toHex;
using namespace tagtest;

namespace {

// Files a frame under the description its body carries.
_KW5_FILE_RET add(KW5DataBase& store, const KW5Frame& frame) {
    std::string id;
    std::string description;
    _KW5_FILE_RET ret = frame.getDescription(id, description);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    return store.addFrame(id, description, frame);
}

std::vector<std::string> drain(KW5DataBase& store, _KW5_FILE_RET (KW5DataBase::*pop)(KW5Frame&)) {
    std::vector<std::string> names;
    for (int guard = 0; guard < 100; ++guard) {
        KW5Frame frame;
        if ((store.*pop)(frame) == KW5_FILE_RET_NOT_FOUND)
            return names;
        names.push_back(nameOf(frame));
    }
    ADD_FAILURE() << "the store never ran empty";
    return names;
}

KW5FrameList find(const KW5DataBase& store, const std::string& id, const std::string& desc,
                  _KW5_FILE_RET expected = KW5_FILE_RET_OK) {
    KW5FrameList frames;
    EXPECT_EQ(store.findFrames(id, desc, frames), expected) << id << " " << desc;
    return frames;
}

TEST(KeyOrder, BytesCompareUnsigned) {
    KW5KeyLess less;
    EXPECT_TRUE(less("A", "\x80"));
    EXPECT_FALSE(less("\x80", "A"));
    EXPECT_TRUE(less("\x7F", "\xFF"));
    EXPECT_TRUE(less("TIT", "TIT2")) << "a proper prefix comes first";
    EXPECT_FALSE(less("TIT2", "TIT2"));
    EXPECT_TRUE(less("VMK_FTHBL1", "VMK_FTHBL10"));
    EXPECT_TRUE(less("VMK_FTHBL11", "VMK_FTHBL2"));
}

TEST(KeyOrder, HighBytesSortAfterAscii) {
    KW5DataBase store;
    ASSERT_EQ(add(store, makeFrame("TXXX", userBody("\xE4nderung", "1"))), KW5_FILE_RET_OK);
    ASSERT_EQ(add(store, makeFrame("TXXX", userBody("Zeit", "2"))), KW5_FILE_RET_OK);
    ASSERT_EQ(add(store, makeFrame("TPE2", textBody("3"))), KW5_FILE_RET_OK);
    std::vector<std::string> keys;
    for (const auto& entry : store.singleFrames())
        keys.push_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"TPE2", "Zeit", "\xE4nderung"}));
}

TEST(DataBase, UserFrameNamedLikeAnIdReplacesIt) {
    KW5DataBase store;
    ASSERT_EQ(add(store, makeFrame("TIT2", textBody("title"))), KW5_FILE_RET_OK);
    const KW5Frame user = makeFrame("TXXX", userBody("TIT2", "user"));
    ASSERT_EQ(add(store, user), KW5_FILE_RET_OK);
    KW5FrameList found = find(store, "TIT2", "");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0].isEqual(user));
    EXPECT_EQ(store.singleFrames().size(), 1u);
}

TEST(DataBase, TxxxAndWxxxWithOneDescriptionReplaceEachOther) {
    KW5DataBase store;
    ASSERT_EQ(add(store, makeFrame("TXXX", userBody("Shop", "text"))), KW5_FILE_RET_OK);
    const KW5Frame url = makeFrame("WXXX", userBody("Shop", "http://shop"));
    ASSERT_EQ(add(store, url), KW5_FILE_RET_OK);
    ASSERT_EQ(store.singleFrames().size(), 1u);
    KW5FrameList found = find(store, "TXXX", "Shop");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0].isEqual(url));
}

TEST(DataBase, LinkFramesAccumulateWithoutDuplicates) {
    KW5DataBase store;
    const KW5Frame a = makeFrame("WOAR", bytesOf("http://a"));
    ASSERT_EQ(store.addFrame("WOAR", "ignored", a), KW5_FILE_RET_OK);
    ASSERT_EQ(store.addFrame("WOAR", "", a), KW5_FILE_RET_OK);
    EXPECT_EQ(store.linkFrames().size(), 1u);
    const KW5Frame flagged = makeFrame("WOAR", bytesOf("http://a"), 0x0001);
    ASSERT_EQ(store.addFrame("WOAR", "", flagged), KW5_FILE_RET_OK);
    const KW5Frame b = makeFrame("WOAR", bytesOf("http://b"));
    ASSERT_EQ(store.addFrame("WOAR", "", b), KW5_FILE_RET_OK);
    KW5FrameList found = find(store, "WOAR", "whatever");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_TRUE(found[0].isEqual(a));
    EXPECT_TRUE(found[1].isEqual(flagged));
    EXPECT_TRUE(found[2].isEqual(b));
    find(store, "WCOM", "", KW5_FILE_RET_NOT_FOUND);
}

TEST(DataBase, StandardFramesAccumulateInStoredOrder) {
    KW5DataBase store;
    const KW5Frame a = makeFrame("COMM", bytesOf("\x01"
                                                 "eng"
                                                 "a"));
    const KW5Frame b = makeFrame("COMM", bytesOf("\x01"
                                                 "deu"
                                                 "b"));
    const KW5Frame locked = makeFrame("COMM",
                                      bytesOf("\x01"
                                              "fra"
                                              "c"),
                                      0x2000);
    for (const KW5Frame* frame : {&a, &b, &a, &locked})
        ASSERT_EQ(store.addFrame("COMM", "", *frame), KW5_FILE_RET_OK);
    ASSERT_EQ(store.addFrame("PRIV", "", makeFrame("PRIV", bytesOf("p"))), KW5_FILE_RET_OK);
    KW5FrameList found = find(store, "COMM", "");
    ASSERT_EQ(found.size(), 3u) << "a byte-identical copy is kept once";
    EXPECT_TRUE(found[0].isEqual(a));
    EXPECT_TRUE(found[1].isEqual(b));
    EXPECT_TRUE(found[2].isEqual(locked));
    KW5DataBase drained(store);
    EXPECT_EQ(drain(drained, &KW5DataBase::popNextFrameSTD),
              (std::vector<std::string>{"COMM", "COMM", "COMM", "PRIV"}));
    EXPECT_EQ(store.removeFrames("COMM", "", KW5_OPEN_READWRITE), KW5_FILE_RET_READ_ONLY)
        << "any read-only frame keeps them all";
    EXPECT_EQ(find(store, "COMM", "").size(), 3u);
    EXPECT_EQ(store.removeFrames("COMM", "", KW5_OPEN_READWRITE_ALL), KW5_FILE_RET_OK);
    find(store, "COMM", "", KW5_FILE_RET_NOT_FOUND);
    // A user frame described like the id still replaces them all, and back.
    store.addFrame("COMM", "", a);
    store.addFrame("COMM", "", b);
    bool replaced = false;
    ASSERT_EQ(store.addFrame("TXXX", "COMM", makeFrame("TXXX", userBody("COMM", "u")), &replaced),
              KW5_FILE_RET_OK);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(find(store, "COMM", "").size(), 1u);
    ASSERT_EQ(store.addFrame("COMM", "", KW5Frame(a), &replaced), KW5_FILE_RET_OK);
    EXPECT_TRUE(replaced);
    ASSERT_EQ(store.addFrame("TIT2", "", makeFrame("TIT2", textBody("t")), &replaced),
              KW5_FILE_RET_OK);
    EXPECT_FALSE(replaced);
    ASSERT_EQ(store.addFrame("TIT2", "", makeFrame("TIT2", textBody("t")), &replaced),
              KW5_FILE_RET_OK);
    EXPECT_FALSE(replaced) << "an identical frame loses nothing";
}

TEST(DataBase, FindAppendsToTheList) {
    KW5DataBase store;
    add(store, makeFrame("TALB", textBody("album")));
    KW5FrameList frames(2);
    ASSERT_EQ(store.findFrames("TALB", "", frames), KW5_FILE_RET_OK);
    EXPECT_EQ(frames.size(), 3u);
    EXPECT_EQ(store.findFrames("TPE1", "", frames), KW5_FILE_RET_NOT_FOUND);
    EXPECT_EQ(store.findFrames("TXXX", "", frames), KW5_FILE_RET_NOT_FOUND);
    EXPECT_EQ(store.findFrames("GEOB", "none", frames), KW5_FILE_RET_NOT_FOUND);
    EXPECT_EQ(frames.size(), 3u);
}

TEST(DataBase, AddRefusesEmptyKeys) {
    KW5DataBase store;
    const KW5Frame frame = makeFrame("TXXX", userBody("D", "v"));
    EXPECT_EQ(store.addFrame("", "D", frame), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(store.addFrame("TXXX", "", frame), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(store.addFrame("WXXX", "", frame), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(store.addFrame("GEOB", "", frame), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_TRUE(store.isEmpty());
}

TEST(DataBase, GeobFramesLiveApartFromUserFrames) {
    KW5DataBase store;
    ASSERT_EQ(add(store, makeFrame("GEOB", objectBody("X", hex("01")))), KW5_FILE_RET_OK);
    ASSERT_EQ(add(store, makeFrame("TXXX", userBody("X", "v"))), KW5_FILE_RET_OK);
    EXPECT_EQ(store.objectFrames().size(), 1u);
    EXPECT_EQ(store.singleFrames().size(), 1u);
    EXPECT_EQ(find(store, "GEOB", "X").size(), 1u);
}

TEST(DataBase, RemoveHonoursTheReadOnlyFlag) {
    KW5DataBase store;
    add(store, makeFrame("TLEN", textBody("1000"), 0x2000));
    EXPECT_EQ(store.removeFrames("TLEN", "", KW5_OPEN_READWRITE), KW5_FILE_RET_READ_ONLY);
    EXPECT_EQ(find(store, "TLEN", "").size(), 1u);
    EXPECT_EQ(store.removeFrames("TLEN", "", KW5_OPEN_READWRITE_ALL), KW5_FILE_RET_OK);
    find(store, "TLEN", "", KW5_FILE_RET_NOT_FOUND);

    add(store, makeFrame("TIT2", textBody("t"), 0x0020));
    EXPECT_EQ(store.removeFrames("TIT2", "", KW5_OPEN_READWRITE), KW5_FILE_RET_OK)
        << "0x0020 is not the read-only flag";

    add(store, makeFrame("GEOB", objectBody("VMK_SINFO", hex("01")), 0x2000));
    EXPECT_EQ(store.removeFrames("GEOB", "VMK_SINFO", KW5_OPEN_READONLY), KW5_FILE_RET_READ_ONLY);
    EXPECT_EQ(store.removeFrames("GEOB", "VMK_SINFO", KW5_OPEN_READWRITE_ALL), KW5_FILE_RET_OK);
}

TEST(DataBase, RemoveResults) {
    KW5DataBase store;
    EXPECT_EQ(store.removeFrames("", "", KW5_OPEN_READWRITE), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(store.removeFrames("TXXX", "", KW5_OPEN_READWRITE), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(store.removeFrames("TIT2", "", KW5_OPEN_READWRITE), KW5_FILE_RET_NOT_FOUND);
    EXPECT_EQ(store.removeFrames("TIT2", "", KW5_OPEN_READWRITE_ALL), KW5_FILE_RET_NOT_FOUND);
    EXPECT_EQ(store.removeFrames("WOAR", "", KW5_OPEN_READWRITE), KW5_FILE_RET_NOT_FOUND);
    add(store, makeFrame("TXXX", userBody("A", "1")));
    EXPECT_EQ(store.removeFrames("TXXX", "B", KW5_OPEN_READWRITE_ALL), KW5_FILE_RET_NOT_FOUND);
    EXPECT_EQ(store.removeFrames("WXXX", "A", KW5_OPEN_READWRITE), KW5_FILE_RET_OK)
        << "user frames share one key space";
    EXPECT_TRUE(store.isEmpty());
}

TEST(DataBase, RemoveLinkFramesAllOrNone) {
    KW5DataBase store;
    store.addFrame("WCOM", "", makeFrame("WCOM", bytesOf("http://1")));
    store.addFrame("WCOM", "", makeFrame("WCOM", bytesOf("http://2"), 0x2000));
    store.addFrame("WOAR", "", makeFrame("WOAR", bytesOf("http://3")));
    EXPECT_EQ(store.removeFrames("WCOM", "", KW5_OPEN_READWRITE), KW5_FILE_RET_OK)
        << "the first WCOM frame is writable";
    find(store, "WCOM", "", KW5_FILE_RET_NOT_FOUND);
    EXPECT_EQ(find(store, "WOAR", "").size(), 1u);

    store.addFrame("WCOM", "", makeFrame("WCOM", bytesOf("http://1"), 0x2000));
    store.addFrame("WCOM", "", makeFrame("WCOM", bytesOf("http://2")));
    EXPECT_EQ(store.removeFrames("WCOM", "", KW5_OPEN_READWRITE), KW5_FILE_RET_READ_ONLY);
    EXPECT_EQ(find(store, "WCOM", "").size(), 2u);
    EXPECT_EQ(store.removeFrames("WCOM", "", KW5_OPEN_READWRITE_ALL), KW5_FILE_RET_OK);
    find(store, "WCOM", "", KW5_FILE_RET_NOT_FOUND);
}

TEST(DataBase, ClearAndCopy) {
    KW5DataBase store;
    add(store, makeFrame("TIT2", textBody("t")));
    store.addFrame("WOAR", "", makeFrame("WOAR", bytesOf("u")));
    add(store, makeFrame("GEOB", objectBody("O", hex("01"))));
    KW5DataBase copy;
    copy = store;
    EXPECT_EQ(store.clearFrames(), KW5_FILE_RET_OK);
    EXPECT_TRUE(store.isEmpty());
    EXPECT_EQ(copy.singleFrames().size(), 1u);
    EXPECT_EQ(copy.linkFrames().size(), 1u);
    EXPECT_EQ(copy.objectFrames().size(), 1u);
}

TEST(WriteOrder, LinkFramesAfterPriorityFrames) {
    KW5DataBase store;
    store.addFrame("WOAR", "", makeFrame("WOAR", bytesOf("http://a")));
    store.addFrame("WCOM", "", makeFrame("WCOM", bytesOf("http://b")));
    add(store, makeFrame("TALB", textBody("album")));
    EXPECT_EQ(drain(store, &KW5DataBase::popNextFrameSTD),
              (std::vector<std::string>{"TALB", "WCOM", "WOAR"}));
    KW5Frame frame;
    EXPECT_EQ(store.popNextFrameSTD(frame), KW5_FILE_RET_NOT_FOUND);
}

TEST(WriteOrder, NumberedSeriesInByteOrder) {
    KW5DataBase store;
    for (const char* d : {"VMK_FTHBL2", "VMK_FTHBL11", "VMK_FTHBL1", "VMK_FTHBL3", "VMK_FTHBL10"})
        add(store, makeFrame("GEOB", objectBody(d, hex("00"))));
    EXPECT_EQ(drain(store, &KW5DataBase::popNextFrameSTD),
              (std::vector<std::string>{"GEOB:VMK_FTHBL1", "GEOB:VMK_FTHBL10", "GEOB:VMK_FTHBL11",
                                        "GEOB:VMK_FTHBL2", "GEOB:VMK_FTHBL3"}));
}

void fillMixedStore(KW5DataBase& store) {
    for (const char* d : {"VMK_LSI", "VMK_ULINF", "AAA", "VMK_FTHBL2", "VMK_FTHBX", "VMK_FTH"})
        ASSERT_EQ(add(store, makeFrame("GEOB", objectBody(d, hex("00")))), KW5_FILE_RET_OK);
    for (const char* d : {"VMK_TRACK", "ZZZ", "VMK_TPE1S"})
        ASSERT_EQ(add(store, makeFrame("TXXX", userBody(d, "v"))), KW5_FILE_RET_OK);
    for (const char* id : {"TYER", "TCON", "TIT2", "TPE2", "TALB", "TPE1"})
        ASSERT_EQ(add(store, makeFrame(id, textBody("v"))), KW5_FILE_RET_OK);
    ASSERT_EQ(add(store, makeFrame("PRIV", bytesOf("owner"))), KW5_FILE_RET_OK);
    store.addFrame("WOAR", "", makeFrame("WOAR", bytesOf("http://a")));
    store.addFrame("WCOM", "", makeFrame("WCOM", bytesOf("http://b")));
    store.addFrame("WCOM", "", makeFrame("WCOM", bytesOf("http://c")));
}

const std::vector<std::string> kCommonOrder = {
    "TIT2",           "TPE1",           "TALB",     "TCON",
    "TXXX:VMK_TPE1S", "TXXX:VMK_TRACK", "TYER",     "GEOB:VMK_FTHBL2",
    "GEOB:VMK_FTHBX", "WCOM",           "WCOM",     "WOAR",
    "PRIV",           "TPE2",           "TXXX:ZZZ", "GEOB:AAA",
    "GEOB:VMK_FTH"};

std::vector<std::string> with(std::vector<std::string> order,
                              std::initializer_list<const char*> tail) {
    order.insert(order.end(), tail.begin(), tail.end());
    return order;
}

TEST(WriteOrder, STD) {
    KW5DataBase store;
    fillMixedStore(store);
    EXPECT_EQ(drain(store, &KW5DataBase::popNextFrameSTD),
              with(kCommonOrder, {"GEOB:VMK_LSI", "GEOB:VMK_ULINF"}));
}

TEST(WriteOrder, GMLeadsWithTheLsiObject) {
    KW5DataBase store;
    fillMixedStore(store);
    std::vector<std::string> expected{"GEOB:VMK_LSI"};
    expected.insert(expected.end(), kCommonOrder.begin(), kCommonOrder.end());
    expected.push_back("GEOB:VMK_ULINF");
    EXPECT_EQ(drain(store, &KW5DataBase::popNextFrameGM), expected);
}

TEST(WriteOrder, PraskLeadsWithTheUlinfObject) {
    KW5DataBase store;
    fillMixedStore(store);
    std::vector<std::string> expected{"GEOB:VMK_ULINF"};
    expected.insert(expected.end(), kCommonOrder.begin(), kCommonOrder.end());
    expected.push_back("GEOB:VMK_LSI");
    EXPECT_EQ(drain(store, &KW5DataBase::popNextFramePrask), expected);
}

TEST(WriteOrder, PriorityFramesAreCutTo256Units) {
    KW5DataBase store;
    add(store, makeFrame("TIT2", textBody(std::string(300, 'x'))));
    KW5Frame frame;
    ASSERT_EQ(store.popNextFrameSTD(frame), KW5_FILE_RET_OK);
    ASSERT_EQ(frame.bodyLength(), 513u);
    EXPECT_EQ(frame.bodyBytes()[0], 2u);
    EXPECT_EQ(frame.bodyBytes()[1], 0u);
    EXPECT_EQ(frame.bodyBytes()[2], 'x');
    EXPECT_EQ(toHex({frame.headerBytes().begin() + 4, frame.headerBytes().begin() + 8}),
              "00 00 02 01");

    // Frames outside the priority list keep their length.
    add(store, makeFrame("TPE2", textBody(std::string(300, 'y'))));
    ASSERT_EQ(store.popNextFrameSTD(frame), KW5_FILE_RET_OK);
    EXPECT_EQ(frame.bodyBytes()[0], 2u);
    EXPECT_GE(frame.bodyLength(), 601u);
}

TEST(WriteOrder, LinkFramesTravelUnchanged) {
    KW5DataBase store;
    const KW5Frame url = makeFrame("WOAR", hex("00 61 62"));
    store.addFrame("WOAR", "", url);
    KW5Frame frame;
    ASSERT_EQ(store.popNextFrameGM(frame), KW5_FILE_RET_OK);
    EXPECT_TRUE(frame.isEqual(url));
}

TEST(WriteOrder, FailedTreatmentStillDeliversTheFrame) {
    KW5DataBase store;
    const KW5Frame unknown = makeFrame("XYZW", textBody("abc"));
    ASSERT_EQ(store.addFrame("XYZW", "", unknown), KW5_FILE_RET_OK);
    KW5Frame frame;
    EXPECT_EQ(store.popNextFrameSTD(frame), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_TRUE(frame.isEqual(unknown));
    EXPECT_TRUE(store.isEmpty());
}

TEST(WriteOrder, ObjectWithUnreadableDescriptionStillLeaves) {
    KW5DataBase store;
    // An object body that names no description at all.
    ASSERT_EQ(store.addFrame("GEOB", "broken", makeFrame("GEOB", {})), KW5_FILE_RET_OK);
    add(store, makeFrame("GEOB", objectBody("VMK_FTHBL1", hex("00"))));
    EXPECT_EQ(drain(store, &KW5DataBase::popNextFrameSTD),
              (std::vector<std::string>{"GEOB:VMK_FTHBL1", "GEOB"}));
}

} // namespace

// A big store: each row files `count` frames whose payload repeats every
// `distinct` frames. Byte-identical copies count once, in first-seen order,
// also in a copy of the store; the write order is that of a small store.
TEST(BigStore, KeepsMultiplicityAndWriteOrder) {
    struct Row {
        const char* id;
        int count;
        int distinct;
    };
    const Row rows[] = {{"WOAR", 100000, 40000},
                        {"WCOM", 10000, 10000},
                        {"PRIV", 20000, 5000},
                        {"GEOB", 20000, 20000},
                        {"kept", 10000, 2000}};
    auto frameOf = [](const Row& row, int i) {
        const std::string n = std::to_string(i % row.distinct);
        if (std::string(row.id) == "GEOB")
            return makeFrame("GEOB", objectBody((i % 2 ? "OBJ" : "VMK_FTHBL") + n, hex("00")));
        if (std::string(row.id) == "kept")
            return makeFrame("TXXX", userBody("", n));
        return makeFrame(row.id, bytesOf(n));
    };
    // Objects leave by name (their text is re-encoded), the others as they are.
    auto label = [](const KW5Frame& f) {
        const std::string name = nameOf(f);
        return name.compare(0, 4, "GEOB") == 0 ? name : name + "|" + toHex(whole(f));
    };
    KW5DataBase store;
    std::map<std::string, std::vector<std::string>> expected; // per write step
    std::set<std::string, KW5KeyLess> series, objects;
    for (const Row& row : rows) {
        for (int i = 0; i < row.count; ++i) {
            KW5Frame frame = frameOf(row, i);
            if (i < row.distinct) {
                const std::string name = nameOf(frame);
                if (std::string(row.id) == "GEOB")
                    (i % 2 ? objects : series).insert(name);
                else
                    expected[row.id].push_back(label(frame));
            }
            ASSERT_EQ(std::string(row.id) == "kept" ? store.keepFrame(std::move(frame))
                                                    : add(store, frame),
                      KW5_FILE_RET_OK);
        }
    }
    std::vector<std::string> order(series.begin(), series.end());
    for (const char* step : {"WCOM", "WOAR", "PRIV"})
        order.insert(order.end(), expected[step].begin(), expected[step].end());
    order.insert(order.end(), objects.begin(), objects.end());
    order.insert(order.end(), expected["kept"].begin(), expected["kept"].end());

    KW5DataBase copy(store);
    for (const Row& row : rows) {
        for (int i = 0; i < row.distinct; i += 97) // a copy knows its duplicates
            ASSERT_EQ(std::string(row.id) == "kept" ? copy.keepFrame(frameOf(row, i))
                                                    : add(copy, frameOf(row, i)),
                      KW5_FILE_RET_OK);
    }
    for (KW5DataBase* s : {&store, &copy}) {
        EXPECT_EQ(find(*s, "WOAR", "").size(), 40000u);
        std::vector<std::string> drained;
        KW5Frame frame;
        while (s->popNextFrameSTD(frame) != KW5_FILE_RET_NOT_FOUND)
            drained.push_back(label(frame));
        ASSERT_EQ(drained.size(), order.size());
        EXPECT_TRUE(drained == order);
        EXPECT_TRUE(s->isEmpty());
    }
    // Removal takes every frame under the key out of the index too.
    ASSERT_EQ(add(store, frameOf(rows[2], 1)), KW5_FILE_RET_OK);
    ASSERT_EQ(store.removeFrames("PRIV", "", KW5_OPEN_READWRITE), KW5_FILE_RET_OK);
    ASSERT_EQ(add(store, frameOf(rows[2], 1)), KW5_FILE_RET_OK);
    EXPECT_EQ(find(store, "PRIV", "").size(), 1u);
}
