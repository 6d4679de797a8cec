// A numbered series: the frames described desc1, desc2, ... up to the first
// member missing ("VMK_FTHBL" names VMK_FTHBL1, VMK_FTHBL2, ...).
#ifndef KW5_TAG_KW5NUMBEREDSERIES_H
#define KW5_TAG_KW5NUMBEREDSERIES_H

#include "facade/KW5FileRet.h"
#include "tag/KW5Frame.h"

#include <string>

class KW5Tag;

namespace kw5series {

// desc followed by the decimal ordinal, no padding, no separator.
std::string member(const std::string& desc, unsigned long ordinal);

// Calls step with desc1, desc2, ... while it answers KW5_FILE_RET_OK and
// returns the answer that ended the walk.
template <class Step> _KW5_FILE_RET walk(const std::string& desc, Step step) {
    for (unsigned long ordinal = 1;; ++ordinal) {
        const _KW5_FILE_RET ret = step(member(desc, ordinal));
        if (ret != KW5_FILE_RET_OK)
            return ret;
    }
}

// Appends the frames of every member; KW5_FILE_RET_NOT_FOUND when the walk
// ended at a missing member, else the error of the lookup that failed. The
// store holds each member once, so the walk is bounded by its size.
_KW5_FILE_RET find(const KW5Tag& tag, const std::string& frameId, const std::string& desc,
                   KW5FrameList& frames);

// The frames under (frameId, desc), or with numbered those of the whole
// series. All were found when the result is complete(numbered); then frames
// may still be empty for a series.
_KW5_FILE_RET findNamed(const KW5Tag& tag, const std::string& frameId, const std::string& desc,
                        bool numbered, KW5FrameList& frames);
inline _KW5_FILE_RET complete(bool numbered) {
    return numbered ? KW5_FILE_RET_NOT_FOUND : KW5_FILE_RET_OK;
}

} // namespace kw5series

#endif
