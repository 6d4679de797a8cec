// Makes the format variant object of a format kind.
#ifndef KW5_FORMAT_KW5FORMATFACTORY_H
#define KW5_FORMAT_KW5FORMATFACTORY_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"

class KW5Format;

// Kinds as hosts pass them (KW5_FORMAT_* of the public header): 0 and 2 GM,
// 1 Prask, 3 STD; any other kind gives KW5_FILE_RET_INVALID_DATA
// and format = nullptr. The caller owns the object (delete through the base).
_KW5_FILE_RET createFormat(const LONG& kind, KW5Format*& format);

#endif
