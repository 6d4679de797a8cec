#include "format/KW5FormatGM.h"
#include "format/KW5FormatPrask.h"
#include "format/KW5FormatSTD.h"
#include "tag/KW5Tag.h"
#include "tests/common/TempDir.h"
#include "tests/format/ImageBuilder.h"
#include "tests/format/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kw5formattest;

namespace {

void load(KW5Tag& tag, const Bytes& image) {
    ASSERT_EQ(KW5_FILE_RET_OK, tag.load(image.data(), static_cast<ULONG>(image.size())));
}

_KW5_FILE_RET check(KW5Format& format, const Bytes& image) {
    const unsigned char* data = image.data();
    const ULONG length = static_cast<ULONG>(image.size());
    return format.checkFormat(data, length);
}

bool has(const KW5Tag& tag, const std::string& id, const std::string& description) {
    KW5FrameList frames;
    return tag.findFramesById(id, description, frames) == KW5_FILE_RET_OK;
}

typedef std::vector<std::string> Names;

const Bytes kAudio{0xFF, 0xFB, 0x90, 0x00, 0x11, 0x22};

Bytes withAudio(const Bytes& tag) {
    Bytes file = tag;
    file.insert(file.end(), kAudio.begin(), kAudio.end());
    return file;
}

Bytes audioOf(const Bytes& file) {
    return Bytes(file.begin() + tagRegion(file).size(), file.end());
}

Bytes gmImage() {
    return ImageBuilder()
        .frame("GEOB", geobBody("VMK_LSI"))
        .frame("TIT2", textBody("Title"))
        .frame("GEOB", geobBody("A_OBJ"))
        .frame("TCOM", textBody("C"))
        .frame("GEOB", geobBody("ZZZ"))
        .padding(16)
        .image();
}

} // namespace

TEST(FormatWrite, GmWriterDoesNotMakeUpTheLsiObject) {
    kw5test::TempDir dir;
    const auto path = dir.file("plain.kw5");
    KW5Tag tag;
    load(tag,
         ImageBuilder().frame("TALB", textBody0("Album")).frame("TIT2", textBody0("T")).image());
    KW5FormatGM gm;
    ASSERT_EQ(KW5_FILE_RET_OK, gm.writeTag(tag, kw5test::hostPath(path)));
    // Serialising emptied the tag.
    EXPECT_FALSE(has(tag, "TIT2", ""));

    const Bytes written = tagRegion(kw5test::readFile(path));
    EXPECT_EQ((Names{"TIT2", "TALB"}), frameList(written));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_NO_LSI, check(gm, written));
    KW5FormatSTD std_;
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, written));
}

TEST(FormatWrite, StdWriterRefusesAGmTagAndLeavesFileAndTag) {
    kw5test::TempDir dir;
    const auto path = dir.file("gm.kw5");
    const Bytes original = withAudio(gmImage());
    kw5test::writeFile(path, original);
    KW5Tag tag;
    load(tag, gmImage());

    KW5FormatSTD std_;
    EXPECT_EQ(KW5_FILE_RET_FORMAT_LSI_PRESENT, std_.writeTag(tag, kw5test::hostPath(path)));
    EXPECT_EQ(original, kw5test::readFile(path));
    EXPECT_TRUE(has(tag, "GEOB", "VMK_LSI"));
    EXPECT_TRUE(has(tag, "TIT2", ""));
    EXPECT_TRUE(has(tag, "GEOB", "ZZZ"));
}

TEST(FormatWrite, PraskWriterKeepsLsiAmongTheOtherObjects) {
    kw5test::TempDir dir;
    const auto path = dir.file("gm.kw5");
    kw5test::writeFile(path, withAudio(gmImage()));
    KW5Tag tag;
    load(tag, gmImage());

    KW5FormatPrask prask;
    ASSERT_EQ(KW5_FILE_RET_OK, prask.writeTag(tag, kw5test::hostPath(path)));
    const Bytes file = kw5test::readFile(path);
    const Bytes written = tagRegion(file);
    EXPECT_EQ((Names{"TIT2", "TCOM", "GEOB:A_OBJ", "GEOB:VMK_LSI", "GEOB:ZZZ"}),
              frameList(written));
    EXPECT_EQ(kAudio, audioOf(file));

    LogCapture log;
    EXPECT_EQ(KW5_FILE_RET_FORMAT_NO_ULINF, check(prask, written));
    EXPECT_TRUE(log.contains("ch_f_prsk No ULINF")) << log.text();
    // Read back, the GM check sees its object in the wrong place.
    KW5FormatGM gm;
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, check(gm, written));
}

