// The object behind a KW5Lib handle of the C interface: the exported class
// itself, plus what the C calls need of its state (the frame listing, and
// the rule on who releases PutBinary's records).
#ifndef KW5_FACADE_KW5CHANDLE_H
#define KW5_FACADE_KW5CHANDLE_H

#include "kw5/CKW5VorletLib.h"
#include "kw5/kw5vorlet.h"

#include <cstddef>
#include <vector>

struct KW5Lib : public CKW5VorletLib {
    // The frames of the open tag, in the order of the file or image it came
    // from, then the frames added since; a block for KW5LibFree.
    LONG listFrames(KW5FrameInfoList*& list);

    // True when CKW5VorletLib::PutBinary hands the records back untouched
    // for this call: no tag, a read-only tag, or several records for a pair
    // that names one frame. On every other path (a bad index pair included)
    // it releases them.
    bool putBinaryLeavesRecords(LONG frameIndex, LONG descIndex, size_t count);

    // The image of the last OpenImage: the listing takes its order from it.
    std::vector<unsigned char> openedImage;
};

#endif
