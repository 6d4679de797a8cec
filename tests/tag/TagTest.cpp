// The tag model as a file sees it: header layouts, the frame walk of a load,
// the frame store's keys and multiplicity, and the bytes each variant writes.
#include "tag/KW5Tag.h"
#include "tag/KW5TagGM.h"
#include "tests/tag/TagImages.h"

#include <memory>
#include <set>
#include <tuple>

using namespace kw5img;
using kw5test::hostPath;

namespace {

ULONG len(const Bytes& b) {
    return static_cast<ULONG>(b.size());
}

// A frame read from its bytes the way the tag reader does.
KW5Frame read(const Bytes& bytes) {
    const Bytes raw = cat({bytes, Bytes{0xEE}});
    KW5FrameHeader header;
    KW5Field field;
    ULONG position = 0;
    EXPECT_EQ(KW5Frame::readFrame(raw.data(), len(raw), header, field, position), OK);
    KW5Frame out;
    EXPECT_EQ(out.setFrame(header, field), OK);
    return out;
}

KW5Frame one(const std::string& spec) {
    return read(frames(spec));
}

KW5FrameList list(const std::string& spec) {
    KW5FrameList out;
    for (const Bytes& f : frameList(spec))
        out.push_back(read(f));
    return out;
}

Bytes whole(const KW5FrameList& frames, size_t from = 0) {
    Bytes out;
    for (size_t i = from; i < frames.size(); ++i)
        out = cat({out, frames[i].headerBytes(),
                   Bytes(frames[i].bodyData(), frames[i].bodyData() + frames[i].bodyLength())});
    return out;
}

size_t frameCount(const KW5Tag& tag) {
    const KW5DataBase& s = tag.store();
    return s.singleFrames().size() + s.objectFrames().size() + s.linkFrames().size() +
           s.keptFrames().size();
}

size_t found(const KW5Tag& tag, const std::string& id, const std::string& desc = "") {
    KW5FrameList frames;
    tag.findFramesById(id, desc, frames);
    return frames.size();
}

Bytes flagged(Bytes image, unsigned char flags) {
    image[5] = flags;
    return image;
}

ULONG tagSize(const KW5Tag& tag) {
    ULONG size = 0xDEAD;
    EXPECT_EQ(tag.getTagSize(size), OK);
    return size;
}

// Empties the tag in the variant's order ('S', 'G', 'P'); the frames joined.
Bytes written(KW5Tag& tag, char variant, _KW5_FILE_RET expected = OK) {
    KW5SerializedFrames list;
    list.buffers.push_back(Bytes(3, 1)); // a fresh list is started
    _KW5_FILE_RET ret = variant == 'S'   ? tag.serializeFramesSTD(list)
                        : variant == 'G' ? tag.serializeFramesGM(list)
                                         : tag.serializeFramesPrask(list);
    EXPECT_EQ(ret, expected) << variant;
    Bytes out;
    for (size_t i = 0; i < list.buffers.size(); ++i) {
        EXPECT_EQ(list.lengths.at(i), list.buffers[i].size());
        out.insert(out.end(), list.buffers[i].begin(), list.buffers[i].end());
    }
    EXPECT_EQ(list.total, out.size());
    EXPECT_EQ(KW5Tag::releaseFrameBuffers(list) + list.buffers.size(), OK);
    return out;
}

// An image, loaded by the plain or the strict (GM) reader -> result, tag size
// (0 after a failure), the frames then stored as the STD writer gives them.
TEST(TagLoad, ImagesAndTheirFrames) {
    const struct {
        Bytes image;
        bool strict;
        _KW5_FILE_RET result;
        const char* stored;
    } rows[] = {
        {image({}), false, OK, ""},
        {image({}, 2, "ID3"), false, OK, ""}, // zero bytes are all padding
        {image(frames("TIT2.t0=t"), 1), false, OK, "TIT2"},
        {cat({image(frames("TIT2.t0=t"), 4), hex("FF FB 90 00")}), false, OK, "TIT2"},
        {image(frames("TIT2.t0=t TPE1.t0=a")), false, OK, "TIT2 TPE1"},
        {image(frames("TIT2.t0=1 WCOM.s=1 TIT2.t0=1 WCOM.s=2"), 30), false, OK, "TIT2 WCOM WCOM"},
        {image(frames("TIT2.t0=t"), 10, "ID3", 4), false, BAD_PARAM, ""},
        {image({}, 0, "kw5", 2), false, BAD_PARAM, ""},
        {image({}, 0, "ID4"), false, BAD_PARAM, ""},
        {image({}, 0, "KW5"), false, BAD_PARAM, ""},
        {image({}, 0, "kw5", 3, 1), false, BAD_PARAM, ""},
        {flagged(image({}), 0x80), false, BAD_PARAM, ""}, // unsynchronised
        {flagged(image({}), 0x40), false, BAD_PARAM, ""}, // extended header
        {flagged(image(frames("TIT2.t0=t")), 0x3F), false, OK, "TIT2"},
        {image(frames("TIT2.t0=t TPE1.t0=a XYZW.t0=x TALB.t0=b"), 20), false, BAD_PARAM,
         "TIT2 TPE1"},
        {image(frames("TIT2.t0=t TPE1.s=")), false, BAD_DATA, "TIT2"},
        {image(cat({frames("TIT2.t0=t"), hex("54 50 45 31 FF FF FF FF 00 00 41 41")})), false,
         BAD_DATA, "TIT2"}, // a size that wraps around
        {image(frames("TIT2.t2=A TXXX.h=01_FF_FE_44_00_00_00_76_00 WOAR.s=a TALB.t2=B"), 8), true,
         KW5_FILE_RET_FORMAT_WRONG_ENCODING, "TIT2 TALB WOAR TXXX:D"},
        {image(frames("WOAR.s=h WXXX.w2=D|a"), 8), true, OK, "WOAR WXXX:D"},
        {image(frames("WXXX.u0=D|a"), 8), true, KW5_FILE_RET_FORMAT_WRONG_ENCODING, "WXXX:D"},
        {image(frames("TIT2.s= TALB.t2=B"), 8), true, FAILED, ""},
    };
    for (const auto& row : rows) {
        const Bytes& bytes = row.image;
        std::unique_ptr<KW5Tag> tag(row.strict ? new KW5TagGM : new KW5Tag);
        EXPECT_EQ(tag->load(bytes.data(), len(bytes)), row.result) << toHex(bytes);
        EXPECT_EQ(tagSize(*tag), row.result == OK ? bytes.size() : 0);
        EXPECT_EQ(names(written(*tag, 'S')), row.stored) << toHex(bytes);
    }
    // Memory images shorter than a header, and none at all.
    KW5Tag tag;
    EXPECT_EQ(tag.load(nullptr, 0), OK);
    EXPECT_EQ(tagSize(tag), 0u);
    const Bytes five = hex("01 02 03 04 05");
    ASSERT_EQ(tag.load(five.data(), 5), OK);
    EXPECT_EQ(tagSize(tag), 5u);
    KW5TagHeader header;
    tag.getHeader(header);
    EXPECT_EQ(toHex(header.bytes()), "6B 77 35 03 00 00 00 00 00 00");
    // One trailing zero byte is padding, another one a broken header.
    Bytes trailing = image(frames("TIT2.t0=t"), 1);
    trailing.back() = 'T';
    EXPECT_EQ(tag.load(trailing.data(), len(trailing)), BAD_DATA);
    const Bytes title = image(frames("TIT2.t0=title")); // a body past the end
    EXPECT_EQ(tag.load(title.data(), len(title) - 1), BAD_DATA);
}

TEST(TagLoad, DifferingFramesUnderOneKeyBlockTheWrite) {
    const struct {
        const char *frames, *id, *desc;
        size_t conflicts;
    } rows[] = {
        {"TIT2.t0=a TIT2.t0=b", "TIT2", "", 1},
        {"TIT2.t0=a TIT2.t0=a", "TIT2", "", 0},
        {"TXXX.u0=H|t WXXX.u0=H|u", "WXXX", "H", 1},
        {"TPE1.t0=a TXXX.u0=TPE1|t", "TPE1", "", 1},
        {"COMM.h=00_65_6E_67_61 COMM.h=00_65_6E_67_62", "COMM", "", 0},
    };
    for (const auto& row : rows) {
        KW5Tag tag;
        const Bytes bytes = image(frames(row.frames), 10);
        ASSERT_EQ(tag.load(bytes.data(), len(bytes)), OK);
        ASSERT_EQ(tag.loadConflicts().size(), row.conflicts) << row.frames;
        KW5Tag copy(tag);
        written(copy, 'S', row.conflicts ? BAD_DATA : OK);
        if (!row.conflicts)
            continue;
        EXPECT_EQ(frameCount(copy), 1u) << "a refused write takes nothing out";
        EXPECT_NE(tag.loadConflicts()[0].frames.find(" at 10, "), std::string::npos);
        // Removing the key, or filing a new frame under it, lets it go out.
        KW5Tag removed(tag);
        ASSERT_EQ(removed.removeFramesById(row.id, row.desc, KW5_OPEN_READWRITE), OK);
        written(removed, 'S');
        ASSERT_EQ(tag.addFrames(list("TXXX.u0=" + std::string(*row.desc ? row.desc : row.id))), OK);
        written(tag, 'G');
    }
}

// The store: frames filed in order (each under the description its body
// carries), then found by (id, description).
TEST(Store, KeysAndMultiplicity) {
    const struct {
        const char *frames, *id, *desc, *found;
    } rows[] = {
        {"TIT2.t0=t TXXX.u0=TIT2|u", "TIT2", "", "TXXX.u0=TIT2|u"}, // a user frame named like an id
        {"TXXX.u0=Shop|t WXXX.u0=Shop|h", "TXXX", "Shop", "WXXX.u0=Shop|h"},
        {"WOAR.s=a WOAR.s=a WOAR!.s=a WOAR.s=b", "WOAR", "any", "WOAR.s=a WOAR!.s=a WOAR.s=b"},
        {"COMM.s=a COMM.s=b COMM.s=a PRIV.s=p", "COMM", "", "COMM.s=a COMM.s=b"},
        {"COMM.s=a COMM.s=b TXXX.u0=COMM|u", "COMM", "", "TXXX.u0=COMM|u"},
        {"GEOB.g0=X TXXX.u0=X|v", "GEOB", "X", "GEOB.g0=X"},
        {"TXXX.u0=A|1", "TXXX", "", ""},
        {"TALB.t0=x", "TPE1", "", ""},
        {"GEOB.g0=X", "GEOB", "none", ""},
    };
    for (const auto& row : rows) {
        KW5Tag tag;
        ASSERT_EQ(tag.addFrames(list(row.frames)), OK) << row.frames;
        KW5FrameList found(1); // appended to
        EXPECT_EQ(tag.findFramesById(row.id, row.desc, found), *row.found ? OK : NOT_FOUND);
        EXPECT_EQ(toHex(whole(found, 1)), toHex(frames(row.found))) << row.frames;
    }
    KW5Tag tag;
    KW5FrameList none;
    EXPECT_EQ(tag.findFramesById("", "x", none) + tag.addFrames({}), BAD_PARAM + OK);
    EXPECT_EQ(tag.addFrames({KW5Frame()}), BAD_PARAM);
    // The first failure stops the list.
    EXPECT_EQ(tag.addFrames(list("TIT2.t0=t XYZW.t0=x TALB.t0=b")), BAD_PARAM);
    EXPECT_EQ(found(tag, "TIT2") + found(tag, "TALB"), 1u);
    // Empty keys are refused by the store.
    KW5DataBase& store = tag.store();
    const KW5Frame user = one("TXXX.u0=D|v");
    for (const char* id : {"TXXX", "WXXX", "GEOB"})
        EXPECT_EQ(store.addFrame(id, "", user), BAD_PARAM) << id;
    EXPECT_EQ(store.addFrame("", "D", user), BAD_PARAM);
    // Keys compare as unsigned bytes: high bytes after ASCII.
    KW5Tag order;
    ASSERT_EQ(order.addFrames(list("TXXX.u2=\xE4nderung|1 TXXX.u2=Zeit|2 TPE2.t2=3")), OK);
    std::string keys;
    for (const auto& entry : order.store().singleFrames())
        keys += entry.first + " ";
    EXPECT_EQ(keys, "TPE2 Zeit \xE4nderung ");
}

TEST(Store, RemovalAndReadOnlyFrames) {
    // Frames filed (and a TPE2), removeFramesById(id, desc, mode) -> result, frames left.
    const struct {
        const char *frames, *id, *desc;
        LONG mode;
        _KW5_FILE_RET result;
        size_t left;
    } rows[] = {
        {"TLEN!.t0=1", "TLEN", "", KW5_OPEN_READWRITE, READ_ONLY, 2},
        {"TLEN!.t0=1", "TLEN", "", KW5_OPEN_READWRITE_ALL, OK, 1},
        {"TIT2.h=00_31", "TIT2", "", KW5_OPEN_READWRITE, OK, 1},
        {"GEOB!.g0=VMK_SINFO", "GEOB", "VMK_SINFO", KW5_OPEN_READONLY, READ_ONLY, 2},
        {"COMM.s=a COMM!.s=b", "COMM", "", KW5_OPEN_READWRITE, READ_ONLY, 3},
        {"COMM!.s=a", "COMM", "", KW5_OPEN_READWRITE_ALL, OK, 1},
        {"WCOM.s=1 WCOM!.s=2", "WCOM", "", KW5_OPEN_READWRITE, OK, 1}, // the first
        {"WCOM!.s=1 WCOM.s=2", "WCOM", "", KW5_OPEN_READWRITE, READ_ONLY, 3},
        {"WCOM!.s=1 WCOM.s=2", "WCOM", "", KW5_OPEN_READWRITE_ALL, OK, 1},
        {"TXXX.u0=A|1", "WXXX", "A", KW5_OPEN_READWRITE, OK, 1},
        {"TXXX.u0=A|1", "TXXX", "B", KW5_OPEN_READWRITE_ALL, NOT_FOUND, 2},
        {"", "TIT2", "", KW5_OPEN_READWRITE, NOT_FOUND, 1},
        {"", "WOAR", "", KW5_OPEN_READWRITE, NOT_FOUND, 1},
        {"", "TXXX", "", KW5_OPEN_READWRITE, BAD_PARAM, 1},
        {"", "", "x", KW5_OPEN_READWRITE_ALL, BAD_PARAM, 1},
    };
    for (const auto& row : rows) {
        KW5Tag tag;
        ASSERT_EQ(tag.addFrames(list(std::string(row.frames) + " TPE2.t0=x")), OK);
        EXPECT_EQ(tag.removeFramesById(row.id, row.desc, row.mode), row.result)
            << row.frames << " " << row.mode;
        EXPECT_EQ(frameCount(tag), row.left) << row.frames << " " << row.mode;
    }
}

TEST(WriteOrder, Variants) {
    KW5Tag tag;
    ASSERT_EQ(tag.addFrames(list("GEOB.g2=VMK_LSI GEOB.g2=VMK_ULINF GEOB.g2=AAA GEOB.g2=VMK_FTHBL2 "
                                 "GEOB.g2=VMK_FTHBL11 GEOB.g2=VMK_FTHBL1 GEOB.g2=VMK_FTHBX "
                                 "GEOB.g2=VMK_FTH TXXX.u2=VMK_TRACK|v TXXX.u2=ZZZ|v "
                                 "TXXX.u2=VMK_TPE1S|v TYER.t2=v TCON.t2=v TIT2.t2=v TPE2.t2=v "
                                 "TALB.t2=v TPE1.t2=v PRIV.s=o WOAR.s=a WCOM.s=b WCOM.s=c")),
              OK);
    const std::string common =
        "TIT2 TPE1 TALB TCON TXXX:VMK_TPE1S TXXX:VMK_TRACK TYER GEOB:VMK_FTHBL1 "
        "GEOB:VMK_FTHBL11 GEOB:VMK_FTHBL2 GEOB:VMK_FTHBX WCOM WCOM WOAR PRIV TPE2 TXXX:ZZZ "
        "GEOB:AAA GEOB:VMK_FTH";
    const std::pair<char, std::string> rows[] = {
        {'S', common + " GEOB:VMK_LSI GEOB:VMK_ULINF"},
        {'G', "GEOB:VMK_LSI " + common + " GEOB:VMK_ULINF"},
        {'P', "GEOB:VMK_ULINF " + common + " GEOB:VMK_LSI"},
    };
    for (const auto& row : rows) {
        KW5Tag copy(tag);
        EXPECT_EQ(names(written(copy, row.first)), row.second) << row.first;
        EXPECT_EQ(frameCount(copy), 0u);
        EXPECT_EQ(written(copy, row.first).size(), 0u);
    }
}

TEST(WriteOrder, BytesOfWhatLeaves) {
    // Frames filed -> the STD writer's bytes.
    const std::string x300(300, 'x'), x256(256, 'x');
    const struct {
        std::string frames, out;
    } rows[] = {
        {"TIT2!.t0=" + x300, "TIT2!.t2=" + x256}, // priority frames: 256 units
        {"TPE2.t0=" + x300, "TPE2.t2=" + x300},
        {"TXXX.u0=VMK_TRACK|" + x300, "TXXX.u2=VMK_TRACK|" + x256},
        {"WOAR.h=00_61_62 PRIV.h=00_61_62", "WOAR.h=00_61_62 PRIV.h=00_61_62"},
        {"GEOB!.g0=VMK_LSI", "GEOB!.g2=VMK_LSI"},
        // A frame whose treatment fails goes out as it was.
        {"TXXX.h=00_58_59_5A TXXX.u0=ZZ|after", "TXXX.h=00_58_59_5A TXXX.u2=ZZ|after"},
    };
    for (const auto& row : rows) {
        KW5Tag tag;
        ASSERT_EQ(tag.addFrames(list(row.frames)), OK) << row.frames;
        EXPECT_EQ(toHex(written(tag, 'S')), toHex(frames(row.out))) << row.frames;
    }
    // Frames no treatment knows leave as they are.
    KW5Tag tag;
    ASSERT_EQ(tag.store().addFrame("XYZW", "", one("XYZW.t0=x")), OK);
    ASSERT_EQ(tag.store().addFrame("GEOB", "broken", one("GEOB.s=")), OK);
    ASSERT_EQ(tag.store().addFrame("GEOB", "bad", one("GEOB.h=03_62_00_00_58_00_01")), OK);
    ASSERT_EQ(tag.store().addFrame("TIT2", "", one("TIT2.s=")), OK);
    tag.addFrames(list("GEOB.g2=VMK_FTHBL1"));
    EXPECT_EQ(
        toHex(written(tag, 'P')),
        toHex(frames("TIT2.s= GEOB.g2=VMK_FTHBL1 XYZW.t0=x GEOB.h=03_62_00_00_58_00_01 GEOB.s=")));
}

// A big store: each row files `count` frames whose payload repeats every
// `distinct`; byte-identical copies count once, in first-seen order, in a
// copy of the store too.
TEST(Store, BigStoreKeepsMultiplicityAndOrder) {
    const std::tuple<const char*, int, int> rows[] = {
        {"WOAR", 100000, 40000}, {"PRIV", 20000, 5000}, {"GEOB", 10000, 10000}};
    KW5Tag tag;
    Bytes links, objects; // in the order they leave
    std::set<std::string> names;
    for (const auto& row : rows)
        for (int i = 0; i < std::get<1>(row); ++i) {
            const std::string n = std::to_string(i % std::get<2>(row)), id = std::get<0>(row);
            const Bytes f = frame(id, id == "GEOB" ? geob2(n) : str(n));
            if (i < std::get<2>(row) && id != "GEOB")
                links.insert(links.end(), f.begin(), f.end());
            if (i < std::get<2>(row) && id == "GEOB")
                names.insert(n);
            ASSERT_EQ(tag.store().addFrame(id, id == "GEOB" ? n : "", read(f)), OK);
        }
    for (const std::string& n : names)
        objects = cat({objects, frame("GEOB", geob2(n))});
    ASSERT_EQ(tag.store().keepFrame(one("TXXX.u0=|k")), OK);
    ASSERT_EQ(tag.store().keepFrame(one("TXXX.u0=|k")), OK);
    KW5Tag copy;
    copy = tag;
    for (int i = 0; i < 40000; i += 97) // a copy knows its duplicates
        ASSERT_EQ(copy.addFrames(list("WOAR.s=" + std::to_string(i))), OK);
    for (KW5Tag* t : {&tag, &copy}) {
        EXPECT_EQ(found(*t, "WOAR") + found(*t, "PRIV"), 45000u);
        EXPECT_TRUE(written(*t, 'S') == cat({links, objects, frames("TXXX.u0=|k")}));
    }
    // Removal takes every frame under the key out of the index too.
    ASSERT_EQ(tag.addFrames(list("PRIV.s=1 PRIV.s=1")), OK);
    ASSERT_EQ(tag.removeFramesById("PRIV", "", KW5_OPEN_READWRITE), OK);
    ASSERT_EQ(tag.addFrames(list("PRIV.s=1")), OK);
    EXPECT_EQ(found(tag, "PRIV"), 1u);
}

// Frames read from a file without loading its tag: file, id, description ->
// result and the frames found.
TEST(TagScan, FramesOfAFile) {
    const Bytes audio = hex("FF FB 90 64 00 00 00 00 54 49 54 32");
    Bytes afterPadding = image(frames("TIT2.t0=in"), 12);
    std::copy_n(frames("TALB.t0=x").begin(), 2, afterPadding.end() - 2);
    const Bytes cut = image(frames("TPE1.t0=a TIT2.t0=t"), 30);
    const struct {
        Bytes file;
        const char *id, *desc;
        _KW5_FILE_RET result;
        const char* found;
    } rows[] = {
        {image(frames("TXXX.u0=B|0 TXXX.u0=A|1 TXXX.u0=A|2"), 50), "TXXX", "A", OK, "TXXX.u0=A|1"},
        {cat({image(frames("TIT2.t0=1 TPE1.t0=x TIT2!.t0=2"), 20), audio}), "TIT2", "", OK,
         "TIT2.t0=1 TIT2!.t0=2"},
        {image(frames("TXXX.u0=A|1 GEOB.g0="), 20), "GEOB", "", OK, "GEOB.g0="},
        {image(frames("TXXX.u0=A|1"), 20), "TXXX", "", OK, ""},
        {cat({afterPadding, frames("TIT2.t0=audio")}), "TIT2", "", OK, "TIT2.t0=in"},
        {cat({image(frames("TIT2.t0=x")), frames("TIT2.t0=audio")}), "TIT2", "", OK, "TIT2.t0=x"},
        {image(frames("TIT2.t0=t"), 10, "ID3", 4), "TIT2", "", OK, "TIT2.t0=t"},
        {image(cat({hex("54 50 45 31 00 00 10 00 00 00"), hex("00 74")}), 30), "TIT2", "", OK,
         ""}, // other frames are skipped, even past the tag
        {audio, "TIT2", "", BAD_DATA, ""},
        {{}, "TIT2", "", BAD_DATA, ""},
        {image({}, 9), "TIT2", "", BAD_DATA, ""},
        {flagged(image(frames("TIT2.t0=t"), 9), 0x80), "TIT2", "", BAD_DATA, ""},
        {Bytes(cut.begin(), cut.end() - 32), "TIT2", "", KW5_FILE_RET_FILE_READ_ERROR, ""},
        {Bytes(cut.begin(), cut.end() - 40), "TIT2", "", KW5_FILE_RET_FILE_READ_ERROR, ""},
        {image(cat({hex("54 49 54 32 7F FF FF FF 00 00"), hex("00 74")}), 30), "TIT2", "",
         KW5_FILE_RET_FILE_READ_ERROR, ""}, // a huge body is not read
        {image(frames("XYZW.t0=x"), 20), "XYZW", "", BAD_PARAM, ""},
        {image(frames("XYZW.t0=x"), 20), "TIT2", "", OK, ""},
    };
    kw5test::TempDir dir;
    for (const auto& row : rows) {
        kw5test::writeFile(dir.file("f"), row.file);
        KW5FrameList found(1);
        EXPECT_EQ(KW5Tag::scanFileFrames(hostPath(dir.file("f")), row.id, row.desc, found),
                  row.result)
            << toHex(row.file);
        EXPECT_EQ(toHex(whole(found, 1)), toHex(frames(row.found))) << toHex(row.file);
    }
    KW5FrameList none;
    EXPECT_EQ(KW5Tag::scanFileFrames(hostPath(dir.file("missing")), "TIT2", "", none),
              KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_EQ(KW5Tag::scanFileFrames(hostPath(dir.path()), "TIT2", "", none),
              KW5_FILE_RET_FILE_ACCESS_ERROR);
}

// Every prefix of a valid image is parsed without reading outside it (each copy is exactly its
// size, for the sanitizers).
TEST(TagHostile, TruncatedImages) {
    const Bytes valid =
        image(frames("TIT2.t0=Title TXXX.h=01_FF_FE_44_00_00_00_76_00 "
                     "WXXX.u0=Link|http://x WOAR.s=http://a GEOB.g0=VMK_LSI PRIV.s=o"),
              6);
    for (size_t n = 0; n <= valid.size(); ++n) {
        std::unique_ptr<unsigned char[]> copy(new unsigned char[n + !n]);
        std::copy(valid.begin(), valid.begin() + n, copy.get());
        KW5Tag tag;
        KW5TagGM gm;
        if (tag.load(copy.get(), static_cast<ULONG>(n)) == OK) {
            EXPECT_EQ(tagSize(tag), n);
        }
        gm.load(copy.get(), static_cast<ULONG>(n));
        written(tag, n % 2 ? 'S' : 'G');
        EXPECT_EQ(frameCount(tag), 0u);
    }
}

} // namespace