TEST(FormatWrite, GmWriterPutsLsiFirstAndPassesItsCheck) {
    kw5test::TempDir dir;
    const auto path = dir.file("mixed.kw5");
    const Bytes image = ImageBuilder()
                            .frame("TYER", textBody0("2001"))
                            .frame("TXXX", txxxBody0("VMK_TRACK", "7"))
                            .frame("GEOB", geobBody("VMK_LSI"))
                            .frame("TIT2", textBody0(std::string(300, 'a')))
                            .image();
    kw5test::writeFile(path, withAudio(image));
    KW5FormatGM gm;
    EXPECT_NE(KW5_FILE_RET_OK, check(gm, image));
    KW5Tag tag;
    load(tag, image);

    ASSERT_EQ(KW5_FILE_RET_OK, gm.writeTag(tag, kw5test::hostPath(path)));
    const Bytes file = kw5test::readFile(path);
    const Bytes written = tagRegion(file);
    EXPECT_EQ((Names{"GEOB:VMK_LSI", "TIT2", "TXXX:VMK_TRACK", "TYER"}), frameList(written));
    EXPECT_EQ(KW5_FILE_RET_OK, check(gm, written));
    EXPECT_EQ(kAudio, audioOf(file));
    // The title was cut to 256 units in encoding 2: "GEOB" frame, then TIT2.
    const std::size_t geobSize = 10 + geobBody("VMK_LSI").size();
    const std::size_t tit2 = 10 + geobSize;
    ASSERT_GT(written.size(), tit2 + 11);
    EXPECT_EQ('T', written[tit2]);
    EXPECT_EQ((Bytes{0x00, 0x00, 0x02, 0x01}),
              Bytes(written.begin() + tit2 + 4, written.begin() + tit2 + 8));
    EXPECT_EQ(2, written[tit2 + 10]);
}

TEST(FormatWrite, TenFthblMembersFailTheCheckOnceWritten) {
    kw5test::TempDir dir;
    const auto path = dir.file("series.kw5");
    ImageBuilder builder;
    builder.frame("TIT2", textBody("T"));
    for (int i = 1; i <= 10; ++i)
        builder.frame("GEOB", geobBody("VMK_FTHBL" + std::to_string(i)));
    const Bytes image = builder.image();
    KW5FormatSTD std_;
    ASSERT_EQ(KW5_FILE_RET_OK, check(std_, image));
    KW5Tag tag;
    load(tag, image);

    ASSERT_EQ(KW5_FILE_RET_OK, std_.writeTag(tag, kw5test::hostPath(path)));
    const Bytes written = tagRegion(kw5test::readFile(path));
    const Names frames = frameList(written);
    ASSERT_EQ(11u, frames.size());
    EXPECT_EQ("GEOB:VMK_FTHBL1", frames[1]);
    EXPECT_EQ("GEOB:VMK_FTHBL10", frames[2]);
    EXPECT_EQ("GEOB:VMK_FTHBL2", frames[3]);
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, check(std_, written));
}

TEST(FormatWrite, Id3MagicIsKept) {
    kw5test::TempDir dir;
    const auto path = dir.file("id3.kw5");
    const Bytes image = ImageBuilder().magic("ID3").frame("TIT2", textBody("T")).image();
    kw5test::writeFile(path, withAudio(image));
    KW5Tag tag;
    load(tag, image);

    KW5FormatSTD std_;
    ASSERT_EQ(KW5_FILE_RET_OK, std_.writeTag(tag, kw5test::hostPath(path)));
    const Bytes file = kw5test::readFile(path);
    ASSERT_GE(file.size(), 10u);
    EXPECT_EQ((Bytes{'I', 'D', '3', 3, 0, 0}), Bytes(file.begin(), file.begin() + 6));
    EXPECT_EQ(kAudio, audioOf(file));
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, tagRegion(file)));
}
