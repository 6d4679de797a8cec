#include "format/KW5FormatCheck.h"
#include "format/KW5FormatGM.h"
#include "format/KW5FormatPrask.h"
#include "format/KW5FormatSTD.h"
#include "tag/KW5Tag.h"
#include "tests/format/ImageBuilder.h"
#include "tests/format/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace kw5formattest;

namespace {

// Checks a copy of exactly the image's size, so that a read past its end
// is a read past an allocation.
_KW5_FILE_RET check(KW5Format& format, const Bytes& image) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[image.size() + 1]);
    std::copy(image.begin(), image.end(), copy.get());
    const unsigned char* data = copy.get();
    const ULONG length = static_cast<ULONG>(image.size());
    return format.checkFormat(data, length);
}

ImageBuilder withLsi() {
    ImageBuilder b;
    b.frame("GEOB", geobBody("VMK_LSI"));
    return b;
}

ImageBuilder withUlinf() {
    ImageBuilder b;
    b.frame("GEOB", geobBody("VMK_ULINF"));
    return b;
}

class FormatCheck : public ::testing::Test {
protected:
    KW5FormatSTD std_;
    KW5FormatGM gm_;
    KW5FormatPrask prask_;
};

} // namespace

TEST_F(FormatCheck, EmptyImagePassesStdAndFailsGmAndPrask) {
    LogCapture log;
    const unsigned char* none = nullptr;
    const ULONG zero = 0;
    EXPECT_EQ(KW5_FILE_RET_OK, std_.checkFormat(none, zero));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_NO_LSI, gm_.checkFormat(none, zero));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_NO_ULINF, prask_.checkFormat(none, zero));
    EXPECT_EQ("", log.text());
}

TEST_F(FormatCheck, MissingOrShortImageFails) {
    const unsigned char* none = nullptr;
    const ULONG five = 5;
    EXPECT_EQ(KW5_FILE_RET_NULL_POINTER, std_.checkFormat(none, five));
    EXPECT_EQ(KW5_FILE_RET_NULL_POINTER, gm_.checkFormat(none, five));
    Bytes header = ImageBuilder().image();
    header.resize(9);
    EXPECT_EQ(KW5_FILE_RET_FAILED, check(std_, header));
    EXPECT_EQ(KW5_FILE_RET_FAILED, check(prask_, header));
}

TEST_F(FormatCheck, HeaderAloneIsAnEmptyTag) {
    const Bytes image = ImageBuilder().image();
    ASSERT_EQ(10u, image.size());
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, image));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_NO_LSI, check(gm_, image));
}

TEST_F(FormatCheck, Id3MagicWithVersion3Passes) {
    const Bytes image = ImageBuilder().magic("ID3").frame("TIT2", textBody("T")).image();
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, image));
}

TEST_F(FormatCheck, WrongVersionFailsWithTheVariantsLine) {
    const Bytes v4 = ImageBuilder().magic("ID3").version(4, 0).frame("TIT2", textBody("T")).image();
    {
        LogCapture log;
        EXPECT_EQ(KW5_FILE_RET_FORMAT_WRONG_VERSION, check(std_, v4));
        EXPECT_TRUE(log.contains("ch_f_std wrong ver")) << log.text();
    }
    {
        LogCapture log;
        EXPECT_EQ(KW5_FILE_RET_FORMAT_WRONG_VERSION, check(gm_, v4));
        EXPECT_TRUE(log.contains("ch_f_gm wrong ver")) << log.text();
    }
    {
        LogCapture log;
        EXPECT_EQ(KW5_FILE_RET_FORMAT_WRONG_VERSION, check(prask_, v4));
        EXPECT_TRUE(log.contains("ch_f_prsk wrong ver")) << log.text();
    }
    EXPECT_EQ(KW5_FILE_RET_FORMAT_WRONG_VERSION, check(std_, ImageBuilder().version(3, 1).image()));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_WRONG_VERSION, check(std_, ImageBuilder().magic("KW5").image()));
}

