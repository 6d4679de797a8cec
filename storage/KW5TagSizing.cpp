#include "storage/KW5TagSizing.h"

namespace kw5storage {

void freshTagSize(uint64_t frameTotal, uint32_t& tagSize, uint32_t& padding) {
    uint64_t used = frameTotal + kTagHeaderLength;
    uint64_t pad = kPaddingUnit - used % kPaddingUnit;
    // Close to the limit a full unit would not fit the size field (whose
    // upper bits would be dropped, announcing a tiny tag); pad only up to
    // the largest size it can carry.
    uint64_t room = uint64_t(kTagSizeLimit) + kTagHeaderLength - used;
    if (pad > room)
        pad = room;
    padding = static_cast<uint32_t>(pad);
    tagSize = static_cast<uint32_t>(used + pad);
}

void newTagSize(uint32_t oldTagSize, uint64_t frameTotal, bool keepEmptyTag, uint32_t& tagSize,
                uint32_t& padding) {
    if (frameTotal == 0 && !keepEmptyTag) {
        tagSize = 0;
        padding = 0;
        return;
    }
    uint64_t used = frameTotal + kTagHeaderLength;
    if (oldTagSize >= used && oldTagSize - used <= kMaxInPlacePadding) {
        padding = static_cast<uint32_t>(oldTagSize - used);
        tagSize = oldTagSize;
        return;
    }
    freshTagSize(frameTotal, tagSize, padding);
}

} // namespace kw5storage
