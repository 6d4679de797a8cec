#include "tag/KW5FrameWalk.h"

#include "fields/KW5Field.h"
#include "tag/KW5Frame.h"
#include "tag/KW5FrameHeader.h"

namespace kw5walk {

bool paddingStartsAt(const unsigned char* image, ULONG length, ULONG position) {
    const ULONG remaining = length - position;
    const ULONG probe = remaining < 2 ? remaining : 2;
    for (ULONG i = 0; i < probe; ++i) {
        if (image[position + i] != 0)
            return false;
    }
    return true;
}

_KW5_FILE_RET nextFrameAt(const unsigned char* image, ULONG length, ULONG& position,
                          KW5FrameHeader& header, ULONG& bodyAt, ULONG& bodySize, bool& atEnd) {
    atEnd = false;
    if (image == nullptr)
        return KW5_FILE_RET_NULL_POINTER;
    if (position >= length || paddingStartsAt(image, length, position)) {
        atEnd = true;
        return KW5_FILE_RET_OK;
    }
    return KW5Frame::readFrameAt(image, length, header, bodyAt, bodySize, position);
}

_KW5_FILE_RET nextFrame(const unsigned char* image, ULONG length, ULONG& position,
                        KW5FrameHeader& header, KW5Field& body, bool& atEnd) {
    ULONG bodyAt = 0;
    ULONG bodySize = 0;
    _KW5_FILE_RET ret = nextFrameAt(image, length, position, header, bodyAt, bodySize, atEnd);
    if (ret != KW5_FILE_RET_OK || atEnd)
        return ret;
    return body.setBytes(image + bodyAt, bodySize);
}

} // namespace kw5walk