TEST_F(FormatCheck, StdRefusesAnLsiObject) {
    LogCapture log;
    const Bytes image =
        ImageBuilder().frame("TIT2", textBody("T")).frame("GEOB", geobBody("VMK_LSI")).image();
    EXPECT_EQ(KW5_FILE_RET_FORMAT_LSI_PRESENT, check(std_, image));
    EXPECT_TRUE(log.contains("ch_f_std LSI exists")) << log.text();
}

TEST_F(FormatCheck, GmWantsItsObjectFirst) {
    EXPECT_EQ(KW5_FILE_RET_OK, check(gm_, withLsi().frame("TIT2", textBody("T")).image()));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT,
              check(gm_, ImageBuilder()
                             .frame("TIT2", textBody("T"))
                             .frame("GEOB", geobBody("VMK_LSI"))
                             .image()));
}

TEST_F(FormatCheck, GmWithoutLsiFailsSilently) {
    LogCapture log;
    EXPECT_EQ(KW5_FILE_RET_FORMAT_NO_LSI,
              check(gm_, ImageBuilder().frame("TIT2", textBody("T")).image()));
    EXPECT_EQ("", log.text());
}

TEST_F(FormatCheck, PraskWithoutUlinfFailsWithALine) {
    LogCapture log;
    EXPECT_EQ(KW5_FILE_RET_FORMAT_NO_ULINF, check(prask_, withLsi().image()));
    EXPECT_TRUE(log.contains("ch_f_prsk No ULINF")) << log.text();
    EXPECT_EQ(KW5_FILE_RET_OK, check(prask_, withUlinf().frame("TIT2", textBody("T")).image()));
}

TEST_F(FormatCheck, TwoMarkingObjectsAreADuplicate) {
    // The store keeps one object per description; the image holds two.
    {
        LogCapture log;
        const Bytes image = withLsi()
                                .frame("TIT2", textBody("T"))
                                .frame("GEOB", geobBody("VMK_LSI", Bytes{9}))
                                .image();
        EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, check(gm_, image));
        EXPECT_TRUE(log.contains("ch_f_gm many LSIs")) << log.text();
    }
    {
        LogCapture log;
        const Bytes image = withUlinf().frame("GEOB", geobBody("VMK_ULINF", Bytes{9})).image();
        EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, check(prask_, image));
        EXPECT_TRUE(log.contains("ch_f_prsk many ULINFs")) << log.text();
    }
    {
        LogCapture log;
        const Bytes image = ImageBuilder()
                                .frame("GEOB", geobBody("VMK_LSI"))
                                .frame("GEOB", geobBody("VMK_LSI", Bytes{9}))
                                .image();
        EXPECT_EQ(KW5_FILE_RET_FORMAT_LSI_PRESENT, check(std_, image));
        EXPECT_TRUE(log.contains("ch_f_std LSI exists")) << log.text();
    }
}

TEST_F(FormatCheck, MarkAnswersByCount) {
    LogCapture log;
    EXPECT_EQ(KW5_FILE_RET_FORMAT_NO_LSI, KW5FormatCheck::judgeKeyObjects(0, KW5FormatGM::mark()));
    EXPECT_EQ(KW5_FILE_RET_OK, KW5FormatCheck::judgeKeyObjects(1, KW5FormatGM::mark()));
    EXPECT_EQ("", log.text());
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT,
              KW5FormatCheck::judgeKeyObjects(2, KW5FormatGM::mark()));
    EXPECT_TRUE(log.contains("ch_f_gm many LSIs"));
    EXPECT_EQ(KW5_FILE_RET_OK, KW5FormatCheck::judgeKeyObjects(0, KW5FormatSTD::mark()));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_LSI_PRESENT,
              KW5FormatCheck::judgeKeyObjects(3, KW5FormatSTD::mark()));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT,
              KW5FormatCheck::judgeKeyObjects(2, KW5FormatPrask::mark()));
    EXPECT_TRUE(log.contains("ch_f_prsk many ULINFs"));
}

