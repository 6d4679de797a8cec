// The padding rule of new tags.
#include "storage/KW5TagSizing.h"

#include <gtest/gtest.h>

using kw5storage::freshTagSize;
using kw5storage::newTagSize;

namespace {

struct Sized {
    uint32_t size;
    uint32_t padding;
};

Sized sized(uint32_t old, uint64_t frames, bool keepEmpty) {
    Sized s{99, 99};
    newTagSize(old, frames, keepEmpty, s.size, s.padding);
    return s;
}

// Old tag size, frame bytes, whether an empty tag must stay -> new tag size
// and padding.
TEST(TagSizing, KeptInPlaceOrPaddedToTheNextMultipleOf3072) {
    const uint64_t rows[][5] = {
        // A tag that still fits keeps its size: exactly 3072 bytes of padding
        // left is still in place, one more is not; no padding at all is fine.
        {4096, 3000, 0, 4096, 1086},
        {6144, 3062, 0, 6144, 3072},
        {6144, 3061, 0, 3072, 1},
        {4096, 4086, 0, 4096, 0},
        // Other tags are padded to the next multiple of 3072.
        {4096, 500, 0, 3072, 2562},
        {0, 3062, 0, 6144, 3072},
        {0, 3061, 0, 3072, 1},
        {4096, 4087, 0, 6144, 2047},
        // No frames, no tag; an empty tag that must stay is sized like any
        // other: in place when the old tag fits, else one unit of padding.
        {4096, 0, 0, 0, 0},
        {3000, 0, 1, 3000, 2990},
        {4096, 0, 1, 3072, 3062},
        {10, 0, 1, 10, 0}};
    for (const auto& row : rows) {
        const Sized s = sized(static_cast<uint32_t>(row[0]), row[1], row[2] != 0);
        EXPECT_EQ(s.size, row[3]) << row[0] << " " << row[1] << " " << row[2];
        EXPECT_EQ(s.padding, row[4]) << row[0] << " " << row[1] << " " << row[2];
    }
}

TEST(TagSizing, AFreshTagOfNoFramesIsOneUnitOfPadding) {
    uint32_t size = 0, padding = 0;
    freshTagSize(0, size, padding);
    EXPECT_EQ(size, 3072u);
    EXPECT_EQ(padding, 3062u);
}

TEST(TagSizing, TheLimit) {
    EXPECT_FALSE(kw5storage::tagTooLarge(0x0FFFFFF5));
    EXPECT_TRUE(kw5storage::tagTooLarge(0x0FFFFFF6));
    EXPECT_TRUE(kw5storage::tagTooLarge(0xFFFFFFFFull + 5));
    // Near the limit a whole unit of padding would overflow the size field;
    // the tag is padded up to the largest size the field can carry.
    uint32_t size = 0, padding = 0;
    freshTagSize(0x0FFFFC00 - 10, size, padding);
    EXPECT_EQ(size - 10, 0x0FFFFFFFu);
    EXPECT_EQ(padding, 0x0FFFFFFFu - (0x0FFFFC00u - 10));
    freshTagSize(0x0FFFFFF5, size, padding);
    EXPECT_EQ(size - 10, 0x0FFFFFFFu);
    EXPECT_EQ(padding, 10u);
    // Below that the ordinary rule holds.
    freshTagSize(0x0FFFFC00 - 11, size, padding);
    EXPECT_EQ(size, 0x0FFFFC00u);
    EXPECT_EQ(padding, 1u);
}

} // namespace
