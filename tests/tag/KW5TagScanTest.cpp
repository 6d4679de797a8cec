#include "tag/KW5Tag.h"

#include "tests/common/TempDir.h"
#include "tests/tag/TagTestFrames.h"

#include <gtest/gtest.h>

using kw5test::hex;
using kw5test::hostPath;
using kw5test::TempDir;
using kw5test::writeFile;
using namespace tagtest;

namespace {

const Bytes kAudio = hex("FF FB 90 64 00 00 00 00 54 49 54 32");

class TagScan : public ::testing::Test {
protected:
    KW5WString write(const Bytes& bytes, const std::string& name = "song.kw5") {
        writeFile(dir.file(name), bytes);
        return hostPath(dir.file(name));
    }

    TempDir dir;
};

TEST_F(TagScan, DescriptionNamesTheFirstMatchOnly) {
    const KW5WString path = write(concat(
        {tagImage(concat({frame("TIT2", textBody("t")), frame("TXXX", userBody("B", "0")),
                          frame("TXXX", userBody("A", "1")), frame("TXXX", userBody("A", "2"))}),
                  50),
         kAudio}));
    KW5FrameList frames;
    ASSERT_EQ(KW5Tag::scanFileFrames(path, "TXXX", "A", frames), KW5_FILE_RET_OK);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(whole(frames[0]), frame("TXXX", userBody("A", "1")));
}

TEST_F(TagScan, NoDescriptionCollectsEveryFrameOfTheId) {
    const KW5WString path =
        write(concat({tagImage(concat({frame("TIT2", textBody("one")), frame("TPE1", textBody("x")),
                                       frame("TIT2", textBody("two"), 0x2000)}),
                               20),
                      kAudio}));
    KW5FrameList frames(1);
    ASSERT_EQ(KW5Tag::scanFileFrames(path, "TIT2", "", frames), KW5_FILE_RET_OK);
    ASSERT_EQ(frames.size(), 3u) << "appended to the list";
    EXPECT_EQ(whole(frames[1]), frame("TIT2", textBody("one")));
    EXPECT_EQ(whole(frames[2]), frame("TIT2", textBody("two"), 0x2000));
}

TEST_F(TagScan, UserFramesWithADescriptionDoNotMatchAnEmptyOne) {
    const KW5WString path = write(tagImage(
        concat({frame("TXXX", userBody("A", "1")), frame("GEOB", objectBody("", hex("01")))}), 20));
    KW5FrameList frames;
    ASSERT_EQ(KW5Tag::scanFileFrames(path, "TXXX", "", frames), KW5_FILE_RET_OK);
    EXPECT_TRUE(frames.empty());
    ASSERT_EQ(KW5Tag::scanFileFrames(path, "GEOB", "", frames), KW5_FILE_RET_OK);
    EXPECT_EQ(frames.size(), 1u);
    ASSERT_EQ(KW5Tag::scanFileFrames(path, "WOAR", "", frames), KW5_FILE_RET_OK);
    EXPECT_EQ(frames.size(), 1u) << "nothing found is still OK";
}

TEST_F(TagScan, StopsAtPaddingAndAtTheEndOfTheTag) {
    // A frame after the padding and a frame after the tag are not seen.
    Bytes tag = tagImage(frame("TIT2", textBody("in")), 12);
    std::copy_n(frame("TALB", textBody("x")).begin(), 2, tag.end() - 2);
    const Bytes after = frame("TIT2", textBody("audio"));
    const KW5WString path = write(concat({tag, after}));
    KW5FrameList frames;
    ASSERT_EQ(KW5Tag::scanFileFrames(path, "TIT2", "", frames), KW5_FILE_RET_OK);
    EXPECT_EQ(frames.size(), 1u);

    const KW5WString full =
        write(concat({tagImage(frame("TIT2", textBody("exactly"))), after}), "full.kw5");
    frames.clear();
    ASSERT_EQ(KW5Tag::scanFileFrames(full, "TIT2", "", frames), KW5_FILE_RET_OK);
    EXPECT_EQ(frames.size(), 1u);
}

TEST_F(TagScan, FilesWithoutATag) {
    KW5FrameList frames;
    EXPECT_EQ(KW5Tag::scanFileFrames(write(kAudio), "TIT2", "", frames), KW5_FILE_RET_INVALID_DATA);
    EXPECT_EQ(KW5Tag::scanFileFrames(write({}, "empty"), "TIT2", "", frames),
              KW5_FILE_RET_INVALID_DATA);
    // A header with room for less than one frame.
    EXPECT_EQ(KW5Tag::scanFileFrames(write(tagImage({}, 9), "tiny"), "TIT2", "", frames),
              KW5_FILE_RET_INVALID_DATA);
    // The version is not looked at.
    const KW5WString v4 = write(tagImage(frame("TIT2", textBody("t")), 10, "ID3", 4), "v4");
    EXPECT_EQ(KW5Tag::scanFileFrames(v4, "TIT2", "", frames), KW5_FILE_RET_OK);
    EXPECT_EQ(frames.size(), 1u);
}

TEST_F(TagScan, MissingFileIsAnAccessError) {
    KW5FrameList frames;
    EXPECT_EQ(KW5Tag::scanFileFrames(hostPath(dir.file("missing.kw5")), "TIT2", "", frames),
              KW5_FILE_RET_FILE_ACCESS_ERROR);
    EXPECT_EQ(KW5Tag::scanFileFrames(hostPath(dir.path()), "TIT2", "", frames),
              KW5_FILE_RET_FILE_ACCESS_ERROR);
}

TEST_F(TagScan, ShortFilesAreReadErrors) {
    // The header promises more than the file holds.
    Bytes image =
        tagImage(concat({frame("TPE1", textBody("a")), frame("TIT2", textBody("t"))}), 30);
    image.resize(image.size() - 30 - 2);
    KW5FrameList frames;
    EXPECT_EQ(KW5Tag::scanFileFrames(write(image), "TIT2", "", frames),
              KW5_FILE_RET_FILE_READ_ERROR);
    image.resize(image.size() - 8); // cut inside the TIT2 header
    EXPECT_EQ(KW5Tag::scanFileFrames(write(image, "b"), "TIT2", "", frames),
              KW5_FILE_RET_FILE_READ_ERROR);
    // A matching frame that claims a huge body is refused without reading it.
    const Bytes huge = tagImage(concat({hex("54 49 54 32 7F FF FF FF 00 00"), textBody("t")}), 30);
    EXPECT_EQ(KW5Tag::scanFileFrames(write(huge, "c"), "TIT2", "", frames),
              KW5_FILE_RET_FILE_READ_ERROR);
    EXPECT_TRUE(frames.empty());
}

TEST_F(TagScan, SkipsOtherFramesEvenWhenTheyRunPastTheTag) {
    const Bytes image = tagImage(concat({hex("54 50 45 31 00 00 10 00 00 00"), textBody("t")}), 30);
    KW5FrameList frames;
    EXPECT_EQ(KW5Tag::scanFileFrames(write(image), "TIT2", "", frames), KW5_FILE_RET_OK);
    EXPECT_TRUE(frames.empty());
}

TEST_F(TagScan, UnknownWantedIdIsRefusedWhenMet) {
    const KW5WString path = write(tagImage(frame("XYZW", textBody("x")), 20));
    KW5FrameList frames;
    EXPECT_EQ(KW5Tag::scanFileFrames(path, "XYZW", "", frames), KW5_FILE_RET_INVALID_PARAMETER);
    EXPECT_EQ(KW5Tag::scanFileFrames(path, "TIT2", "", frames), KW5_FILE_RET_OK);
}

} // namespace
