// The host's index pairs: frame index (1..19) to frame id, description index
// (0..163) to description, and the numbered descriptions that name a series
// of frames ("VMK_FTHBL" names VMK_FTHBL1, VMK_FTHBL2, ...).
#ifndef KW5_FACADE_KW5IDTABLES_H
#define KW5_FACADE_KW5IDTABLES_H

#include "kw5/Types.h"

#include <string>

const LONG kKW5FrameIndexFirst = 1;
const LONG kKW5FrameIndexLast = 19;
const LONG kKW5DescIndexCount = 164;

// The four-letter frame id; nullptr outside 1..19.
const char* frameIdFromIndex(LONG frameIndex);

// The description (index 0 is the empty one); nullptr outside 0..163.
const KW5WChar* descFromIndex(LONG descIndex);

// True for the 30 indices whose description names a series.
bool isNumberedDesc(LONG descIndex);

// True when a numbered description index is paired with a frame kind that
// the store keys by id alone: such a series has no members of its own, every
// ordinal would find the same frame, so the pair is refused (E_INVALIDARG).
bool isSeriesWithoutKey(const std::string& frameId, LONG descIndex);

#endif
