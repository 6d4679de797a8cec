// How big a new tag is: the padding rule of the writer.
//
// A tag that still fits the tag on disk with at most 3072 bytes of padding
// keeps its size (and is rewritten in place); any other tag is padded up to
// the next multiple of 3072 bytes (a total that already is one gets a full
// 3072 bytes more).
#ifndef KW5_STORAGE_KW5TAGSIZING_H
#define KW5_STORAGE_KW5TAGSIZING_H

#include <cstdint>

namespace kw5storage {

const uint32_t kTagHeaderLength = 10;
const uint32_t kPaddingUnit = 3072;
const uint32_t kMaxInPlacePadding = 3072;
// The largest value the syncsafe size field can carry.
const uint32_t kTagSizeLimit = 0x0FFFFFFF;

// Frames + header above the limit cannot be written at all.
inline bool tagTooLarge(uint64_t frameTotal) {
    return frameTotal + kTagHeaderLength > kTagSizeLimit;
}

// The padding rule without reuse: next multiple of 3072 above frames + 10,
// cut short where the size field would overflow. Requires !tagTooLarge.
void freshTagSize(uint64_t frameTotal, uint32_t& tagSize, uint32_t& padding);

// The size of the tag that replaces a tag of oldTagSize bytes on disk (0:
// none). No frames give size 0: the file is rewritten without a tag, unless
// keepEmptyTag (the audio itself starts like a tag, which would be read as
// the file's tag once nothing stood before it): then an empty tag is sized
// like any other. Requires !tagTooLarge.
void newTagSize(uint32_t oldTagSize, uint64_t frameTotal, bool keepEmptyTag, uint32_t& tagSize,
                uint32_t& padding);

} // namespace kw5storage

#endif