TEST_F(FormatCheck, UnreadableTagLogsTheCheckErrorLine) {
    // An unknown frame id cannot be loaded.
    const Bytes unknown =
        ImageBuilder().frame("TIT2", textBody("T")).frame("XYZW", Bytes{1}).image();
    {
        LogCapture log;
        EXPECT_EQ(KW5_FILE_RET_INVALID_PARAMETER, check(std_, unknown));
        EXPECT_TRUE(log.contains("ch_f_std check LSI error")) << log.text();
    }
    {
        LogCapture log;
        EXPECT_EQ(KW5_FILE_RET_INVALID_PARAMETER, check(gm_, unknown));
        EXPECT_TRUE(log.contains("ch_f_gm check LSI error")) << log.text();
    }
    {
        LogCapture log;
        EXPECT_EQ(KW5_FILE_RET_INVALID_PARAMETER, check(prask_, unknown));
        EXPECT_TRUE(log.contains("ch_f_prsk check ULINF error")) << log.text();
    }
    // A frame that runs past the end of the image.
    Bytes cut = withLsi().frame("TIT2", textBody("Title")).image();
    cut.pop_back();
    LogCapture log;
    EXPECT_EQ(KW5_FILE_RET_INVALID_DATA, check(gm_, cut));
    EXPECT_TRUE(log.contains("ch_f_gm check LSI error")) << log.text();
}

TEST_F(FormatCheck, PriorityFramesInListOrder) {
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, check(std_, ImageBuilder()
                                                                    .frame("TIT2", textBody("T"))
                                                                    .frame("TYER", textBody("2001"))
                                                                    .frame("TALB", textBody("A"))
                                                                    .image()));
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, ImageBuilder()
                                               .frame("TIT2", textBody("T"))
                                               .frame("TALB", textBody("A"))
                                               .frame("TYER", textBody("2001"))
                                               .image()));
    // A frame the key list does not name may not stand between key frames...
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, check(std_, ImageBuilder()
                                                                    .frame("TIT2", textBody("T"))
                                                                    .frame("TALB", textBody("A"))
                                                                    .frame("TCOM", textBody("C"))
                                                                    .frame("TYER", textBody("2001"))
                                                                    .image()));
    // ...but may follow them in any order.
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, ImageBuilder()
                                               .frame("TIT2", textBody("T"))
                                               .frame("TYER", textBody("2001"))
                                               .frame("WOAR", Bytes{'u'})
                                               .frame("TCOM", textBody("C"))
                                               .frame("GEOB", geobBody("OTHER"))
                                               .padding(8)
                                               .image()));
}

TEST_F(FormatCheck, UserTextKeysAreMatchedByDescription) {
    const Bytes ordered = ImageBuilder()
                              .frame("TCON", textBody("Rock"))
                              .frame("TXXX", txxxBody("VMK_TPE1S", "S"))
                              .frame("TXXX", txxxBody("VMK_TRACK", "7"))
                              .frame("TYER", textBody("2001"))
                              .image();
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, ordered));
    const Bytes swapped = ImageBuilder()
                              .frame("TXXX", txxxBody("VMK_TRACK", "7"))
                              .frame("TXXX", txxxBody("VMK_TPE1S", "S"))
                              .image();
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, check(std_, swapped));
    // The store files "WXXX" under its description too: found under the
    // "TXXX" key, it is expected with its own id.
    const Bytes url = ImageBuilder()
                          .frame("WXXX", wxxxBody("VMK_TPE1S", "http://x"))
                          .frame("TYER", textBody("2001"))
                          .image();
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, url));
}

