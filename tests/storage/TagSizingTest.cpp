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

Sized sized(uint32_t old, uint64_t frames, bool keepEmpty = false) {
    Sized s{99, 99};
    newTagSize(old, frames, keepEmpty, s.size, s.padding);
    return s;
}

// Old tag size, frame bytes -> new tag size and padding.
TEST(TagSizing, KeptInPlaceOrPaddedToTheNextMultipleOf3072) {
    const uint64_t rows[][4] = {
        // A tag that still fits keeps its size: exactly 3072 bytes of padding
        // left is still in place, one more is not; no padding at all is fine.
        {4096, 3000, 4096, 1086},
        {6144, 3062, 6144, 3072},
        {6144, 3061, 3072, 1},
        {4096, 4086, 4096, 0},
        // Other tags are padded to the next multiple of 3072.
        {4096, 500, 3072, 2562},
        {0, 3062, 6144, 3072},
        {0, 3061, 3072, 1},
        {4096, 4087, 6144, 2047}};
    for (const auto& row : rows) {
        const Sized s = sized(static_cast<uint32_t>(row[0]), row[1]);
        EXPECT_EQ(s.size, row[2]) << row[0] << " " << row[1];
        EXPECT_EQ(s.padding, row[3]) << row[0] << " " << row[1];
    }
}

TEST(TagSizing, NoFramesNoTagUnlessOneMustStay) {
    Sized s = sized(4096, 0);
    EXPECT_EQ(s.size, 0u);
    EXPECT_EQ(s.padding, 0u);
    // Kept: in place when the old tag fits, else one unit of padding.
    s = sized(3000, 0, true);
    EXPECT_EQ(s.size, 3000u);
    EXPECT_EQ(s.padding, 2990u);
    s = sized(4096, 0, true);
    EXPECT_EQ(s.size, 3072u);
    EXPECT_EQ(s.padding, 3062u);
    s = sized(10, 0, true);
    EXPECT_EQ(s.size, 10u);
    EXPECT_EQ(s.padding, 0u);
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
