// Steps through the frames of a tag image, from the first frame (right
// after the 10-byte tag header) to the padding or the end of the image.
#ifndef KW5_TAG_KW5FRAMEWALK_H
#define KW5_TAG_KW5FRAMEWALK_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"

class KW5Field;
class KW5FrameHeader;

namespace kw5walk {

// The padding starts where the next two bytes are zero (or the one byte
// that is left).
bool paddingStartsAt(const unsigned char* image, ULONG length, ULONG position);

// The frame at position, which moves past it. atEnd is set, and nothing
// read, at the end of the image or at the padding.
_KW5_FILE_RET nextFrame(const unsigned char* image, ULONG length, ULONG& position,
                        KW5FrameHeader& header, KW5Field& body, bool& atEnd);
// The same, telling where the body lies in the image instead of copying it.
_KW5_FILE_RET nextFrameAt(const unsigned char* image, ULONG length, ULONG& position,
                          KW5FrameHeader& header, ULONG& bodyAt, ULONG& bodySize, bool& atEnd);

} // namespace kw5walk

#endif