TEST_F(FormatCheck, FthblSeriesInOrdinalOrder) {
    const Bytes ordered = ImageBuilder()
                              .frame("TIT2", textBody("T"))
                              .frame("GEOB", geobBody("VMK_FTHBL1"))
                              .frame("GEOB", geobBody("VMK_FTHBL2"))
                              .image();
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, ordered));
    const Bytes reversed = ImageBuilder()
                               .frame("TIT2", textBody("T"))
                               .frame("GEOB", geobBody("VMK_FTHBL2"))
                               .frame("GEOB", geobBody("VMK_FTHBL1"))
                               .image();
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, check(std_, reversed));
    // The series follows the priority frames, never leads them.
    const Bytes first =
        ImageBuilder().frame("GEOB", geobBody("VMK_FTHBL1")).frame("TIT2", textBody("T")).image();
    EXPECT_EQ(KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, check(std_, first));
    // GM: object, priority frames, series.
    EXPECT_EQ(
        KW5_FILE_RET_OK,
        check(
            gm_,
            withLsi().frame("TPE1", textBody("P")).frame("GEOB", geobBody("VMK_FTHBL1")).image()));
}

TEST_F(FormatCheck, FthblSeriesEndsAtItsFirstGap) {
    // Without member 1 the series names nothing: member 2 may stand anywhere
    // after the priority frames.
    const Bytes noFirst = ImageBuilder()
                              .frame("TIT2", textBody("T"))
                              .frame("TCOM", textBody("C"))
                              .frame("GEOB", geobBody("VMK_FTHBL2"))
                              .image();
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, noFirst));
    // Members after a gap are not expected either.
    const Bytes gap = ImageBuilder()
                          .frame("TIT2", textBody("T"))
                          .frame("GEOB", geobBody("VMK_FTHBL1"))
                          .frame("GEOB", geobBody("OTHER"))
                          .frame("GEOB", geobBody("VMK_FTHBL3"))
                          .image();
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, gap));
}

TEST_F(FormatCheck, PriorityPayloadLimit) {
    EXPECT_EQ(KW5_FILE_RET_OK,
              check(std_, ImageBuilder().frame("TIT2", textBodyOfPayload(512)).image()));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_FRAME_TOO_LARGE,
              check(std_, ImageBuilder().frame("TIT2", textBodyOfPayload(514)).image()));
    EXPECT_EQ(
        KW5_FILE_RET_FORMAT_FRAME_TOO_LARGE,
        check(gm_, withLsi().frame("TXXX", txxxBody("VMK_TRACK", std::string(257, '1'))).image()));
    // Frames off the priority list may be longer.
    EXPECT_EQ(KW5_FILE_RET_OK,
              check(std_, ImageBuilder().frame("TCOM", textBodyOfPayload(2000)).image()));
    // The size rule comes before the order rule.
    EXPECT_EQ(KW5_FILE_RET_FORMAT_FRAME_TOO_LARGE,
              check(std_, ImageBuilder()
                              .frame("TYER", textBody("2001"))
                              .frame("TIT2", textBodyOfPayload(600))
                              .image()));
}

TEST_F(FormatCheck, NarrowUserTextFailsEveryVariant) {
    const Bytes stdImage = ImageBuilder()
                               .frame("TIT2", textBody("T"))
                               .frame("TXXX", txxxBody0("VMK_TRACK", "7"))
                               .image();
    EXPECT_EQ(KW5_FILE_RET_FORMAT_WRONG_ENCODING, check(std_, stdImage));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_WRONG_ENCODING,
              check(gm_, withLsi().frame("TXXX", txxxBody0("VMK_TRACK", "7")).image()));
    EXPECT_EQ(KW5_FILE_RET_FORMAT_WRONG_ENCODING,
              check(prask_, withUlinf().frame("TXXX", txxxBody0("VMK_TRACK", "7")).image()));
    // URL frames carry no encoding byte.
    EXPECT_EQ(KW5_FILE_RET_OK, check(std_, ImageBuilder().frame("WOAR", Bytes{'h'}).image()));
    // The object rule comes first.
    EXPECT_EQ(KW5_FILE_RET_FORMAT_LSI_PRESENT,
              check(std_, withLsi().frame("TIT2", textBody0("T")).image()));
}

