// Internal results and open modes.
#ifndef KW5_FACADE_KW5FILERET_H
#define KW5_FACADE_KW5FILERET_H

#include "kw5/KW5FileRet.h"

// Open modes of CKW5VorletLib::Open, also passed down to the frame store.
enum {
    KW5_OPEN_READONLY = 1,
    KW5_OPEN_READWRITE = 2,
    KW5_OPEN_READWRITE_ALL = 3,
};

#endif
