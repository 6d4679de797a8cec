#include "format/KW5FormatFactory.h"

#include "format/KW5FormatGM.h"
#include "format/KW5FormatPrask.h"
#include "format/KW5FormatSTD.h"

#include <new>

_KW5_FILE_RET createFormat(const LONG& kind, KW5Format*& format) {
    format = nullptr;
    switch (kind) {
    case 0: // accepted for GM
    case 2: // KW5_FORMAT_GM
        format = new (std::nothrow) KW5FormatGM();
        break;
    case 1: // KW5_FORMAT_PRASK
        format = new (std::nothrow) KW5FormatPrask();
        break;
    case 3: // KW5_FORMAT_STD
        format = new (std::nothrow) KW5FormatSTD();
        break;
    default:
        return KW5_FILE_RET_INVALID_DATA;
    }
    return format != nullptr ? KW5_FILE_RET_OK : KW5_FILE_RET_OUT_OF_MEMORY;
}
