// What sets one format variant's check apart from the others: the object
// that marks the variant, how many of it the variant wants, and the log
// lines it writes.
#ifndef KW5_FORMAT_KW5FORMATMARK_H
#define KW5_FORMAT_KW5FORMATMARK_H

#include "facade/KW5FileRet.h"

// The answer to one count of marking objects. KW5_FILE_RET_OK lets the
// check go on; logLine may be null for a silent answer.
struct KW5MarkOutcome {
    _KW5_FILE_RET result;
    const char* logLine;
};

struct KW5FormatMark {
    // Description of the "GEOB" frame that marks the variant.
    const char* objectDescription;
    const char* wrongVersionLine;
    // Written when the object cannot be looked up at all.
    const char* checkErrorLine;
    // The image is empty (length 0).
    _KW5_FILE_RET emptyImageResult;
    KW5MarkOutcome absent;
    KW5MarkOutcome once;
    KW5MarkOutcome many;
};

#endif
