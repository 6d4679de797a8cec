// The frames of a tag, serialised in write order: buffer k is frame k as it
// goes into the file (10 header bytes, then the body), lengths[k] its size,
// total the sum of the lengths.
#ifndef KW5_TAG_KW5SERIALIZEDFRAMES_H
#define KW5_TAG_KW5SERIALIZEDFRAMES_H

#include "platform/Types.h"

#include <vector>

struct KW5SerializedFrames {
    std::vector<std::vector<unsigned char>> buffers;
    std::vector<ULONG> lengths;
    ULONG total = 0;
};

#endif