TEST_F(FormatCheck, PaddingEndsTheWalk) {
    // A single zero byte left after the frames is padding too.
    const Bytes image = withLsi().frame("TIT2", textBody("T")).padding(1).image();
    EXPECT_EQ(KW5_FILE_RET_OK, check(gm_, image));
}

TEST_F(FormatCheck, TruncatedImagesNeverReadPastTheirEnd) {
    const Bytes image = withLsi()
                            .frame("TIT2", textBody("Title"))
                            .frame("TXXX", txxxBody("VMK_TRACK", "7"))
                            .frame("GEOB", geobBody("VMK_FTHBL1"))
                            .padding(4)
                            .image();
    ASSERT_EQ(KW5_FILE_RET_OK, check(gm_, image));
    for (std::size_t n = 1; n < image.size(); ++n) {
        const Bytes prefix(image.begin(), image.begin() + n);
        const _KW5_FILE_RET ret = check(gm_, prefix);
        const std::size_t framesEnd = image.size() - 4;
        if (n < 10) {
            EXPECT_EQ(KW5_FILE_RET_FAILED, ret) << n;
        } else if (n >= framesEnd) {
            EXPECT_EQ(KW5_FILE_RET_OK, ret) << n;
        }
        check(std_, prefix);
        check(prask_, prefix);
    }
    // Cut inside the last frame: it runs past the end.
    const Bytes cut(image.begin(), image.end() - 5);
    EXPECT_EQ(KW5_FILE_RET_INVALID_DATA, check(gm_, cut));
}

TEST(FormatCheckSteps, SeriesValueOtherThanZeroOrOneIsRefused) {
    KW5Tag tag;
    const Bytes image = ImageBuilder().frame("TIT2", textBody("T")).image();
    ASSERT_EQ(KW5_FILE_RET_OK, tag.load(image.data(), static_cast<ULONG>(image.size())));
    KW5FrameList frames;
    EXPECT_EQ(KW5_FILE_RET_INVALID_PARAMETER,
              KW5FormatCheck::lookupKey(tag, FormatKey{2, "TIT2", ""}, frames));
    EXPECT_EQ(KW5_FILE_RET_OK, KW5FormatCheck::lookupKey(tag, FormatKey{0, "TIT2", ""}, frames));
    EXPECT_EQ(1u, frames.size());
    std::vector<FormatKey> expected;
    EXPECT_EQ(KW5_FILE_RET_INVALID_PARAMETER,
              KW5FormatCheck::collectKeyFrames(tag, {{-1, "TIT2", ""}}, expected));
}

TEST(FormatCheckSteps, CollectKeyFramesFollowsTheKeyList) {
    const Bytes image = ImageBuilder()
                            .frame("GEOB", geobBody("VMK_FTHBL2"))
                            .frame("TYER", textBody("2001"))
                            .frame("GEOB", geobBody("VMK_FTHBL1"))
                            .frame("TIT2", textBody("T"))
                            .image();
    KW5Tag tag;
    ASSERT_EQ(KW5_FILE_RET_OK, tag.load(image.data(), static_cast<ULONG>(image.size())));
    KW5FormatSTD format;
    std::vector<FormatKey> keys;
    format.getKeyOrder(keys);
    std::vector<FormatKey> expected;
    ASSERT_EQ(KW5_FILE_RET_OK, KW5FormatCheck::collectKeyFrames(tag, keys, expected));
    ASSERT_EQ(4u, expected.size());
    EXPECT_EQ("TIT2", expected[0].frameId);
    EXPECT_EQ("TYER", expected[1].frameId);
    EXPECT_EQ("GEOB", expected[2].frameId);
    EXPECT_EQ("VMK_FTHBL1", expected[2].description);
    EXPECT_EQ("VMK_FTHBL2", expected[3].description);
    EXPECT_EQ(
        KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT,
        KW5FormatCheck::checkKeyOrder(image.data(), static_cast<ULONG>(image.size()), expected));
    EXPECT_EQ(KW5_FILE_RET_OK,
              KW5FormatCheck::checkKeyOrder(image.data(), static_cast<ULONG>(image.size()), {}));
}
